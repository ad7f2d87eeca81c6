#pragma once

// <sys/sysmacros.h> (pulled in by libudev.h) defines macros major() and minor(): include it
// here once, so that its include guard keeps them from coming back, and drop them.
#if __has_include(<sys/sysmacros.h>)
#include <sys/sysmacros.h>
#endif
#ifdef major
#undef major
#endif
#ifdef minor
#undef minor
#endif

#include <QString>
#include <QtGlobal>

// A four-part firmware version, compared field by field from major to build.
// Any field may hold any 32-bit value, negative ones included.
class MLVersionNumber
{
public:
    MLVersionNumber() = default;
    MLVersionNumber(qint32 major, qint32 minor, qint32 bugfix, qint32 build);
    MLVersionNumber(qint32 major, qint32 minor);

    // Reads "major.minor.bugfix.build"; never fails. A missing or non-numeric
    // component reads as 0 and components after the fourth are ignored.
    static MLVersionNumber initWithString(const QString &text);
    // A copy of other, or 0.0.0.0 without one.
    static MLVersionNumber initWithVersionNumber(const MLVersionNumber *other);

    qint32 major() const { return m_major; }
    qint32 minor() const { return m_minor; }
    qint32 bugfix() const { return m_bugfix; }
    qint32 build() const { return m_build; }
    void setMajor(qint32 value) { m_major = value; }
    void setMinor(qint32 value) { m_minor = value; }
    void setBugfix(qint32 value) { m_bugfix = value; }
    void setBuild(qint32 value) { m_build = value; }

    // Strictly higher: a version is never higher than an equal one.
    bool higherThan(const MLVersionNumber &other) const;
    // At least one field above 0.
    bool isValid() const;
    // "01.05.00.00": each field in decimal, at least two characters wide.
    QString description() const;
    // "1.05": as the microphone writes its version and as people are shown it.
    QString shortText() const;

    bool operator==(const MLVersionNumber &other) const = default;

private:
    qint32 m_major = 0;
    qint32 m_minor = 0;
    qint32 m_bugfix = 0;
    qint32 m_build = 0;
};
