// Text and number conversions against independent oracles: strtod and
// strtoll in the C locale, and an ICU normalisation and search. The input is
// two texts separated by the first zero byte.

#include "FuzzSupport.h"
#include "NumericConversions.h"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <regex>
#include <string>

namespace {

icu::UnicodeString icuNfc(const QString &text)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2 *nfc = icu::Normalizer2::getNFCInstance(status);
    const icu::UnicodeString source(reinterpret_cast<const UChar *>(text.utf16()), int32_t(text.size()));
    icu::UnicodeString result = nfc->normalize(source, status);
    assert(U_SUCCESS(status));
    return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    [[maybe_unused]] static const bool ready = (fuzzInit(), true);
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    const std::string first = bytes.substr(0, bytes.find('\0'));
    const std::string second = first.size() < size ? bytes.substr(first.size() + 1) : std::string();
    const QString text = QString::fromLatin1(first.data(), qsizetype(first.size()));

    const auto sameDouble = [](double x, double y) { return std::memcmp(&x, &y, sizeof x) == 0; };
    // strtod also reads hexadecimal, "inf" and "nan", which ours do not.
    if (std::all_of(first.begin(), first.end(),
                    [](unsigned char c) { return c < 0x80 && (!std::isalpha(c) || c == 'e' || c == 'E'); })) {
        assert(sameDouble(ML_leadingDoubleValue(text), std::strtod(first.c_str(), nullptr)));
        static const std::regex strict("-?[0-9]+(\\.[0-9]+)?");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double strictValue = ML_toDoubleWithDefault(text, nan);
        assert(std::regex_match(first, strict) != std::isnan(strictValue));
        if (!std::isnan(strictValue)) {
            assert(sameDouble(strictValue, std::strtod(first.c_str(), nullptr)));
            assert(ML_toLongWithDefault(text, 0) == std::strtoll(first.c_str(), nullptr, 10));
        }
    }

    const QString a = QString::fromUtf8(first.data(), qsizetype(first.size()));
    const QString b = QString::fromUtf8(second.data(), qsizetype(second.size()));
    const icu::UnicodeString icuA = icuNfc(a), icuB = icuNfc(b);
    assert(ML_containsString(a, b) == (!b.isEmpty() && icuA.indexOf(icuB) >= 0));
    assert(ML_startsWith(a, b) == (!b.isEmpty() && icuA.startsWith(icuB)));

    // The formatter with the second text as format: only sanitizers judge it.
    MLFormat(second.c_str(), {MLFormatArg(a), MLFormatArg(ML_leadingDoubleValue(text)), MLFormatArg(-1)});
    return 0;
}
