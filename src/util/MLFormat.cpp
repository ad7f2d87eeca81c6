#include "MLFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

namespace {

// The integer nearest to a floating-point value toward zero, saturated at the
// limits (NaN gives 0): a plain conversion of one out of range is undefined.
long long saturatedInteger(double value)
{
    constexpr double limit = 9223372036854775808.0; // 2^63
    if (std::isnan(value))
        return 0;
    if (value >= limit)
        return std::numeric_limits<long long>::max();
    if (value < -limit)
        return std::numeric_limits<long long>::min();
    return static_cast<long long>(value);
}

} // namespace

long long MLFormatArg::asSigned() const
{
    switch (m_kind) {
    case Kind::Signed:
        return m_signed;
    case Kind::Unsigned:
        return static_cast<long long>(m_unsigned);
    case Kind::Floating:
        return saturatedInteger(m_floating);
    case Kind::Text:
        return m_text.toLongLong();
    }
    return 0;
}

unsigned long long MLFormatArg::asUnsigned() const
{
    switch (m_kind) {
    case Kind::Signed:
        return static_cast<unsigned long long>(m_signed);
    case Kind::Unsigned:
        return m_unsigned;
    case Kind::Floating:
        return static_cast<unsigned long long>(saturatedInteger(m_floating));
    case Kind::Text:
        return m_text.toULongLong();
    }
    return 0;
}

double MLFormatArg::asDouble() const
{
    switch (m_kind) {
    case Kind::Signed:
        return static_cast<double>(m_signed);
    case Kind::Unsigned:
        return static_cast<double>(m_unsigned);
    case Kind::Floating:
        return m_floating;
    case Kind::Text:
        return m_text.toDouble();
    }
    return 0.0;
}

QString MLFormatArg::asText() const
{
    switch (m_kind) {
    case Kind::Signed:
        return QString::number(m_signed);
    case Kind::Unsigned:
        return QString::number(m_unsigned);
    case Kind::Floating:
        return QString::number(m_floating, 'g', 17);
    case Kind::Text:
        return m_text;
    }
    return {};
}

namespace {

// No log field is anywhere near this wide; a larger width or precision is
// read as this one, so that a stray number in a format neither overflows nor
// asks for gigabytes.
constexpr int MaxFieldSize = 4096;

int readFieldSize(const char *&p)
{
    int value = 0;
    while (*p >= '0' && *p <= '9')
        value = std::min(value * 10 + (*p++ - '0'), MaxFieldSize);
    return value;
}

int fieldSizeArg(const MLFormatArg *arg)
{
    return arg ? int(std::clamp<long long>(arg->asSigned(), -MaxFieldSize, MaxFieldSize)) : 0;
}

QString pad(QString text, int width, bool leftAlign)
{
    if (width > text.size()) {
        const QString fill(width - text.size(), u' ');
        text = leftAlign ? text + fill : fill + text;
    }
    return text;
}

// Runs one numeric conversion through the C library with the directive's
// flags, width and precision; the C locale of snprintf is fine for these.
template<typename V> QString cFormat(const std::string &directive, V value)
{
    char buffer[128];
    const int n = std::snprintf(buffer, sizeof buffer, directive.c_str(), value);
    if (n < 0)
        return {};
    if (n < int(sizeof buffer))
        return QString::fromLatin1(buffer, n);
    std::vector<char> large(size_t(n) + 1);
    std::snprintf(large.data(), large.size(), directive.c_str(), value);
    return QString::fromLatin1(large.data(), n);
}

} // namespace

QString MLFormat(const char *format, std::initializer_list<MLFormatArg> args)
{
    QString out;
    if (!format)
        return out;
    const MLFormatArg *next = args.begin();
    auto takeArg = [&]() -> const MLFormatArg * { return next != args.end() ? next++ : nullptr; };

    const char *p = format;
    const char *literalStart = p;
    auto flushLiteral = [&](const char *end) {
        if (end > literalStart)
            out += QString::fromUtf8(literalStart, end - literalStart);
    };

    while (*p) {
        if (*p != '%') {
            ++p;
            continue;
        }
        flushLiteral(p);
        const char *start = p++;
        if (*p == '%') {
            out += u'%';
            literalStart = ++p;
            continue;
        }
        std::string flags;
        while (*p && std::string_view("-+ #0").find(*p) != std::string_view::npos)
            flags.push_back(*p++);
        int width = 0;
        if (*p == '*') {
            width = fieldSizeArg(takeArg());
            ++p;
            // A negative width from an argument is a '-' flag and its size, as in C.
            if (width < 0) {
                flags.push_back('-');
                width = -width;
            }
        } else {
            width = readFieldSize(p);
        }
        int precision = -1;
        if (*p == '.') {
            ++p;
            precision = 0;
            if (*p == '*') {
                precision = fieldSizeArg(takeArg());
                ++p;
            } else {
                precision = readFieldSize(p);
            }
        }
        while (*p && std::string_view("hlqLzjt").find(*p) != std::string_view::npos)
            ++p;
        const char conversion = *p;
        if (!conversion) {
            // A dangling '%' is copied as it stands.
            literalStart = start;
            break;
        }
        ++p;
        literalStart = p;

        const bool leftAlign = flags.find('-') != std::string::npos;
        std::string directive = "%" + flags + (width ? std::to_string(width) : std::string());
        if (precision >= 0)
            directive += "." + std::to_string(precision);

        const MLFormatArg *arg = nullptr;
        switch (conversion) {
        case '@':
        case 's':
        case 'S': {
            arg = takeArg();
            QString text = arg ? arg->asText() : QString();
            if (precision >= 0)
                text.truncate(precision);
            out += pad(text, width, leftAlign);
            break;
        }
        case 'c':
        case 'C': {
            arg = takeArg();
            const char32_t code = arg ? char32_t(arg->asUnsigned()) : 0;
            out += pad(code ? QString::fromUcs4(&code, 1) : QString(), width, leftAlign);
            break;
        }
        case 'd':
        case 'i':
            arg = takeArg();
            out += cFormat(directive + "lld", arg ? arg->asSigned() : 0LL);
            break;
        case 'u':
        case 'x':
        case 'X':
        case 'o':
            arg = takeArg();
            out += cFormat(directive + "ll" + conversion, arg ? arg->asUnsigned() : 0ULL);
            break;
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
            arg = takeArg();
            out += cFormat(directive + conversion, arg ? arg->asDouble() : 0.0);
            break;
        default:
            // Unknown conversion: keep the directive as written.
            out += QString::fromUtf8(start, p - start);
            break;
        }
    }
    flushLiteral(p);
    return out;
}
