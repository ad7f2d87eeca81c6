#include "TestHttpServer.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

namespace fwtest {

TestHttpServer::TestHttpServer() : m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &TestHttpServer::accept);
    m_server->listen(QHostAddress::LocalHost, 0);
}

// Sockets closing with the server still count into it.
TestHttpServer::~TestHttpServer()
{
    delete m_server;
}

QString TestHttpServer::url(const QByteArray &target) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server->serverPort()).arg(QString::fromUtf8(target));
}

QList<HttpRequest> TestHttpServer::requestsFor(const QByteArray &target) const
{
    QList<HttpRequest> matching;
    for (const HttpRequest &request : m_requests) {
        if (request.target == target)
            matching.append(request);
    }
    return matching;
}

void TestHttpServer::accept()
{
    struct Connection
    {
        QByteArray buffer;
        bool requestSeen = false;
        bool answered = false;
    };
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        const auto connection = std::make_shared<Connection>();
        connect(socket, &QTcpSocket::disconnected, socket, [this, socket, connection] {
            m_closedByClient += connection->requestSeen && !connection->answered;
            socket->deleteLater();
        });
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, connection] {
            connection->buffer += socket->readAll();
            const qsizetype headEnd = connection->buffer.indexOf("\r\n\r\n");
            if (connection->requestSeen || headEnd < 0)
                return;
            // Requests carry no body here: the head is all there is to read.
            const QByteArray head = connection->buffer.left(headEnd + 2);
            const HttpRequest request{head.left(head.indexOf('\r')).split(' ').value(1), head};
            connection->requestSeen = true;
            m_requests.append(request);
            const HttpResponse response =
                m_routes.value(request.target, HttpResponse::answer(404, "no such list\n"));
            if (response.silent)
                return;
            QByteArray answer =
                "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n" + response.headers;
            const qint64 declared = response.length == -1 ? response.body.size() : response.length;
            if (declared >= 0)
                answer += "Content-Length: " + QByteArray::number(declared) + "\r\n";
            socket->write(answer + "Connection: close\r\n\r\n" + response.body);
            // A body shorter than declared stays open for the client to give up on.
            connection->answered = declared <= response.body.size();
            if (connection->answered)
                socket->disconnectFromHost();
        });
    }
}

} // namespace fwtest
