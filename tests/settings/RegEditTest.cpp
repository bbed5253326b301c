// RegEdit: the four silent operations over the real store, also with other
// processes saving, crashing and hanging at the same time.

#include "platform/registry/ConfigHome.h"
#include "settings/RegEdit.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>

namespace {

const QString kKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor\\");
const QString kRun =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Klankor");

QStringList backupsIn(const ConfigHome& home) {
    return QDir(home.path() + QStringLiteral("/klankor"))
        .entryList({QStringLiteral("klankor.reg.bad-*")},
                   QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);  // a pipe is System
}

class RegEditTest : public ::testing::Test {
protected:
    ConfigHome home;
};

TEST_F(RegEditTest, FirstRunFindsNothingAndCreatesNothing) {
    for (const char* name : {"zender", "autostream", "minsys", "volume", "balance"})
        EXPECT_EQ(RegEdit::ReadRegValue(kKey + QLatin1String(name)), QString()) << name;
    EXPECT_EQ(RegEdit::ReadRegValue(kRun), QString());
    RegEdit::DeleteRegValue(kRun);
    RegEdit::DeleteRegValue(kKey + "zender");
    EXPECT_TRUE(QDir(home.path()).isEmpty());
}

TEST_F(RegEditTest, NumbersReadBackAsPlainSignedDecimals) {
    const std::array<std::pair<short, const char*>, 7> cases = {{{-50, "-50"},
                                                                 {1, "1"},
                                                                 {0, "0"},
                                                                 {25, "25"},
                                                                 {100, "100"},
                                                                 {32767, "32767"},
                                                                 {-32768, "-32768"}}};
    for (const auto& [number, text] : cases) {
        RegEdit::WriteRegDword(kKey + "balance", number);
        EXPECT_EQ(RegEdit::ReadRegValue(kKey + "balance"), QLatin1String(text));
    }
    RegEdit::WriteRegDword(kKey + "balance", -50);
    EXPECT_TRUE(readBytes(home.store()).contains("\n\"balance\"=dword:ffffffce\n"));
}

TEST_F(RegEditTest, NumberStoredByHandAsTextReadsTheSame) {
    writeBytes(
        home.store(),
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor]\n"
        "\"minsys\"=\"1\"\n\"autostream\"=dword:00000001\n\"zender\"=dword:7\n");
    EXPECT_EQ(RegEdit::ReadRegValue(kKey + "minsys"), QStringLiteral("1"));
    EXPECT_EQ(RegEdit::ReadRegValue(kKey + "autostream"), QStringLiteral("1"));
    EXPECT_EQ(RegEdit::ReadRegValue(kKey + "zender"), QStringLiteral("7"));
}

TEST_F(RegEditTest, WithoutAUsableConfigFolderEverythingIsQuiet) {
    writeBytes(home.path() + QStringLiteral("/bestand"), "inhoud");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/bestand/config")));
    RegEdit::WriteRegDword(kKey + "zender", 5);
    RegEdit::WriteRegString(kRun, QStringLiteral("/usr/bin/klankor"));
    RegEdit::DeleteRegValue(kKey + "zender");
    EXPECT_EQ(RegEdit::ReadRegValue(kKey + "zender"), QString());
    EXPECT_EQ(RegEdit::ReadRegValue(kRun), QString());
    EXPECT_EQ(readBytes(home.path() + QStringLiteral("/bestand")), "inhoud");
}

TEST_F(RegEditTest, PipeInPlaceOfTheStoreDoesNotBlock) {
    QDir().mkpath(home.path() + QStringLiteral("/klankor"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(home.store()).constData(), 0600), 0);
    EXPECT_EQ(RegEdit::ReadRegValue(kKey + "zender"), QString());
    RegEdit::WriteRegDword(kKey + "zender", 4);
    EXPECT_EQ(RegEdit::ReadRegValue(kKey + "zender"), QStringLiteral("4"));
    EXPECT_EQ(backupsIn(home).size(), 1);
}

// Other processes: each test starts the helper with our XDG_CONFIG_HOME.
class Saver {
public:
    explicit Saver(const QStringList& args) {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(REGEDIT_SAVER), args);
    }
    ~Saver() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(10000);
        }
    }
    Saver(const Saver&) = delete;
    Saver& operator=(const Saver&) = delete;

    // The last line it printed once it printed `wanted`, or the last line of all.
    QString waitFor(const QString& wanted) {
        QString last;
        while (true) {
            while (m_process.canReadLine()) {
                last = QString::fromUtf8(m_process.readLine()).trimmed();
                m_lastNumber = std::max(m_lastNumber, last.toInt());
                if (last == wanted) return last;
            }
            if (m_process.state() == QProcess::NotRunning) break;
            m_process.waitForReadyRead(100);
        }
        return last;
    }
    // Kills it and returns the last line it managed to print.
    int killNow() {
        m_process.kill();
        m_process.waitForFinished(10000);
        while (m_process.canReadLine())
            m_lastNumber = std::max(m_lastNumber, m_process.readLine().trimmed().toInt());
        return m_lastNumber;
    }
    bool finishedCleanly() {
        return m_process.waitForFinished(120000) &&
               m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }

private:
    QProcess m_process;
    int m_lastNumber = 0;
};

TEST_F(RegEditTest, KillDuringSavesLeavesEveryValueWholeBeforeOrAfter) {
    const QByteArray others =
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_CURRENT_USER\\Software\\Ander]\n"
        "\"blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\n"
        "  16,17\n"
        "\"tekst\"=\"blijft staan\"\n\n";
    writeBytes(home.store(), others);
    RegEdit::WriteRegDword(kKey + "volume", 42);

    for (const int killAfter : {1, 23, 77, 140, 199}) {
        SCOPED_TRACE(killAfter);
        Saver saver({QStringLiteral("save"), QStringLiteral("zender"), QStringLiteral("200")});
        saver.waitFor(QString::number(killAfter));
        const int printed = saver.killNow();

        const int number = RegEdit::ReadRegValue(kKey + "zender").toInt();
        const QString text = RegEdit::ReadRegValue(kKey + "zender_tekst");
        // It prints after both saves, so the number is at the last printed
        // save or one further, and the text at most one behind the number.
        EXPECT_GE(number, std::max(printed, 1));
        EXPECT_LE(number, std::min(printed + 1, 200));
        EXPECT_TRUE(text == QStringLiteral("waarde %1").arg(number) ||
                    text == QStringLiteral("waarde %1").arg(number - 1))
            << text.toStdString() << " with number " << number;
        EXPECT_EQ(RegEdit::ReadRegValue(kKey + "volume"), QStringLiteral("42"));
        EXPECT_EQ(RegEdit::ReadRegValue(QStringLiteral("HKCU\\Software\\Ander\\tekst")),
                  QStringLiteral("blijft staan"));
        EXPECT_TRUE(readBytes(home.store()).startsWith(others));
        EXPECT_TRUE(backupsIn(home).isEmpty());

        // A lock the dead saver left behind is taken over.
        RegEdit::WriteRegDword(kKey + "balance", static_cast<short>(-killAfter));
        EXPECT_EQ(RegEdit::ReadRegValue(kKey + "balance"), QString::number(-killAfter));
    }
}

TEST_F(RegEditTest, TwoProcessesSavingAtOnceLoseNothing) {
    Saver first({QStringLiteral("save"), QStringLiteral("eerste"), QStringLiteral("150")});
    Saver second({QStringLiteral("save"), QStringLiteral("tweede"), QStringLiteral("150")});
    ASSERT_TRUE(first.finishedCleanly());
    ASSERT_TRUE(second.finishedCleanly());
    EXPECT_EQ(RegEdit::ReadRegValue(kKey + "eerste"), QStringLiteral("150"));
    EXPECT_EQ(RegEdit::ReadRegValue(kKey + "eerste_tekst"), QStringLiteral("waarde 150"));
    EXPECT_EQ(RegEdit::ReadRegValue(kKey + "tweede"), QStringLiteral("150"));
    EXPECT_EQ(RegEdit::ReadRegValue(kKey + "tweede_tekst"), QStringLiteral("waarde 150"));
    EXPECT_TRUE(backupsIn(home).isEmpty());
}

TEST_F(RegEditTest, LockFileLeftEmptyByACrashIsTakenOver) {
    // What a writer killed between creating its lock file and filling it leaves.
    writeBytes(home.store() + QStringLiteral(".lock"), QByteArray());
    RegEdit::WriteRegDword(kKey + "zender", 6);
    EXPECT_EQ(RegEdit::ReadRegValue(kKey + "zender"), QStringLiteral("6"));
}

TEST_F(RegEditTest, HungLockHolderCostsOneSkippedSaveNotAFrozenWindow) {
    RegEdit::WriteRegDword(kKey + "zender", 4);
    Saver holder({QStringLiteral("hold")});
    ASSERT_EQ(holder.waitFor(QStringLiteral("locked")), QStringLiteral("locked"));

    QElapsedTimer waited;
    waited.start();
    RegEdit::WriteRegDword(kKey + "zender", 9);
    // Far above the bounded wait; only a hang would get here.
    EXPECT_LT(waited.elapsed(), 10000);
    EXPECT_EQ(RegEdit::ReadRegValue(kKey + "zender"), QStringLiteral("4"));

    holder.killNow();
    RegEdit::WriteRegDword(kKey + "zender", 9);
    EXPECT_EQ(RegEdit::ReadRegValue(kKey + "zender"), QStringLiteral("9"));
}

}  // namespace
