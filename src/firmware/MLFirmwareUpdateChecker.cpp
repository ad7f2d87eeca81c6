#include "MLFirmwareUpdateChecker.h"

#include "MLLog.h"
#include "NumericConversions.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringConverter>
#include <QUrl>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

namespace {

struct XmlDocFree
{
    void operator()(xmlDoc *doc) const { xmlFreeDoc(doc); }
};
using XmlDocPtr = std::unique_ptr<xmlDoc, XmlDocFree>;

struct XmlCharFree
{
    void operator()(xmlChar *text) const { xmlFree(text); }
};
using XmlCharPtr = std::unique_ptr<xmlChar, XmlCharFree>;

// Repairs what it can, drops whitespace-only text between elements, never
// fetches anything and keeps the parser quiet on standard error.
constexpr int XmlParseOptions =
    XML_PARSE_RECOVER | XML_PARSE_NOBLANKS | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

// Qt hands the body over in chunks of at most this size, so that a huge reply
// never sits in memory beyond the cap by more than one chunk.
constexpr qint64 ReadBufferBytes = 64 * 1024;

std::string_view asView(const xmlChar *text)
{
    return text ? std::string_view(reinterpret_cast<const char *>(text)) : std::string_view();
}

// Element names are compared exactly as written, a namespace prefix included.
bool hasName(const xmlNode *node, std::string_view name)
{
    if (node->type != XML_ELEMENT_NODE)
        return false;
    std::string qualified;
    if (node->ns && node->ns->prefix)
        qualified.append(asView(node->ns->prefix)).append(1, ':');
    qualified.append(asView(node->name));
    return qualified == name;
}

const xmlNode *firstChildElement(const xmlNode *parent, std::string_view name)
{
    for (const xmlNode *child = parent->children; child; child = child->next) {
        if (hasName(child, name))
            return child;
    }
    return nullptr;
}

QString textContent(const xmlNode *node)
{
    const XmlCharPtr content(xmlNodeGetContent(node));
    return QString::fromUtf8(reinterpret_cast<const char *>(content.get()));
}

QString lastParserError()
{
    const xmlError *error = xmlGetLastError();
    // libxml2 refuses an empty input without recording why.
    if (!error || !error->message)
        return QStringLiteral("empty document");
    return QStringLiteral("%1 (line %2)").arg(QString::fromUtf8(error->message).trimmed()).arg(error->line);
}

bool isValidUtf8(const QByteArray &bytes)
{
    // Stateless, so that a sequence cut off at the end counts as an error too.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString decoded = decoder.decode(bytes); // decoding happens on conversion

    return !decoder.hasError();
}

// Qt turns an HTTP error status into a reply error once the whole body is in;
// such a reply is an answer like any other. Every other error is a failed
// connection (refused, time-out, TLS, a refused redirect, a cut transfer).
bool isCompleteResponse(const QNetworkReply *reply)
{
    if (reply->error() == QNetworkReply::NoError)
        return true;
    if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() < 400)
        return false;
    switch (reply->error()) {
    case QNetworkReply::ProtocolInvalidOperationError:
    case QNetworkReply::AuthenticationRequiredError:
    case QNetworkReply::ContentAccessDenied:
    case QNetworkReply::ContentNotFoundError:
    case QNetworkReply::ContentOperationNotPermittedError:
    case QNetworkReply::ContentConflictError:
    case QNetworkReply::ContentGoneError:
    case QNetworkReply::UnknownContentError:
    case QNetworkReply::InternalServerError:
    case QNetworkReply::OperationNotImplementedError:
    case QNetworkReply::ServiceUnavailableError:
    case QNetworkReply::UnknownServerError:
        return true;
    default:
        return false;
    }
}

} // namespace

MLFirmwareUpdateChecker::MLFirmwareUpdateChecker(QObject *parent)
    : QObject(parent), m_network(new QNetworkAccessManager(this))
{}

MLFirmwareUpdateChecker::~MLFirmwareUpdateChecker()
{
    dropConnection(true);
}

MLFirmwareUpdateChecker *MLFirmwareUpdateChecker::sharedInstance()
{
    // Never destroyed: the application may start a check until its very end.
    static MLFirmwareUpdateChecker *const instance = new MLFirmwareUpdateChecker();
    return instance;
}

MLFirmwareUpdateChecker::Completion MLFirmwareUpdateChecker::completionBlock() const
{
    std::lock_guard lock(m_completionMutex);
    return m_completionBlock;
}

void MLFirmwareUpdateChecker::setCompletionBlock(Completion completion)
{
    std::lock_guard lock(m_completionMutex);
    m_completionBlock = std::move(completion);
}

void MLFirmwareUpdateChecker::setMaxBodyBytes(qint64 bytes)
{
    // The parser takes the body's length as an int.
    m_maxBodyBytes = std::clamp<qint64>(bytes, 0, std::numeric_limits<int>::max() - 1);
}

bool MLFirmwareUpdateChecker::checkForAvailableUpdateAtUrl(const QString &url, const QString &basename,
                                                           Completion completion)
{
    m_urlStr = url;
    m_basename = basename;
    setCompletionBlock(std::move(completion));
    m_highestVersion = MLVersionNumber();
    m_firmwareFileName.clear();
    m_firmwareFileSize = 0;

    // An earlier check still loading is over either way: its reply would now be
    // read against this check's basename and completion.
    dropConnection(true);

    if (url.isEmpty())
        return false;

    const QUrl requestUrl(url);
    if (!requestUrl.isValid() || requestUrl.isRelative()) {
        MLDiagnosticsLog("Cannot make request for update check.");
        return false;
    }
    QNetworkRequest request(requestUrl);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // Redirects are followed, but never from HTTPS down to plain HTTP.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(m_transferTimeoutMs);

    QNetworkReply *reply = m_network->sendCustomRequest(request, "POST", QByteArray());
    if (!reply) {
        MLDiagnosticsLog("Cannot make connection for update check.");
        return false;
    }
    reply->setReadBufferSize(ReadBufferBytes);
    m_firmwareCheckConnection = reply;
    connect(reply, &QNetworkReply::metaDataChanged, this,
            [this, reply] { connectionDidReceiveResponse(reply); });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] { connectionDidReceiveData(reply); });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { connectionDidFinish(reply); });
    return true;
}

void MLFirmwareUpdateChecker::connectionDidReceiveResponse(QNetworkReply *reply)
{
    if (reply != m_firmwareCheckConnection)
        return;
    m_firmwareUpdateData = QByteArray();
    const QVariant declaredLength = reply->header(QNetworkRequest::ContentLengthHeader);
    if (declaredLength.isValid() && declaredLength.toLongLong() > m_maxBodyBytes)
        abandonOversizedReply();
}

void MLFirmwareUpdateChecker::connectionDidReceiveData(QNetworkReply *reply)
{
    if (reply != m_firmwareCheckConnection)
        return;
    appendAvailableData(reply);
}

void MLFirmwareUpdateChecker::connectionDidFinish(QNetworkReply *reply)
{
    if (reply != m_firmwareCheckConnection)
        return;
    if (!isCompleteResponse(reply)) {
        dropConnection(false);
        return;
    }
    if (!appendAvailableData(reply))
        return;

    const bool success = processFirmwareUpdateListFromServer();
    const Completion completion = completionBlock();
    const MLVersionNumber version = m_highestVersion;
    const QString fileName = m_firmwareFileName;
    const qint64 fileSize = m_firmwareFileSize;
    // Dropped before the call, so that a check started from the completion is
    // left alone.
    dropConnection(false);
    if (completion)
        completion(success, version, fileName, fileSize);
}

bool MLFirmwareUpdateChecker::appendAvailableData(QNetworkReply *reply)
{
    const QByteArray chunk = reply->readAll();
    if (!m_firmwareUpdateData)
        return true;
    if (m_firmwareUpdateData->size() + chunk.size() > m_maxBodyBytes) {
        abandonOversizedReply();
        return false;
    }
    m_firmwareUpdateData->append(chunk);
    return true;
}

void MLFirmwareUpdateChecker::abandonOversizedReply()
{
    MLLog("Firmware update list larger than %lld bytes; check abandoned.", m_maxBodyBytes);
    dropConnection(true);
}

void MLFirmwareUpdateChecker::dropConnection(bool abort)
{
    QNetworkReply *reply = m_firmwareCheckConnection.data();
    m_firmwareCheckConnection.clear();
    m_firmwareUpdateData.reset();
    if (!reply)
        return;
    disconnect(reply, nullptr, this, nullptr);
    if (abort && reply->isRunning())
        reply->abort();
    reply->deleteLater();
}

bool MLFirmwareUpdateChecker::processFirmwareUpdateListFromServer()
{
    QByteArray text = m_firmwareUpdateData.value_or(QByteArray());
    if (const qsizetype end = text.indexOf('\0'); end >= 0)
        text.truncate(end);
    if (!isValidUtf8(text)) {
        MLLog("Invalid XML Response for firmware update: %@", "the reply is not UTF-8 text");
        return false;
    }

    // The last error is global to the parser: one left by an earlier parse must
    // not be reported for this one.
    xmlResetLastError();
    // The text is UTF-8 whatever its declaration says, as it has been read as such.
    const XmlDocPtr document(
        xmlReadMemory(text.constData(), int(text.size()), nullptr, "UTF-8", XmlParseOptions));
    if (!document) {
        MLLog("Invalid XML Response for firmware update: %@", lastParserError());
        return false;
    }

    const xmlNode *root = xmlDocGetRootElement(document.get());
    // In recover mode text that is no XML still gives a document, one
    // without a root, and the parser's complaint is the reason to report.
    if (!root && xmlGetLastError()) {
        MLLog("Invalid XML Response for firmware update: %@", lastParserError());
        return false;
    }
    if (!root || !hasName(root, "updates"))
        return false;

    // The list sits in the root's first child node, whatever it is (a comment
    // or text holds no entries); later children of the root are not looked at.
    const xmlNode *container = root->children;
    if (!container || container->type != XML_ELEMENT_NODE)
        return true;

    int entryNumber = 0;
    for (const xmlNode *entry = container->children; entry; entry = entry->next) {
        if (!hasName(entry, "file"))
            continue;
        ++entryNumber;
        const xmlNode *fileNameElement = firstChildElement(entry, "filename");
        if (!fileNameElement) {
            MLLog("Exception processing XML Response for firmware update: %@",
                  QStringLiteral("file entry %1 has no filename").arg(entryNumber));
            break;
        }
        const QString fileName = textContent(fileNameElement);
        if (!isMicrophoneFirmware(fileName))
            continue;
        const MLVersionNumber version = getFirmwareVersionFromFileName(fileName);
        if (!version.higherThan(m_highestVersion))
            continue;
        m_highestVersion = version;
        m_firmwareFileName = fileName;
        const xmlNode *fileSizeElement = firstChildElement(entry, "filesize");
        if (!fileSizeElement) {
            MLLog("Exception processing XML Response for firmware update: %@",
                  QStringLiteral("file entry %1 (%2) has no filesize").arg(entryNumber).arg(fileName));
            break;
        }
        m_firmwareFileSize = ML_toLongWithDefault(textContent(fileSizeElement), 0);
    }
    return true;
}

bool MLFirmwareUpdateChecker::isMicrophoneFirmware(const QString &fileName) const
{
    if (m_basename.isEmpty())
        return false;
    const QStringList components = fileName.split(u'_', Qt::KeepEmptyParts);
    if (components.size() < 4)
        return false;
    return components.at(0) + u'_' + components.at(1) == m_basename;
}

MLVersionNumber MLFirmwareUpdateChecker::getFirmwareVersionFromFileName(const QString &fileName)
{
    const QStringList components = QString(fileName).replace(u'.', u'_').split(u'_', Qt::KeepEmptyParts);
    if (components.size() < 6)
        return MLVersionNumber();
    return MLVersionNumber(ML_toIntWithDefault(components.at(3), 0),
                           ML_toIntWithDefault(components.at(4), 0));
}
