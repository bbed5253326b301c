// Playback and status of the main window: the status line in Dutch, the
// station that a box click selects, and the last station kept across runs.

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "support/ProgramTest.h"

#include "platform/host/Form.h"
#include "player/Functies.h"
#include "player/Hoofd.h"
#include "settings/RegEdit.h"
#include "settings/frmInstellingen.h"

using platform::Forms;

namespace {

const QString kZender = QStringLiteral("HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor\\zender");

class Playback : public ProgramTest {
protected:
    // Runs the resume of the last station as the main window's load does,
    // with the switch "Automatisch stream starten" as given.
    Hoofd& resume(bool automatic) {
        Hoofd& hoofd = Forms::Get<Hoofd>();
        Forms::Get<frmInstellingen>().lstInstellingen.ListItems(1).SetChecked(automatic);
        hoofd.StartLastStation();
        return hoofd;
    }
};

TEST_F(Playback, StatusLineSpeaksDutch) {
    Hoofd& hoofd = Forms::Get<Hoofd>();
    const std::pair<const char*, const char*> cases[] = {
        {"Connecting...", "Verbinden..."},
        {"connecting to x", "Verbinden met x"},
        {"Connecting to 127.0.1.1:8000...", "Verbinden met 127.0.1.1:8000..."},
        {"Playing", "Afspelen"},
        {"Playing: Radio 538", "Afspelen: Radio 538"},
        {"Ready", "Gestopt"},
        {"Stopped", "Stopped"},
        {"already", "alGestopt"},
        {"CONNECTING TO host, then playing, READY", "Verbinden met host, then Afspelen, Gestopt"},
        {"Buffering (42%)", "Buffering (42%)"},
        {"", ""},
    };
    for (const auto& [status, shown] : cases) {
        hoofd.ShowStatus(QString::fromUtf8(status));
        EXPECT_EQ(hoofd.lblStatus.Caption(), QString::fromUtf8(shown)) << status;
    }
}

TEST_F(Playback, ABoxClickPlaysItsStationAndClosingStoresIt) {
    Hoofd& hoofd = Forms::Get<Hoofd>();
    hoofd.VScroll2.SetValue(7);
    QTest::mouseClick(&hoofd.ZendersBox2, Qt::LeftButton);
    EXPECT_EQ(hoofd.WMP.URL(), Functies::StationUrl(25));
    EXPECT_EQ(hoofd.lblPlaying.Caption(), "Radio 538");
    EXPECT_EQ(hoofd.lblPlaying.Tag(), "25");
    // the right button is no click
    hoofd.VScroll1.SetValue(3);
    QTest::mouseClick(&hoofd.ZendersBox1, Qt::RightButton);
    EXPECT_EQ(hoofd.lblPlaying.Tag(), "25");
    EXPECT_EQ(hoofd.WMP.URL(), Functies::StationUrl(25));
    Forms::Unload<Hoofd>();
    EXPECT_EQ(RegEdit::ReadRegValue(kZender), "25");
}

TEST_F(Playback, ClosingWithoutAStationKeepsTheStoredOne) {
    RegEdit::WriteRegDword(kZender, 9);
    Forms::Get<Hoofd>();
    Forms::Unload<Hoofd>();
    EXPECT_EQ(RegEdit::ReadRegValue(kZender), "9");
}

TEST_F(Playback, ResumesTheLastStationInItsBox) {
    struct Case {
        short stored;
        short scroll1, scroll2;
        const char* name;
    };
    for (const Case& c : {Case{17, 16, 0, "Laser Radio"}, Case{18, 0, 0, "Onin FM"},
                          Case{32, 0, 14, "TMF Radio"}, Case{1, 0, 0, "Radio Veronica"}}) {
        RegEdit::WriteRegDword(kZender, c.stored);
        Hoofd& hoofd = resume(true);
        EXPECT_EQ(hoofd.VScroll1.Value(), c.scroll1) << c.stored;
        EXPECT_EQ(hoofd.VScroll2.Value(), c.scroll2) << c.stored;
        EXPECT_EQ(hoofd.lblPlaying.Caption(), c.name);
        EXPECT_EQ(hoofd.lblPlaying.Tag(), QString::number(c.stored));
        EXPECT_EQ(hoofd.WMP.URL(), Functies::StationUrl(c.stored));
        Forms::Unload<Hoofd>();
        // a resumed station counts as chosen and is stored again
        EXPECT_EQ(RegEdit::ReadRegValue(kZender), QString::number(c.stored));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(Playback, NothingPlaysWithoutTheSwitchOrAStoredStation) {
    Hoofd& first = resume(true);  // nothing stored
    EXPECT_TRUE(first.WMP.URL().isEmpty());
    EXPECT_EQ(first.lblStatus.Caption(), "Selecteer een zender in 1 van de zender boxes!");
    Forms::Unload<Hoofd>();

    RegEdit::WriteRegDword(kZender, 20);
    Hoofd& hoofd = resume(false);
    EXPECT_TRUE(hoofd.WMP.URL().isEmpty());
    EXPECT_TRUE(hoofd.lblPlaying.Tag().isEmpty());
    EXPECT_EQ(hoofd.lblStatus.Caption(), "Selecteer een zender in 1 van de zender boxes!");
}

TEST_F(Playback, AStoredValueThatIsNoStationIsIgnored) {
    for (const char* stored : {"0", "33", "-1", "abc", "17.5", "1e3", "99999", " "}) {
        RegEdit::WriteRegString(kZender, QString::fromLatin1(stored));
        Hoofd& hoofd = resume(true);
        EXPECT_TRUE(hoofd.WMP.URL().isEmpty()) << stored;
        EXPECT_TRUE(hoofd.lblPlaying.Tag().isEmpty()) << stored;
        EXPECT_EQ(hoofd.ZendersBox1.Tag(), "1") << stored;
        EXPECT_EQ(hoofd.ZendersBox2.Tag(), "18") << stored;
        UnloadAll();
        // and nothing was written over it
        EXPECT_EQ(RegEdit::ReadRegValue(kZender), QString::fromLatin1(stored)) << stored;
    }
}

}  // namespace
