// regedit_saver save <name> <count>: writes <name> = 1..count as a number and
//     <name>_tekst = "waarde 1".."waarde count" as text, one line out per save.
// regedit_saver hold: takes the store's lock and keeps it until killed.

#include "platform/registry/RegistryFile.h"
#include "settings/RegEdit.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QThread>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == u"save") {
        const QString path =
            QStringLiteral("HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor\\") + args[2];
        const int count = args[3].toInt();
        for (int i = 1; i <= count; ++i) {
            RegEdit::WriteRegDword(path, static_cast<short>(i));
            RegEdit::WriteRegString(path + QStringLiteral("_tekst"),
                                    QStringLiteral("waarde %1").arg(i));
            std::printf("%d\n", i);
            std::fflush(stdout);
        }
        return 0;
    }
    if (args.size() == 2 && args[1] == u"hold") {
        const QString file = platform::registry::RegistryFile::fileName();
        QDir().mkpath(QFileInfo(file).path());
        QLockFile lock(file + QStringLiteral(".lock"));
        if (!lock.lock()) return 2;
        std::printf("locked\n");
        std::fflush(stdout);
        for (;;) QThread::sleep(1);
    }
    std::fprintf(stderr, "usage: regedit_saver save <name> <count> | hold\n");
    return 1;
}
