#pragma once

#include "MLVersionNumber.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <mutex>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

// The update service keeps its lists below its base address, at this path;
// the microphones' firmware is in the list of this name.
inline const QString MLFirmwareListPath = QStringLiteral("updates/firmware/lst");
inline const QString MLFirmwareBasename = QStringLiteral("4721_A");
// The update service's base address when no other one is set.
inline const QString MLFirmwareDefaultServerURL = QStringLiteral("https://updates.marlevo.example/");

// Asks the update web service for its list of firmware files and picks the
// newest one that belongs to the microphone. One check is tracked at a time; a
// new check takes over from one still loading, whose outcome is never reported.
// Main thread only.
class MLFirmwareUpdateChecker : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(MLFirmwareUpdateChecker)

public:
    // success, highest matching version (0.0.0.0 when none), its file name and size.
    using Completion = std::function<void(bool success, const MLVersionNumber &highestVersion,
                                          const QString &fileName, qint64 fileSize)>;

    static constexpr int DefaultTransferTimeoutMs = 30000;
    // Far above any real list; a larger reply is abandoned.
    static constexpr qint64 DefaultMaxBodyBytes = 1024 * 1024;

    explicit MLFirmwareUpdateChecker(QObject *parent = nullptr);
    ~MLFirmwareUpdateChecker() override;

    // The process's checker, created on first use.
    static MLFirmwareUpdateChecker *sharedInstance();

    // POSTs to url and reports the list's outcome through completion, once,
    // when the whole reply has been read. Returns false (and never calls the
    // completion) when no request could be made. A failed connection, a reply
    // above the size cap and a check taken over by a later one never complete.
    bool checkForAvailableUpdateAtUrl(const QString &url, const QString &basename, Completion completion);

    // Reads the received body as a firmware list into the result fields. False
    // when it is no XML list with the root "updates".
    bool processFirmwareUpdateListFromServer();
    // The same for a body at hand: starts from empty results with the given
    // basename, as a new check would.
    bool processFirmwareUpdateList(const QByteArray &body, const QString &basename);
    // Whether the first two "_"-separated parts of fileName are the basename.
    bool isMicrophoneFirmware(const QString &fileName) const;
    // major and minor from the 4th and 5th component of fileName split at "_"
    // and "."; 0.0.0.0 with fewer than 6 components.
    static MLVersionNumber getFirmwareVersionFromFileName(const QString &fileName);

    QString urlStr() const { return m_urlStr; }
    void setUrlStr(const QString &value) { m_urlStr = value; }
    QString basename() const { return m_basename; }
    void setBasename(const QString &value) { m_basename = value; }
    MLVersionNumber highestVersion() const { return m_highestVersion; }
    void setHighestVersion(const MLVersionNumber &value) { m_highestVersion = value; }
    QString firmwareFileName() const { return m_firmwareFileName; }
    void setFirmwareFileName(const QString &value) { m_firmwareFileName = value; }
    qint64 firmwareFileSize() const { return m_firmwareFileSize; }
    void setFirmwareFileSize(qint64 value) { m_firmwareFileSize = value; }
    Completion completionBlock() const;
    void setCompletionBlock(Completion completion);

    // Test seams: the idle time after which a transfer is given up, and the
    // largest body accepted.
    void setTransferTimeoutMs(int ms) { m_transferTimeoutMs = ms; }
    int transferTimeoutMs() const { return m_transferTimeoutMs; }
    void setMaxBodyBytes(qint64 bytes);
    qint64 maxBodyBytes() const { return m_maxBodyBytes; }

private:
    void connectionDidReceiveResponse(QNetworkReply *reply);
    void connectionDidReceiveData(QNetworkReply *reply);
    void connectionDidFinish(QNetworkReply *reply);
    bool appendAvailableData(QNetworkReply *reply);
    void abandonOversizedReply();
    void dropConnection(bool abort);
    bool readList(QByteArray text);

    QNetworkAccessManager *m_network = nullptr;
    QPointer<QNetworkReply> m_firmwareCheckConnection;
    std::optional<QByteArray> m_firmwareUpdateData;
    QString m_urlStr;
    QString m_basename;
    MLVersionNumber m_highestVersion;
    QString m_firmwareFileName;
    qint64 m_firmwareFileSize = 0;
    mutable std::mutex m_completionMutex;
    Completion m_completionBlock;
    int m_transferTimeoutMs = DefaultTransferTimeoutMs;
    qint64 m_maxBodyBytes = DefaultMaxBodyBytes;
};
