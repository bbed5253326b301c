#pragma once

// Pure playlist readers: bytes in, addresses out. No network, no files, so
// each can be fed anything (the fuzz targets do exactly that).

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace media::playlists {

enum class Kind {
    None,  // not a playlist we know (an error page, plain text, ...)
    Asx,   // Windows Media metafile, XML or the older [Reference] form
    M3u,   // M3U / M3U8 list of addresses
    Pls,   // [playlist] with FileN= entries
    Hls,   // HTTP live streaming: GStreamer plays it, we do not expand it
};

// Text of a playlist body: honours UTF-8 and UTF-16 byte order marks, reads
// UTF-8 otherwise and falls back to Latin-1 when that is not valid UTF-8
// (old .m3u files). CR LF and lone CR line ends become LF.
QString decodeText(const QByteArray& body);

// True when the first bytes of a response are clearly not text (audio
// frames, container headers, control bytes), so it must be a stream.
bool looksBinary(const QByteArray& head);

// True when a Content-Type names one of the playlist formats.
bool isPlaylistContentType(const QByteArray& contentType);

// True when a Content-Type names audio or video content that is not a
// playlist, i.e. the response is the stream itself.
bool isStreamContentType(const QByteArray& contentType);

// Which reader fits a complete body. The content of the body decides first;
// the Content-Type and the address path only help where the content alone
// is ambiguous (an M3U without #EXTM3U, a PLS without [playlist]).
Kind detectKind(const QString& text, const QByteArray& contentType, const QString& path);

// The readers. Each returns the entry addresses in playlist order, trimmed,
// exactly as written (relative addresses stay relative); never expands XML
// entities beyond the five predefined ones and character references.
QStringList parseAsx(const QString& text);
QStringList parseM3u(const QString& text);
QStringList parsePls(const QString& text);

// Every address an HLS playlist names, for checking before GStreamer
// fetches them: variant streams and segments (its address lines), and the
// URI="..." of its tags (renditions, keys, initialisation sections).
QStringList parseHls(const QString& text);

}  // namespace media::playlists
