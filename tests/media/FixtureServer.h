#pragma once

// A small HTTP/1.0 server on 127.0.0.1 for the media tests: fixed answers,
// redirects, endless and trickling bodies, and audio paced in real time;
// optionally as SHOUTcast (its own status line, ICY titles in the body) or
// HTTP/1.1 in chunks.

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

class FixtureServer : public QObject {
    Q_OBJECT
public:
    enum class Mode {
        Whole,    // status, headers and the whole body with Content-Length
        Endless,  // the body repeated forever, as fast as the client reads
        Slow,     // one byte of the body every 200 ms
        Stream,   // the body paced at bytesPerSecond after a burst, then closed
        Silent,   // reads the request and never answers
    };
    struct Route {
        int status = 200;
        QByteArray contentType;
        QByteArray body;
        QByteArray location;  // for redirects
        Mode mode = Mode::Whole;
        int bytesPerSecond = 0;
        int burstBytes = 0;
        bool hangAtEnd = false;  // Stream: keep the connection open, silent, after the body
        QByteArray statusLine;   // instead of "HTTP/1.0 <status> Fixture", e.g. "ICY 200 OK"
        bool chunked = false;    // HTTP/1.1 with Transfer-Encoding: chunked
        int metaInterval = 0;    // to a client asking Icy-MetaData: title after every so many bytes
        QByteArray title;        // the StreamTitle sent there
        QByteArray laterBody;    // served instead of body from the second request on
        int pauseAfterMs = 0;    // Stream: sends nothing for pauseMs after this long, then goes on
        int pauseMs = 0;
        int answerAfterMs = 0;  // the answer waits this long after the request
    };

    explicit FixtureServer(QObject* parent = nullptr);
    ~FixtureServer() override;

    bool start(quint16 port = 0, const QHostAddress& address = QHostAddress::LocalHost);
    // Stops listening and cuts every open connection, as a crashed server.
    void stop();
    quint16 port() const { return port_; }
    QUrl url(const QString& pathAndQuery) const;

    void route(const QString& pathAndQuery, const Route& route) { routes_[pathAndQuery] = route; }
    Route routeFor(const QString& pathAndQuery) const { return routes_.value(pathAndQuery); }
    int hits(const QString& pathAndQuery) const { return hits_.value(pathAndQuery); }
    // Late answers (answerAfterMs) that still found their client there.
    int heard(const QString& pathAndQuery) const { return heard_.value(pathAndQuery); }
    int connections() const { return int(sockets_.size()); }

private:
    void onConnection();
    void answer(QTcpSocket* socket, const QString& target, bool wantsTitles);
    void respond(QTcpSocket* socket, const Route& route, bool wantsTitles);

    QTcpServer server_;
    quint16 port_ = 0;
    QHostAddress address_;
    QHash<QString, Route> routes_;
    QHash<QString, int> hits_;
    QHash<QString, int> heard_;
    QSet<QTcpSocket*> sockets_;
};
