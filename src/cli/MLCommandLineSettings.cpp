// set, reset and apply: the settings rules first, then the staged save.

#include "MLCommandLine.h"

#include "MLDeviceManager.h"
#include "MLSettingsSave.h"
#include "NumericConversions.h"

#include <QCommandLineParser>
#include <QFile>
#include <QJsonDocument>

#include <cmath>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

const QString kStageKeys[] = {u"name"_s, u"channel1"_s, u"channel2"_s, u"coverage"_s};

QJsonValue stageValue(const MLMicrophoneSettings &settings, int stage)
{
    switch (stage) {
    case MLSettingsSave::NameStage:
        return settings.name;
    case MLSettingsSave::Channel1Stage:
        return settings.channel1;
    case MLSettingsSave::Channel2Stage:
        return settings.channel2;
    default:
        return settings.coverage;
    }
}

QString stageValueText(const MLMicrophoneSettings &settings, int stage)
{
    if (stage == MLSettingsSave::Channel1Stage || stage == MLSettingsSave::Channel2Stage)
        return MLSettingsRules::channelName(stageValue(settings, stage).toInt());
    const QJsonValue value = stageValue(settings, stage);
    return value.isString() ? value.toString() : QString::number(value.toInt());
}

// A whole number in [low, high], whether JSON carries it as a number or not at all.
std::optional<qint32> wholeNumber(const QJsonValue &value, double low, double high)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (number != std::floor(number) || number < low || number > high)
        return std::nullopt;
    return qint32(number);
}

std::optional<qint32> channelValue(const QJsonValue &value)
{
    if (value.isString())
        return MLSettingsRules::channelFromText(value.toString());
    return wholeNumber(value, MLSettingsRules::kLowestChannel, MLSettingsRules::kHighestChannel);
}

} // namespace

MLMicrophoneSettings MLCommandLine::Profile::over(const MLMicrophoneSettings &current, qint32 n) const
{
    MLMicrophoneSettings settings = current;
    if (name)
        settings.name = QString(*name).replace(u"{n}"_s, QString::number(n));
    settings.channel1 = channel1.value_or(settings.channel1);
    settings.channel2 = channel2.value_or(settings.channel2);
    settings.coverage = coverage.value_or(settings.coverage);
    return settings;
}

std::optional<MLCommandLine::Profile> MLCommandLine::parseProfile(const QByteArray &json, QString *problem)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        *problem = u"The profile is no JSON object%1."_s.arg(
            error.error != QJsonParseError::NoError ? u": "_s + error.errorString() : QString());
        return std::nullopt;
    }
    Profile profile;
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString key = it.key();
        bool good = true;
        if (key == u"name") {
            good = it->isString();
            profile.name = it->toString();
        } else if (key == u"start") {
            const auto start = wholeNumber(*it, 0, 1000000);
            good = start.has_value();
            profile.start = start.value_or(1);
        } else if (key == u"channel1" || key == u"channel2") {
            const auto channel = channelValue(*it);
            good = channel.has_value();
            (key == u"channel1" ? profile.channel1 : profile.channel2) = channel;
        } else if (key == u"coverage") {
            profile.coverage =
                wholeNumber(*it, MLSettingsRules::kLowestCoverage, MLSettingsRules::kHighestCoverage);
            good = profile.coverage.has_value();
        } else {
            *problem = u"The profile has the unknown key \"%1\"."_s.arg(key);
            return std::nullopt;
        }
        if (!good) {
            *problem = u"The profile's \"%1\" has no usable value."_s.arg(key);
            return std::nullopt;
        }
    }
    return profile;
}

int MLCommandLine::runSettingsCommand(const QString &name, const QCommandLineParser &parser)
{
    const bool yes = parser.isSet(u"yes"_s);
    if (name == u"reset") {
        // The window asks this before it resets too.
        if (!yes)
            return fail(RefusedInput, u"Are you sure you want to reset the Microphone settings back to their "
                                      u"factory defaults? Add --yes to go ahead."_s);
        return set([](const MLMicrophoneSettings &) { return MLSettingsRules::factorySettings(); }, yes);
    }
    if (name == u"set") {
        std::optional<qint32> channels[2];
        for (int i = 0; i < 2; ++i) {
            const QString option = i == 0 ? u"channel1"_s : u"channel2"_s;
            if (!parser.isSet(option))
                continue;
            channels[i] = MLSettingsRules::channelFromText(parser.value(option));
            if (!channels[i])
                return fail(UsageError,
                            u"--%1: \"%2\" is no channel (A to E, Legacy A, Legacy B, or 0 to 6)."_s.arg(
                                option, parser.value(option)));
        }
        std::optional<qint32> coverage;
        if (parser.isSet(u"coverage"_s)) {
            bool ok = false;
            coverage = parser.value(u"coverage"_s).toInt(&ok);
            if (!ok || *coverage < MLSettingsRules::kLowestCoverage ||
                *coverage > MLSettingsRules::kHighestCoverage)
                return fail(UsageError, u"--coverage: \"%1\" is no coverage (1 to 5)."_s.arg(
                                            parser.value(u"coverage"_s)));
        }
        const std::optional<QString> newName =
            parser.isSet(u"name"_s) ? std::optional(parser.value(u"name"_s)) : std::nullopt;
        return set(
            [&](const MLMicrophoneSettings &current) {
                // The name as given: "{n}" means something in a profile only.
                MLMicrophoneSettings wanted =
                    Profile{std::nullopt, 1, channels[0], channels[1], coverage}.over(current, 1);
                wanted.name = newName.value_or(wanted.name);
                return wanted;
            },
            yes);
    }

    // apply
    if (!parser.isSet(u"each"_s))
        return fail(UsageError, u"apply needs --each: it writes one microphone after another."_s);
    int count = 0;
    if (parser.isSet(u"count"_s)) {
        bool ok = false;
        count = parser.value(u"count"_s).toInt(&ok);
        if (!ok || count < 1)
            return fail(UsageError,
                        u"--count: \"%1\" is no positive number."_s.arg(parser.value(u"count"_s)));
    }
    const QString path = parser.positionalArguments().constFirst();
    QFile file(path);
    const bool opened = path == u"-" ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly);
    if (!opened)
        return fail(UsageError, u"The profile %1 cannot be read: %2"_s.arg(path, file.errorString()));
    QString problem;
    const std::optional<Profile> profile = parseProfile(file.readAll(), &problem);
    if (!profile)
        return fail(RefusedInput, problem);
    // Checked before any microphone comes. A switch position the profile leaves
    // alone is the microphone's, unknown yet: one that differs stands in for it.
    MLMicrophoneSettings probe = profile->over(MLSettingsRules::factorySettings(), profile->start);
    if (!profile->channel1)
        probe.channel1 = probe.channel2 == 0 ? 1 : 0;
    if (!profile->channel2)
        probe.channel2 = probe.channel1 == 0 ? 1 : 0;
    if (const QString why = refusal(probe, yes); !why.isEmpty())
        return fail(RefusedInput, why);
    return apply(*profile, count, yes);
}

QString MLCommandLine::refusal(const MLMicrophoneSettings &settings, bool yes) const
{
    if (const auto problem = MLSettingsRules::check(settings); problem != MLSettingsRules::Problem::None)
        return MLSettingsRules::problemTitle(problem) + u". "_s + MLSettingsRules::problemText(problem);
    if (!yes) {
        // The window's explanation without its closing question, which --yes answers here.
        for (const auto confirmation : MLSettingsRules::confirmationsNeeded(settings))
            return MLSettingsRules::confirmationText(confirmation).section(u"\n\n"_s, 0, 0) +
                   u" Add --yes to go ahead."_s;
    }
    return {};
}

int MLCommandLine::set(const std::function<MLMicrophoneSettings(const MLMicrophoneSettings &)> &wanted,
                       bool yes)
{
    QString message;
    if (const int code = attachOne(message))
        return fail(code, message);
    const MLMicrophoneSettings settings = wanted(currentSettings());
    if (const QString why = refusal(settings, yes); !why.isEmpty())
        return fail(RefusedInput, why);
    QJsonObject outcome;
    const bool saved = save(settings, outcome);
    if (m_json)
        emitLine(outcome);
    else if (saved)
        say(u"Saved."_s);
    return saved ? Success : MicrophoneFailed;
}

bool MLCommandLine::save(const MLMicrophoneSettings &settings, QJsonObject &outcome)
{
    MLSettingsSave job(m_manager);
    QJsonArray stages;
    bool done = false;
    const auto stageDone = [&](int stage, const QString &result) {
        stages.append(QJsonObject{{u"stage"_s, kStageKeys[stage]},
                                  {u"value"_s, stageValue(settings, stage)},
                                  {u"result"_s, result}});
        if (!m_json)
            say(u"%1 = %2: %3"_s.arg(kStageKeys[stage], stageValueText(settings, stage), result));
    };
    connect(&job, &MLSettingsSave::stageStarted, this, [&](int stage) {
        if (stage > 0)
            stageDone(stage - 1, u"ok"_s);
    });
    connect(&job, &MLSettingsSave::finished, this, [&] {
        stageDone(MLSettingsSave::StageCount - 1, u"ok"_s);
        outcome[u"result"_s] = u"saved"_s;
        done = true;
    });
    connect(&job, &MLSettingsSave::failed, this, [&](int stage, MLFailureReason reason) {
        stageDone(stage, u"failed"_s);
        outcome[u"result"_s] = u"failed"_s;
        outcome[u"failedStage"_s] = kStageKeys[stage];
        outcome[u"reason"_s] = MLFailureReasonText(reason);
        note(u"Writing %1 failed: %2."_s.arg(MLSettingsSave::stageName(stage), MLFailureReasonText(reason)));
        done = true;
    });
    // The link drops the save's command on these without completing it.
    m_onEvent = [&](const QString &event) {
        if (event == u"removed")
            job.interrupt(MLFailureReason::Removed);
        else if (event == u"error")
            job.interrupt(MLFailureReason::DeviceError);
        else if (event == u"bricked")
            job.interrupt(MLFailureReason::Bricked);
    };
    job.start(settings);
    // Not cut short by an interruption: a microphone is left with all its values or a failure.
    spin([&] { return done; }, -1, false);
    m_onEvent = nullptr;
    outcome[u"stages"_s] = stages;
    return outcome[u"result"_s] == u"saved"_s;
}

int MLCommandLine::apply(const Profile &profile, int count, bool yes)
{
    installSignalHandlers();
    m_manager->start();
    qint32 n = profile.start;
    int handled = 0;
    bool anyFailed = false;
    note(u"Plug in a microphone."_s);
    while (!m_interrupted) {
        bool several = false;
        spin([&] {
            if (m_manager->numConnectedDevices() > 1 && !several) {
                several = true;
                note(u"Several microphones are attached: unplug all but one."_s);
            }
            return m_manager->numConnectedDevices() == 1 && !m_manager->isWaitingForOpen();
        });
        if (m_interrupted)
            break;
        // Any removal from now on is this microphone's.
        const int removals = m_removals;
        QJsonObject result{{u"n"_s, n}};
        QString message;
        if (query(message) != Success) {
            result[u"result"_s] = u"failed"_s;
            result[u"reason"_s] = MLFailureReasonText(m_queryFailure);
            note(message);
        } else {
            const MLMicrophoneSettings current = currentSettings();
            const MLMicrophoneSettings target = profile.over(current, n);
            result[u"serial"_s] =
                ML_stringByTrimmingFirstCharacter(m_manager->stringValue(MLDeviceKeys::DeviceSerial));
            result[u"name"_s] = target.name;
            if (const QString why = refusal(target, yes); !why.isEmpty()) {
                result[u"result"_s] = u"failed"_s;
                result[u"reason"_s] = MLFailureReasonText(MLFailureReason::Refused);
                note(why);
            } else if (target == current) {
                result[u"result"_s] = u"unchanged"_s;
            } else {
                QJsonObject outcome;
                save(target, outcome);
                for (const QString &key : {u"result"_s, u"failedStage"_s, u"reason"_s})
                    if (outcome.contains(key))
                        result[key] = outcome[key];
            }
        }
        anyFailed |= result[u"result"_s] == u"failed"_s;
        if (m_json)
            emitLine(result);
        else
            say(u"%1 %2 %3: %4"_s.arg(QString::number(n), result[u"serial"_s].toString(),
                                      result[u"name"_s].toString(), result[u"result"_s].toString()));
        ++handled;
        ++n;
        if (handled == count) {
            if (m_json)
                emitLine({{u"done"_s, count}});
            else
                say(u"Done: %1 microphones."_s.arg(count));
            break;
        }
        note(u"Unplug the microphone and plug in the next one."_s);
        // By its event: the next one may come into the same port before the wait looks again.
        spin([&] { return m_removals > removals; });
    }
    removeSignalHandlers();
    return anyFailed ? MicrophoneFailed : Success;
}
