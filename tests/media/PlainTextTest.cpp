// Text from servers made fit for a one-line label.

#include <gtest/gtest.h>

#include "media/PlainText.h"

using media::plainText;

TEST(PlainText, NothingInTheTextCanShapeTheLine) {
    EXPECT_EQ(plainText(QStringLiteral("  Artist\t-\r\nTitle\x01\x7F\u0085end  ")),
              QStringLiteral("Artist - Title end"));
    // A right-to-left override shows "evil.exe" as "exe.live"; a zero-width
    // space or soft hyphen hides in a word; a lone surrogate is no character.
    EXPECT_EQ(plainText(QString(QChar(0xD800)) +
                        QStringLiteral(
                            "live\u202Eexe.\u2066x\u2069 Be\u00ADet\u200Bhoven\u2028\U0001F3B5")),
              QStringLiteral("liveexe.x Beethoven \U0001F3B5"));
    EXPECT_EQ(plainText(QStringLiteral("<b>Bold</b> &amp;")), QStringLiteral("<b>Bold</b> &amp;"));
    EXPECT_EQ(plainText(QStringLiteral(" \x01\u202E ")), QString());
}

TEST(PlainText, LongTextIsCutWithAnEllipsis) {
    EXPECT_EQ(plainText(QString(200, QLatin1Char('a'))).size(), 200);
    EXPECT_EQ(plainText(QString(5000, QLatin1Char('a'))),
              QString(199, QLatin1Char('a')) + QChar(0x2026));
    // Never half a surrogate pair, and no blank before the ellipsis.
    EXPECT_EQ(plainText(QStringLiteral("ab\U0001F3B5cd"), 4), QStringLiteral("ab\u2026"));
    EXPECT_EQ(plainText(QStringLiteral("abc    defgh"), 5), QStringLiteral("abc\u2026"));
}
