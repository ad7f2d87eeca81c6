#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>

class QTcpServer;
class QTcpSocket;

namespace fwtest {

using HeaderList = QList<QPair<QByteArray, QByteArray>>;

struct HttpRequest
{
    QByteArray method;
    QByteArray target; // path and query as sent
    HeaderList headers;
    QByteArray body;

    bool hasHeader(const QByteArray &name) const;
    QByteArray header(const QByteArray &name) const; // first one, names compared without case
};

// What the server does with a request for one path.
struct HttpResponse
{
    enum class Kind
    {
        Answer,  // status, headers and body, then close
        Silent,  // read the request and never answer
        Held,    // answer only when released
        Stream,  // send streamBytes of body without a declared length, then close
        Partial, // declare declaredLength, send the body, then close (or stay silent)
    };
    Kind kind = Kind::Answer;
    int status = 200;
    QByteArray body;
    HeaderList headers;
    qint64 streamBytes = 0;
    qint64 declaredLength = 0;
    bool closeAfterPartial = true;

    static HttpResponse answer(int status, const QByteArray &body, const HeaderList &headers = {});
    static HttpResponse redirect(int status, const QByteArray &location);
    static HttpResponse silent();
    static HttpResponse held(int status, const QByteArray &body);
    static HttpResponse stream(qint64 bytes);
    static HttpResponse partial(qint64 declaredLength, const QByteArray &body, bool close);
};

// A small HTTP/1.1 responder on 127.0.0.1, plain or over TLS with the test
// certificate. Every request is recorded; every connection is closed after its
// answer.
class TestHttpServer : public QObject
{
    Q_OBJECT

public:
    enum class Transport
    {
        Plain,
        Tls
    };

    explicit TestHttpServer(Transport transport = Transport::Plain, QObject *parent = nullptr);
    ~TestHttpServer() override;

    bool isListening() const;
    quint16 port() const;
    QString url(const QByteArray &target) const;

    void route(const QByteArray &target, const HttpResponse &response);
    // Answers every held request whose client is still connected.
    void releaseHeld();

    QList<HttpRequest> requests() const { return m_requests; }
    QList<HttpRequest> requestsFor(const QByteArray &target) const;
    // Connections the client closed before its answer was complete.
    int closedByClient() const { return m_closedByClient; }
    qint64 streamedBytes() const { return m_streamedBytes; }

private:
    struct Connection
    {
        QPointer<QTcpSocket> socket;
        QByteArray buffer;
        bool answered = false;
        bool requestSeen = false;
        qint64 streamLeft = 0;
        HttpResponse held;
    };

    void onNewConnection();
    void onReadyRead(Connection *connection);
    void respond(Connection *connection, const HttpResponse &response);
    void streamMore(Connection *connection);

    Transport m_transport;
    QTcpServer *m_server = nullptr;
    QHash<QByteArray, HttpResponse> m_routes;
    QList<HttpRequest> m_requests;
    QList<Connection *> m_connections;
    int m_closedByClient = 0;
    qint64 m_streamedBytes = 0;
};

// Makes the test certificate trusted by every TLS client of the process.
void trustTestCertificate();

} // namespace fwtest
