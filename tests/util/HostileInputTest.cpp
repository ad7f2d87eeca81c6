// Values beyond what a double or an int holds, as fuzzing found them.

#include "MLFormat.h"
#include "NumericConversions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

namespace {

TEST(HostileInput, NumbersOutOfRangeByTheirSize)
{
    const double inf = std::numeric_limits<double>::infinity();
    const QString tiny = QStringLiteral("0.") + QString(330, u'0') + u'1';
    const QString huge = u'1' + QString(400, u'0');
    const std::tuple<QString, double, double> cases[] = {
        {tiny, 0.0, 0.0},
        {u'-' + huge, -inf, -inf},
        {huge + QStringLiteral("e-10"), inf, -1.0},
        {huge + QStringLiteral("e-500"), 1e-100, -1.0},
        {tiny + QStringLiteral("e+400"), 1e69, -1.0},
        {QStringLiteral("1e-99999999999999999999"), 0.0, -1.0},
        {QStringLiteral("-1e99999999999999999999"), -inf, -1.0}};
    for (const auto &[text, leading, strict] : cases) {
        EXPECT_DOUBLE_EQ(ML_leadingDoubleValue(text), leading) << text.left(40).toStdString();
        EXPECT_DOUBLE_EQ(ML_toDoubleWithDefault(text, -1.0), strict) << text.left(40).toStdString();
    }
}

TEST(HostileInput, FormatFieldsBeyondAnInt)
{
    const QString wide = QString(4095, u' ') + u'7';
    const struct
    {
        const char *format;
        std::initializer_list<MLFormatArg> args;
        QString expected;
    } cases[] = {{"%1234567890d", {7}, wide},
                 {"%*d", {1e300, 7}, wide},
                 {"%.12345678901s|", {"abc"}, QStringLiteral("abc|")},
                 {"%*d|", {-3, 7}, QStringLiteral("7  |")},
                 {"%d %u %x",
                  {-1e65, 1e300, std::nan("")},
                  QStringLiteral("-9223372036854775808 9223372036854775807 0")}};
    for (const auto &c : cases)
        EXPECT_EQ(MLFormat(c.format, c.args), c.expected) << c.format;
    EXPECT_EQ(MLFormat("%.9999999999f", {1.5}).size(), 4098);
}

} // namespace
