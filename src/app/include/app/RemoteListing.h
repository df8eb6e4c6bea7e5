#pragma once
// A line of a remote folder listing as the facts the grid draws: the entry's
// texts, whether it is a folder, and its kind by the one file-kind rule, so that
// nothing has to read a displayed text back.
#include <optional>
#include <string>

#include "model3ds/FileKind.h"

namespace app {

struct TListingEntry {
    std::string Name;  // the raw bytes the server sent
    std::string SizeText;
    std::string DateText;
    bool IsFolder = false;
    // By model3ds::FileKindByName; Unknown for a folder, whatever its name.
    model3ds::TFileKind Kind = model3ds::TFileKind::Unknown;
};

// None for a line that is no entry (net::ListingLineToRow's rule).
std::optional<TListingEntry> ListingEntry(const std::string& line);

}  // namespace app
