#include "media/PlaylistResolver.h"

#include <QNetworkReply>
#include <QNetworkRequest>

#include "media/Playlists.h"

namespace media {

namespace {

// Enough to tell a playlist (text) from a stream (binary) reliably.
constexpr qsizetype kSniffBytes = 512;

MediaFailure httpFailure(int status, const QString& host) {
    using K = MediaFailure::Kind;
    if (status == 404 || status == 410)
        return MediaFailure(K::NotFound, QStringLiteral("Not found (%1)").arg(status));
    if (status == 401 || status == 403 || status == 407)
        return MediaFailure(K::AccessDenied, QStringLiteral("Access denied (%1)").arg(status));
    if (status >= 500)
        return MediaFailure(K::ServerError,
                            QStringLiteral("Server error (%1) at %2").arg(status).arg(host));
    return MediaFailure(K::NotFound, QStringLiteral("Refused by server (%1)").arg(status));
}

QUrl normalised(const QUrl& url) {
    return url.adjusted(QUrl::RemoveFragment | QUrl::NormalizePathSegments);
}

}  // namespace

PlaylistResolver::PlaylistResolver(QObject* parent) : QObject(parent) {
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, &PlaylistResolver::onTimeout);
}

PlaylistResolver::~PlaylistResolver() {
    dropReply();
}

QUrl PlaylistResolver::playableUrl(const QUrl& address) {
    if (!address.isValid() || address.host().isEmpty()) return {};
    const QString scheme = address.scheme().toLower();
    QUrl url = normalised(address);
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
        url.setScheme(scheme);
        return url;
    }
    // No MMS source in GStreamer here; MMS servers also answer MMS over HTTP.
    if (scheme == QLatin1String("mms") || scheme == QLatin1String("mmsh")) {
        url.setScheme(QStringLiteral("http"));
        return url;
    }
    return {};
}

void PlaylistResolver::resolve(const QUrl& address) {
    cancel();
    lastFailure_ = {};
    const QUrl url = playableUrl(address);
    if (url.isEmpty()) {
        const QString scheme = address.scheme().isEmpty() ? QStringLiteral("no scheme")
                                                          : address.scheme() + QLatin1Char(':');
        emit failed(MediaFailure(MediaFailure::Kind::UnsupportedAddress,
                                 QStringLiteral("Unsupported address (%1)").arg(scheme)));
        return;
    }
    fetch(url, 0);
}

void PlaylistResolver::cancel() {
    dropReply();
    pending_.clear();
    visited_.clear();
}

void PlaylistResolver::dropReply() {
    deadline_.stop();
    if (!reply_) return;
    QNetworkReply* reply = reply_;
    reply_ = nullptr;
    disconnect(reply, nullptr, this, nullptr);
    reply->abort();
    reply->deleteLater();
}

void PlaylistResolver::fetch(const QUrl& url, int depth) {
    depth_ = depth;
    requested_ = url;
    body_.clear();
    visited_.insert(normalised(url));

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(10);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Klankor/0.1"));
    reply_ = network_.get(request);
    // Keeps an endless body from piling up inside the reply between reads.
    reply_->setReadBufferSize(64 * 1024);
    connect(reply_, &QNetworkReply::metaDataChanged, this, &PlaylistResolver::onMetaData);
    connect(reply_, &QIODevice::readyRead, this, &PlaylistResolver::onReadyRead);
    connect(reply_, &QNetworkReply::finished, this, &PlaylistResolver::onFinished);
    deadline_.start(limits_.timeoutMs);
}

void PlaylistResolver::onMetaData() {
    const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 300 && status < 400) return;  // a redirect Qt follows by itself
    if (status >= 400) return;                  // onFinished names it; the error page is not read
    if (playlists::isStreamContentType(reply_->rawHeader("Content-Type"))) finishAsStream();
}

void PlaylistResolver::onReadyRead() {
    if (reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() >= 400) {
        reply_->skip(reply_->bytesAvailable());
        return;
    }
    const bool sniffed = body_.size() >= kSniffBytes;
    body_.append(reply_->read(limits_.maxBytes + 1 - body_.size()));
    if (!sniffed && body_.size() >= kSniffBytes &&
        playlists::looksBinary(body_.left(kSniffBytes))) {
        finishAsStream();
        return;
    }
    if (body_.size() > limits_.maxBytes) {
        dropReply();
        entryFailed(MediaFailure(
            MediaFailure::Kind::PlaylistTooLarge,
            QStringLiteral("Playlist too large (over %1 KiB)").arg(limits_.maxBytes / 1024)));
    }
}

void PlaylistResolver::onFinished() {
    QNetworkReply* reply = reply_;
    if (reply->error() != QNetworkReply::NoError) {
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const MediaFailure f =
            status >= 400 ? httpFailure(status, reply->url().host()) : networkFailure(reply);
        // Qt cannot read a Shoutcast "ICY 200 OK" answer; GStreamer can.
        if (reply->error() == QNetworkReply::ProtocolFailure) {
            finishAsStream();
            return;
        }
        dropReply();
        entryFailed(f);
        return;
    }
    body_.append(reply->read(limits_.maxBytes + 1 - body_.size()));
    if (body_.size() > limits_.maxBytes) {
        dropReply();
        entryFailed(MediaFailure(
            MediaFailure::Kind::PlaylistTooLarge,
            QStringLiteral("Playlist too large (over %1 KiB)").arg(limits_.maxBytes / 1024)));
        return;
    }
    if (playlists::looksBinary(body_.left(kSniffBytes))) {
        finishAsStream();
        return;
    }
    finishBody();
}

void PlaylistResolver::onTimeout() {
    const QString host = requested_.host();
    dropReply();
    entryFailed(MediaFailure::Network(MediaFailure::Kind::ServerNotResponding, host));
}

void PlaylistResolver::finishAsStream() {
    const QUrl stream = reply_->url();
    dropReply();
    pending_.clear();
    emit resolved(stream);
}

void PlaylistResolver::finishBody() {
    using playlists::Kind;
    const QUrl base = reply_->url();
    const QByteArray contentType = reply_->rawHeader("Content-Type");
    dropReply();
    visited_.insert(normalised(base));

    const QString text = playlists::decodeText(body_);
    body_.clear();
    QStringList entries;
    switch (playlists::detectKind(text, contentType, base.path())) {
        case Kind::Hls:
            pending_.clear();
            emit resolved(base);
            return;
        case Kind::None:
            entryFailed(MediaFailure(MediaFailure::Kind::NotAudio,
                                     QStringLiteral("Not an audio stream: %1").arg(base.host())));
            return;
        case Kind::Asx: entries = playlists::parseAsx(text); break;
        case Kind::M3u: entries = playlists::parseM3u(text); break;
        case Kind::Pls: entries = playlists::parsePls(text); break;
    }

    Pending next;
    next.depth = depth_ + 1;
    QStringList refused;
    for (const QString& entry : entries) {
        const QUrl url = playableUrl(base.resolved(QUrl(entry, QUrl::TolerantMode)));
        if (url.isEmpty()) {
            const QString scheme = QUrl(entry, QUrl::TolerantMode).scheme();
            if (!scheme.isEmpty() && !refused.contains(scheme)) refused.append(scheme);
            continue;
        }
        next.entries.append(url);
    }
    if (next.entries.isEmpty()) {
        entryFailed(MediaFailure(MediaFailure::Kind::PlaylistEmpty,
                                 refused.isEmpty()
                                     ? QStringLiteral("Playlist holds no stream address")
                                     : QStringLiteral("Playlist address refused (%1:)")
                                           .arg(refused.join(QStringLiteral(":, ")))));
        return;
    }
    pending_.push_back(std::move(next));
    advance();
}

void PlaylistResolver::entryFailed(const MediaFailure& f) {
    lastFailure_ = f;
    advance();
}

void PlaylistResolver::advance() {
    while (!pending_.empty()) {
        Pending& top = pending_.back();
        if (top.next >= top.entries.size()) {
            pending_.pop_back();
            continue;
        }
        const QUrl url = top.entries[top.next++];
        if (visited_.contains(normalised(url))) {
            lastFailure_ = MediaFailure(MediaFailure::Kind::PlaylistLoop,
                                        QStringLiteral("Playlist refers to itself"));
            continue;
        }
        if (top.depth > limits_.maxDepth) {
            lastFailure_ = MediaFailure(MediaFailure::Kind::PlaylistTooDeep,
                                        QStringLiteral("Playlists nested too deeply"));
            continue;
        }
        fetch(url, top.depth);
        return;
    }
    emit failed(lastFailure_);
}

MediaFailure PlaylistResolver::networkFailure(QNetworkReply* reply) const {
    using K = MediaFailure::Kind;
    const QString host = reply->url().host();
    switch (reply->error()) {
        case QNetworkReply::HostNotFoundError: return MediaFailure::Network(K::HostNotFound, host);
        case QNetworkReply::ConnectionRefusedError:
            return MediaFailure::Network(K::ConnectionRefused, host);
        case QNetworkReply::TimeoutError:
            return MediaFailure::Network(K::ServerNotResponding, host);
        case QNetworkReply::TooManyRedirectsError:
        case QNetworkReply::InsecureRedirectError:
            return MediaFailure(K::NotFound,
                                QStringLiteral("Too many or unsafe redirects at %1").arg(host));
        case QNetworkReply::ProtocolUnknownError:
            return MediaFailure(
                K::UnsupportedAddress,
                QStringLiteral("Unsupported address (%1:)").arg(reply->url().scheme()));
        default:
            return MediaFailure(
                K::ConnectionLost,
                QStringLiteral("Connection to %1 lost (%2)").arg(host, reply->errorString()));
    }
}

}  // namespace media
