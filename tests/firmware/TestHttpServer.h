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
    static constexpr qint64 NoLength = -2; // no Content-Length: the body runs to the close
    int status = 200;
    QByteArray headers; // extra header lines, each ending in "\r\n"
    QByteArray body;
    qint64 length = -1;  // the declared length when not the body's (-1)
    bool silent = false; // read the request and never answer

    static HttpResponse answer(int status, const QByteArray &body) { return {status, {}, body}; }
    static HttpResponse silence() { return {200, {}, {}, -1, true}; }
};

// A small HTTP/1.1 responder on 127.0.0.1 that records every request.
// Paths without a route get a 404.
class TestHttpServer : public QObject
{
public:
    TestHttpServer();
    ~TestHttpServer() override;

    QString url(const QByteArray &target) const;
    void route(const QByteArray &target, const HttpResponse &response) { m_routes.insert(target, response); }
    QList<HttpRequest> requestsFor(const QByteArray &target) const;
    // Connections the client closed before it had a whole answer.
    int closedByClient() const { return m_closedByClient; }

private:
    void accept();

    QTcpServer *m_server;
    QHash<QByteArray, HttpResponse> m_routes;
    QList<HttpRequest> m_requests;
    int m_closedByClient = 0;
};

} // namespace fwtest
