#pragma once
// Listing parsers: each accepted listing line adds one entry to four lists.
#include <string>
#include <vector>

namespace net {

class TFTPDirectoryList {
public:
    virtual ~TFTPDirectoryList() = default;

    std::vector<std::string> Names;
    std::vector<std::string> Sizes;
    std::vector<std::string> Dates;
    std::vector<std::string> Attributes;

    void Clear();
    // Adds the line's entry when the line is one this parser understands.
    virtual bool ParseLine(const std::string& line) = 0;
};

// One entry of a Unix-style listing line ("drwxr-xr-x 2 user group 4096 Dec 7 08:10 name").
struct TUnixListEntry {
    std::string Name;
    std::string Size;
    std::string Date;
    std::string Attributes;
};

class TFTPUnixList : public TFTPDirectoryList {
public:
    bool ParseLine(const std::string& line) override;
    // The entry of a line "PERMISSIONS LINKS OWNER [GROUP] SIZE MONTH DAY TIME NAME",
    // its fields read from the start: the size is the first all-digit field of the
    // fifth or fourth, and the name is the rest of the line after the single space
    // that follows the time, spaces included. A link's name ends before its " -> ".
    static bool ParseEntry(const std::string& line, TUnixListEntry& entry);
};

}  // namespace net
