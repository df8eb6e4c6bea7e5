#pragma once
// One line of an FTP folder listing as a row of the remote file grid: name,
// size text or "<DIR>", date and time, kind.
#include <optional>
#include <string>

namespace net {

// The kind texts of a row, by the name's extension.
inline constexpr const char* kKind3DS = "3D-Studio File";
inline constexpr const char* kKindPacked3DS = "3D-Studio Packed File";
inline constexpr const char* kKindDirectX = "Direct3D Geometory File";
inline constexpr const char* kKindPackedDirectX = "Direct3D Pcked Geometory File";

struct TRemoteRow {
    std::string Name;
    std::string SizeText;
    std::string DateText;
    std::string KindText;
    bool IsFolder = false;
};

// Lines of the Unix style ("drwxr-xr-x 2 user group 4096 Dec 7 08:10 name") are
// read by their permissions, size and date fields; every other line is read as a
// DOS-style server writes it: date, time, size or <DIR>, name. Either way the name
// is the rest of the line, spaces included; a link's row has the link's own name.
// A line is no entry, and gives no row, when its size field is not a number of
// bytes (nor, the DOS way, <DIR>): so neither the "total 5" that ls writes first
// nor a line the server garbled becomes a name. A blank line gives a blank row.
std::optional<TRemoteRow> ListingLineToRow(const std::string& line);

// size / 1024 with two decimals and thousands separators, then " KB" ("1,234.50 KB").
std::string FormatKilobytes(long long size);

}  // namespace net
