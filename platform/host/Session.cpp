#include "platform/host/Session.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>

namespace platform::session {
namespace {

int wakeFds[2] = {-1, -1};

// Only what is safe in a signal handler: one write to wake the event loop.
extern "C" void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFds[0], &byte, 1);
    errno = saved;
}

}  // namespace

void OnEnd(std::function<void()> end) {
    auto once = [end = std::move(end), done = false]() mutable {
        if (done) return;
        done = true;
        end();
    };
    auto shared = std::make_shared<decltype(once)>(std::move(once));

    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, wakeFds) == 0) {
        auto* notifier = new QSocketNotifier(wakeFds[1], QSocketNotifier::Read, qApp);
        QObject::connect(notifier, &QSocketNotifier::activated, qApp, [shared] {
            char drain[16];
            while (::read(wakeFds[1], drain, sizeof drain) > 0) {
            }
            (*shared)();
        });
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        // The first signal asks; a second one, while the first is being
        // handled, finds the default action back and ends the process.
        action.sa_flags = SA_RESTART | SA_RESETHAND;
        for (int signal : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(signal, &action, nullptr);
    }

    QObject::connect(qApp, &QGuiApplication::commitDataRequest, qApp,
                     [shared](QSessionManager& manager) {
                         // The desktop's autostart entry starts it again, if the
                         // user asked for that; the session need not.
                         manager.setRestartHint(QSessionManager::RestartNever);
                         (*shared)();
                     });
}

}  // namespace platform::session
