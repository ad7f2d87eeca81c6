#include "MLCommandLine.h"

#include "DeviceManagerEventListener.h"
#include "MLDefaultsKeys.h"
#include "MLDeviceManager.h"
#include "MLFirmwareUpdateChecker.h"
#include "MLUserDefaults.h"
#include "MLWireNumber.h"
#include "NumericConversions.h"

#include <QCommandLineParser>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// Forwards the device link's events to the command running.
class MLCommandLineListener : public DeviceManagerEventListener
{
public:
    explicit MLCommandLineListener(MLCommandLine *cli) : m_cli(cli) {}
    void deviceConnected() override { forward(u"attached"_s); }
    void deviceDisconnected() override { forward(u"removed"_s); }
    void deviceHadError() override { forward(u"error"_s); }
    void deviceBricked() override { forward(u"bricked"_s); }
    void devicePropertiesChanged() override { forward(u"properties"_s); }

private:
    void forward(const QString &event)
    {
        if (event == u"removed")
            ++m_cli->m_removals;
        if (m_cli->m_onEvent)
            m_cli->m_onEvent(event);
    }
    MLCommandLine *m_cli;
};

namespace {

// The window's update list: the same address under the same user-defaults key.

const char kUsage[] = R"(Usage: marlevo-mic COMMAND [OPTIONS]

Sets up Marlevo classroom microphones and takes stock of them.

Commands:
  list       the microphones attached
  show       the values and state of the one microphone attached
  set        write its name, switch positions or coverage
  reset      write the factory settings
  watch      one line per event until interrupted
  apply      write a profile to one microphone after another
  firmware   whether the update service has newer firmware

Every command takes --json (output for scripts) and --help.
See marlevo-mic(1) for the exit codes and the JSON documents.
)";

struct CommandForm
{
    QString name;
    QStringList options; // taking a value when followed by "="
    int positionals;
    const char *help;
};

const CommandForm kCommands[] = {
    {u"list"_s,
     {},
     0,
     "Usage: marlevo-mic list [--json]\n\nThe microphones attached: port, type, location.\n"},
    {u"show"_s,
     {},
     0,
     "Usage: marlevo-mic show [--json]\n\nName, type, serial, firmware, battery, switch positions and "
     "coverage\n"
     "of the one microphone attached.\n"},
    {u"set"_s,
     {u"name="_s, u"channel1="_s, u"channel2="_s, u"coverage="_s, u"yes"_s},
     0,
     "Usage: marlevo-mic set [--name N] [--channel1 C] [--channel2 C] [--coverage V] [--yes] [--json]\n\n"
     "Writes the values given; the others keep what the microphone holds.\n"
     "  --name N       up to 12 printable ASCII characters\n"
     "  --channel1 C   A to E, \"Legacy A\", \"Legacy B\", or 0 to 6\n"
     "  --channel2 C   likewise; not the same as switch position 1\n"
     "  --coverage V   1 (small room) to 5 (hall)\n"
     "  --yes          confirm a legacy or extended channel\n"},
    {u"reset"_s,
     {u"yes"_s},
     0,
     "Usage: marlevo-mic reset --yes [--json]\n\nWrites the factory name, switch positions and "
     "coverage.\n  --yes   confirm the reset\n"},
    {u"watch"_s,
     {},
     0,
     "Usage: marlevo-mic watch [--json]\n\nOne line per event (attached, removed, properties, error, "
     "bricked)\n"
     "until interrupted.\n"},
    {u"apply"_s,
     {u"each"_s, u"count="_s, u"yes"_s},
     1,
     "Usage: marlevo-mic apply PROFILE --each [--count K] [--yes] [--json]\n\n"
     "Writes the profile (a JSON file, or - for standard input) to each microphone\n"
     "plugged in, one after another, until interrupted or K are done.\n"
     "  {\"name\": \"Room {n}\", \"start\": 1, \"channel1\": 2, \"channel2\": 3, \"coverage\": 4}\n"},
    {u"firmware"_s,
     {u"url="_s},
     0,
     "Usage: marlevo-mic firmware [--url BASE] [--json]\n\n"
     "The update list's highest version for the microphone attached, and whether it is newer.\n"
     "  --url BASE     the update service (default: the window's setting)\n"},
};

QString errorKind(int code)
{
    static const char *const kinds[] = {
        "",        "update-service", "usage",    "no-microphone", "several-microphones",
        "refused", "failed",         "port-busy"};
    return QString::fromLatin1(code > 0 && code < 8 ? kinds[code] : "");
}

QString typeName(qint32 deviceType)
{
    return deviceType == 0 ? u"teacher"_s : u"student"_s;
}

QJsonObject attachmentOf(const MLSerialDeviceInfo &info)
{
    return {{u"port"_s, info.callOutDevice},
            {u"type"_s, typeName(info.deviceType)},
            {u"location"_s, u"0x%1"_s.arg(info.location, 8, 16, QChar(u'0'))}};
}

QString attachmentLine(const QJsonObject &o)
{
    return u"%1 %2 %3"_s.arg(o[u"port"_s].toString(), o[u"type"_s].toString(), o[u"location"_s].toString());
}

int g_signalPipe[2] = {-1, -1};
struct sigaction g_previousInt, g_previousTerm;

// Only async-signal-safe calls here; the event loop reads the pipe.
void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

MLCommandLine::MLCommandLine(MLDeviceManager *manager, QObject *parent)
    : QObject(parent), m_manager(manager ? manager : MLDeviceManager::sharedInstance()),
      m_listener(std::make_shared<MLCommandLineListener>(this))
{}

MLCommandLine::~MLCommandLine()
{
    removeSignalHandlers();
}

int MLCommandLine::run(const QStringList &args, QTextStream &out, QTextStream &err)
{
    m_out = &out;
    m_err = &err;
    m_json = args.contains(u"--json"_s);
    m_interrupted = false;
    if (args.isEmpty() || args.first() == u"--help"_s || args.first() == u"-h"_s ||
        args.first() == u"help"_s) {
        (args.isEmpty() ? err : out) << kUsage;
        (args.isEmpty() ? err : out).flush();
        return args.isEmpty() ? fail(UsageError, u"No command given."_s) : Success;
    }
    const CommandForm *form = nullptr;
    for (const CommandForm &candidate : kCommands)
        if (candidate.name == args.first())
            form = &candidate;
    if (!form)
        return fail(UsageError, u"Unknown command '%1'. Try marlevo-mic --help."_s.arg(args.first()));

    QCommandLineParser parser;
    parser.addOption({u"json"_s, QString()});
    parser.addOption({{u"h"_s, u"help"_s}, QString()});
    for (QString option : form->options) {
        const bool takesValue = option.endsWith(u'=');
        option.chop(takesValue ? 1 : 0);
        parser.addOption({option, QString(), takesValue ? u"value"_s : QString()});
    }
    if (!parser.parse(QStringList{u"marlevo-mic"_s} + args.mid(1)))
        return fail(UsageError, parser.errorText());
    if (parser.isSet(u"help"_s)) {
        out << form->help;
        out.flush();
        return Success;
    }
    if (parser.positionalArguments().size() != form->positionals)
        return fail(UsageError, u"Wrong number of arguments. Try marlevo-mic %1 --help."_s.arg(form->name));

    m_manager->addListener(m_listener);
    int code = UsageError;
    const QString &name = form->name;
    if (name == u"list")
        code = list();
    else if (name == u"show")
        code = show();
    else if (name == u"watch")
        code = watch();
    else if (name == u"firmware")
        code = firmware(parser.value(u"url"_s));
    else
        code = runSettingsCommand(name, parser);
    m_onEvent = nullptr;
    m_manager->removeListener(m_listener.get());
    if (m_manager->currentDeviceCommand() != MLDeviceCommandNone)
        m_manager->cancelCommand();
    if (m_manager->isStarted())
        m_manager->stop();
    return code;
}

// --- Connecting --------------------------------------------------------------------------------

int MLCommandLine::portProblem(QString &message) const
{
    const MLPortDiagnosis &diagnosis = m_manager->lastOpenFailure();
    switch (diagnosis.cause) {
    case MLPortFailureCause::Busy:
        message =
            diagnosis.holderPid != 0
                ? u"The microphone's port %1 is in use by %2 (process %3). Close that program and try again."_s
                      .arg(diagnosis.path, diagnosis.holderName)
                      .arg(diagnosis.holderPid)
                : u"The microphone's port %1 is in use by another program. Close that program and try again."_s
                      .arg(diagnosis.path);
        return PortUnavailable;
    case MLPortFailureCause::PermissionDenied:
        message = u"You may not open the microphone's port %1. %2"_s.arg(
            diagnosis.path, diagnosis.ruleInstalled ? u"Unplug the microphone and plug it in again."_s
                                                    : u"Install the marlevo-mic-settings package, then "
                                                      "unplug the microphone and plug it in again."_s);
        return PortUnavailable;
    default:
        return Success;
    }
}

namespace {
bool portRefused(const MLDeviceManager *manager)
{
    const MLPortFailureCause cause = manager->lastOpenFailure().cause;
    return cause == MLPortFailureCause::Busy || cause == MLPortFailureCause::PermissionDenied;
}
} // namespace

int MLCommandLine::attachOne(QString &message)
{
    m_manager->start();
    // A port another program holds is reported at once rather than after every attempt.
    spin([&] { return !m_manager->isWaitingForOpen() || portRefused(m_manager); });
    if (const int code = portProblem(message))
        return code;
    const quint32 count = m_manager->numConnectedDevices();
    if (count == 0) {
        message = u"No microphone is attached."_s;
        return NoMicrophone;
    }
    if (count > 1) {
        message =
            u"%1 microphones are attached; this command needs exactly one. Unplug the others."_s.arg(count);
        return SeveralMicrophones;
    }
    return query(message);
}

int MLCommandLine::query(QString &message)
{
    std::optional<MLDeviceOperationResult> result;
    QString trouble;
    m_onEvent = [&](const QString &event) {
        if (event == u"removed" || event == u"error" || event == u"bricked")
            trouble = event;
    };
    const bool started = m_manager->queryDeviceWithCompletionTarget(
        this, [&result](QObject *, const MLDeviceOperationResult &r) { result = r; }, u"initialquery"_s);
    if (started)
        spin([&] { return result || !trouble.isEmpty() || portRefused(m_manager); });
    m_onEvent = nullptr;
    if (result && result->result())
        return Success;
    if (m_manager->currentDeviceCommand() != MLDeviceCommandNone)
        m_manager->cancelCommand();
    m_queryFailure = result                  ? result->failureReason()
                     : trouble == u"removed" ? MLFailureReason::Removed
                     : trouble == u"bricked" ? MLFailureReason::Bricked
                     : trouble == u"error"   ? MLFailureReason::DeviceError
                                             : MLFailureReason::Refused;
    if (const int code = portProblem(message))
        return code;
    if (m_queryFailure == MLFailureReason::Removed)
        message = u"The microphone was removed."_s;
    else if (m_queryFailure == MLFailureReason::Bricked)
        message =
            u"The microphone reports that it needs recovery: restore it with Marlevo Microphone Settings."_s;
    else
        message = u"The microphone did not answer (%1)."_s.arg(MLFailureReasonText(m_queryFailure));
    return MicrophoneFailed;
}

// --- Output --------------------------------------------------------------------------------------

QJsonObject MLCommandLine::attachment() const
{
    return attachmentOf(m_manager->getFirstDeviceInfo());
}

QJsonObject MLCommandLine::microphone() const
{
    const auto value = [this](const QString &key) { return m_manager->stringValue(key); };
    QJsonObject o = attachment();
    o[u"name"_s] = value(MLDeviceKeys::DeviceName);
    o[u"serial"_s] = ML_stringByTrimmingFirstCharacter(value(MLDeviceKeys::DeviceSerial));
    o[u"firmware"_s] = MLVersionNumber::initWithString(value(MLDeviceKeys::DeviceVersion)).shortText();
    const std::optional<double> battery = ML_wireNumber(value(MLDeviceKeys::DeviceBattery));
    // A percentage; anything else the microphone might send is unknown. The fraction is cut off.
    const bool percentage = battery && *battery >= 0.0 && *battery <= 100.0;
    o[u"battery"_s] = percentage ? QJsonValue(qint32(*battery)) : QJsonValue(QJsonValue::Null);
    const MLMicrophoneSettings settings = currentSettings();
    o[u"channel1"_s] = settings.channel1;
    o[u"channel1Name"_s] = MLSettingsRules::channelName(settings.channel1);
    o[u"channel2"_s] = settings.channel2;
    o[u"channel2Name"_s] = MLSettingsRules::channelName(settings.channel2);
    o[u"coverage"_s] = settings.coverage;
    return o;
}

MLMicrophoneSettings MLCommandLine::currentSettings() const
{
    MLMicrophoneSettings settings;
    settings.name = m_manager->stringValue(MLDeviceKeys::DeviceName);
    settings.channel1 = ML_wireIntValue(m_manager->stringValue(MLDeviceKeys::DeviceChannel1));
    settings.channel2 = ML_wireIntValue(m_manager->stringValue(MLDeviceKeys::DeviceChannel2));
    settings.coverage = ML_wireIntValue(m_manager->stringValue(MLDeviceKeys::DeviceVoiceChoice));
    return settings;
}

void MLCommandLine::emitLine(const QJsonObject &object)
{
    *m_out << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
    m_out->flush();
}

void MLCommandLine::say(const QString &line)
{
    *m_out << line << '\n';
    m_out->flush();
}

void MLCommandLine::note(const QString &line)
{
    *m_err << line << '\n';
    m_err->flush();
}

int MLCommandLine::fail(int code, const QString &message)
{
    if (m_json)
        emitLine({{u"error"_s,
                   QJsonObject{{u"code"_s, code}, {u"kind"_s, errorKind(code)}, {u"message"_s, message}}}});
    note(message);
    return code;
}

// --- Commands that read --------------------------------------------------------------------------

int MLCommandLine::list()
{
    m_manager->start();
    spin([&] { return !m_manager->isWaitingForOpen(); });
    QJsonArray microphones;
    for (const MLSerialDeviceInfo &info : m_manager->connectedDevices()) {
        microphones.append(attachmentOf(info));
        if (!m_json)
            say(attachmentLine(attachmentOf(info)));
    }
    if (m_json)
        emitLine({{u"microphones"_s, microphones}});
    else if (microphones.isEmpty())
        note(u"No microphone is attached."_s);
    return Success;
}

int MLCommandLine::show()
{
    QString message;
    if (const int code = attachOne(message))
        return fail(code, message);
    const QJsonObject o = microphone();
    if (m_json) {
        emitLine(o);
        return Success;
    }
    const auto text = [&](const char *key) { return o[QLatin1StringView(key)].toString(); };
    const auto number = [&](const char *key) { return QString::number(o[QLatin1StringView(key)].toInt()); };
    say(u"Port:      "_s + text("port"));
    say(u"Type:      "_s + text("type"));
    say(u"Location:  "_s + text("location"));
    say(u"Name:      "_s + text("name"));
    say(u"Serial:    "_s + text("serial"));
    say(u"Firmware:  "_s + text("firmware"));
    say(u"Battery:   "_s + (o[u"battery"_s].isNull() ? u"unknown"_s : number("battery") + u" %"_s));
    say(u"Channel 1: %1 (%2)"_s.arg(text("channel1Name"), number("channel1")));
    say(u"Channel 2: %1 (%2)"_s.arg(text("channel2Name"), number("channel2")));
    say(u"Coverage:  "_s + number("coverage"));
    return Success;
}

int MLCommandLine::watch()
{
    installSignalHandlers();
    QMap<quint32, MLSerialDeviceInfo> known;
    const auto report = [this](const QString &event, QJsonObject fields, const QString &human) {
        if (m_json) {
            fields.insert(u"event"_s, event);
            emitLine(fields);
        } else {
            say(human.isEmpty() ? event : event + u' ' + human);
        }
    };
    m_onEvent = [&](const QString &event) {
        if (event == u"attached" || event == u"removed") {
            const QMap<quint32, MLSerialDeviceInfo> now = m_manager->connectedDevices();
            for (auto it = known.cbegin(); it != known.cend(); ++it)
                if (!now.contains(it.key()))
                    report(u"removed"_s, attachmentOf(*it), attachmentLine(attachmentOf(*it)));
            for (auto it = now.cbegin(); it != now.cend(); ++it)
                if (!known.contains(it.key()))
                    report(u"attached"_s, attachmentOf(*it), attachmentLine(attachmentOf(*it)));
            known = now;
            // Read the one microphone at once, as the window does.
            if (event == u"attached" && now.size() == 1)
                m_manager->queryDeviceWithCompletionTarget(
                    this, [](QObject *, const MLDeviceOperationResult &) {}, u"initialquery"_s);
        } else if (event == u"properties") {
            const QJsonObject o = microphone();
            report(
                event, o,
                u"%1 name=\"%2\" serial=%3 firmware=%4 battery=%5 channel1=%6 channel2=%7 coverage=%8"_s.arg(
                    o[u"port"_s].toString(), o[u"name"_s].toString(), o[u"serial"_s].toString(),
                    o[u"firmware"_s].toString(),
                    o[u"battery"_s].isNull() ? u"unknown"_s : QString::number(o[u"battery"_s].toInt()),
                    o[u"channel1Name"_s].toString(), o[u"channel2Name"_s].toString(),
                    QString::number(o[u"coverage"_s].toInt())));
        } else {
            report(event, {}, {});
        }
    };
    m_manager->start();
    spin([] { return false; });
    removeSignalHandlers();
    return Success;
}

int MLCommandLine::firmware(const QString &baseUrl)
{
    QString message;
    if (const int code = attachOne(message))
        return fail(code, message);
    const MLVersionNumber current =
        MLVersionNumber::initWithString(m_manager->stringValue(MLDeviceKeys::DeviceVersion));
    QString base = baseUrl;
    if (base.isEmpty()) {
        const QVariant stored = MLUserDefaults::objectForKey(QString(MLDefaultsKeys::MarlevoServerURL));
        base = stored.metaType().id() == QMetaType::QString ? stored.toString() : MLFirmwareDefaultServerURL;
    }
    const QString url = ML_includeTrailingSlash(base) + MLFirmwareListPath + u'/' + MLFirmwareBasename;
    MLFirmwareUpdateChecker checker;
    std::optional<bool> success;
    MLVersionNumber latest;
    const bool asked = checker.checkForAvailableUpdateAtUrl(
        url, MLFirmwareBasename, [&](bool ok, const MLVersionNumber &version, const QString &, qint64) {
            success = ok;
            latest = version;
        });
    if (asked)
        spin([&] { return success.has_value(); }, m_updateDeadlineMs);
    if (!success)
        return fail(UpdateServiceFailed, u"The update service at %1 could not be reached."_s.arg(url));
    if (!*success)
        return fail(UpdateServiceFailed,
                    u"The update service at %1 sent no usable firmware list."_s.arg(url));
    const bool newer = latest.higherThan(current);
    const QString type = typeName(m_manager->getFirstDeviceInfo().deviceType);
    if (m_json) {
        emitLine(
            {{u"type"_s, type},
             {u"current"_s, current.shortText()},
             {u"latest"_s, latest.isValid() ? QJsonValue(latest.shortText()) : QJsonValue(QJsonValue::Null)},
             {u"newer"_s, newer}});
    } else if (!latest.isValid()) {
        say(u"The %1 microphone has firmware %2; the update list has none for it."_s.arg(
            type, current.shortText()));
    } else {
        say(u"The %1 microphone has firmware %2; the update list offers %3%4."_s.arg(
            type, current.shortText(), latest.shortText(), newer ? u", which is newer"_s : u""_s));
    }
    return Success;
}

// --- The event loop --------------------------------------------------------------------------

bool MLCommandLine::spin(const std::function<bool()> &done, int timeoutMs, bool interruptible)
{
    const auto over = [&] { return done() || (interruptible && m_interrupted); };
    if (over())
        return done();
    QEventLoop loop;
    // Conditions change inside device events and completions: looking often is enough.
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (over())
            loop.quit();
    });
    poll.start();
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (timeoutMs >= 0)
        deadline.start(timeoutMs);
    loop.exec();
    return done();
}

void MLCommandLine::installSignalHandlers()
{
    if (g_signalPipe[0] < 0 && ::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(g_signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        m_interrupted = true;
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &g_previousInt);
    ::sigaction(SIGTERM, &action, &g_previousTerm);
}

void MLCommandLine::removeSignalHandlers()
{
    if (!m_notifier)
        return;
    ::sigaction(SIGINT, &g_previousInt, nullptr);
    ::sigaction(SIGTERM, &g_previousTerm, nullptr);
    delete m_notifier;
    m_notifier = nullptr;
}
