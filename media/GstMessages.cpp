#include "media/GstMessages.h"

#include <QRegularExpression>

#include <gst/gst.h>

#include "media/HttpSource.h"

namespace media {
namespace {

MediaFailure failureFromError(const GError* error, const char* debug, bool fromSink,
                              const QString& host) {
    using K = MediaFailure::Kind;
    const QString details = QString::fromUtf8(debug ? debug : "").toLower() + QLatin1Char(' ') +
                            QString::fromUtf8(error->message ? error->message : "").toLower();
    if (fromSink) return MediaFailure(K::AudioDevice, QStringLiteral("Sound device not available"));
    if (error->domain == refusedSourceQuark())
        return MediaFailure(
            K::UnsupportedAddress,
            QStringLiteral("Playlist address refused (%1)").arg(QString::fromUtf8(error->message)));
    if (error->domain == GST_RESOURCE_ERROR) {
        switch (error->code) {
            case GST_RESOURCE_ERROR_NOT_FOUND:
                return MediaFailure(K::NotFound, QStringLiteral("Not found (404)"));
            case GST_RESOURCE_ERROR_NOT_AUTHORIZED:
                return MediaFailure(K::AccessDenied, QStringLiteral("Access denied"));
            default: break;
        }
        // souphttpsrc names an HTTP status as "Reason (302), URL: ...".
        static const QRegularExpression statusCode(QStringLiteral("\\((\\d{3})\\), url:"));
        const int status = statusCode.match(details).captured(1).toInt();
        if (status >= 300 && status < 400)  // a redirect it would not follow: not http(s)
            return MediaFailure(K::UnsupportedAddress,
                                QStringLiteral("Unsupported redirect at %1").arg(host));
        if (status >= 500) return MediaFailure::Http(status, host);
        if (details.contains(QLatin1String("resolve")))
            return MediaFailure::Network(K::HostNotFound, host);
        if (details.contains(QLatin1String("refused")))
            return MediaFailure::Network(K::ConnectionRefused, host);
        if (details.contains(QLatin1String("timed out")) ||
            details.contains(QLatin1String("timeout")))
            return MediaFailure::Network(K::ServerNotResponding, host);
        return MediaFailure::Network(K::ConnectionLost, host);
    }
    if (error->domain == GST_STREAM_ERROR) {
        switch (error->code) {
            case GST_STREAM_ERROR_TYPE_NOT_FOUND:
            case GST_STREAM_ERROR_WRONG_TYPE:
                return MediaFailure(K::NotAudio, QStringLiteral("Not an audio stream"));
            case GST_STREAM_ERROR_CODEC_NOT_FOUND:
            case GST_STREAM_ERROR_NOT_IMPLEMENTED:
            case GST_STREAM_ERROR_FORMAT:
                return MediaFailure(K::NotAudio, QStringLiteral("Unsupported audio format"));
            case GST_STREAM_ERROR_DEMUX:
            case GST_STREAM_ERROR_DECODE:
                return MediaFailure(K::NotAudio, QStringLiteral("Damaged or unknown audio stream"));
            default: break;
        }
    }
    if (error->domain == GST_CORE_ERROR && error->code == GST_CORE_ERROR_MISSING_PLUGIN)
        return MediaFailure(K::NotAudio, QStringLiteral("Unsupported audio format"));
    return MediaFailure(K::ConnectionLost, QStringLiteral("Stream from %1 interrupted").arg(host));
}

}  // namespace

MediaFailure FailureFromError(GstMessage* message, const QString& host, QString* said) {
    GError* error = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(message, &error, &debug);
    const GstObject* source = GST_MESSAGE_SRC(message);
    const bool fromSink =
        source && GST_IS_ELEMENT(source) && GST_OBJECT_FLAG_IS_SET(source, GST_ELEMENT_FLAG_SINK);
    const MediaFailure failure = failureFromError(error, debug, fromSink, host);
    if (said)
        *said = QString::fromUtf8(error->message) + QLatin1Char(' ') + QString::fromUtf8(debug);
    g_clear_error(&error);
    g_free(debug);
    return failure;
}

std::optional<QString> TitleFromTags(GstMessage* message) {
    GstTagList* tags = nullptr;
    gst_message_parse_tag(message, &tags);
    gchar* title = nullptr;
    gchar* artist = nullptr;
    std::optional<QString> text;
    if (gst_tag_list_get_string(tags, GST_TAG_TITLE, &title)) {
        text = QString::fromUtf8(title);
        // Ogg streams name the artist apart; ICY titles hold both.
        if (gst_tag_list_get_string(tags, GST_TAG_ARTIST, &artist) &&
            !text->contains(QString::fromUtf8(artist)))
            text = QString::fromUtf8(artist) + QStringLiteral(" - ") + *text;
    }
    g_free(title);
    g_free(artist);
    gst_tag_list_unref(tags);
    return text;
}

}  // namespace media
