#pragma once
// The controls the windows are built from: label, image box, vertical
// scroll bar and image list, with the properties and events the windows use.
// Positions are given in twips, like the windows' own.

#include <QLabel>
#include <QScrollBar>
#include <vector>

#include "platform/host/Picture.h"

namespace platform {

// A control's place in its window's client area, in twips.
struct TwipsRect {
    float left = 0, top = 0, width = 0, height = 0;
};
// The place a window's design data gives a control: the control's section
// of the INI file, keys left, top, width and height. Throws VbError when
// the file cannot be read or a key is missing.
TwipsRect DesignPlace(const QString& designFile, const QString& control);

// Places a control at a rectangle in twips of its window's client area.
void PlaceTwips(QWidget* control, float left, float top, float width, float height);
void PlaceTwips(QWidget* control, const TwipsRect& place);
// A font as the design data gives it; missing faces fall back to a close one.
QFont DesignFont(const QString& family, double points, bool bold);

// Sets a control's tooltip as plain text, whatever characters it holds; a
// screen reader gets the same text as the control's description.
void SetPlainToolTip(QWidget* control, const QString& text);

// Click comes on the release of the left button over the control that the
// press began on; MouseDown on every press, with button and shift codes and
// the position in pixels. The second press of a double-click is neither: a
// double-click is one click. A caption is plain text, never markup.
// A label that is a tab stop takes the focus from Tab, never from a click,
// gets KeyDown for the keys pressed on it and is a button to a screen
// reader, whose press is a Click.
class Label : public QLabel {
    Q_OBJECT

public:
    explicit Label(QWidget* parent);
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    QString ToolTipText() const { return toolTipText_; }
    void SetToolTipText(const QString& text);
    QString Tag() const { return tag_; }
    void SetTag(const QString& tag) { tag_ = tag; }
    bool TabStop() const { return focusPolicy() != Qt::NoFocus; }
    void SetTabStop(bool stop) { setFocusPolicy(stop ? Qt::TabFocus : Qt::NoFocus); }

signals:
    void Click();
    void MouseDown(short Button, short Shift, float X, float Y);
    // A handler that uses the key sets KeyCode to 0.
    void KeyDown(short& KeyCode, short Shift);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QString toolTipText_;
    QString tag_;
    bool pressed_ = false;
};

class ImageBox : public Label {
    Q_OBJECT

public:
    explicit ImageBox(QWidget* parent);
    const StdPicture& Picture() const { return picture_; }
    void SetPicture(StdPicture picture);

private:
    StdPicture picture_;
};

// Change comes only when the value really changes.
class VScrollBar : public QScrollBar {
    Q_OBJECT

public:
    explicit VScrollBar(QWidget* parent);
    short Min() const { return static_cast<short>(minimum()); }
    short Max() const { return static_cast<short>(maximum()); }
    short Value() const { return static_cast<short>(value()); }
    short SmallChange() const { return static_cast<short>(singleStep()); }
    short LargeChange() const { return static_cast<short>(pageStep()); }
    void SetMin(short value) { setMinimum(value); }
    void SetMax(short value) { setMaximum(value); }
    void SetValue(short value) { setValue(value); }
    void SetSmallChange(short value) { setSingleStep(value); }
    void SetLargeChange(short value) { setPageStep(value); }

signals:
    void Change();
};

class ImageList {
public:
    struct ListImage {
        StdPicture Picture;
        QString Tag;
        short Index = 0;
    };
    void Add(StdPicture picture, const QString& tag);
    short Count() const { return static_cast<short>(images_.size()); }
    // Entries count from 1.
    const ListImage& ListImages(short index) const;

private:
    std::vector<ListImage> images_;
};

}  // namespace platform
