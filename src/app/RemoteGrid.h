#pragma once
// How the remote file grid shows a listing entry: its name, size, date and kind
// texts, a picture of its kind before its name, texts centred, the selected row in
// red and underlined. The entry's facts (its raw name, whether it is a folder, its
// kind) ride on the name's item, so that the picture and the double click read
// them and never a displayed text. The texts stay the items' own, so screen
// readers read them as they are.
#include <QStyledItemDelegate>

#include <optional>

#include "app/RemoteListing.h"

class QTableWidget;

namespace app {

class TRemoteGridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// Writes entry into row of grid, replacing what the row showed.
void SetGridRow(QTableWidget& grid, int row, const TListingEntry& entry);

// The name and facts of the entry in row (its size and date texts left empty);
// none for a row that shows no entry.
std::optional<TListingEntry> GridRowEntry(const QTableWidget& grid, int row);

}  // namespace app
