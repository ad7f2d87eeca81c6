#include "Demo.h"

#include "DemoKeyboard.h"
#include "MicSimulator.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

constexpr quint16 TeacherProduct = DemoTestbed::TeacherProduct;
constexpr quint16 StudentProduct = DemoTestbed::StudentProduct;
constexpr double DrainStep = 20;
constexpr double DrainPerQuery = 1;
// The application asks again 10 s after each answer and gives up on a command
// after 20 s; waits for those are bounded with some room.
constexpr int NextCommandLimitMs = 15000;
constexpr int CommandTimeOutMs = 20000;
// The first answer comes late, so the connect view at launch can be seen.
constexpr int FirstAnswerDelayMs = 3500;
constexpr int GapBetweenKeysMs = 1000;
// With two microphones attached the application tries about 2 s to open a
// port before it tells its window about the second one.
constexpr int SecondMicrophoneNoticeMs = 2100;
constexpr int QuitGraceMs = 5000;

void say(const QString &text)
{
    std::fprintf(stdout, "demo: %s\n", text.toLocal8Bit().constData());
    std::fflush(stdout);
}

QString percent(double value)
{
    return QString::number(value, 'f', 0) + QStringLiteral(" %");
}

} // namespace

QString Demo::Microphone::describe() const
{
    return QStringLiteral("%1 microphone \"%2\"").arg(kind, sim->name());
}

Demo::Demo(const Options &options, DemoTestbed &testbed, QObject *parent)
    : QObject(parent), m_options(options), m_testbed(testbed)
{
    auto setUp = [](Microphone &mic, const QString &kind, const QString &port, quint16 product) {
        mic.kind = kind;
        mic.port = port;
        mic.product = product;
        mic.sim = std::make_unique<MicSimulator>();
        return mic.sim.get();
    };
    // The teacher and the student microphone take turns in the same port.
    DemoTestbed::dressAsTeacher(*setUp(m_teacher, QStringLiteral("teacher"), QStringLiteral("2"), TeacherProduct));
    DemoTestbed::dress(*setUp(m_student, QStringLiteral("student"), QStringLiteral("2"), StudentProduct),
                       QStringLiteral("Group 3"), QStringLiteral("N0020417"), 64);
    DemoTestbed::dress(*setUp(m_second, QStringLiteral("teacher"), QStringLiteral("3"), TeacherProduct),
                       QStringLiteral("Room 14"), QStringLiteral("N0012388"), 52);
}

Demo::~Demo()
{
    if (m_app && m_app->state() != QProcess::NotRunning) {
        m_app->kill();
        m_app->waitForFinished(1000);
    }
    // Simulators stop before the testbed that owns their descriptors goes.
    for (Microphone *mic : {&m_teacher, &m_student, &m_second}) {
        if (mic->plugged.isValid())
            m_testbed.unplug(mic->plugged, mic->sim.get());
        mic->plugged = {};
    }
}

QString Demo::menu()
{
    return QStringLiteral("Keys:\n"
                          "  u  unplug the microphone           p  plug it in again\n"
                          "  2  add a second microphone (again: remove it)\n"
                          "  s  swap to the student microphone (again: back to the teacher one)\n"
                          "  d  drain the battery by 20 points, then a little at every query\n"
                          "  m  make the microphone go silent (again: wake it)\n"
                          "  b  send the bricked message\n"
                          "  h  this help                       q  quit (closes the application)\n");
}

bool Demo::start(QString *error)
{
    if (!m_options.screenshotDir.isEmpty() && !QDir().mkpath(m_options.screenshotDir)) {
        *error = QStringLiteral("cannot make the screenshot folder %1").arg(m_options.screenshotDir);
        return false;
    }
    if (m_options.checkSeconds <= 0)
        m_teacher.sim->setReplyDelayMs(FirstAnswerDelayMs);
    if (!plug(m_teacher)) {
        *error = QStringLiteral("cannot plug in the simulated microphone");
        return false;
    }

    m_app = new QProcess(this);
    // The application sees the testbed through the inherited UMOCKDEV_DIR and
    // LD_PRELOAD, and its log lines go straight to this terminal.
    m_app->setProcessChannelMode(QProcess::ForwardedChannels);
    if (m_options.checkSeconds > 0) {
        // The check reads the log, passing it on.
        m_app->setProcessChannelMode(QProcess::ForwardedOutputChannel);
        connect(m_app, &QProcess::readyReadStandardError, this, &Demo::onApplicationLog);
    }
    connect(m_app, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        // Closed by us: a normal end, however the application took it.
        onApplicationFinished(m_quitting ? 0 : status == QProcess::NormalExit ? code : 1);
    });
    m_app->start(m_options.appPath, {});
    if (!m_app->waitForStarted(10000)) {
        *error = QStringLiteral("cannot start %1: %2").arg(m_options.appPath, m_app->errorString());
        return false;
    }
    // The keys are the demo's, not the application's.
    m_app->closeWriteChannel();
    say(QStringLiteral("started the application (pid %1)").arg(m_app->processId()));
    if (m_options.checkSeconds > 0) {
        startCheck();
        return true;
    }

    m_sequential = m_options.tour;
    if (!m_options.tour) {
        m_keyboard = new DemoKeyboard(this);
        m_sequential = !m_keyboard->isTerminal();
        connect(m_keyboard, &DemoKeyboard::keyPressed, this, &Demo::onKey);
        connect(m_keyboard, &DemoKeyboard::inputEnded, this, &Demo::onInputEnded);
        std::fputs(menu().toLocal8Bit().constData(), stdout);
        std::fflush(stdout);
        m_keyboard->start();
    }
    afterLaunch();
    return true;
}

void Demo::afterLaunch()
{
    // Only the first answer is held back (see start()), so that the connect
    // view can be seen; later answers come at once.
    MicSimulator *teacher = m_teacher.sim.get();
    Settle firstAnswer = settleFor(FirstAnswerDelayMs + m_options.settleMs, teacher);
    firstAnswer.commandsBefore = 0; // the first command may have come already
    auto *poll = new QTimer(this);
    auto waited = std::make_shared<QElapsedTimer>();
    waited->start();
    connect(poll, &QTimer::timeout, this, [poll, teacher, waited] {
        if (!teacher->receivedCommands().isEmpty() || waited->elapsed() > NextCommandLimitMs) {
            teacher->setReplyDelayMs(0);
            poll->deleteLater();
        }
    });
    poll->start(50);

    // Keys typed now wait in the queue until the launch has been shown.
    m_stepRunning = true;
    QTimer::singleShot(m_options.settleMs, this, [this, firstAnswer] {
        shoot(QStringLiteral("launch-connect-view"), [this, firstAnswer] {
            afterSettle(firstAnswer, [this] {
                shoot(QStringLiteral("information-with-firmware-notice"), [this] {
                    m_stepRunning = false;
                    if (m_options.tour)
                        startTour();
                    runNextStep();
                });
            });
        });
    });
}

Demo::Settle Demo::settleFor(int ms, MicSimulator *waitForCommand) const
{
    Settle settle;
    settle.ms = ms;
    settle.nextCommandOf = waitForCommand;
    if (waitForCommand)
        settle.commandsBefore = waitForCommand->receivedCommands().size();
    return settle;
}

void Demo::startTour()
{
    say(QStringLiteral("walking through every state; a screenshot follows each step"));
    m_steps = {
        {"d", QStringLiteral("battery-drained")},
        {"2", QStringLiteral("two-microphones")},
        {"2", QStringLiteral("second-microphone-removed")},
        {"m", QStringLiteral("silent-microphone-error")},
        {"mup", QStringLiteral("awake-and-plugged-in-again")},
        {"b", QStringLiteral("bricked-message")},
        {"s", QStringLiteral("student-microphone")},
        {"u", QStringLiteral("unplugged-connect-view")},
        {"q", QString()},
    };
}

void Demo::onKey(char key)
{
    if (m_quitting)
        return;
    if (m_sequential || m_stepRunning) {
        m_steps.append({QByteArray(1, key), QString()});
        runNextStep();
        return;
    }
    const Outcome outcome = act(key);
    if (outcome.known && !outcome.shotName.isEmpty() && !m_options.screenshotDir.isEmpty())
        afterSettle(outcome.settle, [this, name = outcome.shotName] { shoot(name); });
}

void Demo::onInputEnded(bool anyKeys)
{
    if (m_keyboard && m_keyboard->isTerminal()) {
        quit();
        return;
    }
    if (!anyKeys) {
        // Nothing to act on: show every state instead.
        startTour();
        runNextStep();
        return;
    }
    m_steps.append({"q", QString()});
    runNextStep();
}

void Demo::runNextStep()
{
    if (m_stepRunning || m_steps.isEmpty() || m_quitting)
        return;
    m_stepRunning = true;
    const Step step = m_steps.takeFirst();
    runKeys(step.keys, [this, step](const Outcome &outcome) {
        auto next = [this] {
            m_stepRunning = false;
            runNextStep();
        };
        const QString shotName = step.shotName.isEmpty() ? outcome.shotName : step.shotName;
        if (!outcome.known || shotName.isEmpty()) {
            next();
            return;
        }
        afterSettle(outcome.settle, [this, shotName, next] { shoot(shotName, next); });
    });
}

// Acts on each key, a moment apart; done() gets the last key's outcome.
void Demo::runKeys(const QByteArray &keys, const std::function<void(const Outcome &)> &done)
{
    if (keys.isEmpty())
        return done(Outcome{false, QString(), Settle{}});
    const Outcome outcome = act(keys.front());
    if (keys.size() == 1)
        return done(outcome);
    QTimer::singleShot(GapBetweenKeysMs, this, [this, rest = keys.mid(1), done] { runKeys(rest, done); });
}

Demo::Outcome Demo::act(char key)
{
    Outcome outcome;
    outcome.settle = settleFor(m_options.settleMs);
    switch (key) {
    case 'u':
        if (unplug(*m_main))
            outcome.shotName = QStringLiteral("unplugged");
        break;
    case 'p':
        if (m_main->plugged.isValid()) {
            say(QStringLiteral("the %1 is plugged in already").arg(m_main->describe()));
        } else if (plug(*m_main)) {
            outcome.shotName = QStringLiteral("plugged-in");
        }
        break;
    case '2':
        if (m_second.plugged.isValid()) {
            if (unplug(m_second))
                outcome.shotName = QStringLiteral("second-microphone-removed");
        } else if (plug(m_second)) {
            outcome.shotName = QStringLiteral("two-microphones");
            if (m_main->plugged.isValid())
                outcome.settle = settleFor(SecondMicrophoneNoticeMs + m_options.settleMs);
        }
        break;
    case 's': {
        Microphone *other = m_main == &m_teacher ? &m_student : &m_teacher;
        if (m_main->plugged.isValid())
            unplug(*m_main);
        m_main = other;
        if (plug(*m_main))
            outcome.shotName = m_main->kind + QStringLiteral("-microphone");
        break;
    }
    case 'd': {
        MicSimulator *sim = m_main->sim.get();
        const double before = sim->battery();
        sim->setBattery(std::max(0.0, before - DrainStep));
        sim->setBatteryDrainPerSummary(DrainPerQuery);
        say(QStringLiteral("battery of the %1: %2 -> %3, then %4 point less at every query; "
                           "the application shows it after its next query (within 10 s)")
                .arg(m_main->describe(), percent(before), percent(sim->battery()))
                .arg(DrainPerQuery));
        outcome.shotName = QStringLiteral("battery-drained");
        if (m_main->plugged.isValid())
            outcome.settle = settleFor(m_options.settleMs, sim);
        break;
    }
    case 'm': {
        MicSimulator *sim = m_main->sim.get();
        sim->setSilent(!sim->isSilent());
        if (sim->isSilent()) {
            say(QStringLiteral("the %1 has gone silent; the application gives up on its next query "
                               "after 20 s")
                    .arg(m_main->describe()));
            outcome.shotName = QStringLiteral("silent-microphone-error");
            if (m_main->plugged.isValid())
                outcome.settle = settleFor(CommandTimeOutMs + m_options.settleMs, sim);
        } else {
            say(QStringLiteral("the %1 answers again; after an error the application waits for it "
                               "to be plugged in again (u, then p)")
                    .arg(m_main->describe()));
            outcome.shotName = QStringLiteral("microphone-awake");
        }
        break;
    }
    case 'b':
        if (m_main->sim->sendBricked()) {
            say(QStringLiteral("the %1 sent its bricked message").arg(m_main->describe()));
            outcome.shotName = QStringLiteral("bricked-message");
        } else {
            say(QStringLiteral("the %1 is not plugged in").arg(m_main->describe()));
        }
        break;
    case 'h':
    case '?':
        std::fputs(menu().toLocal8Bit().constData(), stdout);
        std::fflush(stdout);
        break;
    case 'q':
    case '\x04': // Ctrl-D
        quit();
        break;
    default:
        say(QStringLiteral("no action for that key; h shows the keys"));
        outcome.known = false;
        break;
    }
    return outcome;
}

bool Demo::plug(Microphone &mic)
{
    QString error;
    mic.plugged = m_testbed.plug(mic.port, mic.product, mic.sim.get(), &error);
    if (!mic.plugged.isValid()) {
        say(QStringLiteral("cannot plug in the %1: %2").arg(mic.describe(), error));
        return false;
    }
    say(QStringLiteral("plugged in the %1 (firmware %2, battery %3) as %4")
            .arg(mic.describe(), mic.sim->firmware(), percent(mic.sim->battery()), mic.plugged.devnode));
    return true;
}

bool Demo::unplug(Microphone &mic)
{
    if (!mic.plugged.isValid()) {
        say(QStringLiteral("the %1 is not plugged in").arg(mic.describe()));
        return false;
    }
    m_testbed.unplug(mic.plugged, mic.sim.get());
    say(QStringLiteral("unplugged the %1 (%2)").arg(mic.describe(), mic.plugged.devnode));
    mic.plugged = {};
    return true;
}

void Demo::afterSettle(const Settle &settle, const std::function<void()> &then)
{
    if (!settle.nextCommandOf) {
        QTimer::singleShot(settle.ms, this, then);
        return;
    }
    MicSimulator *sim = settle.nextCommandOf;
    const qsizetype before = settle.commandsBefore;
    const int ms = settle.ms;
    auto *poll = new QTimer(this);
    auto waited = std::make_shared<QElapsedTimer>();
    waited->start();
    connect(poll, &QTimer::timeout, this, [this, poll, sim, before, ms, waited, then] {
        if (sim->receivedCommands().size() <= before && waited->elapsed() < NextCommandLimitMs)
            return;
        poll->deleteLater();
        QTimer::singleShot(ms, this, then);
    });
    poll->start(100);
}

void Demo::shoot(const QString &name, const std::function<void()> &then)
{
    if (m_options.screenshotDir.isEmpty() || m_quitting) {
        if (then)
            then();
        return;
    }
    const QString path =
        QDir(m_options.screenshotDir)
            .absoluteFilePath(QStringLiteral("%1-%2.png").arg(++m_shotNumber, 2, 10, QChar(u'0')).arg(name));
    auto *import = new QProcess(this);
    // ImageMagick needs nothing of the testbed.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("LD_PRELOAD"));
    environment.remove(QStringLiteral("UMOCKDEV_DIR"));
    import->setProcessEnvironment(environment);
    import->setProcessChannelMode(QProcess::MergedChannels);
    auto report = [import, path, then](bool ok, const QString &why) {
        if (ok)
            say(QStringLiteral("screenshot: %1").arg(path));
        else
            say(QStringLiteral("no screenshot %1: %2").arg(path, why));
        import->deleteLater();
        if (then)
            then();
    };
    connect(import, &QProcess::finished, this, [import, report](int code, QProcess::ExitStatus status) {
        const bool ok = status == QProcess::NormalExit && code == 0;
        report(ok, ok ? QString() : QString::fromLocal8Bit(import->readAll()).trimmed());
    });
    connect(import, &QProcess::errorOccurred, this, [import, report](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            report(false, import->errorString());
    });
    import->start(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), path});
}

void Demo::quit()
{
    if (m_quitting)
        return;
    m_quitting = true;
    if (m_keyboard)
        m_keyboard->restore();
    if (!m_app || m_app->state() == QProcess::NotRunning) {
        emit finished(0);
        return;
    }
    say(QStringLiteral("closing the application"));
    m_app->terminate();
    QTimer::singleShot(QuitGraceMs, m_app, [app = m_app] {
        if (app->state() != QProcess::NotRunning)
            app->kill();
    });
}

void Demo::startCheck()
{
    QTimer::singleShot(m_options.checkSeconds * 1000, this, [this] {
        if (m_checkPassed || m_quitting)
            return;
        say(QStringLiteral("check failed: the application has not shown the %1 within %2 s")
                .arg(m_teacher.describe())
                .arg(m_options.checkSeconds));
        quit();
    });
}

// The application's diagnostics log names the microphone's properties once it
// has read its summary: the moment its window shows them.
void Demo::onApplicationLog()
{
    const QByteArray chunk = m_app->readAllStandardError();
    std::fwrite(chunk.constData(), 1, size_t(chunk.size()), stderr);
    std::fflush(stderr);
    m_appLog += chunk;
    qsizetype end;
    while ((end = m_appLog.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(m_appLog.left(end));
        m_appLog.remove(0, end + 1);
        const MicSimulator &sim = *m_teacher.sim;
        if (m_checkPassed || m_quitting || !line.contains(QStringLiteral("Props:")) ||
            !line.contains(u'"' + sim.name() + u'"') || !line.contains(u'"' + sim.serial() + u'"'))
            continue;
        m_checkPassed = true;
        say(QStringLiteral("check passed: the application shows the %1").arg(m_teacher.describe()));
        quit();
    }
}

void Demo::onApplicationFinished(int exitCode)
{
    if (m_keyboard)
        m_keyboard->restore();
    if (!m_quitting)
        say(QStringLiteral("the application has ended (exit code %1)").arg(exitCode));
    m_quitting = true;
    if (m_options.checkSeconds > 0) {
        emit finished(m_checkPassed ? 0 : 1);
        return;
    }
    if (!m_options.screenshotDir.isEmpty() && m_shotNumber > 0)
        say(QStringLiteral("screenshots are in %1").arg(QDir(m_options.screenshotDir).absolutePath()));
    emit finished(exitCode);
}
