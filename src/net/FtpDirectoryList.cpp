#include "net/FtpDirectoryList.h"

namespace net {

void TFTPDirectoryList::Clear() {
    Names.clear();
    Sizes.clear();
    Dates.clear();
    Attributes.clear();
}

std::vector<std::string> TFTPDirectoryList::SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = line.find_first_not_of(' ');
    while (start != std::string::npos) {
        const std::size_t end = line.find(' ', start);
        if (fields.size() == kMaxFields) return {};
        fields.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
        start = end == std::string::npos ? end : line.find_first_not_of(' ', end);
    }
    return fields;
}

bool TFTPUnixList::ParseEntry(const std::string& line, TUnixListEntry& entry) {
    const std::vector<std::string> fields = SplitFields(line);
    const std::size_t n = fields.size();
    if (n <= 7) return false;
    entry.Name = fields[n - 1];
    entry.Size = fields[n - 5];
    entry.Date = fields[n - 4] + " " + fields[n - 3] + " " + fields[n - 2];
    entry.Attributes = fields[0];
    return true;
}

bool TFTPUnixList::ParseLine(const std::string& line) {
    TUnixListEntry entry;
    if (!ParseEntry(line, entry)) return false;
    Names.push_back(std::move(entry.Name));
    Sizes.push_back(std::move(entry.Size));
    Dates.push_back(std::move(entry.Date));
    Attributes.push_back(std::move(entry.Attributes));
    return true;
}

}  // namespace net
