#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>

#include <list>

class QTcpServer;
class QTcpSocket;

namespace fwtest {

struct HttpRequest
{
    QByteArray method;
    QByteArray target; // path and query as sent
    QByteArray head;   // the request line and header lines
    QByteArray body;
};

// What the server does with a request for one path.
struct HttpResponse
{
    enum class Kind
    {
        Answer, // status, headers and body (length declared), then close unless told not to
        Silent, // read the request and never answer
        Held,   // answer only when released
        Stream, // "<updates><files>" and `length` spaces without a declared length, then close
    };
    Kind kind = Kind::Answer;
    int status = 200;
    QByteArray headers; // extra header lines, each ending in "\r\n"
    QByteArray body;
    qint64 length = -1; // the declared length when not the body's; the padding of a stream
    bool close = true;

    static HttpResponse answer(int status, const QByteArray &body, const QByteArray &contentType = {})
    {
        return {Kind::Answer, status, contentType.isEmpty() ? QByteArray() : "Content-Type: " + contentType + "\r\n",
                body, -1, true};
    }
    static HttpResponse redirect(int status, const QByteArray &location)
    {
        return {Kind::Answer, status, "Location: " + location + "\r\n", "moved", -1, true};
    }
    static HttpResponse silent() { return {Kind::Silent, 200, {}, {}, -1, true}; }
    static HttpResponse held(const QByteArray &body) { return {Kind::Held, 200, {}, body, -1, true}; }
    static HttpResponse stream(qint64 padding) { return {Kind::Stream, 200, {}, {}, padding, true}; }
    // Declares a length other than the body's, then closes or stays silent.
    static HttpResponse partial(qint64 declared, const QByteArray &body, bool close)
    {
        return {Kind::Answer, 200, {}, body, declared, close};
    }
};

// A small HTTP/1.1 responder on 127.0.0.1, plain or over TLS with the test
// certificate. Every request is recorded.
class TestHttpServer : public QObject
{
public:
    enum class Transport
    {
        Plain,
        Tls
    };

    explicit TestHttpServer(Transport transport = Transport::Plain);
    ~TestHttpServer() override;

    bool isListening() const;
    QString url(const QByteArray &target) const;
    void route(const QByteArray &target, const HttpResponse &response) { m_routes.insert(target, response); }
    // Answers every held request whose client is still connected.
    void releaseHeld();

    QList<HttpRequest> requests() const { return m_requests; }
    QList<HttpRequest> requestsFor(const QByteArray &target) const;
    // Connections the client closed before its answer was complete.
    int closedByClient() const { return m_closedByClient; }

private:
    struct Connection
    {
        QPointer<QTcpSocket> socket;
        QByteArray buffer;
        bool requestSeen = false;
        bool answered = false;
        qint64 streamLeft = 0;
        HttpResponse held;
    };

    void onNewConnection();
    void onReadyRead(Connection &connection);
    void respond(Connection &connection, const HttpResponse &response);
    void streamMore(Connection &connection);

    Transport m_transport;
    QTcpServer *m_server = nullptr;
    QHash<QByteArray, HttpResponse> m_routes;
    QList<HttpRequest> m_requests;
    std::list<Connection> m_connections;
    int m_closedByClient = 0;
};

// Makes the test certificate trusted by every TLS client of the process.
void trustTestCertificate();

} // namespace fwtest
