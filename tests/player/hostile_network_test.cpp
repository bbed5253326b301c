// The main window against the local network's hostile server: whatever a
// server sends as a title is shown as plain text, and every failure in a
// playlist chain shows what failed, with nothing refused ever opened.

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "support/ProgramTest.h"

namespace {

const QString kHostile = QStringLiteral("http://127.0.2.1:8000");

class Hostile : public ProgramTest {
protected:
    Hoofd& play(const QString& path) {
        Hoofd& hoofd = platform::Forms::Get<Hoofd>();
        hoofd.PlayStream(kHostile + path);
        return hoofd;
    }
    // Waits until the status line leaves "Verbinden" and "Buffering".
    static QString settled(Hoofd& hoofd, int ms = 20000) {
        (void)QTest::qWaitFor(
            [&] {
                const QString s = hoofd.lblStatus.Caption();
                return !s.startsWith(u"Verbinden") && !s.startsWith(u"Buffering");
            },
            ms);
        return hoofd.lblStatus.Caption();
    }
};

TEST_F(Hostile, TitlesFromServersAreShownAsPlainText) {
    for (const char* path : {"/icy/markup", "/icecast/control", "/icy/rtl", "/long-title.ogg"}) {
        SCOPED_TRACE(path);
        Hoofd& hoofd = play(QString::fromLatin1(path));
        // the title may come before buffering ends: wait for both
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return !hoofd.WMP.title().isEmpty() &&
                       hoofd.lblStatus.Caption() == u"Afspelen";
            },
            20000))
            << hoofd.lblStatus.Caption().toStdString();
        const QString title = hoofd.WMP.title();
        EXPECT_EQ(hoofd.lblStatus.ToolTipText(), title);
        EXPECT_LE(title.size(), 201);
        for (QChar c : title) EXPECT_TRUE(c.isPrint()) << int(c.unicode());
        // what Qt is handed to draw is escaped text, never markup
        EXPECT_FALSE(hoofd.lblStatus.toolTip().contains(u"<img"));
        EXPECT_EQ(hoofd.lblStatus.textFormat(), Qt::PlainText);
        hoofd.WMP.controls().stop();
    }
}

TEST_F(Hostile, FailuresNameWhatFailedAndOpenNothingRefused) {
    const std::pair<const char*, const char*> cases[] = {
        {"/chain.asx", "Server error (500) at 127.0.2.2"},
        {"/dead-port.asx", "Connection refused by 127.0.2.1"},
        {"/redirect.m3u", "Unsupported address (file:)"},
        {"/file-entry.m3u", "(file:)"},
        {"/ftp-entry.asx", "(ftp:)"},
        {"/file-segments.m3u8", "(file:)"},
    };
    for (const auto& [path, says] : cases) {
        SCOPED_TRACE(path);
        Hoofd& hoofd = play(QString::fromLatin1(path));
        EXPECT_TRUE(settled(hoofd).contains(QString::fromLatin1(says)))
            << hoofd.lblStatus.Caption().toStdString();
        EXPECT_NE(hoofd.WMP.state(), media::State::Playing);
    }
}

}  // namespace
