#pragma once

#include <QString>

// Why a serial port could not be opened, worked out right after the failed
// open so the window and the log can say what to do about it.
enum class MLPortFailureCause
{
    None,             // no open has failed
    PermissionDenied, // EACCES / EPERM
    Busy,             // another program holds the port (EBUSY, or the exclusive lock)
    Gone,             // the device left between discovery and open
    Other,
};

struct MLPortDiagnosis
{
    MLPortFailureCause cause = MLPortFailureCause::None;
    QString path;
    bool ruleInstalled = false;    // the package's udev rule is on the system
    bool sessionHasDevice = false; // this user may read and write the node
    QString holderName;            // the program holding the port, when found
    qint64 holderPid = 0;

    bool holderIsModemManager() const { return holderName == QLatin1String("ModemManager"); }
    // Appended to the serial port error in the log; empty when nothing is known.
    QString logSuffix() const;
};

// error is the errno of the failed open (or of the lock taken after it).
MLPortDiagnosis MLDiagnosePortOpenFailure(int error, const QString &path);
