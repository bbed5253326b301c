#pragma once
// What the slider tests share: an event log in the order events arrive, a
// palette whose 3D shades are all different, and pixel reading.

#include <QApplication>
#include <QImage>
#include <QPalette>
#include <QStringList>

#include "platform/host/SysColor.h"
#include "slider/ucSlider.h"

#include <ostream>

// Readable failures for the Qt types the tests compare.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '{' << l.join(QStringLiteral(", ")).toStdString() << '}';
}

namespace slidertest {

struct EventLog {
    QStringList events;
    explicit EventLog(ucSlider& s) {
        QObject::connect(&s, &ucSlider::Click, [this] { events << QStringLiteral("Click"); });
        QObject::connect(&s, &ucSlider::ArrivedFirst,
                         [this] { events << QStringLiteral("ArrivedFirst"); });
        QObject::connect(&s, &ucSlider::ArrivedLast,
                         [this] { events << QStringLiteral("ArrivedLast"); });
        QObject::connect(&s, &ucSlider::Change, [this] { events << QStringLiteral("Change"); });
        QObject::connect(&s, &ucSlider::MouseDown,
                         [this](short&) { events << QStringLiteral("MouseDown"); });
        QObject::connect(&s, &ucSlider::MouseUp,
                         [this](short&) { events << QStringLiteral("MouseUp"); });
    }
    QStringList take() {
        QStringList e = events;
        events.clear();
        return e;
    }
};

// Every shade its own colour, so a pixel tells which pen drew it.
inline QPalette distinctPalette() {
    QPalette p;
    p.setColor(QPalette::Button, QColor(0xC0, 0xC0, 0xC0));
    p.setColor(QPalette::Light, QColor(0xFF, 0xFF, 0xFF));
    p.setColor(QPalette::Midlight, QColor(0xE0, 0xE0, 0xE0));
    p.setColor(QPalette::Dark, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Shadow, QColor(0x40, 0x40, 0x40));
    p.setColor(QPalette::Window, QColor(0xD4, 0xD0, 0xC8));
    p.setColor(QPalette::Base, QColor(0xFF, 0xFF, 0xF0));
    p.setColor(QPalette::Text, QColor(0x10, 0x10, 0x10));
    p.setColor(QPalette::ToolTipBase, QColor(0xFF, 0xFF, 0xE1));
    p.setColor(QPalette::ToolTipText, QColor(0, 0, 0));
    return p;
}

inline QRgb sys(int index) {
    return platform::GetSysColor(index, distinctPalette()).rgb() | 0xFF000000u;
}

inline QRgb at(const ucSlider& s, int x, int y) {
    return s.Canvas().Image().pixel(x, y) | 0xFF000000u;
}

// A picture of one colour.
inline platform::StdPicture solid(int w, int h, QColor c) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(c);
    return platform::StdPicture(image);
}

}  // namespace slidertest
