// Klankor starts by loading its main window; the program ends when the last
// window is unloaded.

#include <QApplication>
#include <QIcon>

#include "media/WindowsMediaPlayer.h"
#include "platform/host/Form.h"
#include "player/Hoofd.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Klankor"));
    QApplication::setOrganizationName(QStringLiteral("Quelmo"));
    QApplication::setDesktopFileName(QStringLiteral("klankor"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/klankor-32.png")));
    QApplication::setQuitOnLastWindowClosed(false);
    // Tests and benchmarks listen through a file instead of the sound card.
    media::WindowsMediaPlayer::SetDefaultAudioFile(qEnvironmentVariable("KLANKOR_AUDIO_FILE"));
    platform::Forms::SetOnLastUnload([] { QCoreApplication::quit(); });
    platform::Forms::Get<Hoofd>();
    return QApplication::exec();
}
