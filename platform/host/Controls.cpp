#include "platform/host/Controls.h"

#include <QMouseEvent>
#include <stdexcept>

#include "platform/host/Accessible.h"
#include "platform/host/Form.h"
#include "platform/host/PropertyBag.h"
#include "platform/host/Rounding.h"
#include "platform/host/VbError.h"

namespace platform {

void PlaceTwips(QWidget* control, float left, float top, float width, float height) {
    control->setGeometry(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                         TwipsToPixels(height));
}

TwipsRect DesignPlace(const QString& designFile, const QString& control) {
    const PropertyBag design = PropertyBag::FromIni(designFile, control);
    const auto measure = [&](const char* key) {
        if (!design.Contains(QLatin1String(key)))
            throw VbError(vbErrInvalidFileFormat, "No " + std::string(key) + " for " +
                                                      control.toStdString() + " in " +
                                                      designFile.toStdString());
        return design.ReadProperty(QLatin1String(key), 0.0f).toFloat();
    };
    return {measure("left"), measure("top"), measure("width"), measure("height")};
}

void PlaceTwips(QWidget* control, const TwipsRect& place) {
    PlaceTwips(control, place.left, place.top, place.width, place.height);
}

QFont DesignFont(const QString& family, double points, bool bold) {
    QFont font(family);
    // Fontconfig substitutes a metric-compatible face when the family is missing.
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

void SetPlainToolTip(QWidget* control, const QString& text) {
    // Qt shows a tooltip as rich text when it merely looks like markup; an
    // escaped text inside an explicit rich-text tag always reads as written.
    control->setToolTip(text.isEmpty() ? QString() : QStringLiteral("<qt>") + text.toHtmlEscaped());
    control->setAccessibleDescription(text);
}

Label::Label(QWidget* parent) : QLabel(parent) {
    InstallAccessibleFactory();
    setTextFormat(Qt::PlainText);
}

void Label::keyPressEvent(QKeyEvent* event) {
    if (!HandKeyDown(event, [this](short& KeyCode, short Shift) { emit KeyDown(KeyCode, Shift); }))
        QLabel::keyPressEvent(event);
}

void Label::SetToolTipText(const QString& text) {
    toolTipText_ = text;
    SetPlainToolTip(this, text);
}

void Label::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    const QPointF p = event->position();
    emit MouseDown(ButtonCode(event->button()), ShiftCode(event->modifiers()),
                   static_cast<float>(p.x()), static_cast<float>(p.y()));
}

void Label::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click) emit Click();
}

void Label::mouseDoubleClickEvent(QMouseEvent*) {
    // Qt's default turns the second press into another press and so a
    // second Click; the first press and release have made the one click.
    pressed_ = false;
}

ImageBox::ImageBox(QWidget* parent) : Label(parent) {
    setAlignment(Qt::AlignCenter);
}

void ImageBox::SetPicture(StdPicture picture) {
    picture_ = std::move(picture);
    setPixmap(picture_.pixmap());
}

VScrollBar::VScrollBar(QWidget* parent) : QScrollBar(Qt::Vertical, parent) {
    setSingleStep(1);
    setPageStep(1);
    connect(this, &QScrollBar::valueChanged, this, &VScrollBar::Change);
}

void ImageList::Add(StdPicture picture, const QString& tag) {
    images_.push_back({std::move(picture), tag, static_cast<short>(images_.size() + 1)});
}

const ImageList::ListImage& ImageList::ListImages(short index) const {
    if (index < 1 || index > Count()) throw std::out_of_range("image list index");
    return images_[static_cast<size_t>(index - 1)];
}

}  // namespace platform
