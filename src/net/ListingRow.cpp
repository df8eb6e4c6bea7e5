#include "net/ListingRow.h"

#include "base/AsciiCase.h"
#include "base/Format.h"
#include "net/FtpDirectoryList.h"
#include "net/Text.h"

#include <algorithm>
#include <charconv>
#include <optional>
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

// The size field as a number of bytes; none when it is not all digits ("-5",
// "many", empty) or too large to be a size.
std::optional<long long> SizeOf(const std::string& field) {
    long long size = 0;
    if (!IsDigits(field) || std::from_chars(field.data(), field.data() + field.size(), size).ec != std::errc()) {
        return std::nullopt;
    }
    return size;
}

std::string KindOf(const std::string& name, bool isFolder) {
    std::string kind = isFolder ? kKindFolder : kKindUnknown;
    const std::string lower = base::LowerAscii(name);
    if (lower.find(".3ds") != std::string::npos) kind = kKind3DS;
    if (lower.find(".3da") != std::string::npos) kind = kKindPacked3DS;
    if (lower.find(".x") != std::string::npos) kind = kKindDirectX;
    if (lower.find(".xa") != std::string::npos) kind = kKindPackedDirectX;
    return kind;
}

TRemoteRow MakeRow(std::string name, long long size, std::string date, bool isFolder) {
    TRemoteRow row;
    row.SizeText = isFolder ? "<DIR>" : FormatKilobytes(size);
    row.KindText = KindOf(name, isFolder);
    row.Name = std::move(name);
    row.DateText = std::move(date);
    row.IsFolder = isFolder;
    return row;
}

// Whether the line starts with ten permission characters, the first of them the
// kind: "-" file, "d" folder, "l" link, "p" FIFO, "s" socket, "b" or "c" device.
bool HasPermissionsField(const std::string& line) {
    const std::size_t start = std::min(line.find_first_not_of(' '), line.size());
    const std::string_view first = std::string_view(line).substr(start, line.find(' ', start) - start);
    return first.size() == 10 && std::string_view("-dlpsbc").find(first[0]) != std::string_view::npos;
}

// A Unix-style line, by the fields of TFTPUnixList.
std::optional<TRemoteRow> ReadUnixLine(const std::string& line) {
    TUnixListEntry entry;
    if (!TFTPUnixList::ParseEntry(line, entry)) return std::nullopt;
    const std::optional<long long> size = SizeOf(entry.Size);
    if (!size) return std::nullopt;
    const bool isFolder = entry.Attributes[0] == 'd';
    return MakeRow(entry.Name, isFolder ? 0 : *size, entry.Date, isFolder);
}

// Date, time, size or <DIR>, then the name: the rest of the line, spaces included.
// A blank line is a blank row, as it always was in the grid.
std::optional<TRemoteRow> ReadDosLine(const std::string& line) {
    std::string fields[3];
    std::string rest = Trim(line);
    if (rest.empty()) return MakeRow({}, 0, " ", false);
    for (std::string& field : fields) {
        const std::size_t space = rest.find(' ');
        if (space == std::string::npos) break;
        field = rest.substr(0, space);
        rest = Trim(rest.substr(space + 1));
    }
    const bool isFolder = base::UpperAscii(fields[2]) == "<DIR>";
    const std::optional<long long> size = isFolder ? 0 : SizeOf(fields[2]);
    if (!size) return std::nullopt;
    return MakeRow(rest, *size, fields[0] + " " + fields[1], isFolder);
}

}  // namespace

std::optional<TRemoteRow> ListingLineToRow(const std::string& line) {
    return HasPermissionsField(line) ? ReadUnixLine(line) : ReadDosLine(line);
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
