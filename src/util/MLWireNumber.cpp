#include "MLWireNumber.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

std::optional<double> ML_wireNumber(const QString &text)
{
    std::string ascii;
    ascii.reserve(size_t(text.size()));
    qsizetype digits = 0;
    bool point = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == u'-' && i == 0) {
        } else if (c == u'.' && !point && digits > 0) {
            point = true;
            digits = 0; // a fraction needs digits of its own
        } else if (c >= u'0' && c <= u'9') {
            ++digits;
        } else {
            return std::nullopt;
        }
        ascii.push_back(char(c));
    }
    if (digits == 0)
        return std::nullopt;
    double value = 0.0;
    const auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Without an exponent, only a whole part other than zero can overflow;
        // a number below one that is out of range is too small, not too big.
        const double magnitude = ascii.find_first_of("123456789") < ascii.find('.')
                                     ? std::numeric_limits<double>::infinity()
                                     : 0.0;
        return ascii.front() == '-' ? -magnitude : magnitude;
    }
    if (result.ec != std::errc() || result.ptr != ascii.data() + ascii.size())
        return std::nullopt;
    return value;
}

qint32 ML_wireIntValue(const QString &text, qint32 defaultValue)
{
    const auto number = ML_wireNumber(text);
    if (!number)
        return defaultValue;
    constexpr double lowest = std::numeric_limits<qint32>::min();
    constexpr double highest = std::numeric_limits<qint32>::max();
    return qint32(std::trunc(std::clamp(*number, lowest, highest)));
}

double ML_wireDoubleValue(const QString &text, double defaultValue)
{
    return ML_wireNumber(text).value_or(defaultValue);
}
