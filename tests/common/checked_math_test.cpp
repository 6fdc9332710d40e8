#include <gtest/gtest.h>

#include <limits>

#include "common/checked_math.h"
#include "common/failure.h"
#include "support/failure_of.h"

namespace wiper {
namespace {

using test::kind_of;

TEST(RoundToPixel, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(round_to_pixel(0.5), 0);
    EXPECT_EQ(round_to_pixel(1.5), 2);
    EXPECT_EQ(round_to_pixel(2.5), 2);
    EXPECT_EQ(round_to_pixel(-0.5), 0);
    EXPECT_EQ(round_to_pixel(-1.5), -2);
    EXPECT_EQ(round_to_pixel(2.4999999), 2);
    EXPECT_EQ(round_to_pixel(2.5000001), 3);
}

TEST(RoundToPixel, Edges32BitRange) {
    EXPECT_EQ(round_to_pixel(2147483647.4), 2147483647);
    EXPECT_EQ(round_to_pixel(-2147483648.5), std::numeric_limits<std::int32_t>::min()); // half to even
    EXPECT_EQ(kind_of([] { round_to_pixel(2147483647.5); }), FailureKind::overflow);
    EXPECT_EQ(kind_of([] { round_to_pixel(-2147483649.0); }), FailureKind::overflow);
    EXPECT_EQ(kind_of([] { round_to_pixel(std::numeric_limits<double>::quiet_NaN()); }), FailureKind::floating_point);
}

TEST(CheckedArithmetic, OverflowAndDivisionByZero) {
    EXPECT_EQ(checked_mul32(46340, 46340), 2147395600);
    EXPECT_EQ(kind_of([] { checked_mul32(46341, 46341); }), FailureKind::overflow);
    EXPECT_EQ(kind_of([] { checked_mul32(-1, std::numeric_limits<std::int32_t>::min()); }), FailureKind::overflow);
    EXPECT_EQ(kind_of([] { checked_sub32(std::numeric_limits<std::int32_t>::min(), 1); }), FailureKind::overflow);
    EXPECT_EQ(kind_of([] { checked_div(0.0, 0.0); }), FailureKind::floating_point);
    EXPECT_EQ(kind_of([] { checked_div(1.0, 0.0); }), FailureKind::floating_point);
    EXPECT_EQ(kind_of([] { checked_div(1e308, 1e-308); }), FailureKind::floating_point);
    EXPECT_DOUBLE_EQ(checked_div(1.0, 4.0), 0.25);
}

TEST(FailureMessages, QuotedTextIsEscapedAndCut) {
    EXPECT_EQ(quote_for_message(std::string("a\0b\n", 4)), "\"a\\x00b\\x0a\"");
    const std::string q = quote_for_message(std::string(200000, '9'));
    EXPECT_LT(q.size(), 80u);
    EXPECT_NE(q.find("200000 characters"), std::string::npos);
}

TEST(FailureMessages, ReportLinesEscapeControlsAndBytesThatAreNotUtf8) {
    const std::pair<std::string, std::string> cases[] = {
        {"a\nb\rc\td", "a\\nb\\rc\\td"},
        {"\x1b[2J\x7f", "\\x1b[2J\\x7f"},
        {std::string("a\0b", 3), "a\\x00b"},
        {"Citt\xc3\xa0 \xe2\x82\xac \xf0\x9f\x98\x80", "Citt\xc3\xa0 \xe2\x82\xac \xf0\x9f\x98\x80"}, // kept whole
        {"\xc3", "\\xc3"},                 // cut short
        {"\xc0\xaf", "\\xc0\\xaf"},         // overlong
        {"\xed\xa0\x80", "\\xed\\xa0\\x80"}, // a surrogate
        {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"}, // beyond U+10FFFF
        // NEL and CSI end a line or start an escape; separators and overrides disguise a name.
        {"a\xc2\x85" "b\xc2\x9b" "2J", "a\\u0085b\\u009b2J"},
        {"\xe2\x80\xa8\xe2\x80\xa9\xe2\x80\xaa\xe2\x80\xae\xe2\x81\xa6\xe2\x81\xa9",
         "\\u2028\\u2029\\u202a\\u202e\\u2066\\u2069"},
        {"\xc2\xa0\xe2\x80\xaf\xe2\x81\xa5", "\xc2\xa0\xe2\x80\xaf\xe2\x81\xa5"}, // their neighbours stay
    };
    for (const auto& [raw, shown] : cases) EXPECT_EQ(printable(raw), shown) << shown;
}

} // namespace
} // namespace wiper
