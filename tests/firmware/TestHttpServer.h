#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>

class QTcpServer;

namespace fwtest {

struct HttpRequest
{
    QByteArray target; // path and query as sent
    QByteArray head;   // the request line and header lines
};

// What the server sends for one path; then it closes the connection.
struct HttpResponse
{
    int status = 200;
    QByteArray headers; // extra header lines, each ending in "\r\n"
    QByteArray body;

    static HttpResponse answer(int status, const QByteArray &body) { return {status, {}, body}; }
};

// A small HTTP/1.1 responder on 127.0.0.1 that records every request.
// Paths without a route get a 404.
class TestHttpServer : public QObject
{
public:
    TestHttpServer();

    QString url(const QByteArray &target) const;
    void route(const QByteArray &target, const HttpResponse &response) { m_routes.insert(target, response); }
    QList<HttpRequest> requestsFor(const QByteArray &target) const;

private:
    void accept();

    QTcpServer *m_server;
    QHash<QByteArray, HttpResponse> m_routes;
    QList<HttpRequest> m_requests;
};

} // namespace fwtest
