#include "net/ListingRow.h"

#include "base/Format.h"
#include "net/FtpDirectoryList.h"
#include "net/Text.h"

#include <charconv>
#include <string_view>

namespace net {

namespace {

constexpr const char* kKindUnknown = "不明";
constexpr const char* kKindFolder = "フォルダ";

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Removes spaces and control characters at both ends.
std::string Trim(const std::string& text) {
    std::size_t start = 0;
    std::size_t end = text.size();
    while (start < end && IsBlank(text[start])) ++start;
    while (end > start && IsBlank(text[end - 1])) --end;
    return text.substr(start, end - start);
}

// The size field as a number; 0 when it is empty or not a number.
long long SizeOf(const std::string& field) {
    long long size = 0;
    const auto result = std::from_chars(field.data(), field.data() + field.size(), size);
    return result.ec == std::errc() && result.ptr == field.data() + field.size() ? size : 0;
}

std::string KindOf(const std::string& name, bool isFolder) {
    std::string kind = isFolder ? kKindFolder : kKindUnknown;
    const std::string lower = LowerCase(name);
    if (lower.find(".3ds") != std::string::npos) kind = "3D-Studio File";
    if (lower.find(".3da") != std::string::npos) kind = "3D-Studio Packed File";
    if (lower.find(".x") != std::string::npos) kind = "Direct3D Geometory File";
    if (lower.find(".xa") != std::string::npos) kind = "Direct3D Pcked Geometory File";
    return kind;
}

TRemoteRow MakeRow(std::string name, long long size, std::string date, bool isFolder) {
    TRemoteRow row;
    row.SizeText = size > 0 || !isFolder ? FormatKilobytes(size) : "<DIR>";
    row.KindText = KindOf(name, isFolder);
    row.Name = std::move(name);
    row.DateText = std::move(date);
    row.IsFolder = isFolder;
    return row;
}

// A Unix-style line: ten permission characters first, then the fields of TFTPUnixList.
bool ReadUnixLine(const std::string& line, TRemoteRow& row) {
    TUnixListEntry entry;
    if (!TFTPUnixList::ParseEntry(line, entry)) return false;
    // The first letter is the kind: "-" file, "d" folder, "l" link, "p" FIFO, "s" socket, "b" or "c" device.
    const std::string& permissions = entry.Attributes;
    if (permissions.size() != 10 || std::string_view("-dlpsbc").find(permissions[0]) == std::string_view::npos) {
        return false;
    }
    const bool isFolder = permissions[0] == 'd';
    row = MakeRow(entry.Name, isFolder ? 0 : SizeOf(entry.Size), entry.Date, isFolder);
    return true;
}

// Date, time, size or <DIR>, then the name: the rest of the line, spaces included.
TRemoteRow ReadDosLine(const std::string& line) {
    std::string fields[3];
    std::string rest = Trim(line);
    for (std::string& field : fields) {
        const std::size_t space = rest.find(' ');
        if (space == std::string::npos) break;
        field = rest.substr(0, space);
        rest = Trim(rest.substr(space + 1));
    }
    const bool isFolder = UpperCase(line).find("DIR") != std::string::npos;
    return MakeRow(rest, SizeOf(fields[2]), fields[0] + " " + fields[1], isFolder);
}

}  // namespace

TRemoteRow ListingLineToRow(const std::string& line) {
    TRemoteRow row;
    if (ReadUnixLine(line, row)) return row;
    return ReadDosLine(line);
}

std::string FormatKilobytes(long long size) {
    const std::string digits = base::Format("%.2f", static_cast<double>(size) / 1024.0);
    const std::size_t sign = digits[0] == '-' ? 1 : 0;
    const std::size_t point = digits.find('.');
    std::string text = digits.substr(0, sign);
    for (std::size_t i = sign; i < point; ++i) {
        if (i > sign && (point - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    return text + digits.substr(point) + " KB";
}

}  // namespace net
