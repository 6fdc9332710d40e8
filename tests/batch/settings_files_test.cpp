#include <gtest/gtest.h>

#include "batch/settings_files.h"
#include "common/failure.h"
#include "support/failure_of.h"
#include "support/temp_folder.h"

namespace wiper {
namespace {

using test::TempFolder;

TEST(ImageSettings, ReadsNameAndSize) {
    TempFolder dir;
    dir.write("immagini.txt", "\xEF\xBB\xBF\"wiper\",753,394\nanything after is not read x y z");
    const ImageSettings image = read_image_settings(dir.str());
    EXPECT_EQ(image.name, "wiper");
    EXPECT_EQ(image.width, 753);
    EXPECT_EQ(image.height, 394);
    dir.write("immagini.txt", "\"w\",30\n"); // no height: never taken as 0
    EXPECT_EQ(test::kind_of([&] { read_image_settings(dir.str()); }), FailureKind::read_past_end);
}

struct BadName {
    std::string field; // as written in immagini.txt
    const char* why;   // what the message must say
};

class UnsafeImageName : public testing::TestWithParam<BadName> {};

TEST_P(UnsafeImageName, IsRefusedBeforeAnythingIsWritten) {
    TempFolder dir;
    dir.write("immagini.txt", GetParam().field + ",10,10\n");
    const Failure f = test::failure_of([&] { read_image_settings(dir.str()); });
    EXPECT_EQ(f.kind(), FailureKind::invalid_image_name);
    EXPECT_NE(std::string(f.what()).find("immagini.txt line 1: the image name"), std::string::npos) << f.what();
    EXPECT_NE(std::string(f.what()).find(GetParam().why), std::string::npos) << f.what();
}

INSTANTIATE_TEST_SUITE_P(
    Names, UnsafeImageName,
    testing::Values(BadName{"\"\"", "is empty"}, BadName{"\"../../x\"", "separator"}, BadName{"a/b", "separator"},
                    BadName{"\"a\\\\b\"", "separator"}, BadName{".", "folder"}, BadName{"\"..\"", "folder"},
                    BadName{std::string("\"a\0b\"", 5), "control character 0x00"},
                    BadName{"\"w\nx\"", "control character 0x0a"}, BadName{"\"w\x1b[2J\"", "control character 0x1b"},
                    BadName{"w\x7f", "control character 0x7f"}, BadName{"w\xc2\x85", "control character U+0085"},
                    BadName{"\xc2\x9b" "2J", "control character U+009B"}, BadName{"w\xe2\x80\xa8", "U+2028"},
                    BadName{"a\xe2\x80\xaegnp", "U+202E"}, BadName{"a\xe2\x81\xa6" "b", "U+2066"},
                    BadName{"w\x81", "control character U+0081"}, // a byte Windows-1252 leaves a control
                    BadName{"\"a:b\"", "':'"}, BadName{"a<b", "'<'"},
                    BadName{"a>b", "'>'"}, BadName{"a\"b", "'\"'"}, BadName{"a|b", "'|'"}, BadName{"a?", "'?'"},
                    BadName{"*", "'*'"}, BadName{"con", "device"}, BadName{"Nul.bmp", "device"},
                    BadName{"AUX.a.b", "device"}, BadName{"prn", "device"}, BadName{"com1", "device"},
                    BadName{"LPT9.txt", "device"}, BadName{"\"w.\"", "dot"}, BadName{"\"w \"", "space"}));

TEST(ImageSettings, NamesThatOnlyLookReservedAreFine) {
    for (const char* name : {"w", "Città", "console", "com10", "lpt0", "com", "auxiliary", "w.x", ".w", "a b"})
        EXPECT_EQ(image_name_fault(name), "") << name;
}

TEST(BladeTurns, TwoAngles) {
    TempFolder dir;
    dir.write("rotazione_spazzole.txt", "-30\n45\n");
    const BladeTurns t = read_blade_turns(dir.str());
    EXPECT_EQ(t.blade_turn_1, -30);
    EXPECT_EQ(t.blade_turn_2, 45);
    dir.write("rotazione_spazzole.txt", "30\n");
    EXPECT_EQ(test::kind_of([&] { read_blade_turns(dir.str()); }), FailureKind::read_past_end);
}

} // namespace
} // namespace wiper
