#include "media/PlaylistResolver.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>

#include "media/Playlists.h"

namespace media {

namespace {

// Enough to tell a playlist (text) from a stream (binary) reliably.
constexpr qsizetype kSniffBytes = 512;

QUrl normalised(const QUrl& url) {
    return url.adjusted(QUrl::RemoveFragment | QUrl::NormalizePathSegments);
}

QString schemeText(const QUrl& url) {
    return url.scheme().isEmpty() ? QStringLiteral("no scheme") : url.scheme() + QLatin1Char(':');
}

// Authorities named by SSL_CERT_FILE, trusted besides the system's, as
// OpenSSL's own tools do; Qt's OpenSSL backend does not read it.
QList<QSslCertificate> extraAuthorities() {
    static QString file;
    static QList<QSslCertificate> certificates;
    const QString wanted = qEnvironmentVariable("SSL_CERT_FILE");
    if (wanted != file) {
        file = wanted;
        certificates = file.isEmpty()
                           ? QList<QSslCertificate>()
                           : QSslCertificate::fromPath(file, QSsl::Pem,
                                                       QSslCertificate::PatternSyntax::FixedString);
    }
    return certificates;
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
        emit failed(
            MediaFailure(MediaFailure::Kind::UnsupportedAddress,
                         QStringLiteral("Unsupported address (%1)").arg(schemeText(address))));
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
    // Reading the authorities (and Qt's TLS set-up) takes tens of
    // milliseconds that a plain http address does not need.
    if (url.scheme() == QLatin1String("https")) {
        if (const QList<QSslCertificate> authorities = extraAuthorities(); !authorities.isEmpty()) {
            QSslConfiguration ssl = request.sslConfiguration();
            ssl.addCaCertificates(authorities);
            request.setSslConfiguration(ssl);
        }
    }
    reply_ = network_.get(request);
    // Keeps an endless body from piling up inside the reply between reads.
    reply_->setReadBufferSize(64 * 1024);
    connect(reply_, &QNetworkReply::metaDataChanged, this, &PlaylistResolver::onMetaData);
    connect(reply_, &QIODevice::readyRead, this, &PlaylistResolver::onReadyRead);
    connect(reply_, &QNetworkReply::finished, this, &PlaylistResolver::onFinished);
    connect(reply_, &QNetworkReply::redirected, this, &PlaylistResolver::fetching);
    deadline_.start(limits_.timeoutMs);
    emit fetching(url);
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
        // SHOUTcast answers "ICY 200 OK": Qt reads no status from that and
        // closes the connection at once. GStreamer reads it; if the server
        // really closed without a word, GStreamer says so.
        if (status == 0 && (reply->error() == QNetworkReply::RemoteHostClosedError ||
                            reply->error() == QNetworkReply::ProtocolFailure)) {
            finishAsStream();
            return;
        }
        const MediaFailure f =
            status >= 400 ? MediaFailure::Http(status, reply->url().host()) : networkFailure(reply);
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
            // GStreamer fetches what it names; it must name nothing we
            // would not fetch ourselves.
            if (refuseHls(text, base)) return;
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

bool PlaylistResolver::refuseHls(const QString& text, const QUrl& base) {
    QStringList refused;
    for (const QString& entry : playlists::parseHls(text)) {
        const QUrl url = base.resolved(QUrl(entry, QUrl::TolerantMode));
        if (playableUrl(url).isEmpty() && !refused.contains(schemeText(url)))
            refused.append(schemeText(url));
    }
    if (refused.isEmpty()) return false;
    entryFailed(MediaFailure(
        MediaFailure::Kind::UnsupportedAddress,
        QStringLiteral("Playlist address refused (%1)").arg(refused.join(QStringLiteral(", ")))));
    return true;
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
        case QNetworkReply::ProtocolUnknownError: {
            // A redirect elsewhere than http(s): Qt does not follow it, and
            // the refused address is in the answer, not in url().
            const QByteArray location = reply->rawHeader("Location");
            const QUrl refused = location.isEmpty()
                                     ? reply->url()
                                     : reply->url().resolved(QUrl::fromEncoded(location));
            return MediaFailure(
                K::UnsupportedAddress,
                QStringLiteral("Unsupported address (%1)").arg(schemeText(refused)));
        }
        case QNetworkReply::SslHandshakeFailedError:
            return MediaFailure::Network(K::SecureConnectionFailed, host);
        default:
            return MediaFailure(
                K::ConnectionLost,
                QStringLiteral("Connection to %1 lost (%2)").arg(host, reply->errorString()));
    }
}

}  // namespace media
