#pragma once

#include <QByteArray>
#include <QString>

#include <concepts>
#include <initializer_list>
#include <type_traits>

// One argument of a printf-style log format. "%@" prints its text form: a
// string as it is, a number in decimal, any object through its description().
class MLFormatArg
{
public:
    enum class Kind { Signed, Unsigned, Floating, Text };

    MLFormatArg(const QString &text) : m_kind(Kind::Text), m_text(text) {}
    MLFormatArg(const char *text) : m_kind(Kind::Text), m_text(QString::fromUtf8(text)) {}
    MLFormatArg(const QByteArray &text) : m_kind(Kind::Text), m_text(QString::fromUtf8(text)) {}
    MLFormatArg(bool value) : m_kind(Kind::Signed), m_signed(value ? 1 : 0) {}
    MLFormatArg(QChar c) : m_kind(Kind::Unsigned), m_unsigned(c.unicode()) {}
    template<std::signed_integral T>
    MLFormatArg(T value) : m_kind(Kind::Signed), m_signed(static_cast<long long>(value))
    {}
    template<std::unsigned_integral T>
        requires(!std::same_as<T, bool>)
    MLFormatArg(T value) : m_kind(Kind::Unsigned), m_unsigned(static_cast<unsigned long long>(value))
    {}
    template<std::floating_point T>
    MLFormatArg(T value) : m_kind(Kind::Floating), m_floating(static_cast<double>(value))
    {}
    template<typename T>
        requires requires(const T &t) {
            { t.description() } -> std::convertible_to<QString>;
        }
    MLFormatArg(const T &object) : m_kind(Kind::Text), m_text(object.description())
    {}

    Kind kind() const { return m_kind; }
    long long asSigned() const;
    unsigned long long asUnsigned() const;
    double asDouble() const;
    QString asText() const;

private:
    Kind m_kind;
    long long m_signed = 0;
    unsigned long long m_unsigned = 0;
    double m_floating = 0.0;
    QString m_text;
};

// Formats a printf-style text: %@, %d, %i, %u, %x, %X, %o, %c, %C, %s, %S,
// %f, %e, %g and %%, with flags, width and precision. Length modifiers (l,
// ll, h, q, z, j, t) are accepted and ignored. A missing argument prints as
// nothing; a malformed conversion is copied as it stands.
QString MLFormat(const char *format, std::initializer_list<MLFormatArg> args);
