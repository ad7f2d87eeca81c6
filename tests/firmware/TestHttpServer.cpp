#include "TestHttpServer.h"

#include <QTcpServer>
#include <QTcpSocket>

namespace fwtest {

TestHttpServer::TestHttpServer() : m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &TestHttpServer::accept);
    m_server->listen(QHostAddress::LocalHost, 0);
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
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            // Requests carry no body here: the head is all there is to read.
            if (socket->property("answered").toBool())
                return;
            QByteArray head = socket->peek(socket->bytesAvailable());
            const qsizetype headEnd = head.indexOf("\r\n\r\n");
            if (headEnd < 0)
                return;
            head.truncate(headEnd + 2);
            socket->setProperty("answered", true);
            const HttpRequest request{head.left(head.indexOf('\r')).split(' ').value(1), head};
            m_requests.append(request);
            const HttpResponse response =
                m_routes.value(request.target, HttpResponse::answer(404, "no such list\n"));
            socket->write("HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n" +
                          response.headers + "Content-Length: " + QByteArray::number(response.body.size()) +
                          "\r\nConnection: close\r\n\r\n" + response.body);
            socket->disconnectFromHost();
        });
    }
}

} // namespace fwtest
