// The main window against the local network's hostile server: whatever a
// server sends as a title is shown as plain text.

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
};

TEST_F(Hostile, TitlesFromServersAreShownAsPlainText) {
    for (const char* path : {"/icy/markup", "/icecast/control", "/icy/rtl", "/long-title.ogg"}) {
        SCOPED_TRACE(path);
        Hoofd& hoofd = play(QString::fromLatin1(path));
        // the title may come before buffering ends: wait for both
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return !hoofd.WMP.title().isEmpty() && hoofd.lblStatus.Caption() == u"Afspelen";
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

}  // namespace
