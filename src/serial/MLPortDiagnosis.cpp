#include "MLPortDiagnosis.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The first process other than this one with a descriptor on the device.
// Compared by inode, not by link text: through a symlink such as
// /dev/serial/by-id, or under a test double, the text differs from the path.
void findHolder(const QString &path, MLPortDiagnosis &diagnosis)
{
    struct stat node
    {};
    if (::stat(QFile::encodeName(path).constData(), &node) != 0)
        return;
    const QString procRoot = QStringLiteral("/proc");
    const QString self = QString::number(::getpid());
    const QStringList pids = QDir(procRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &pid : pids) {
        bool numeric = false;
        pid.toLongLong(&numeric);
        if (!numeric || pid == self)
            continue;
        const QString fdDir = procRoot + QLatin1Char('/') + pid + QStringLiteral("/fd");
        // Other users' processes are unreadable without privilege: skipped.
        for (const QString &fd : QDir(fdDir).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
            struct stat held
            {};
            const QByteArray link = QFile::encodeName(fdDir + QLatin1Char('/') + fd);
            // Only a device file can be the port; following anything else
            // could wait on a hung network mount, on the main thread.
            char target[PATH_MAX];
            const ssize_t length = ::readlink(link.constData(), target, sizeof target);
            if (length < 5 || std::memcmp(target, "/dev/", 5) != 0)
                continue;
            if (::stat(link.constData(), &held) != 0 || held.st_dev != node.st_dev ||
                held.st_ino != node.st_ino)
                continue;
            QFile comm(procRoot + QLatin1Char('/') + pid + QStringLiteral("/comm"));
            if (comm.open(QIODevice::ReadOnly))
                diagnosis.holderName = QString::fromLocal8Bit(comm.readAll().trimmed());
            // The kernel keeps 15 characters of a name ("marlevo-mic-set"): the
            // whole one is the program's own file name, when it begins alike.
            QFile cmdline(procRoot + QLatin1Char('/') + pid + QStringLiteral("/cmdline"));
            if (diagnosis.holderName.size() == 15 && cmdline.open(QIODevice::ReadOnly)) {
                const QByteArray program = cmdline.read(PATH_MAX).split('\0').value(0);
                const QString name = QString::fromLocal8Bit(program.mid(program.lastIndexOf('/') + 1));
                if (name.startsWith(diagnosis.holderName))
                    diagnosis.holderName = name;
            }
            diagnosis.holderPid = pid.toLongLong();
            return;
        }
    }
}

} // namespace

MLPortDiagnosis MLDiagnosePortOpenFailure(int error, const QString &path)
{
    MLPortDiagnosis diagnosis;
    diagnosis.path = path;
    switch (error) {
    case EACCES:
    case EPERM:
        diagnosis.cause = MLPortFailureCause::PermissionDenied;
        // Where the package, or an administrator by hand, puts the rule.
        for (const char *rule : {"/usr/lib/udev/rules.d/70-marlevo-microphone.rules",
                                 "/lib/udev/rules.d/70-marlevo-microphone.rules",
                                 "/etc/udev/rules.d/70-marlevo-microphone.rules"})
            diagnosis.ruleInstalled = diagnosis.ruleInstalled || QFileInfo::exists(QString::fromLatin1(rule));
        // access() honours the ACL that uaccess puts on the node.
        diagnosis.sessionHasDevice = ::access(QFile::encodeName(path).constData(), R_OK | W_OK) == 0;
        break;
    case EBUSY:
    case EWOULDBLOCK:
        diagnosis.cause = MLPortFailureCause::Busy;
        findHolder(path, diagnosis);
        break;
    case ENOENT:
    case ENODEV:
    case ENXIO:
        diagnosis.cause = MLPortFailureCause::Gone;
        break;
    default:
        diagnosis.cause = MLPortFailureCause::Other;
        break;
    }
    return diagnosis;
}

QString MLPortDiagnosis::logSuffix() const
{
    const auto yesNo = [](bool value) { return value ? QStringLiteral("yes") : QStringLiteral("no"); };
    switch (cause) {
    case MLPortFailureCause::PermissionDenied:
        return QStringLiteral(" (permission denied; device rule installed: %1; session has the device: %2)")
            .arg(yesNo(ruleInstalled), yesNo(sessionHasDevice));
    case MLPortFailureCause::Busy:
        if (holderPid == 0)
            return QStringLiteral(" (held by another program)");
        return QStringLiteral(" (held by %1, pid %2)").arg(holderName).arg(holderPid);
    default:
        return QString();
    }
}
