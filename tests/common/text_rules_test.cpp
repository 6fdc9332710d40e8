// The program's two rules for text: ASCII case folding, and what counts as
// well-formed UTF-8 (and how a code point is written in it).
#include <gtest/gtest.h>

#include <string>

#include "common/ascii.h"
#include "common/utf8.h"

namespace wiper {
namespace {

TEST(AsciiCase, FoldsLettersAloneAndComparesWithinTheText) {
    EXPECT_TRUE(equal_ignoring_case("Immagini.TXT", "immagini.txt"));
    EXPECT_FALSE(equal_ignoring_case("immagini.txt", "immagini.txt "));
    // Bytes beyond ASCII are never folded: 0xC3 and 0xE3 differ in the case bit alone.
    EXPECT_FALSE(equal_ignoring_case("\xc3\xa0", "\xe3\xa0"));
    EXPECT_FALSE(equal_ignoring_case("@[`{", "`{@["));
    EXPECT_EQ(ascii_upper("coordinate_nr\xc3\xa9_[z]"), "COORDINATE_NR\xc3\xa9_[Z]");

    EXPECT_TRUE(starts_with_ignoring_case("Coordinate1", "coordinate"));
    EXPECT_FALSE(starts_with_ignoring_case("coord", "coordinate"));
    EXPECT_TRUE(ends_with_ignoring_case("part.BAK", ".bak"));
    EXPECT_FALSE(ends_with_ignoring_case("bak", ".bak"));
    EXPECT_TRUE(contains_ignoring_case("coordinate_NR", "nr"));
    EXPECT_TRUE(contains_ignoring_case("Nr", "nr"));
    EXPECT_FALSE(contains_ignoring_case("n", "nr"));
    EXPECT_FALSE(contains_ignoring_case("n_r", "nr"));
}

struct Utf8Case {
    const char* name;
    std::string text;
    std::size_t length; // of the character at the start; 0: none is well-formed there
    std::uint32_t code_point;
};

class Utf8 : public testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8, ReadsTheFirstCharacterAndJudgesTheWholeAlike) {
    const Utf8Case& c = GetParam();
    const Utf8Char ch = utf8_char_at(c.text, 0);
    EXPECT_EQ(ch.length, c.length);
    if (c.length > 0) {
        EXPECT_EQ(ch.code_point, c.code_point);
        std::string encoded;
        append_utf8(encoded, c.code_point);
        EXPECT_EQ(encoded, c.text.substr(0, c.length)); // and back
    }
    EXPECT_EQ(is_utf8(c.text), c.length == c.text.size());
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, Utf8,
    testing::Values(Utf8Case{"Ascii", "a", 1, 'a'}, Utf8Case{"TwoBytes", "\xc3\xa9", 2, 0xe9},
                    Utf8Case{"ThreeBytes", "\xe2\x80\xae", 3, 0x202e},
                    Utf8Case{"FourBytes", "\xf0\x9f\x98\x80", 4, 0x1f600},
                    Utf8Case{"Largest", "\xf4\x8f\xbf\xbf", 4, 0x10ffff},
                    Utf8Case{"PastTheLargest", "\xf4\x90\x80\x80", 0, 0},
                    Utf8Case{"OverlongTwo", "\xc1\xbf", 0, 0}, Utf8Case{"OverlongThree", "\xe0\x9f\xbf", 0, 0},
                    Utf8Case{"OverlongFour", "\xf0\x8f\xbf\xbf", 0, 0},
                    Utf8Case{"Surrogate", "\xed\xa0\x80", 0, 0}, Utf8Case{"LoneContinuation", "\x80", 0, 0},
                    Utf8Case{"CutShort", "\xe2\x80", 0, 0}, Utf8Case{"BadContinuation", "\xe2\x28\xa1", 0, 0},
                    Utf8Case{"Windows1252", "\xe9t\xe9", 0, 0}),
    [](const testing::TestParamInfo<Utf8Case>& info) { return std::string(info.param.name); });

} // namespace
} // namespace wiper
