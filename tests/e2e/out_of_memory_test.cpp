// The real program with less memory than the picture it is given needs, as
// under `ulimit -v`: the run ends with the out-of-memory status and one line
// that says what needed how much, never an invalid size blamed on immagini.txt.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

#include "support/platform.h"
#include "support/run_binary.h"

namespace wiper {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t mib = std::uint64_t{1} << 20;

struct Row {
    const char* name;
    bool wiped_only;
    // The child's whole address space. The program itself takes about 25 MiB
    // of it; at 32767 x 10000 a field mask takes 39 MiB and a picture 938 MiB.
    std::uint64_t address_space;
    const char* says; // the report, whole
};

std::ostream& operator<<(std::ostream& os, const Row& r) { return os << r.name; }

class OutOfMemory : public testing::TestWithParam<Row> {};

TEST_P(OutOfMemory, EndsWithItsStatusSayingWhatNeededHowMuch) {
    WIPER_SKIP_WITHOUT_ADDRESS_SPACE_LIMIT();
    const Row& row = GetParam();
    test::TempFolder root;
    const fs::path folder = root / "scene";
    fs::copy(fs::path(WIPER_EXAMPLES) / "wiper", folder, fs::copy_options::recursive);
    // Within the size rule (at most 1 GiB of pixels), beyond the memory left.
    test::TempFolder::write_to(folder / "immagini.txt", "\"wiper\",32767,10000\n");
    std::vector<std::string> args = {"--headless", "--quiet"};
    if (row.wiped_only) args.push_back("--wiped-only");
    args.push_back(test::utf8_string(folder));
    test::Launch launch;
    launch.address_space_limit = row.address_space;
    const test::RunResult r = test::run_program(WIPER_BINARY, args, std::chrono::seconds(60), launch);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 21) << r.err;
    EXPECT_EQ(test::without_warnings(r.err), std::string("wiper-render: out of memory: ") + row.says + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OutOfMemory,
    testing::Values(Row{"Frame", false, 300 * mib, "the frame of 32767 x 10000 pixels needs 983040000 bytes"},
                    // The masks of the wiping parts, the wiped pixels and the zones: some cannot be had.
                    Row{"FieldMask", true, 96 * mib, "a field mask of 32767 x 10000 pixels needs 40960000 bytes"},
                    // Every mask fits, the picture drawn from them does not.
                    Row{"WipedFieldPicture", true, 512 * mib,
                        "the wiped field's picture of 32767 x 10000 pixels needs 983040000 bytes"}),
    [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

} // namespace
} // namespace wiper
