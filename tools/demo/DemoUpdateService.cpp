#include "DemoUpdateService.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

// A request head larger than this is no client of ours.
constexpr qsizetype MaxHeadBytes = 16 * 1024;
constexpr qint64 MaxBodyBytes = 64 * 1024;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    default:
        return "Error";
    }
}

QByteArray errorPage(int status)
{
    const QByteArray title = QByteArray::number(status) + ' ' + reasonPhrase(status);
    return "<!DOCTYPE html>\n<html><head><title>" + title + "</title></head><body><h1>" + title +
           "</h1></body></html>\n";
}

// Content-Length from a request head; -1 when it is malformed.
qint64 contentLength(const QList<QByteArray> &headerLines)
{
    for (const QByteArray &line : headerLines) {
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0 || line.left(colon).trimmed().toLower() != "content-length")
            continue;
        bool ok = false;
        const qint64 length = line.mid(colon + 1).trimmed().toLongLong(&ok);
        return ok && length >= 0 ? length : -1;
    }
    return 0;
}

} // namespace

DemoUpdateService::DemoUpdateService(QObject *parent) : QObject(parent), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &DemoUpdateService::onNewConnection);
}

DemoUpdateService::~DemoUpdateService() = default;

bool DemoUpdateService::start(QString *error)
{
    if (m_server->listen(QHostAddress::LocalHost, 0))
        return true;
    if (error)
        *error = m_server->errorString();
    return false;
}

quint16 DemoUpdateService::port() const
{
    return m_server->serverPort();
}

QString DemoUpdateService::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(port());
}

QByteArray DemoUpdateService::firmwareList()
{
    return QByteArrayLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<updates>
  <files>
    <file>
      <filename>4721_A_x_01_03.bin</filename>
      <filesize>178176</filesize>
    </file>
    <file>
      <filename>4721_A_x_01_07.bin</filename>
      <filesize>183296</filesize>
    </file>
    <file>
      <filename>4721_B_x_02_00.bin</filename>
      <filesize>201728</filesize>
    </file>
  </files>
</updates>
)");
}

DemoUpdateService::Response DemoUpdateService::respond(const QByteArray &method, const QByteArray &target)
{
    // The query string plays no part in choosing the answer.
    const QByteArray path = target.left(target.indexOf('?') >= 0 ? target.indexOf('?') : target.size());
    if (path != ListPath)
        return {404, "text/html; charset=utf-8", errorPage(404)};
    if (method != "POST" && method != "GET")
        return {405, "text/html; charset=utf-8", errorPage(405)};
    return {200, "application/xml; charset=utf-8", firmwareList()};
}

QByteArray DemoUpdateService::serialize(const Response &response)
{
    QByteArray message =
        "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status) + "\r\n";
    message += "Content-Type: " + response.contentType + "\r\n";
    message += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    message += "Cache-Control: no-store\r\nConnection: close\r\n\r\n";
    message += response.body;
    return message;
}

void DemoUpdateService::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        m_buffers.insert(socket, QByteArray());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

void DemoUpdateService::onReadyRead(QTcpSocket *socket)
{
    auto it = m_buffers.find(socket);
    if (it == m_buffers.end())
        return; // answered already; anything more is ignored
    it->append(socket->readAll());
    const QByteArray &buffer = *it;

    Response response;
    QByteArray method;
    QByteArray target;
    const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0) {
        if (buffer.size() <= MaxHeadBytes)
            return; // wait for the rest of the head
        response = {400, "text/html; charset=utf-8", errorPage(400)};
    } else {
        QList<QByteArray> lines = buffer.left(headEnd).split('\n');
        for (QByteArray &line : lines)
            line = line.trimmed();
        const QList<QByteArray> requestLine = lines.takeFirst().split(' ');
        const qint64 length = contentLength(lines);
        if (requestLine.size() != 3 || length < 0 || length > MaxBodyBytes) {
            response = {400, "text/html; charset=utf-8", errorPage(400)};
        } else {
            if (buffer.size() - (headEnd + 4) < length)
                return; // the body is still coming; its content plays no part
            method = requestLine.at(0);
            target = requestLine.at(1);
            response = respond(method, target);
        }
    }
    m_buffers.erase(it);
    if (m_observer)
        m_observer(method, target, response.status);
    socket->write(serialize(response));
    socket->disconnectFromHost();
}
