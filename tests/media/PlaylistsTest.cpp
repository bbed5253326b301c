// The playlist readers on their own: real-world files, encodings, and
// hostile input.

#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include "media/Playlists.h"

using namespace media::playlists;

namespace {

QByteArray fixture(const char* name) {
    QFile file(QStringLiteral(KLANKOR_MEDIA_FIXTURES "/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

QStringList list(std::initializer_list<const char*> items) {
    QStringList out;
    for (const char* item : items) out.append(QString::fromUtf8(item));
    return out;
}

}  // namespace

TEST(AsxPlaylist, WellFormedFileListsRefsAndEntryRefsInOrder) {
    const QString text = decodeText(fixture("wellformed.asx"));
    EXPECT_EQ(detectKind(text, "video/x-ms-asf", QStringLiteral("/x.asp")), Kind::Asx);
    EXPECT_EQ(parseAsx(text), list({"http://stream.example/live.mp3", "mms://backup.example/live",
                                    "http://stream.example/a.mp3?x=1&y=2", "more.asx"}));
}

TEST(AsxPlaylist, MessyRealWorldFileIsStillRead) {
    // Mismatched tag case, a bare '&', an unclosed <Ref>, an unquoted value,
    // a commented-out entry.
    const QString text = decodeText(fixture("messy.asx"));
    EXPECT_EQ(detectKind(text, "", QStringLiteral("/")), Kind::Asx);
    EXPECT_EQ(parseAsx(text), list({"http://stream.example/live?id=4&type=.asf",
                                    "mms://backup.example/live", "http://bare.example/x.mp3"}));
}

TEST(AsxPlaylist, ReferenceFormIsRead) {
    const QString text = decodeText(fixture("reference.asx"));
    EXPECT_EQ(detectKind(text, "video/x-ms-asf", QString()), Kind::Asx);
    EXPECT_EQ(parseAsx(text), list({"http://stream.example/live?MSWMExt=.asf",
                                    "http://backup.example:80/live?MSWMExt=.asf"}));
}

TEST(AsxPlaylist, EntityBombIsNeverExpanded) {
    QElapsedTimer clock;
    clock.start();
    const QString text = decodeText(fixture("bomb.asx"));
    EXPECT_EQ(detectKind(text, "video/x-ms-asx", QStringLiteral("/bomb.asx")), Kind::Asx);
    const QStringList entries = parseAsx(text);
    EXPECT_LT(clock.elapsed(), 1000);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0], QStringLiteral("http://stream.example/&lol9;"));
    EXPECT_EQ(entries[1], QStringLiteral("stream.ogg"));
}

TEST(AsxPlaylist, CharacterReferencesAreDecodedButUnknownEntitiesKept) {
    const QString text = QStringLiteral(
        "<ASX><Entry><Ref "
        "href=\"http://h/&#x41;&#66;?a=1&amp;b=&bogus;&#0;&#xD800;\"></entry></asx>");
    EXPECT_EQ(parseAsx(text), list({"http://h/AB?a=1&b=&bogus;&#0;&#xD800;"}));
}

TEST(AsxPlaylist, BrokenInputEndsWithoutEntries) {
    for (const char* text : {"", "<", "<ref", "<ref href=", "<ref href=\"", "<asx><ref href=''/>",
                             "<!--", "<ref =x>", "\xff\xfe<"})
        EXPECT_TRUE(parseAsx(decodeText(QByteArray(text))).isEmpty()) << text;
}

TEST(M3uPlaylist, EncodingsAndLineEndsGiveTheSameEntries) {
    const QStringList expected =
        list({"http://stream.example/één.mp3", "relative/live.ogg", "http://backup.example/live"});
    for (const char* name : {"utf16le.m3u", "utf16be.m3u", "utf8bom.m3u8", "latin1.m3u"}) {
        const QString text = decodeText(fixture(name));
        EXPECT_EQ(detectKind(text, "audio/x-mpegurl", QString()), Kind::M3u) << name;
        EXPECT_EQ(parseM3u(text), expected) << name;
    }
}

TEST(M3uPlaylist, HlsIsRecognisedAsAStream) {
    EXPECT_EQ(detectKind(decodeText(fixture("hls.m3u8")), "application/vnd.apple.mpegurl",
                         QStringLiteral("/live.m3u8")),
              Kind::Hls);
}

TEST(PlsPlaylist, EntriesComeInNumberOrderWithValuesUntouched) {
    const QString text = decodeText(fixture("station.pls"));
    EXPECT_EQ(detectKind(text, "audio/x-scpls", QString()), Kind::Pls);
    EXPECT_EQ(parsePls(text), list({"http://first.example/live", "http://second.example/live",
                                    "http://tenth.example/live?a=1,2&b=\"q\""}));
}

TEST(PlsPlaylist, OtherSectionsAndMalformedKeysAreSkipped) {
    const QString text = QStringLiteral(
        "[other]\nFile1=http://no/\n[playlist]\nFileX=http://bad/\nFile-1=http://neg/\nFile3=\n"
        "File=http://nonumber/\nFile2=http://yes/\n");
    EXPECT_EQ(parsePls(text), list({"http://yes/"}));
}

TEST(PlaylistKind, ContentDecidesBeforeTypeAndPath) {
    EXPECT_EQ(detectKind(QStringLiteral("<!DOCTYPE html><html></html>"), "audio/x-mpegurl",
                         QStringLiteral("/a.m3u")),
              Kind::None);
    EXPECT_EQ(detectKind(QStringLiteral("[playlist]\nFile1=x"), "audio/x-mpegurl", QString()),
              Kind::Pls);
    EXPECT_EQ(detectKind(QStringLiteral("http://a/\nhttp://b/\n"), "text/plain", QString()),
              Kind::M3u);
    EXPECT_EQ(detectKind(QStringLiteral("just some text"), "text/plain", QString()), Kind::None);
    EXPECT_EQ(detectKind(QStringLiteral("a.ogg"), "", QStringLiteral("/list.PLS")), Kind::Pls);
    EXPECT_EQ(detectKind(QString(), "", QString()), Kind::None);
}

TEST(PlaylistKind, BinaryAndStreamTypesAreStreams) {
    EXPECT_TRUE(looksBinary(QByteArray("OggS\0\x02", 6)));
    EXPECT_TRUE(looksBinary(QByteArray("ID3\x04")));
    EXPECT_TRUE(looksBinary(QByteArray("\xFF\xFB\x90\x64")));
    EXPECT_TRUE(looksBinary(QByteArray("abc\x01xyz")));
    EXPECT_FALSE(looksBinary(fixture("utf16le.m3u")));
    EXPECT_FALSE(looksBinary(fixture("station.pls")));
    EXPECT_TRUE(isStreamContentType("audio/mpeg"));
    EXPECT_TRUE(isStreamContentType("Application/Ogg; charset=x"));
    EXPECT_FALSE(isStreamContentType("audio/x-mpegurl"));
    EXPECT_FALSE(isStreamContentType("text/html"));
    EXPECT_TRUE(isPlaylistContentType("Audio/X-SCPLS ; q=1"));
}
