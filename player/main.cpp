// Klankor starts by loading its main window; the program ends when the last
// window is unloaded.

#include <QApplication>

#include <cstdio>

#include "media/GStreamer.h"
#include "media/WindowsMediaPlayer.h"
#include "platform/host/Desktop.h"
#include "platform/host/Form.h"
#include "platform/host/Session.h"
#include "player/Application.h"
#include "player/CommandLine.h"
#include "player/Hoofd.h"
#include "session/Mpris.h"
#include "session/NetworkWatch.h"
#include "session/OneKlankor.h"
#include "session/SleepWatch.h"

int main(int argc, char** argv) {
    if (const std::optional<int> answered = AnswerCommandLine(argc, argv)) return *answered;
    platform::desktop::ReadFontsAhead();
    if (const QString problem = platform::desktop::ChooseX11(); !problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        return 1;
    }
    QApplication app(argc, argv);
    SetUpApplication();
    // One Klankor per session, settled before the store or the sound is
    // touched. The player's object is on the bus before its name, so
    // whoever sees the name finds the object.
    session::Mpris mpris(QDBusConnection::sessionBus());
    mpris.Register();
    session::OneKlankor one;
    switch (one.Claim(QDBusConnection::sessionBus())) {
        case session::OneKlankor::Outcome::First: break;
        case session::OneKlankor::Outcome::Raised: return 0;
        case session::OneKlankor::Outcome::NoAnswer:
            std::fprintf(stderr, "Klankor draait al, maar reageert niet.\n");
            return 1;
    }
    // Tests and benchmarks listen through a file instead of the sound card.
    media::WindowsMediaPlayer::SetDefaultAudioFile(qEnvironmentVariable("KLANKOR_AUDIO_FILE"));
    platform::Forms::SetOnLastUnload([] { QCoreApplication::quit(); });
    // Logging out or a signal to end goes the way of the close mark, so the
    // last station and what a shown tool window holds are kept.
    platform::session::OnEnd([] { platform::Forms::EndSession(); });
    platform::Forms::Get<Hoofd>();
    mpris.Attach();
    // GStreamer's plugins, and the desktop's word on the network and on
    // sleep: after the first frame, so that the start waits for none of them.
    session::NetworkWatch network;
    session::SleepWatch sleep;
    platform::desktop::AfterFirstFrame(&app, [&network, &sleep] {
        media::gstreamer::Preload();
        network.Start();
        sleep.Start(QDBusConnection::systemBus());
    });
    return QApplication::exec();
}
