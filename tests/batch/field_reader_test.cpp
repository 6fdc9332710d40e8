#include <gtest/gtest.h>

#include "batch/field_reader.h"
#include "common/failure.h"
#include "support/failure_of.h"

namespace wiper {
namespace {

std::vector<std::int32_t> numbers(const std::string& text) {
    FieldReader r(text, "t.txt");
    std::vector<std::int32_t> out;
    while (!r.at_end()) out.push_back(r.read_number());
    return out;
}

using test::failure_of;

using V = std::vector<std::int32_t>;

TEST(FieldSeparators, CommasAndLineEndsAreTheSame) {
    EXPECT_EQ(numbers("1,2,3,4"), (V{1, 2, 3, 4}));
    EXPECT_EQ(numbers("1\n2\r\n3\r4\n"), (V{1, 2, 3, 4}));
    EXPECT_EQ(numbers("1,2\n3,4\n"), (V{1, 2, 3, 4}));
}

TEST(FieldSeparators, SpacesAndTabsAroundNumbers) {
    EXPECT_EQ(numbers("  10 , 20\t,\t30  \n"), (V{10, 20, 30}));
    EXPECT_EQ(numbers("10 20"), (V{10, 20})); // a space ends a number
}

TEST(FieldSeparators, BlankLinesAreOneSeparatorAndTrailingBlanksAreTheEnd) {
    EXPECT_EQ(numbers("1\n\n\n2\r\n\r\n  \n3\n\n  \t\n"), (V{1, 2, 3}));
    EXPECT_EQ(numbers("\n\n5"), (V{5}));
    EXPECT_EQ(numbers("1,\n2"), (V{1, 2}));
}

TEST(FieldSeparators, ByteOrderMarkIsSkipped) { EXPECT_EQ(numbers("\xEF\xBB\xBF" "7,8"), (V{7, 8})); }

TEST(Numbers, Range32Bit) {
    EXPECT_EQ(numbers("-2147483648,2147483647,-0,007"), (V{-2147483648, 2147483647, 0, 7}));
}

class InvalidNumber : public testing::TestWithParam<std::string> {};

TEST_P(InvalidNumber, IsRefusedNamingFileLineAndText) {
    const std::string bad = GetParam();
    const Failure f = failure_of([&] {
        FieldReader r("1\n" + bad + ",5", "part.txt");
        r.read_number();
        r.read_number();
    });
    EXPECT_EQ(f.kind(), FailureKind::invalid_number);
    EXPECT_NE(std::string(f.what()).find("part.txt line 2"), std::string::npos) << f.what();
}

INSTANTIATE_TEST_SUITE_P(Fields, InvalidNumber,
                         testing::Values("abc", "+5", "3.5", "1e3", "2147483648", "-2147483649", "", "-", "12a",
                                         std::string("1\0" "2", 3), std::string(200000, '9')));

TEST(Numbers, EmptyFieldBetweenCommasIsInvalid) {
    EXPECT_EQ(failure_of([] { numbers("1,,2"); }).kind(), FailureKind::invalid_number);
    EXPECT_EQ(failure_of([] { numbers(",1"); }).kind(), FailureKind::invalid_number);
}

TEST(ReadPastEnd, NamesFileAndLine) {
    const Failure f = failure_of([] {
        FieldReader r("1\n2\n", "h.txt");
        r.read_number();
        r.read_number();
        r.read_number();
    });
    EXPECT_EQ(f.kind(), FailureKind::read_past_end);
    EXPECT_NE(std::string(f.what()).find("h.txt line 3"), std::string::npos) << f.what();
    EXPECT_EQ(failure_of([] { FieldReader("", "e").read_text(); }).kind(), FailureKind::read_past_end);
}

TEST(TextFields, QuotedTakesEverythingUpToTheQuote) {
    FieldReader r("\" a, b \" , 640\n480", "i.txt");
    EXPECT_EQ(r.read_text(), " a, b ");
    EXPECT_EQ(r.read_number(), 640);
    EXPECT_EQ(r.read_number(), 480);
}

TEST(TextFields, UnquotedRunsToSeparatorAndLosesTrailingSpaces) {
    FieldReader r("  frame name \t,1", "i.txt");
    EXPECT_EQ(r.read_text(), "frame name");
    EXPECT_EQ(r.read_number(), 1);
}

TEST(TextFields, MalformedQuotes) {
    EXPECT_EQ(failure_of([] { FieldReader("\"open,1,2", "i.txt").read_text(); }).kind(), FailureKind::read_past_end);
    EXPECT_EQ(failure_of([] { FieldReader("\"w\"x,1,2", "i.txt").read_text(); }).kind(),
              FailureKind::invalid_image_name);
}

TEST(LineCounting, CountsCrLfOnceAndLineEndsInsideQuotes) {
    FieldReader r("\"a\r\nb\"\r\n1\r\n\r\nx", "i.txt");
    r.read_text();
    r.read_number();
    const Failure f = failure_of([&] { r.read_number(); });
    EXPECT_NE(std::string(f.what()).find("line 5"), std::string::npos) << f.what();
}

} // namespace
} // namespace wiper
