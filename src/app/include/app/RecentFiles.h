#pragma once
// The list of recently opened model files, oldest first, and its file: one path
// per line, each line ending in CR LF. No Qt: the window shows it, this keeps it.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace app {

class TRecentFiles {
public:
    static constexpr std::size_t kKeptAtClose = 10;
    // The most entries read from the file: enough to fill the list at close when
    // many of the newest files have vanished, few enough for a menu.
    static constexpr std::size_t kReadAtStart = 100;

    std::vector<std::string> Entries;

    // Replaces the entries with the lines of text: lines end at CR, LF or CR LF,
    // a last line without an end counts, a NUL byte ends the text.
    void Parse(std::string_view text);
    // Every entry followed by CR LF.
    std::string Text() const;

    // Appends path unless an entry names it already, ignoring letter case.
    void Add(const std::string& path);
    // Drops the entries for which exists is false, keeping the order of the rest.
    void DropMissing(const std::function<bool(const std::string&)>& exists);
    // Keeps the last kKeptAtClose entries.
    void Trim();
};

// Whether two paths are equal when letter case is ignored. Paths that are not
// UTF-8 are compared byte for byte.
bool SamePathIgnoringCase(std::string_view a, std::string_view b);

// Where the list is kept: beside the executable when that folder can be written,
// else in the user's configuration folder (configFolder, e.g. ~/.config/korvane/).
std::string RecentFileLocation(const std::string& executableFolder, const std::string& configFolder);

// The user's configuration folder for Korvane: $XDG_CONFIG_HOME/korvane/, else
// $HOME/.config/korvane/, with its trailing separator.
std::string UserConfigFolder();

// Reads the list at path: its last kReadAtStart entries, from no more of its end
// than that many of the longest paths take; a line cut there is left out. A
// missing file gives an empty list. Raises base::EFOpenError when path is not a
// regular file (a folder, a FIFO).
TRecentFiles LoadRecentFiles(const std::string& path);
// Writes the list to path through a temporary file and a rename, creating the
// folder if needed. Raises base::EStreamError when it cannot be written.
void SaveRecentFiles(const TRecentFiles& files, const std::string& path);

}  // namespace app
