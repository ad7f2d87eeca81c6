#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

#include <functional>

class QTcpServer;
class QTcpSocket;

// A stand-in for the firmware update web service on 127.0.0.1: it answers
// the microphone family's list address with a list offering a newer firmware
// than the simulated microphone has, and 404 everywhere else. One request per
// connection; the connection is closed after the answer.
class DemoUpdateService : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(DemoUpdateService)

public:
    // The list address below the base URL, as the application builds it.
    static constexpr const char *ListPath = "/updates/firmware/lst/4721_A";
    // The newest firmware on offer for the family, as the application shows it.
    static constexpr const char *OfferedVersionText = "1.07";
    static constexpr const char *OfferedFileName = "4721_A_x_01_07.bin";
    static constexpr qint64 OfferedFileSize = 183296;

    struct Response
    {
        int status = 0;
        QByteArray contentType;
        QByteArray body;
    };

    explicit DemoUpdateService(QObject *parent = nullptr);
    ~DemoUpdateService() override;

    // Listens on 127.0.0.1 on a port the system picks.
    bool start(QString *error = nullptr);
    quint16 port() const;
    // "http://127.0.0.1:<port>/": what goes into the application's store.
    QString baseUrl() const;

    // The list: an older and the newer firmware of the family, and a higher
    // one of another family that the application must pass over.
    static QByteArray firmwareList();
    // What the service answers to a request line's method and target.
    static Response respond(const QByteArray &method, const QByteArray &target);
    // The whole HTTP/1.1 message for a response.
    static QByteArray serialize(const Response &response);

    // Told of each request answered: method, target and status.
    void setRequestObserver(std::function<void(const QByteArray &, const QByteArray &, int)> observer)
    {
        m_observer = std::move(observer);
    }

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);

    QTcpServer *m_server = nullptr;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    std::function<void(const QByteArray &, const QByteArray &, int)> m_observer;
};
