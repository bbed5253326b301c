#pragma once

// Turns a station address into the address of the stream itself: fetches
// it, and when the answer is a playlist (ASX, M3U, PLS) follows its entries,
// depth first, until one answers as audio. Runs on the thread it lives on
// and never blocks it.

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QUrl>

#include <vector>

#include "media/MediaFailure.h"

namespace media {

class PlaylistResolver : public QObject {
    Q_OBJECT
public:
    struct Limits {
        qint64 maxBytes = 128 * 1024;  // a playlist larger than this is refused
        int timeoutMs = 10000;         // per download, from request to last byte
        int maxDepth = 5;              // playlists inside playlists
    };

    explicit PlaylistResolver(QObject* parent = nullptr);
    ~PlaylistResolver() override;

    void setLimits(const Limits& limits) { limits_ = limits; }

    // Starts resolving; cancels a resolution still running. Ends in exactly
    // one of resolved() or failed(), unless cancelled first.
    void resolve(const QUrl& address);
    void cancel();
    bool busy() const { return reply_ != nullptr; }

    // mms://host/path is played as MMS over HTTP: http://host/path.
    // Returns an empty URL for a scheme we do not follow.
    static QUrl playableUrl(const QUrl& address);

signals:
    // Each address it asks a server for: the station's, a redirect's
    // (after it), a playlist entry's.
    void fetching(const QUrl& address);
    void resolved(const QUrl& stream);
    void failed(const media::MediaFailure& failure);

private:
    struct Pending {
        QList<QUrl> entries;
        qsizetype next = 0;
        int depth = 0;
    };

    void fetch(const QUrl& url, int depth);
    void onMetaData();
    void onReadyRead();
    void onFinished();
    void onTimeout();
    void finishAsStream();
    void finishBody();
    bool refuseHls(const QString& text, const QUrl& base);
    void entryFailed(const MediaFailure& failure);
    void advance();
    void dropReply();
    MediaFailure networkFailure(QNetworkReply* reply) const;

    Limits limits_;
    QNetworkAccessManager network_;
    QPointer<QNetworkReply> reply_;
    QTimer deadline_;
    QByteArray body_;
    int depth_ = 0;
    QUrl requested_;
    std::vector<Pending> pending_;
    QSet<QUrl> visited_;
    MediaFailure lastFailure_;
};

}  // namespace media
