#include "FixtureServer.h"

#include <QTcpSocket>
#include <QTimer>

FixtureServer::FixtureServer(QObject* parent) : QObject(parent) {
    connect(&server_, &QTcpServer::newConnection, this, &FixtureServer::onConnection);
}

FixtureServer::~FixtureServer() {
    for (QTcpSocket* socket : std::as_const(sockets_)) {
        disconnect(socket, nullptr, this, nullptr);
        delete socket;
    }
}

bool FixtureServer::start(quint16 port, const QHostAddress& address) {
    if (!server_.listen(address, port)) return false;
    port_ = server_.serverPort();
    address_ = address;
    return true;
}

void FixtureServer::stop() {
    server_.close();
    const auto sockets = sockets_;
    sockets_.clear();
    for (QTcpSocket* socket : sockets) {
        disconnect(socket, nullptr, this, nullptr);
        socket->abort();
        socket->deleteLater();
    }
}

QUrl FixtureServer::url(const QString& pathAndQuery) const {
    return QUrl(
        QStringLiteral("http://%1:%2%3").arg(address_.toString()).arg(port_).arg(pathAndQuery));
}

void FixtureServer::onConnection() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        sockets_.insert(socket);
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            if (sockets_.remove(socket)) socket->deleteLater();
        });
        auto request = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, request] {
            if (request->endsWith("\r\n\r\n") || request->contains("\r\n\r\n")) {
                socket->readAll();
                return;
            }
            request->append(socket->readAll());
            if (!request->contains("\r\n\r\n")) return;
            const QList<QByteArray> line = request->left(request->indexOf("\r\n")).split(' ');
            answer(socket, line.size() >= 2 ? QString::fromLatin1(line[1]) : QString(),
                   request->toLower().contains("\r\nicy-metadata: 1"));
        });
    }
}

namespace {

// What goes on the wire for body bytes: ICY title blocks between them
// and chunk framing around them, as the route asks.
struct Framing {
    int metaInterval = 0;
    QByteArray metadata;  // length byte and padded block
    bool chunked = false;
    int sinceTitle = 0;

    QByteArray operator()(QByteArray body) {
        QByteArray wire;
        while (metaInterval > 0 && !body.isEmpty()) {
            const int n = qMin<int>(body.size(), metaInterval - sinceTitle);
            wire += body.left(n);
            body.remove(0, n);
            sinceTitle += n;
            if (sinceTitle == metaInterval) {
                wire += metadata;
                sinceTitle = 0;
            }
        }
        wire += body;
        if (!chunked || wire.isEmpty()) return wire;
        return QByteArray::number(wire.size(), 16) + "\r\n" + wire + "\r\n";
    }
};

}  // namespace

void FixtureServer::answer(QTcpSocket* socket, const QString& target, bool wantsTitles) {
    hits_[target] += 1;
    const auto it = routes_.constFind(target);
    Route route;
    if (it == routes_.constEnd()) {
        route.status = 404;
        route.contentType = "text/html";
        route.body = "<html><body>Not here</body></html>";
    } else {
        route = *it;
        if (hits_[target] > 1 && !route.laterBody.isEmpty()) route.body = route.laterBody;
    }
    if (route.mode == Mode::Silent) return;
    if (route.answerAfterMs > 0) {
        QTimer::singleShot(route.answerAfterMs, socket, [this, socket, target, route, wantsTitles] {
            if (socket->state() != QAbstractSocket::ConnectedState) return;
            ++heard_[target];
            respond(socket, route, wantsTitles);
        });
        return;
    }
    respond(socket, route, wantsTitles);
}

void FixtureServer::respond(QTcpSocket* socket, const Route& route, bool wantsTitles) {
    auto frame = std::make_shared<Framing>();
    frame->chunked = route.chunked;
    const QByteArray version = route.chunked ? "HTTP/1.1 " : "HTTP/1.0 ";
    QByteArray head = route.statusLine.isEmpty()
                          ? QByteArray(version + QByteArray::number(route.status) + " Fixture")
                          : route.statusLine;
    head += "\r\n";
    if (!route.contentType.isEmpty()) head += "Content-Type: " + route.contentType + "\r\n";
    if (!route.location.isEmpty()) head += "Location: " + route.location + "\r\n";
    if (route.chunked)
        head += "Transfer-Encoding: chunked\r\n";
    else if (route.mode == Mode::Whole)
        head += "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n";
    if (route.metaInterval > 0 && wantsTitles) {
        head += "icy-metaint: " + QByteArray::number(route.metaInterval) + "\r\n";
        frame->metaInterval = route.metaInterval;
        QByteArray text = "StreamTitle='" + route.title + "';";
        text = text.left(255 * 16);
        text.append(QByteArray((16 - text.size() % 16) % 16, '\0'));
        frame->metadata = char(text.size() / 16) + text;
    }
    head += "Connection: close\r\n\r\n";
    socket->write(head);

    if (route.mode == Mode::Whole) {
        socket->write((*frame)(route.body));
        if (route.chunked) socket->write("0\r\n\r\n");
        socket->disconnectFromHost();
        return;
    }
    auto* timer = new QTimer(socket);
    auto sent = std::make_shared<qsizetype>(0);
    auto ticks = std::make_shared<int>(0);
    if (route.mode == Mode::Stream) {
        const qsizetype burst = qMin<qsizetype>(route.burstBytes, route.body.size());
        socket->write((*frame)(route.body.left(burst)));
        *sent = burst;
    }
    connect(timer, &QTimer::timeout, socket, [socket, route, sent, frame, ticks] {
        const QByteArray& body = route.body;
        switch (route.mode) {
            case Mode::Endless:
                while (socket->state() == QAbstractSocket::ConnectedState &&
                       socket->bytesToWrite() < 256 * 1024 && socket->write((*frame)(body)) > 0) {
                }
                break;
            case Mode::Slow:
                if (*sent < body.size()) socket->write((*frame)(body.mid((*sent)++, 1)));
                break;
            case Mode::Stream: {
                const int ms = ++*ticks * 100;
                if (ms > route.pauseAfterMs && ms <= route.pauseAfterMs + route.pauseMs) break;
                const qsizetype chunk = route.bytesPerSecond / 10;
                socket->write((*frame)(body.mid(*sent, chunk)));
                *sent += chunk;
                if (*sent >= body.size() && !route.hangAtEnd) socket->disconnectFromHost();
                break;
            }
            default: break;
        }
    });
    timer->start(route.mode == Mode::Slow ? 200 : route.mode == Mode::Endless ? 10 : 100);
}
