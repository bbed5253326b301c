// The run-at-logon value as the desktop's autostart entry.

#include "platform/registry/ConfigHome.h"
#include "platform/registry/WScriptShell.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

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

class Autostart : public ::testing::Test {
protected:
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
    EXPECT_FALSE(QFile::exists(home.autostart()));
    try {
        shell.RegRead(kRun);
        ADD_FAILURE() << "read of a deleted entry";
    } catch (const ShellError& error) {
        EXPECT_EQ(error.code(), ShellError::NotFound);
    }
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
        try {
            shell.RegWrite(kRun, path);
            ADD_FAILURE() << "written: " << path.toStdString();
        } catch (const ShellError& error) {
            EXPECT_EQ(error.code(), ShellError::InvalidArgument);
        }
    }
    EXPECT_EQ(readText(home.autostart()), before);
}

TEST_F(Autostart, ReadsEntriesWrittenByHand) {
    QDir().mkpath(home.path() + QStringLiteral("/autostart"));
    const auto entry = [&](const QByteArray& text) {
        QFile out(home.autostart());
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(text);
    };
    entry("[Desktop Entry]\r\nType=Application\r\nName=Klankor\r\nExec=/usr/bin/klankor\r\n");
    EXPECT_EQ(shell.RegRead(kRun).toString(), QStringLiteral("/usr/bin/klankor"));
    // With arguments it is not a plain path, so it never equals one.
    entry("[Desktop Entry]\nExec=\"/usr/bin/klankor\" --stil\n");
    EXPECT_EQ(shell.RegRead(kRun).toString(), QStringLiteral("\"/usr/bin/klankor\" --stil"));
    // Only the main group counts.
    entry("[Desktop Action Stop]\nExec=/bin/false\n[Desktop Entry]\nExec = \"/opt/my\\\\$app\"\n");
    EXPECT_EQ(shell.RegRead(kRun).toString(), QStringLiteral("/opt/my$app"));
    entry("[Desktop Entry]\nName=Klankor\n");
    EXPECT_THROW(shell.RegRead(kRun), ShellError);
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

}  // namespace
