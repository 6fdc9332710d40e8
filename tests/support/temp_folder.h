#pragma once
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace wiper::test {

// A path from UTF-8, the encoding names have throughout the program and its
// tests (a narrow string alone would be read in Windows' ANSI code page).
inline std::filesystem::path utf8_path(const std::string& name) {
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
}
inline std::string utf8_string(const std::filesystem::path& path) {
    const std::u8string u = path.u8string();
    return std::string(u.begin(), u.end());
}

// A fresh folder under the system's temporary folder, removed with everything
// in it when the test ends.
class TempFolder {
public:
    TempFolder() {
        std::random_device rd;
        for (;;) {
            path_ = std::filesystem::temp_directory_path() / ("wiper-test-" + std::to_string(rd()) + std::to_string(rd()));
            if (std::filesystem::create_directory(path_)) break;
        }
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return utf8_string(path_); }
    std::filesystem::path operator/(const std::string& name) const { return path_ / utf8_path(name); }

    void write(const std::string& name, const std::string& text) const { write_to(*this / name, text); }
    static void write_to(const std::filesystem::path& file, const std::string& text) {
        std::ofstream out(file, std::ios::binary);
        out << text;
    }
    void write_bytes(const std::string& name, std::span<const std::uint8_t> bytes) const {
        std::ofstream out(*this / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::vector<std::uint8_t> read_bytes(const std::string& name) const { return read_from(*this / name); }
    static std::vector<std::uint8_t> read_from(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void make_folder(const std::string& name) const { std::filesystem::create_directories(*this / name); }

private:
    std::filesystem::path path_;
};

using Parts = std::vector<std::pair<std::string, std::string>>; // part files: name, text

// A program folder: frames "w" of w x h pixels, the blade turns, an empty
// buffer/ and the given part files.
inline void write_scene(const std::filesystem::path& folder, int w, int h, const Parts& parts = {},
                        const std::string& turns = "30,-30") {
    std::filesystem::create_directories(folder / "buffer");
    TempFolder::write_to(folder / "immagini.txt", "\"w\"," + std::to_string(w) + "," + std::to_string(h) + "\n");
    TempFolder::write_to(folder / "rotazione_spazzole.txt", turns + "\n");
    for (const auto& [name, text] : parts) TempFolder::write_to(folder / name, text);
}

} // namespace wiper::test
