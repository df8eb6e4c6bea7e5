#include "app/RecentFiles.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <filesystem>
#include <system_error>

#include "base/Stream.h"

namespace app {

namespace {

constexpr const char* kFileName = "RecentFile.Mru";

// The next code point of UTF-8 text, or the byte itself where the text is not UTF-8.
char32_t NextCodePoint(std::string_view text, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    const int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length <= 1 || i + length > text.size()) {
        ++i;
        return lead;
    }
    char32_t code = lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return lead;
        }
        code = code << 6 | (byte(i + k) & 0x3F);
    }
    i += length;
    return code;
}

char32_t FoldCase(char32_t c) {
    if (c < 0x80) return static_cast<char32_t>(std::tolower(static_cast<int>(c)));
    return static_cast<char32_t>(std::towlower(static_cast<std::wint_t>(c)));
}

}  // namespace

void TRecentFiles::Parse(std::string_view text) {
    Entries.clear();
    text = text.substr(0, text.find('\0'));
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        Entries.emplace_back(text.substr(start, end - start));
        if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ++end;
        start = end + 1;
    }
}

std::string TRecentFiles::Text() const {
    std::string text;
    for (const std::string& entry : Entries) text += entry + "\r\n";
    return text;
}

void TRecentFiles::Add(const std::string& path) {
    const bool known = std::any_of(Entries.begin(), Entries.end(),
                                   [&](const std::string& entry) { return SamePathIgnoringCase(entry, path); });
    if (!known) Entries.push_back(path);
}

void TRecentFiles::DropMissing(const std::function<bool(const std::string&)>& exists) {
    std::erase_if(Entries, [&](const std::string& entry) { return !exists(entry); });
}

void TRecentFiles::Trim() {
    if (Entries.size() > kKeptAtClose) Entries.erase(Entries.begin(), Entries.end() - kKeptAtClose);
}

bool SamePathIgnoringCase(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (FoldCase(NextCodePoint(a, i)) != FoldCase(NextCodePoint(b, j))) return false;
    }
    return i == a.size() && j == b.size();
}

std::string RecentFileLocation(const std::string& executableFolder, const std::string& configFolder) {
    if (access(executableFolder.c_str(), W_OK) == 0) return executableFolder + kFileName;
    return configFolder + kFileName;
}

std::string UserConfigFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config) return std::string(config) + "/korvane/";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config/korvane/";
}

TRecentFiles LoadRecentFiles(const std::string& path) {
    TRecentFiles files;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return files;
    const std::vector<std::uint8_t> bytes = base::ReadWholeFile(path);
    files.Parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    return files;
}

void SaveRecentFiles(const TRecentFiles& files, const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    const std::string text = files.Text();
    base::WriteFileAtomically(path, text.data(), text.size());
}

}  // namespace app
