#include "platform/host/Form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QSemaphore>
#include <QThreadPool>
#include <QTimer>

#include "platform/host/Accessible.h"
#include "platform/host/Rounding.h"

namespace platform {
namespace {

int toPixels(float twips) {
    return TwipsToPixels(twips);
}

// A twips value set by the program reads back unchanged while the window is
// still on the pixel it maps to; once the user or the window manager moved
// it elsewhere, the real position counts.
float readBack(float set, int pixels) {
    return toPixels(set) == pixels ? set : static_cast<float>(pixels) * kTwipsPerPixel;
}

Qt::WindowFlags flagsFor(Form::Kind kind) {
    Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint;
    switch (kind) {
        case Form::Kind::Main: break;
        case Form::Kind::Tool: flags |= Qt::Tool; break;
        case Form::Kind::Hidden: flags |= Qt::Tool; break;
        case Form::Kind::Popup: flags |= Qt::ToolTip | Qt::WindowDoesNotAcceptFocus; break;
    }
    return flags;
}

// The main window is the first to show text, and filling Qt's font database
// from fontconfig's list takes a millisecond or more the window need not
// wait for: a pooled thread fills it while the rest of the program is built.
// The database is thread-safe, but only while the application's GUI part
// stands, and the application waits for its pool only once that part is
// gone: a main window that goes waits for the read first.
bool fontsAhead = false;

QSemaphore& fontsRead() {
    static QSemaphore read;
    return read;
}

void readFontsAhead() {
    if (fontsAhead) return;
    fontsAhead = true;
    QThreadPool::globalInstance()->start([] {
        QFontDatabase::families();
        fontsRead().release();
    });
}

void waitForFontsRead() {
    if (!fontsAhead) return;
    fontsRead().acquire();
    fontsRead().release();
}

// Windows hides focus marks from a mouse user until a key is pressed; from
// then on every window shows them.
bool keyboardUsed = false;

class KeyboardWatch : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && !keyboardUsed) {
            keyboardUsed = true;
            for (QWidget* window : QApplication::topLevelWidgets()) window->update();
        }
        return false;
    }
};

void watchTheKeyboard() {
    static QPointer<KeyboardWatch> watch;
    if (watch || keyboardUsed) return;
    watch = new KeyboardWatch(qApp);
    qApp->installEventFilter(watch);
}

}  // namespace

short ButtonCode(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton: return vbLeftButton;
        case Qt::RightButton: return vbRightButton;
        case Qt::MiddleButton: return vbMiddleButton;
        default: return 0;
    }
}

short ShiftCode(Qt::KeyboardModifiers modifiers) {
    short shift = 0;
    if (modifiers & Qt::ShiftModifier) shift |= 1;
    if (modifiers & Qt::ControlModifier) shift |= 2;
    if (modifiers & Qt::AltModifier) shift |= 4;
    return shift;
}

short KeyCodeOf(const QKeyEvent& event) {
    const int key = event.key();
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9) ||
        key == Qt::Key_Space)
        return static_cast<short>(key);  // Qt's codes are the characters, as Windows' are
    switch (key) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab: return vbKeyTab;
        case Qt::Key_Return:
        case Qt::Key_Enter: return vbKeyReturn;
        case Qt::Key_Escape: return vbKeyEscape;
        case Qt::Key_PageUp: return vbKeyPageUp;
        case Qt::Key_PageDown: return vbKeyPageDown;
        case Qt::Key_End: return vbKeyEnd;
        case Qt::Key_Home: return vbKeyHome;
        case Qt::Key_Left: return vbKeyLeft;
        case Qt::Key_Up: return vbKeyUp;
        case Qt::Key_Right: return vbKeyRight;
        case Qt::Key_Down: return vbKeyDown;
        default: return 0;
    }
}

Form::Form(Kind kind) : QWidget(nullptr, flagsFor(kind)), kind_(kind) {
    InstallAccessibleFactory();
    watchTheKeyboard();
    setAttribute(Qt::WA_DeleteOnClose, false);
    if (kind == Kind::Popup) setAttribute(Qt::WA_ShowWithoutActivating);
    if (kind == Kind::Main) {
        Forms::main_ = this;
        readFontsAhead();
    }
}

Form::~Form() {
    if (Forms::main_ == this) Forms::main_ = nullptr;
    if (kind_ == Kind::Main) waitForFontsRead();
}

void Form::Unload() {
    if (unloadSelf_) unloadSelf_();
}

float Form::Left() const {
    return readBack(left_, frameGeometry().x());
}
float Form::Top() const {
    return readBack(top_, frameGeometry().y());
}
float Form::Width() const {
    return readBack(width_, frameGeometry().width());
}
float Form::Height() const {
    return readBack(height_, frameGeometry().height());
}

void Form::SetLeft(float twips) {
    left_ = twips;
    move(toPixels(twips), frameGeometry().y());
}

void Form::SetTop(float twips) {
    top_ = twips;
    move(frameGeometry().x(), toPixels(twips));
}

void Form::SetWidth(float twips) {
    width_ = twips;
    const int frame = frameGeometry().width() - width();
    resize(std::max(0, toPixels(twips) - frame), height());
}

void Form::SetHeight(float twips) {
    height_ = twips;
    const int frame = frameGeometry().height() - height();
    resize(width(), std::max(0, toPixels(twips) - frame));
}

void Form::Move(float left, float top, float width, float height) {
    SetLeft(left);
    SetTop(top);
    SetWidth(width);
    SetHeight(height);
}

float Form::toScale(float pixels) const {
    return scaleMode_ == vbPixels ? pixels : pixels * kTwipsPerPixel;
}

float Form::ScaleWidth() const {
    return toScale(static_cast<float>(width()));
}
float Form::ScaleHeight() const {
    return toScale(static_cast<float>(height()));
}

float Form::ScaleX(float value, short from, short to) const {
    if (from == to) return value;
    if (from == vbTwips && to == vbPixels) return value / Screen::TwipsPerPixelX();
    if (from == vbPixels && to == vbTwips) return value * Screen::TwipsPerPixelX();
    return value;
}

float Form::ScaleY(float value, short from, short to) const {
    if (from == to) return value;
    if (from == vbTwips && to == vbPixels) return value / Screen::TwipsPerPixelY();
    if (from == vbPixels && to == vbTwips) return value * Screen::TwipsPerPixelY();
    return value;
}

void Form::SetVisible(bool visible) {
    if (!visible) {
        hide();
        return;
    }
    show();
    if (!testAttribute(Qt::WA_ShowWithoutActivating)) {
        raise();
        activateWindow();
    }
}

short Form::WindowState() const {
    return isMinimized() ? vbMinimized : vbNormal;
}

void Form::SetWindowState(short state) {
    if (state == vbMinimized) {
        setWindowState(windowState() | Qt::WindowMinimized);
    } else {
        setWindowState(windowState() & ~Qt::WindowMinimized);
    }
}

void Form::SetPicture(StdPicture picture) {
    picture_ = std::move(picture);
    update();
}

void Form::SetFocus() {
    if (!isVisible()) return;
    raise();
    activateWindow();
}

void Form::SetFocusColor(const QColor& color) {
    if (!focusColor_.isValid() && color.isValid()) {
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget* from, QWidget* to) {
            if (focusColor_.isValid() && (isAncestorOf(from) || isAncestorOf(to))) update();
        });
    }
    focusColor_ = color;
    update();
}

void Form::Form_KeyDown(short&, short) {}
void Form::Form_MouseDown(short, short, float, float) {}
void Form::Form_MouseMove(short, short, float, float) {}
void Form::Form_MouseUp(short, short, float, float) {}

void Form::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!picture_.isNull()) painter.drawPixmap(0, 0, picture_.pixmap());
    drawFocusMark(painter);
}

void Form::drawFocusMark(QPainter& painter) const {
    // Around the control, on the window's own picture: the controls draw
    // nothing of it, so a mouse user's window looks as it always did.
    const QWidget* focus = focusWidget();
    if (!keyboardUsed || !focusColor_.isValid() || !focus || !focus->hasFocus() ||
        focus->parentWidget() != this)
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(focusColor_, 2));
    painter.setBrush(Qt::NoBrush);
    // kept inside the window, where a control lies against its edge
    const QRectF inside = QRectF(rect()).adjusted(1, 1, -1, -1);
    painter.drawRoundedRect(QRectF(focus->geometry()).adjusted(-2, -2, 2, 2) & inside, 3, 3);
}

void Form::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void Form::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        Form_Resize();
    } else if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        Form_Activate();
    } else if (event->type() == QEvent::ActivationChange && isVisible()) {
        lostActivation();
    }
}

void Form::lostActivation() {
    // Handled after the activation change itself, so the handler may hide
    // the window it runs for.
    QPointer<Form> self(this);
    QTimer::singleShot(0, this, [self] {
        if (self && self->isVisible() && !self->isActiveWindow()) self->Form_LostFocus();
    });
}

void Form::mousePressEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    Form_MouseDown(ButtonCode(event->button()), ShiftCode(event->modifiers()),
                   toScale(static_cast<float>(p.x())), toScale(static_cast<float>(p.y())));
}

void Form::mouseMoveEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    short buttons = 0;
    for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        if (event->buttons() & b) buttons |= ButtonCode(b);
    }
    Form_MouseMove(buttons, ShiftCode(event->modifiers()), toScale(static_cast<float>(p.x())),
                   toScale(static_cast<float>(p.y())));
}

void Form::mouseReleaseEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    Form_MouseUp(ButtonCode(event->button()), ShiftCode(event->modifiers()),
                 toScale(static_cast<float>(p.x())), toScale(static_cast<float>(p.y())));
}

void Form::keyPressEvent(QKeyEvent* event) {
    if (!HandKeyDown(event, [this](short& KeyCode, short Shift) { Form_KeyDown(KeyCode, Shift); }))
        QWidget::keyPressEvent(event);
}

void Form::closeEvent(QCloseEvent* event) {
    event->ignore();
    // A tool window closed by the window manager (Alt+F4) goes as it goes
    // when it loses the focus, and stays loaded with what the user ticked.
    // Any other window is unloaded, as the program's own close mark does.
    if (kind_ == Kind::Tool) {
        if (isVisible()) Form_LostFocus();
    } else {
        Unload();
    }
}

void Forms::EndSession() {
    for (Form* form : QList<Form*>(loaded_))
        if (form->kind_ == Form::Kind::Tool && form->isVisible()) form->Form_LostFocus();
    if (main_) main_->Unload();
}

void Forms::unloaded(Form* form) {
    loaded_.removeOne(form);
    if (main_ == form) main_ = nullptr;
    form->hide();
    form->deleteLater();
    if (loaded_.isEmpty() && onLast_) onLast_();
}

}  // namespace platform
