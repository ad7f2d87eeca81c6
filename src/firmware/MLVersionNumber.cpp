#include "MLVersionNumber.h"

#include "MLFormat.h"
#include "MLWireNumber.h"
#include "NumericConversions.h"

#include <QStringList>

#include <tuple>

MLVersionNumber::MLVersionNumber(qint32 major, qint32 minor, qint32 bugfix, qint32 build)
    : m_major(major), m_minor(minor), m_bugfix(bugfix), m_build(build)
{}

MLVersionNumber::MLVersionNumber(qint32 major, qint32 minor) : m_major(major), m_minor(minor) {}

MLVersionNumber MLVersionNumber::initWithString(const QString &text)
{
    const QStringList components = text.split(u'.', Qt::KeepEmptyParts);
    auto field = [&components](qsizetype index) {
        // Written by the microphone or the update service: read alike in every locale.
        return index < components.size() ? ML_wireIntValue(components.at(index), 0) : 0;
    };
    return MLVersionNumber(field(0), field(1), field(2), field(3));
}

MLVersionNumber MLVersionNumber::initWithVersionNumber(const MLVersionNumber *other)
{
    return other ? *other : MLVersionNumber();
}

bool MLVersionNumber::higherThan(const MLVersionNumber &other) const
{
    return std::tie(m_major, m_minor, m_bugfix, m_build) >
           std::tie(other.m_major, other.m_minor, other.m_bugfix, other.m_build);
}

bool MLVersionNumber::isValid() const
{
    return m_major > 0 || m_minor > 0 || m_bugfix > 0 || m_build > 0;
}

QString MLVersionNumber::shortText() const
{
    return MLFormat("%d.%02d", {m_major, m_minor});
}

QString MLVersionNumber::description() const
{
    return MLFormat("%02d.%02d.%02d.%02d", {m_major, m_minor, m_bugfix, m_build});
}
