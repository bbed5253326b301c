#pragma once
// The window host: every window of the program is a Form, one instance per
// class, loaded (hidden, its Form_Load first) the first time it is referred
// to through Forms::Get and gone after Forms::Unload. Positions and sizes
// are outer measures in twips, as single-precision numbers.

#include <QColor>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>
#include <functional>

#include "platform/host/Picture.h"
#include "platform/host/Screen.h"

class QPainter;

namespace platform {

enum ScaleModeConstants : short { vbTwips = 1, vbPixels = 3 };
enum MouseButtonConstants : short { vbLeftButton = 1, vbRightButton = 2, vbMiddleButton = 4 };
enum FormWindowStateConstants : short { vbNormal = 0, vbMinimized = 1 };
enum ShiftConstants : short { vbShiftMask = 1, vbCtrlMask = 2, vbAltMask = 4 };
// Windows' virtual key codes; letters and digits are their capital characters.
enum KeyCodeConstants : short {
    vbKeyTab = 9,
    vbKeyReturn = 13,
    vbKeyEscape = 27,
    vbKeySpace = 32,
    vbKeyPageUp = 33,
    vbKeyPageDown = 34,
    vbKeyEnd = 35,
    vbKeyHome = 36,
    vbKeyLeft = 37,
    vbKeyUp = 38,
    vbKeyRight = 39,
    vbKeyDown = 40,
};

// Mouse button, shift and key codes as the handlers receive them; a key
// without a code gives 0.
short ButtonCode(Qt::MouseButton button);
short ShiftCode(Qt::KeyboardModifiers modifiers);
short KeyCodeOf(const QKeyEvent& event);
// Hands a key press to a KeyDown handler, handler(KeyCode, Shift); true when
// the handler took the key by setting KeyCode to 0.
template <class Handler>
bool HandKeyDown(QKeyEvent* event, Handler&& handler) {
    short code = KeyCodeOf(*event);
    if (code == 0) return false;
    handler(code, ShiftCode(event->modifiers()));
    return code == 0;
}

class Form : public QWidget {
    Q_OBJECT

public:
    enum class Kind { Main, Tool, Hidden, Popup };
    explicit Form(Kind kind = Kind::Main);
    ~Form() override;

    // Outer measures in twips. A value read back is the one set, for as long
    // as the window still stands on the pixel that value maps to.
    float Left() const;
    float Top() const;
    float Width() const;
    float Height() const;
    void SetLeft(float twips);
    void SetTop(float twips);
    void SetWidth(float twips);
    void SetHeight(float twips);
    void Move(float left, float top, float width, float height);

    short ScaleMode() const { return scaleMode_; }
    void SetScaleMode(short mode) { scaleMode_ = mode; }
    // Client size in the current scale.
    float ScaleWidth() const;
    float ScaleHeight() const;
    // Converts between twips (1) and pixels (3).
    float ScaleX(float value, short from, short to) const;
    float ScaleY(float value, short from, short to) const;

    bool Visible() const { return isVisible(); }
    void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    short WindowState() const;
    void SetWindowState(short state);
    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString& caption) { setWindowTitle(caption); }
    const StdPicture& Picture() const { return picture_; }
    void SetPicture(StdPicture picture);
    quintptr hWnd() { return static_cast<quintptr>(winId()); }
    // Activates the window, when it is shown.
    void SetFocus();
    // Once the keyboard is in use, the control that has the focus is ringed
    // in this colour on the window's picture; no ring while it is invalid.
    QColor FocusColor() const { return focusColor_; }
    void SetFocusColor(const QColor& color);
    // Unloads this window, as Forms::Unload does for its class.
    void Unload();

    // Event handlers; a window overrides those it handles.
    virtual void Form_Load() {}
    virtual void Form_Unload() {}
    virtual void Form_Resize() {}
    virtual void Form_Activate() {}
    virtual void Form_LostFocus() {}
    // A key that no control of the window took; setting KeyCode to 0 takes it.
    virtual void Form_KeyDown(short& KeyCode, short Shift);
    virtual void Form_MouseDown(short Button, short Shift, float X, float Y);
    virtual void Form_MouseMove(short Button, short Shift, float X, float Y);
    virtual void Form_MouseUp(short Button, short Shift, float X, float Y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    friend class Forms;
    void lostActivation();
    void drawFocusMark(QPainter& painter) const;
    float toScale(float pixels) const;

    short scaleMode_ = vbTwips;
    StdPicture picture_;
    QColor focusColor_;
    float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    Kind kind_;
    std::function<void()> unloadSelf_;
};

// The form host. Get<T>() is a reference to the window T, loading it first
// when needed; Unload<T>() runs its Form_Unload and destroys it, and does
// nothing when it is not loaded.
class Forms {
public:
    template <class T>
    static T& Get() {
        if (!instance<T>) {
            instance<T> = new T;
            instance<T>->unloadSelf_ = [] { Unload<T>(); };
            loaded_.append(instance<T>);
            instance<T>->Form_Load();
        }
        return *instance<T>;
    }
    template <class T>
    static bool IsLoaded() {
        return instance<T> != nullptr;
    }
    template <class T>
    static void Unload() {
        T* form = instance<T>;
        if (!form) return;
        instance<T> = nullptr;
        form->Form_Unload();
        unloaded(form);
    }
    // How many windows are loaded.
    static int Count() { return static_cast<int>(loaded_.size()); }
    // The program's main window (the one made as Kind::Main), while it is
    // loaded; windows that restore or end it need not know its class.
    static Form* Main() { return main_; }
    // Runs when the last window is unloaded (the program ends then).
    static void SetOnLastUnload(std::function<void()> handler) { onLast_ = std::move(handler); }
    // The end of the session (logging out, a signal to end): every shown
    // tool window loses the focus, so it saves as it would then, and the
    // main window is unloaded as its close mark does, which ends the program.
    static void EndSession();

private:
    template <class T>
    static inline T* instance = nullptr;
    static void unloaded(Form* form);
    static inline QList<Form*> loaded_;
    static inline Form* main_ = nullptr;
    static inline std::function<void()> onLast_;
    friend class Form;
};

}  // namespace platform
