#include "NumericConversions.h"

#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace {

bool isAscii(const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

struct StrictNumber
{
    bool negative = false;
    std::string integerDigits;  // ASCII digits
    std::string fractionDigits; // ASCII digits, may be empty
};

// The value of a decimal digit in ASCII or in the locale's own digits, or -1.
int digitValue(QChar c, char16_t localeZero)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (localeZero != u'0' && u >= localeZero && u <= localeZero + 9)
        return u - localeZero;
    return -1;
}

std::optional<StrictNumber> parseStrict(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    const QLocale locale;
    const QString minus = locale.negativeSign();
    const QString decimal = locale.decimalPoint();
    const QString zero = locale.zeroDigit();
    const char16_t localeZero = zero.size() == 1 ? zero.at(0).unicode() : u'0';

    StrictNumber number;
    qsizetype pos = 0;
    if (!minus.isEmpty() && text.startsWith(minus)) {
        number.negative = true;
        pos = minus.size();
    } else if (text.at(0) == u'-') {
        number.negative = true;
        pos = 1;
    }
    while (pos < text.size()) {
        const int d = digitValue(text.at(pos), localeZero);
        if (d < 0)
            break;
        number.integerDigits.push_back(char('0' + d));
        ++pos;
    }
    if (number.integerDigits.empty())
        return std::nullopt;
    if (pos == text.size())
        return number;
    if (decimal.isEmpty() || QStringView(text).mid(pos, decimal.size()) != decimal)
        return std::nullopt;
    pos += decimal.size();
    while (pos < text.size()) {
        const int d = digitValue(text.at(pos), localeZero);
        if (d < 0)
            return std::nullopt;
        number.fractionDigits.push_back(char('0' + d));
        ++pos;
    }
    if (number.fractionDigits.empty())
        return std::nullopt;
    return number;
}

// Integer part of a strictly parsed number, truncated toward zero and
// saturated at the limits of T.
template<typename T> T truncatedInteger(const StrictNumber &number)
{
    using Limits = std::numeric_limits<T>;
    // Accumulate toward the sign so that the most negative value is reachable.
    T value = 0;
    for (char digit : number.integerDigits) {
        const T d = digit - '0';
        if (number.negative) {
            if (value < (Limits::min() + d) / 10)
                return Limits::min();
            value = value * 10 - d;
        } else {
            if (value > (Limits::max() - d) / 10)
                return Limits::max();
            value = value * 10 + d;
        }
    }
    return value;
}

// Whether a decimal number that cannot be represented is too large (as
// opposed to too close to zero), from the place of its first significant
// digit: digits holds ASCII digits and at most one '.', exponent the power of
// ten it is scaled by.
bool overflows(std::string_view digits, long long exponent)
{
    const size_t point = std::min(digits.find('.'), digits.size());
    const size_t first = digits.find_first_not_of("0.");
    if (first == std::string_view::npos)
        return false;
    // 10^magnitude <= value < 10^(magnitude + 1); one below the point is 10^-1.
    const long long magnitude =
        first < point ? static_cast<long long>(point - first) - 1 : -static_cast<long long>(first - point);
    return magnitude + exponent >= 0;
}

// Reads digits (ASCII digits with at most one '.') scaled by 10^exponent,
// with overflow as infinity and underflow as zero, as strtod gives them.
double decimalValue(const std::string &digits, long long exponent)
{
    const std::string text = exponent ? digits + 'e' + std::to_string(exponent) : digits;
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        value = overflows(digits, exponent) ? std::numeric_limits<double>::infinity() : 0.0;
    return value;
}

double toDouble(const StrictNumber &number)
{
    std::string text = number.integerDigits;
    if (!number.fractionDigits.empty())
        text += '.' + number.fractionDigits;
    const double value = decimalValue(text, 0);
    return number.negative ? -value : value;
}

} // namespace

QString ML_stringByTrimmingFirstCharacter(const QString &text)
{
    return text.mid(1);
}

bool ML_containsString(const QString &text, const QString &other)
{
    if (other.isEmpty())
        return false;
    if (isAscii(text) && isAscii(other))
        return text.contains(other, Qt::CaseSensitive);
    // Canonically equivalent spellings (composed or decomposed accents) count as equal.
    return text.normalized(QString::NormalizationForm_C)
        .contains(other.normalized(QString::NormalizationForm_C), Qt::CaseSensitive);
}

bool ML_startsWith(const QString &text, const QString &other)
{
    if (other.isEmpty())
        return false;
    if (isAscii(text) && isAscii(other))
        return text.startsWith(other, Qt::CaseSensitive);
    return text.normalized(QString::NormalizationForm_C)
        .startsWith(other.normalized(QString::NormalizationForm_C), Qt::CaseSensitive);
}

QString ML_includeTrailingSlash(const QString &text)
{
    if (text.endsWith(u'/'))
        return text;
    return text + u'/';
}

qint64 ML_toLongWithDefault(const QString &text, qint64 defaultValue)
{
    const auto number = parseStrict(text);
    return number ? truncatedInteger<qint64>(*number) : defaultValue;
}

qint32 ML_toIntWithDefault(const QString &text, qint32 defaultValue)
{
    const auto number = parseStrict(text);
    return number ? truncatedInteger<qint32>(*number) : defaultValue;
}

double ML_toDoubleWithDefault(const QString &text, double defaultValue)
{
    const auto number = parseStrict(text);
    return number ? toDouble(*number) : defaultValue;
}

qint32 ML_intValueWithDefault(const QString &text, qint32 defaultValue)
{
    return ML_toIntWithDefault(text, defaultValue);
}

double ML_doubleValueWithDefault(const QString &text, double defaultValue)
{
    return ML_toDoubleWithDefault(text, defaultValue);
}

qint32 ML_boolValueWithDefault(const QString &text, bool /*defaultValue*/)
{
    const QString lower = text.toLower();
    return (lower == u"yes" || lower == u"true" || lower == u"t" || lower == u"y" || lower == u"1") ? 1 : 0;
}

double ML_leadingDoubleValue(const QString &text)
{
    qsizetype pos = 0;
    const qsizetype size = text.size();
    while (pos < size && text.at(pos).isSpace())
        ++pos;
    bool negative = false;
    if (pos < size && (text.at(pos) == u'-' || text.at(pos) == u'+')) {
        negative = text.at(pos) == u'-';
        ++pos;
    }
    std::string number;
    auto takeDigits = [&] {
        qsizetype count = 0;
        while (pos < size && text.at(pos) >= u'0' && text.at(pos) <= u'9') {
            number.push_back(char(text.at(pos).unicode()));
            ++pos;
            ++count;
        }
        return count;
    };
    qsizetype mantissaDigits = takeDigits();
    if (pos < size && text.at(pos) == u'.') {
        number.push_back('.');
        ++pos;
        mantissaDigits += takeDigits();
    }
    if (mantissaDigits == 0)
        return 0.0;
    long long exponent = 0;
    if (pos < size && (text.at(pos) == u'e' || text.at(pos) == u'E')) {
        // The exponent counts only when at least one digit follows it.
        qsizetype look = pos + 1;
        const bool negativeExponent = look < size && text.at(look) == u'-';
        if (look < size && (text.at(look) == u'-' || text.at(look) == u'+'))
            ++look;
        // Held far beyond any double's range but well inside a long long,
        // however many digits the exponent has.
        constexpr long long ExponentLimit = 1'000'000'000'000'000;
        while (look < size && text.at(look) >= u'0' && text.at(look) <= u'9') {
            exponent = std::min(exponent * 10 + (text.at(look).unicode() - u'0'), ExponentLimit);
            ++look;
        }
        if (negativeExponent)
            exponent = -exponent;
    }
    const double value = decimalValue(number, exponent);
    return negative ? -value : value;
}
