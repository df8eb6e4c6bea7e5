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

    // The fields of a line split at runs of spaces; empty when it has more than kMaxFields.
    static constexpr std::size_t kMaxFields = 25;
    static std::vector<std::string> SplitFields(const std::string& line);
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
    // The entry of a line of more than 7 fields (counted from the end of the line).
    static bool ParseEntry(const std::string& line, TUnixListEntry& entry);
};

}  // namespace net
