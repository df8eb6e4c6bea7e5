#include "app/RemoteListing.h"

#include "net/ListingRow.h"

namespace app {

std::optional<TListingEntry> ListingEntry(const std::string& line) {
    std::optional<net::TRemoteRow> row = net::ListingLineToRow(line);
    if (!row) return std::nullopt;
    const model3ds::TFileKind kind = row->IsFolder ? model3ds::TFileKind::Unknown : model3ds::FileKindByName(row->Name);
    return TListingEntry{.Name = std::move(row->Name),
                         .SizeText = std::move(row->SizeText),
                         .DateText = std::move(row->DateText),
                         .IsFolder = row->IsFolder,
                         .Kind = kind};
}

}  // namespace app
