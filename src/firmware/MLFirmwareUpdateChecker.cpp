#include "MLFirmwareUpdateChecker.h"

#include "MLLog.h"
#include "NumericConversions.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringConverter>
#include <QUrl>

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace {

// Never fetches anything and keeps the parser quiet on standard error. The
// list is read as it streams by, without a node tree, so that the memory it
// takes does not grow with the number of elements; entities are never
// substituted, and a document type declaration ends the parse.
constexpr int XmlParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

// Far above any real file name or size; a longer text reads as none.
constexpr qsizetype MaxElementTextBytes = 4096;

// Qt hands the body over in chunks of at most this size, so that a huge reply
// never sits in memory beyond the cap by more than one chunk.
constexpr qint64 ReadBufferBytes = 64 * 1024;

std::string_view asView(const xmlChar *text)
{
    return text ? std::string_view(reinterpret_cast<const char *>(text)) : std::string_view();
}

bool isBlank(std::string_view text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
}

struct ParserContextFree
{
    void operator()(xmlParserCtxt *context) const { xmlFreeParserCtxt(context); }
};

// Follows the list as the parser reports it: the root, its first child node
// as the container, the container's "file" entries and, in each, the text of
// the first "filename" and "filesize" elements. Element names are compared
// exactly as written, a namespace prefix included; text that is only white
// space between markup counts as no text.
class ListReader
{
public:
    explicit ListReader(const MLFirmwareUpdateChecker &checker)
        : version(checker.highestVersion()), fileName(checker.firmwareFileName()), m_checker(checker)
    {}

    // The parser's complaint, or nothing when the text is a well-formed
    // document without document type declaration or entity reference.
    QString parse(const QByteArray &text)
    {
        // libxml2 refuses an empty input without recording why.
        const std::unique_ptr<xmlParserCtxt, ParserContextFree> context(
            text.isEmpty() ? nullptr : xmlCreateMemoryParserCtxt(text.constData(), int(text.size())));
        if (!context)
            return QStringLiteral("empty document");
        xmlSAXHandler &sax = *context->sax;
        sax = xmlSAXHandler{};
        sax.initialized = XML_SAX2_MAGIC;
        sax.startElementNs = [](void *ctx, const xmlChar *localName, const xmlChar *prefix, const xmlChar *,
                                int, const xmlChar **, int, int, const xmlChar **) {
            std::string name;
            if (prefix)
                name.append(asView(prefix)).append(1, ':');
            name.append(asView(localName));
            self(ctx).startElement(name);
        };
        sax.endElementNs = [](void *ctx, const xmlChar *, const xmlChar *, const xmlChar *) {
            self(ctx).endElement();
        };
        sax.characters = [](void *ctx, const xmlChar *chars, int length) {
            self(ctx).text(std::string_view(reinterpret_cast<const char *>(chars), size_t(length)));
        };
        sax.cdataBlock = [](void *ctx, const xmlChar *chars, int length) {
            self(ctx).otherNode();
            self(ctx).append(std::string_view(reinterpret_cast<const char *>(chars), size_t(length)));
        };
        sax.comment = [](void *ctx, const xmlChar *) { self(ctx).otherNode(); };
        sax.processingInstruction = [](void *ctx, const xmlChar *, const xmlChar *) {
            self(ctx).otherNode();
        };
        // No list needs them, and expanding them is how a small body takes
        // gigabytes: stop before the declaration's content is even read.
        sax.internalSubset = [](void *ctx, const xmlChar *, const xmlChar *, const xmlChar *) {
            self(ctx).refuse(QStringLiteral("document type declaration"));
        };
        sax.reference = [](void *ctx, const xmlChar *) {
            self(ctx).refuse(QStringLiteral("entity reference"));
        };
        // Any error fails the list, so the parse ends at the first: left to
        // go on, libxml2 reads the rest (a document type declaration
        // included) into a document of its own.
        sax.serror = [](void *ctx, xmlErrorPtr error) {
            if (error && error->level >= XML_ERR_ERROR)
                xmlStopParser(static_cast<xmlParserCtxt *>(ctx));
        };
        xmlCtxtUseOptions(context.get(), XmlParseOptions);
        // The text is UTF-8 whatever its declaration says, as it has been read as such.
        xmlSwitchToEncoding(context.get(), xmlFindCharEncodingHandler("UTF-8"));
        context->_private = this;
        m_context = context.get();

        xmlParseDocument(context.get());
        xmlFreeDoc(std::exchange(context->myDoc, nullptr));
        if (!m_refusal.isEmpty())
            return m_refusal;
        if (!context->wellFormed) {
            const xmlError &error = context->lastError;
            if (!error.message)
                return QStringLiteral("not well-formed");
            return QStringLiteral("%1 (line %2)")
                .arg(QString::fromUtf8(error.message).trimmed())
                .arg(error.line);
        }
        return {};
    }

    bool rootIsUpdates = false;
    // The highest entry so far, as the checker's fields will take it.
    bool taken = false;
    MLVersionNumber version;
    QString fileName;
    std::optional<QString> fileSizeText;
    QString fault;

private:
    static ListReader &self(void *ctx)
    {
        return *static_cast<ListReader *>(static_cast<xmlParserCtxt *>(ctx)->_private);
    }

    void refuse(const QString &what)
    {
        if (m_refusal.isEmpty())
            m_refusal = QStringLiteral("the list has a %1").arg(what);
        xmlStopParser(m_context);
    }

    // Levels: 1 the root, 2 the container, 3 an entry, 4 its name or size.
    void startElement(const std::string &name)
    {
        endTextRun();
        ++m_depth;
        if (m_depth == 1) {
            rootIsUpdates = name == "updates";
        } else if (m_depth == 2) {
            m_inContainer = !m_rootHasChild;
            m_rootHasChild = true;
        } else if (m_depth == 3 && m_inContainer && !m_done && name == "file") {
            m_inEntry = true;
            m_name.reset();
            m_size.reset();
        } else if (m_depth == 4 && m_inEntry) {
            if (name == "filename" && !m_name)
                m_capture = &m_name.emplace();
            else if (name == "filesize" && !m_size)
                m_capture = &m_size.emplace();
        }
    }

    void endElement()
    {
        endTextRun();
        if (m_depth == 4)
            m_capture = nullptr;
        else if (m_depth == 3 && m_inEntry)
            endEntry();
        else if (m_depth == 2)
            m_inContainer = false;
        --m_depth;
    }

    void endEntry()
    {
        m_inEntry = false;
        ++m_entryNumber;
        if (!m_name) {
            stop(QStringLiteral("file entry %1 has no filename").arg(m_entryNumber));
            return;
        }
        const QString name = textOf(*m_name);
        if (!m_checker.isMicrophoneFirmware(name))
            return;
        const MLVersionNumber entryVersion = MLFirmwareUpdateChecker::getFirmwareVersionFromFileName(name);
        if (!entryVersion.higherThan(version))
            return;
        taken = true;
        version = entryVersion;
        fileName = name;
        if (!m_size) {
            stop(QStringLiteral("file entry %1 (%2) has no filesize").arg(m_entryNumber).arg(name));
            return;
        }
        fileSizeText = textOf(*m_size);
    }

    void stop(const QString &why)
    {
        fault = why;
        m_done = true;
    }

    void text(std::string_view chars)
    {
        // A root whose first child is text (not just indentation) has no container.
        if (m_depth == 1 && !isBlank(chars))
            m_rootHasChild = true;
        if (m_capture)
            appendCapped(m_run, chars);
    }

    // A comment, a processing instruction or a CDATA section.
    void otherNode()
    {
        if (m_depth == 1)
            m_rootHasChild = true;
        endTextRun();
    }

    void endTextRun()
    {
        if (m_capture && !isBlank(m_run))
            append(m_run);
        m_run.clear();
    }

    void append(std::string_view chars)
    {
        if (m_capture)
            appendCapped(*m_capture, chars);
    }

    static void appendCapped(std::string &to, std::string_view chars)
    {
        const size_t room =
            size_t(MaxElementTextBytes) + 1 - std::min(to.size(), size_t(MaxElementTextBytes) + 1);
        to.append(chars.substr(0, room));
    }

    static QString textOf(const std::string &text)
    {
        if (text.size() > size_t(MaxElementTextBytes))
            return {};
        return QString::fromUtf8(text.data(), qsizetype(text.size()));
    }

    const MLFirmwareUpdateChecker &m_checker;
    xmlParserCtxt *m_context = nullptr;
    QString m_refusal;
    int m_depth = 0;
    bool m_rootHasChild = false;
    bool m_inContainer = false;
    bool m_inEntry = false;
    bool m_done = false;
    int m_entryNumber = 0;
    std::optional<std::string> m_name;
    std::optional<std::string> m_size;
    std::string *m_capture = nullptr;
    std::string m_run;
};

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
    return readList(m_firmwareUpdateData.value_or(QByteArray()));
}

bool MLFirmwareUpdateChecker::processFirmwareUpdateList(const QByteArray &body, const QString &basename)
{
    m_basename = basename;
    m_highestVersion = MLVersionNumber();
    m_firmwareFileName.clear();
    m_firmwareFileSize = 0;
    return readList(body);
}

bool MLFirmwareUpdateChecker::readList(QByteArray text)
{
    if (const qsizetype end = text.indexOf('\0'); end >= 0)
        text.truncate(end);
    if (!isValidUtf8(text)) {
        MLLog("Invalid XML Response for firmware update: %@", "the reply is not UTF-8 text");
        return false;
    }

    ListReader reader(*this);
    if (const QString error = reader.parse(text); !error.isEmpty()) {
        MLLog("Invalid XML Response for firmware update: %@", error);
        return false;
    }
    if (!reader.rootIsUpdates)
        return false;
    if (reader.taken) {
        m_highestVersion = reader.version;
        m_firmwareFileName = reader.fileName;
        if (reader.fileSizeText)
            m_firmwareFileSize = ML_toLongWithDefault(*reader.fileSizeText, 0);
    }
    if (!reader.fault.isEmpty())
        MLLog("Exception processing XML Response for firmware update: %@", reader.fault);
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
