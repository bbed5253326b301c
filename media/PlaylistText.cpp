// Decoding and recognising playlist bodies.

#include <QRegularExpression>
#include <QStringDecoder>

#include "media/Playlists.h"

namespace media::playlists {

namespace {

QString normaliseLineEnds(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QByteArray mimeType(const QByteArray& contentType) {
    // "audio/x-mpegurl; charset=utf-8" -> "audio/x-mpegurl"
    const qsizetype semi = contentType.indexOf(';');
    return (semi < 0 ? contentType : contentType.left(semi)).trimmed().toLower();
}

}  // namespace

QString decodeText(const QByteArray& body) {
    auto decodeWith = [&](QStringConverter::Encoding encoding, qsizetype skip) {
        QStringDecoder decoder(encoding);
        return normaliseLineEnds(decoder.decode(QByteArrayView(body).sliced(skip)));
    };
    if (body.startsWith("\xEF\xBB\xBF")) return decodeWith(QStringConverter::Utf8, 3);
    if (body.startsWith("\xFF\xFE")) return decodeWith(QStringConverter::Utf16LE, 2);
    if (body.startsWith("\xFE\xFF")) return decodeWith(QStringConverter::Utf16BE, 2);

    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8.decode(body);
    if (utf8.hasError()) text = QString::fromLatin1(body);
    return normaliseLineEnds(text);
}

bool looksBinary(const QByteArray& head) {
    if (head.startsWith("\xEF\xBB\xBF") || head.startsWith("\xFF\xFE") ||
        head.startsWith("\xFE\xFF"))
        return false;  // a text body with a byte order mark (UTF-16 holds NULs)
    static const char* const magics[] = {"OggS",
                                         "ID3",
                                         "fLaC",
                                         "RIFF",
                                         "ADIF",
                                         "\x1A\x45\xDF\xA3",
                                         "\x30\x26\xB2\x75\x8E\x66\xCF\x11"};
    for (const char* magic : magics)
        if (head.startsWith(magic)) return true;
    // An MPEG audio or ADTS frame starts with eleven set bits.
    if (head.size() >= 2 && quint8(head[0]) == 0xFF && (quint8(head[1]) & 0xE0) == 0xE0)
        return true;
    for (char c : head) {
        const auto b = quint8(c);
        if (b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\f') return true;
        if (b == 0x7F) return true;
    }
    return false;
}

bool isPlaylistContentType(const QByteArray& contentType) {
    static const QByteArrayList types = {"audio/x-mpegurl",       "audio/mpegurl",
                                         "application/x-mpegurl", "application/vnd.apple.mpegurl",
                                         "audio/x-scpls",         "audio/scpls",
                                         "application/pls+xml",   "video/x-ms-asx",
                                         "video/x-ms-asf",        "audio/x-ms-asx",
                                         "audio/x-ms-wax",        "video/x-ms-wvx",
                                         "application/x-ms-asx",  "audio/x-pn-realaudio-plugin"};
    return types.contains(mimeType(contentType));
}

bool isStreamContentType(const QByteArray& contentType) {
    const QByteArray type = mimeType(contentType);
    if (isPlaylistContentType(type)) return false;
    return type.startsWith("audio/") || type.startsWith("video/") || type == "application/ogg" ||
           type == "application/x-ogg" || type == "application/vnd.ms-asf" ||
           type == "application/x-mms-framed";
}

Kind detectKind(const QString& text, const QByteArray& contentType, const QString& path) {
    const QString body = text.trimmed();
    const QString start = body.left(64).toLower();

    if (start.startsWith(QLatin1String("[reference]"))) return Kind::Asx;
    if (start.startsWith(QLatin1String("[playlist]"))) return Kind::Pls;
    if (start.startsWith(QLatin1String("#extm3u"))) {
        static const QRegularExpression hls(
            QStringLiteral("^#EXT-X-(TARGETDURATION|STREAM-INF|MEDIA-SEQUENCE)"),
            QRegularExpression::MultilineOption | QRegularExpression::CaseInsensitiveOption);
        return hls.match(body).hasMatch() ? Kind::Hls : Kind::M3u;
    }
    if (start.startsWith(QLatin1Char('<'))) {
        static const QRegularExpression asx(QStringLiteral("<\\s*asx[\\s>/]"),
                                            QRegularExpression::CaseInsensitiveOption);
        if (asx.match(body).hasMatch()) return Kind::Asx;
        return Kind::None;  // HTML, XSPF and other markup we do not play
    }

    const QByteArray type = mimeType(contentType);
    const QString lowerPath = path.toLower();
    if (type.contains("mpegurl") || lowerPath.endsWith(QLatin1String(".m3u")) ||
        lowerPath.endsWith(QLatin1String(".m3u8")))
        return Kind::M3u;
    if (type.contains("scpls") || lowerPath.endsWith(QLatin1String(".pls"))) return Kind::Pls;

    // A bare list of absolute addresses is an M3U without its header.
    bool any = false;
    for (const QString& line : body.split(QLatin1Char('\n'))) {
        const QString l = line.trimmed();
        if (l.isEmpty() || l.startsWith(QLatin1Char('#'))) continue;
        if (!l.contains(QLatin1String("://")) || l.contains(QLatin1Char(' '))) return Kind::None;
        any = true;
    }
    return any ? Kind::M3u : Kind::None;
}

}  // namespace media::playlists
