#pragma once

#include <QByteArray>
#include <QHash>
#include <QMultiHash>
#include <QTcpServer>
#include <QTcpSocket>

namespace fwtest {

// What the server sends for one path; then it closes the connection.
struct HttpResponse
{
    int status = 200;
    QByteArray headers; // extra header lines, each ending in "\r\n"
    QByteArray body;

    static HttpResponse answer(int status, const QByteArray &body) { return {status, {}, body}; }
};

// A small HTTP/1.1 responder on 127.0.0.1 that records the head of every
// request by its target (path and query as sent). Paths without a route get a 404.
class TestHttpServer : public QObject
{
public:
    TestHttpServer()
    {
        connect(&m_server, &QTcpServer::newConnection, this, &TestHttpServer::accept);
        m_server.listen(QHostAddress::LocalHost, 0);
    }

    QString url(const QByteArray &target) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2")
            .arg(m_server.serverPort())
            .arg(QString::fromUtf8(target));
    }
    void route(const QByteArray &target, const HttpResponse &response) { m_routes.insert(target, response); }
    QList<QByteArray> requestsFor(const QByteArray &target) const { return m_requests.values(target); }

private:
    void accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
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
                const QByteArray target = head.left(head.indexOf('\r')).split(' ').value(1);
                m_requests.insert(target, head);
                const HttpResponse response =
                    m_routes.value(target, HttpResponse::answer(404, "no such list\n"));
                socket->write("HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n" +
                              response.headers +
                              "Content-Length: " + QByteArray::number(response.body.size()) +
                              "\r\nConnection: close\r\n\r\n" + response.body);
                socket->disconnectFromHost();
            });
        }
    }

    QTcpServer m_server;
    QHash<QByteArray, HttpResponse> m_routes;
    QMultiHash<QByteArray, QByteArray> m_requests;
};

} // namespace fwtest
