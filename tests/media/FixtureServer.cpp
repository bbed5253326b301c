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

bool FixtureServer::start(quint16 port) {
    if (!server_.listen(QHostAddress::LocalHost, port)) return false;
    port_ = server_.serverPort();
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
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(pathAndQuery));
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
            answer(socket, line.size() >= 2 ? QString::fromLatin1(line[1]) : QString());
        });
    }
}

void FixtureServer::answer(QTcpSocket* socket, const QString& target) {
    hits_[target] += 1;
    const auto it = routes_.constFind(target);
    Route route;
    if (it == routes_.constEnd()) {
        route.status = 404;
        route.contentType = "text/html";
        route.body = "<html><body>Not here</body></html>";
    } else {
        route = *it;
    }
    if (route.mode == Mode::Silent) return;

    QByteArray head = "HTTP/1.0 " + QByteArray::number(route.status) + " Fixture\r\n";
    if (!route.contentType.isEmpty()) head += "Content-Type: " + route.contentType + "\r\n";
    if (!route.location.isEmpty()) head += "Location: " + route.location + "\r\n";
    if (route.mode == Mode::Whole)
        head += "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head);

    if (route.mode == Mode::Whole) {
        socket->write(route.body);
        socket->disconnectFromHost();
        return;
    }
    auto* timer = new QTimer(socket);
    auto sent = std::make_shared<qsizetype>(0);
    if (route.mode == Mode::Stream) {
        const qsizetype burst = qMin<qsizetype>(route.burstBytes, route.body.size());
        socket->write(route.body.left(burst));
        *sent = burst;
    }
    connect(timer, &QTimer::timeout, socket, [socket, route, sent] {
        const QByteArray& body = route.body;
        switch (route.mode) {
            case Mode::Endless:
                while (socket->state() == QAbstractSocket::ConnectedState &&
                       socket->bytesToWrite() < 256 * 1024 && socket->write(body) > 0) {
                }
                break;
            case Mode::Slow:
                if (*sent < body.size()) socket->write(body.mid((*sent)++, 1));
                break;
            case Mode::Stream: {
                const qsizetype chunk = route.bytesPerSecond / 10;
                socket->write(body.mid(*sent, chunk));
                *sent += chunk;
                if (*sent >= body.size() && !route.hangAtEnd) socket->disconnectFromHost();
                break;
            }
            default: break;
        }
    });
    timer->start(route.mode == Mode::Slow ? 200 : route.mode == Mode::Endless ? 10 : 100);
}
