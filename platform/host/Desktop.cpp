#include "platform/host/Desktop.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTimer>
#include <QTranslator>

#include <fontconfig/fontconfig.h>
#include <xcb/xcb.h>

#include <thread>
#include <utility>

namespace platform::desktop {
namespace {

// After the paint that starts now, so that the frame is out and the
// window's first events are handled before the work begins.
constexpr int kAfterPaintMs = 50;
constexpr int kNoPaintMs = 500;

class FirstFrame : public QObject {
public:
    FirstFrame(QObject* context, std::function<void()> then)
        : QObject(QCoreApplication::instance()), context_(context), then_(std::move(then)) {
        QCoreApplication::instance()->installEventFilter(this);
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, this, &FirstFrame::run);
        timer_.start(kNoPaintMs);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            QCoreApplication::instance()->removeEventFilter(this);
            timer_.start(kAfterPaintMs);
        }
        return false;
    }

private:
    void run() {
        QCoreApplication::instance()->removeEventFilter(this);
        if (context_) then_();
        deleteLater();
    }

    QPointer<QObject> context_;
    std::function<void()> then_;
    QTimer timer_;
};

}  // namespace

void ReadFontsAhead() {
    // Fontconfig is thread-safe; Qt finds its configuration made.
    std::thread([] { FcInit(); }).detach();
}

QString ChooseX11() {
    const QByteArray asked = qgetenv("QT_QPA_PLATFORM");
    if (!asked.isEmpty() && asked != "xcb") return QString();
    if (asked.isEmpty() && qEnvironmentVariableIsSet("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("DISPLAY"))
        return QStringLiteral(
            "Klankor heeft X11 nodig en deze Wayland-sessie biedt geen XWayland (DISPLAY is "
            "leeg).");
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return QStringLiteral("Klankor heeft een X-server nodig, maar DISPLAY is niet gezet.");
    // Qt would abort when the server does not answer; ask it first.
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool answers = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    if (!answers)
        return QStringLiteral("Klankor kan de X-server %1 niet bereiken.")
            .arg(qEnvironmentVariable("DISPLAY"));
    qputenv("QT_QPA_PLATFORM", "xcb");
    return QString();
}

bool SpeakDutch() {
    QLocale::setDefault(QLocale(QLocale::Dutch, QLocale::Netherlands));
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_nl"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

void AfterFirstFrame(QObject* context, std::function<void()> then) {
    new FirstFrame(context, std::move(then));
}

}  // namespace platform::desktop
