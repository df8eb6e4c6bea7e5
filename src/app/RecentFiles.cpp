#include "app/RecentFiles.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "base/Stream.h"

namespace app {

namespace {

constexpr const char* kFileName = "RecentFile.Mru";
void KeepLast(std::vector<std::string>& entries, std::size_t count) {
    if (entries.size() > count) entries.erase(entries.begin(), entries.end() - static_cast<std::ptrdiff_t>(count));
}

// The bytes of the file's end that are read: a longer line names no file.
constexpr std::uint64_t kTailBytes = TRecentFiles::kReadAtStart * (PATH_MAX + 2);

// The end of the file at path, from the first whole line within kTailBytes of it.
std::string ReadTail(const std::string& path) {
    base::FileStream file(path, base::FileStream::Mode::Read);
    const std::uint64_t size = file.Size();
    const std::uint64_t start = size > kTailBytes ? size - kTailBytes : 0;
    std::string text(static_cast<std::size_t>(size - start), '\0');
    file.Seek(start);
    file.ReadBuffer(text.data(), text.size());
    if (start == 0) return text;
    std::size_t end = text.find_first_of("\r\n");
    if (end == std::string::npos) return {};
    if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    return text.substr(end + 1);
}

// The code points of UTF-8 text; false when the text is not UTF-8.
bool DecodeUtf8(std::string_view text, std::u32string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
        const unsigned char lead = byte(i);
        const int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80) return false;
            code = code << 6 | (byte(i + k) & 0x3F);
        }
        out.push_back(code);
        i += length;
    }
    return true;
}

// The lower-case letter for the capitals of the scripts file names are mostly
// written in (Latin, Greek, Cyrillic, full-width Latin), whatever the process
// locale; other characters stand as they are.
char32_t FoldCase(char32_t c) {
    const auto in = [c](char32_t first, char32_t last) { return c >= first && c <= last; };
    const bool latin1 = in(0xC0, 0xDE) && c != 0xD7;
    const bool greek = in(0x391, 0x3AB) && c != 0x3A2;
    if (in('A', 'Z') || latin1 || greek || in(0x410, 0x42F) || in(0xFF21, 0xFF3A)) return c + 0x20;
    if (in(0x400, 0x40F)) return c + 0x50;
    if (in(0x100, 0x137) || in(0x14A, 0x177)) return c | 1;
    if (in(0x139, 0x148) || in(0x179, 0x17E)) return (c & 1) ? c + 1 : c;
    return c;
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
    KeepLast(Entries, kKeptAtClose);
}

// Names in another encoding compare byte for byte: their trail bytes may look like ASCII letters.
bool SamePathIgnoringCase(std::string_view a, std::string_view b) {
    std::u32string x;
    std::u32string y;
    if (!DecodeUtf8(a, x) || !DecodeUtf8(b, y)) return a == b;
    return std::equal(x.begin(), x.end(), y.begin(), y.end(),
                      [](char32_t p, char32_t q) { return FoldCase(p) == FoldCase(q); });
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
    files.Parse(ReadTail(path));
    KeepLast(files.Entries, TRecentFiles::kReadAtStart);
    return files;
}

void SaveRecentFiles(const TRecentFiles& files, const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    const std::string text = files.Text();
    base::WriteFileAtomically(path, text.data(), text.size());
}

}  // namespace app
