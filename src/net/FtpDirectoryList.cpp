#include "net/FtpDirectoryList.h"

#include <algorithm>

#include "net/Text.h"

namespace net {

void TFTPDirectoryList::Clear() {
    Names.clear();
    Sizes.clear();
    Dates.clear();
    Attributes.clear();
}

namespace {

struct TField {
    std::size_t End = 0;
    std::string Text;
};

// The first count fields of line, split at runs of spaces, each with where it ends.
std::vector<TField> LeadingFields(const std::string& line, std::size_t count) {
    std::vector<TField> fields;
    std::size_t start = line.find_first_not_of(' ');
    while (start != std::string::npos && fields.size() < count) {
        const std::size_t end = std::min(line.find(' ', start), line.size());
        fields.push_back({end, line.substr(start, end - start)});
        start = line.find_first_not_of(' ', end);
    }
    return fields;
}

// The line without its line end.
std::string WithoutLineEnd(const std::string& line) {
    return line.substr(0, line.find_last_not_of("\r\n") + 1);
}

}  // namespace

bool TFTPUnixList::ParseEntry(const std::string& text, TUnixListEntry& entry) {
    const std::string line = WithoutLineEnd(text);
    const std::vector<TField> fields = LeadingFields(line, 8);
    if (fields.size() < 7) return false;
    const std::size_t size = IsDigits(fields[4].Text) ? 4 : 3;
    const std::size_t time = size + 3;
    if (!IsDigits(fields[size].Text) || time >= fields.size() || fields[time].End + 1 >= line.size()) return false;
    entry.Attributes = fields[0].Text;
    entry.Size = fields[size].Text;
    entry.Date = fields[size + 1].Text + " " + fields[size + 2].Text + " " + fields[time].Text;
    entry.Name = line.substr(fields[time].End + 1);
    if (entry.Attributes.front() == 'l') entry.Name = entry.Name.substr(0, entry.Name.find(" -> "));
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
