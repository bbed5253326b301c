// The run-at-logon value as the desktop's autostart entry.

#include "platform/registry/ConfigHome.h"
#include "platform/registry/WScriptShell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using platform::ShellError;

const QString kRun =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Klankor");

QString readText(const QString& file) {
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? QString::fromUtf8(in.readAll()) : QString();
}

// desktop-file-validate's verdict, or a note why there is none.
testing::AssertionResult validates(const QString& file) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (tool.isEmpty())
        return testing::AssertionFailure() << "desktop-file-validate is not installed";
    QProcess validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    validate.start(tool, {file});
    if (!validate.waitForFinished(30000)) return testing::AssertionFailure() << "validator hangs";
    const QByteArray said = validate.readAll();
    if (validate.exitCode() != 0 || !said.trimmed().isEmpty())
        return testing::AssertionFailure() << said.constData() << "\n"
                                           << readText(file).toStdString();
    return testing::AssertionSuccess();
}

// The code a call fails with, 0 if it does not.
template <typename Call>
long failure(Call&& call) {
    try {
        call();
    } catch (const ShellError& error) {
        return error.code();
    }
    return 0;
}

QString own() {
    return QCoreApplication::applicationFilePath();
}

mode_t modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

class Autostart : public ::testing::Test {
protected:
    long readFails() {
        return failure([&] { shell.RegRead(kRun); });
    }
    ConfigHome home;
    platform::WScriptShell shell;
};

TEST_F(Autostart, WritesAValidEntryThatStartsTheProgram) {
    shell.RegWrite(kRun, QStringLiteral("/usr/bin/klankor"));
    EXPECT_EQ(readText(home.autostart()), QStringLiteral("[Desktop Entry]\n"
                                                         "Type=Application\n"
                                                         "Name=Klankor\n"
                                                         "Comment=Internetradio\n"
                                                         "Exec=\"/usr/bin/klankor\"\n"
                                                         "Terminal=false\n"));
    EXPECT_TRUE(validates(home.autostart()));
    EXPECT_EQ(shell.RegRead(kRun).toString(), QStringLiteral("/usr/bin/klankor"));
    EXPECT_FALSE(QFile::exists(home.store())) << "the entry is not an ordinary value";

    shell.RegDelete(kRun);
    EXPECT_FALSE(QFile::exists(home.autostart())) << "an entry of our own making goes";
    EXPECT_EQ(readFails(), ShellError::NotFound);
}

TEST_F(Autostart, QuotesHostilePathsAsTheDesktopEntrySpecificationAsks) {
    // quoted: "\"" "\`" "\$" "\\"; then every backslash doubled for the string value
    shell.RegWrite(kRun, QStringLiteral("/opt/a b/\"x\"\\$`"));
    EXPECT_TRUE(
        readText(home.autostart())
            .contains(QStringLiteral("\nExec=\"/opt/a b/\\\\\"x\\\\\"\\\\\\\\\\\\$\\\\`\"\n")));

    const QString paths[] = {
        QStringLiteral("/home/jan/Mijn programma's/klankor"),
        QStringLiteral("/opt/\"aanhalingstekens\"/klankor"),
        QStringLiteral("/opt/back\\slash\\\\dubbel/klankor"),
        QStringLiteral("/opt/$HOME/${PATH}/klankor"),
        QStringLiteral("/opt/`rm -rf ~`/klankor"),
        QStringLiteral("/opt/Klankör ÿ 日本語 🎵/klankor"),
        QStringLiteral("/opt/;&|<>*?#=[]{}()!~/klankor"),
        QStringLiteral("/opt/eind\\"),
        QStringLiteral(" /opt/spatie vooraan en achteraan "),
    };
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        shell.RegWrite(kRun, path);
        EXPECT_TRUE(validates(home.autostart()));
        EXPECT_EQ(shell.RegRead(kRun).toString(), path);
    }
}

TEST_F(Autostart, RefusesPathsItCannotExpressAndKeepsTheOldEntry) {
    shell.RegWrite(kRun, QStringLiteral("/usr/bin/klankor"));
    const QString before = readText(home.autostart());
    for (const QString& path :
         {QStringLiteral("/opt/regel\nExec=/bin/sh"), QStringLiteral("/opt/100%/klankor"),
          QStringLiteral("/opt/%f"), QStringLiteral("/opt/tab\there"), QStringLiteral("/opt/cr\r"),
          QStringLiteral("/opt/\x1b[31m"), QString()}) {
        EXPECT_EQ(failure([&] { shell.RegWrite(kRun, path); }), ShellError::InvalidArgument)
            << path.toStdString();
    }
    EXPECT_EQ(readText(home.autostart()), before);
}

TEST_F(Autostart, ReadsWhatTheMainGroupsExecStarts) {
    ProgramOnPath program;
    QTemporaryDir linked;
    ASSERT_TRUE(QFile::link(QFileInfo(own()).path(), linked.filePath(QStringLiteral("bin"))));
    // A hard link must be on the same file system as the program itself.
    QTemporaryDir beside(QFileInfo(own()).path() + QStringLiteral("/hardlink-XXXXXX"));
    const QString hard = beside.filePath(QStringLiteral("klankor"));
    ASSERT_EQ(::link(QFile::encodeName(own()).constData(), QFile::encodeName(hard).constData()), 0);
    const std::pair<QString, QString> cases[] = {
        // this program, by any name a desktop can start it by
        {"Exec=klankor %U", own()},
        {"Exec=\"klankor\" --stil", own()},
        {"Exec=\"" + own() + '"', own()},
        {"Exec=" + program.link(), own()},
        {"Exec=" + linked.filePath(QStringLiteral("bin/")) + QFileInfo(own()).fileName(), own()},
        {"Exec=" + hard, own()},
        // another program, or none a desktop could find, reads as written
        {"Exec=./klankor", "./klankor"},
        {"Exec=\"/usr/bin/klankor\" --stil", "\"/usr/bin/klankor\" --stil"},
        {"Exec = \"/opt/my\\\\$app\"", "/opt/my$app"},
        {"Type=Application\r\nExec=/usr/bin/klankor\r", "/usr/bin/klankor"},
        // switched off by the desktop: no entry
        {"Exec=klankor\nHidden=true", QString()},
        {"Exec=klankor\nX-GNOME-Autostart-enabled=false", QString()},
    };
    for (const auto& [lines, reads] : cases) {
        SCOPED_TRACE(lines.toStdString());
        writeBytes(home.autostart(),
                   "[Desktop Entry]\n" + lines.toUtf8() +
                       "\n[Desktop Action Stop]\nExec=/bin/false\nHidden=false\n");
        if (reads.isNull())
            EXPECT_EQ(readFails(), ShellError::NotFound);
        else
            EXPECT_EQ(shell.RegRead(kRun).toString(), reads);
    }
}

TEST_F(Autostart, OnlyOurOwnNameUnderRunBecomesTheEntry) {
    shell.RegWrite(
        QStringLiteral("HKCU\\software\\microsoft\\windows\\currentversion\\run\\KLANKOR"),
        QStringLiteral("/usr/bin/klankor"));
    EXPECT_TRUE(QFile::exists(home.autostart()));
    const QString other = kRun.chopped(7) + QStringLiteral("Ander");
    shell.RegWrite(other, QStringLiteral("C:\\ander.exe"));
    EXPECT_EQ(shell.RegRead(other).toString(), QStringLiteral("C:\\ander.exe"));
    EXPECT_TRUE(readText(home.store()).contains(QStringLiteral("\"Ander\"=\"C:\\\\ander.exe\"")));
    EXPECT_THROW(shell.RegWrite(kRun, 1, QStringLiteral("REG_DWORD")), ShellError);
}

TEST_F(Autostart, DesktopMadeEntryIsSwitchedOnAndOffInItsOwnFile) {
    ProgramOnPath program;
    // As the desktop's start-up tools leave it when switched off.
    const QByteArray made =
        "# gemaakt door het bureaublad\n[Desktop Entry]\nType=Application\nName=Klankor\n"
        "Name[nl]=Klankor radio\nIcon=klankor\nExec=klankor %U\nTryExec=klankor\nActions=Stop;\n"
        "Hidden=true\nX-GNOME-Autostart-enabled=false\n\n"
        "[Desktop Action Stop]\nName=Stop\nExec=klankor --stop\n";
    writeBytes(home.autostart(), made);
    EXPECT_EQ(failure([&] { shell.RegDelete(kRun); }), ShellError::NotFound);
    shell.RegWrite(kRun, own());
    const QByteArray on =
        QByteArray(made).replace("Hidden=true\nX-GNOME-Autostart-enabled=false\n", "");
    EXPECT_EQ(readBytes(home.autostart()), on);
    EXPECT_TRUE(validates(home.autostart()));

    shell.RegDelete(kRun);
    EXPECT_EQ(
        readBytes(home.autostart()),
        QByteArray(on).replace("Stop;\n", "Stop;\nHidden=true\nX-GNOME-Autostart-enabled=false\n"));
    EXPECT_TRUE(validates(home.autostart()));
}

TEST_F(Autostart, LinkInPlaceOfTheEntryMakesWayForAFileOfOurOwn) {
    ProgramOnPath program;
    const QString target = home.path() + QStringLiteral("/elders.desktop");
    const QByteArray elsewhere = "[Desktop Entry]\nType=Application\nName=K\nExec=klankor\n";
    writeBytes(target, elsewhere);
    ASSERT_TRUE(QDir().mkpath(home.path() + QStringLiteral("/autostart")));
    ASSERT_TRUE(QFile::link(target, home.autostart()));
    shell.RegWrite(kRun, own());
    EXPECT_TRUE(QFileInfo(home.autostart()).isSymLink()) << "nothing to change, nothing written";

    shell.RegDelete(kRun);
    EXPECT_FALSE(QFileInfo(home.autostart()).isSymLink());
    EXPECT_EQ(readBytes(home.autostart()),
              elsewhere + "Hidden=true\nX-GNOME-Autostart-enabled=false\n");
    EXPECT_EQ(readBytes(target), elsewhere);
}

TEST_F(Autostart, FileThatIsNoEntryReadsAsOffAndIsOnlyEverSetAside) {
    const QByteArray noEntries[] = {
        "[Desktop Entry]\nExec=/usr/bin/klankor\n#" + QByteArray(1100 * 1024, 'x') + '\n',
        QByteArray::fromHex("7f454c46020101000000fffe") + "\n[Desktop Entry]\nExec=x\n",
        "Exec=/usr/bin/klankor\n",
        "[Desktop Entry]\nExec=/bin/a\n[Desktop Entry]\nExec=/bin/b\n",
    };
    QDir folder(home.path() + QStringLiteral("/autostart"));
    for (const QByteArray& bytes : noEntries) {
        writeBytes(home.autostart(), bytes);
        EXPECT_EQ(readFails(), ShellError::InvalidData);
        EXPECT_EQ(failure([&] { shell.RegDelete(kRun); }), ShellError::InvalidData);
        shell.RegWrite(kRun, QStringLiteral("/usr/bin/klankor"));
        EXPECT_TRUE(validates(home.autostart()));
        const QStringList kept = folder.entryList({QStringLiteral("klankor.desktop.bad-*")});
        ASSERT_EQ(kept.size(), 1);
        EXPECT_EQ(readBytes(folder.filePath(kept.first())), bytes);
        folder.remove(kept.first());
    }
    // Short of keys it is still the desktop's entry, completed in place for this program.
    writeBytes(home.autostart(),
               "[Desktop Entry]\nName[nl]=Radio\nTryExec=/opt/oud\n\n[X-Eigen]\nA=b\n");
    EXPECT_EQ(readFails(), ShellError::InvalidData);
    shell.RegWrite(kRun, QStringLiteral("/usr/bin/klankor"));
    EXPECT_EQ(readBytes(home.autostart()),
              "[Desktop Entry]\nName[nl]=Radio\nExec=\"/usr/bin/klankor\"\nType=Application\n"
              "Name=Klankor\n\n[X-Eigen]\nA=b\n");

    ASSERT_TRUE(folder.remove(QStringLiteral("klankor.desktop")) &&
                folder.mkdir(QStringLiteral("klankor.desktop")));
    EXPECT_EQ(readFails(), ShellError::InvalidData);
    EXPECT_EQ(failure([&] { shell.RegWrite(kRun, own()); }), ShellError::InvalidData);
    EXPECT_EQ(failure([&] { shell.RegDelete(kRun); }), ShellError::InvalidData);
    EXPECT_TRUE(QFileInfo(home.autostart()).isDir());
}

TEST_F(Autostart, FoldersItCreatesAreTheOwnersOnlyWhateverTheUmask) {
    const QString existing = home.path() + QStringLiteral("/bestaand");
    ASSERT_TRUE(QDir().mkdir(existing));
    ASSERT_EQ(::chmod(QFile::encodeName(existing).constData(), 0755), 0);
    for (const mode_t umask : {mode_t(0), mode_t(0277)}) {
        const QString config = existing + QStringLiteral("/%1/config").arg(umask);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
        const mode_t saved = ::umask(umask);
        shell.RegWrite(kRun, own());
        shell.RegWrite(QStringLiteral("HKCU\\Software\\Quelmo\\Klankor\\zender"), 3,
                       QStringLiteral("REG_DWORD"));
        ::umask(saved);
        for (const char* folder : {"/..", "", "/autostart", "/klankor"})
            EXPECT_EQ(modeOf(config + QLatin1String(folder)), 0700u) << folder << " " << umask;
    }
    EXPECT_EQ(modeOf(existing), 0755u);
}

}  // namespace
