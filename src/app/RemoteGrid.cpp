#include "RemoteGrid.h"

#include <QCoreApplication>
#include <QPainter>
#include <QTableWidget>

#include "DisplayText.h"
#include "Icons.h"
#include "net/ListingRow.h"

namespace app {

namespace {

constexpr int kIconSize = 16;
constexpr int kKindColumn = 3;

// The raw bytes of the name, as the server sent them, and the entry's facts.
constexpr int kNameRole = Qt::UserRole;
constexpr int kFolderRole = Qt::UserRole + 1;
constexpr int kKindRole = Qt::UserRole + 2;

constexpr const char* kFolderText = QT_TRANSLATE_NOOP("app::RemoteGrid", "フォルダ");
constexpr const char* kUnknownText = QT_TRANSLATE_NOOP("app::RemoteGrid", "不明");

// The IconList picture: 0 folder, 2 3D Studio model, 3 DirectX data, 4 anything else.
int KindIconIndex(bool isFolder, model3ds::TFileKind kind) {
    if (isFolder) return 0;
    switch (kind) {
    case model3ds::TFileKind::Model3DS:
    case model3ds::TFileKind::PackedModel3DS:
        return 2;
    case model3ds::TFileKind::DirectX:
    case model3ds::TFileKind::PackedDirectX:
        return 3;
    default:
        return 4;
    }
}

// The kind column's text: the listing's kind text, the Japanese ones in the window's language.
QString KindText(const TListingEntry& entry) {
    const char* text = kUnknownText;
    if (entry.IsFolder) {
        text = kFolderText;
    } else if (entry.Kind == model3ds::TFileKind::Model3DS) {
        text = net::kKind3DS;
    } else if (entry.Kind == model3ds::TFileKind::PackedModel3DS) {
        text = net::kKindPacked3DS;
    } else if (entry.Kind == model3ds::TFileKind::DirectX) {
        text = net::kKindDirectX;
    } else if (entry.Kind == model3ds::TFileKind::PackedDirectX) {
        text = net::kKindPackedDirectX;
    }
    return QCoreApplication::translate("app::RemoteGrid", text);
}

}  // namespace

void SetGridRow(QTableWidget& grid, int row, const TListingEntry& entry) {
    auto* name = new QTableWidgetItem(DisplayText(entry.Name));
    name->setData(kNameRole, QByteArray::fromStdString(entry.Name));
    name->setData(kFolderRole, entry.IsFolder);
    name->setData(kKindRole, static_cast<int>(entry.Kind));
    grid.setItem(row, 0, name);
    grid.setItem(row, 1, new QTableWidgetItem(DisplayText(entry.SizeText)));
    grid.setItem(row, 2, new QTableWidgetItem(DisplayText(entry.DateText)));
    grid.setItem(row, kKindColumn, new QTableWidgetItem(KindText(entry)));
}

std::optional<TListingEntry> GridRowEntry(const QTableWidget& grid, int row) {
    const QTableWidgetItem* name = grid.item(row, 0);
    if (!name) return std::nullopt;
    TListingEntry entry;
    entry.Name = name->data(kNameRole).toByteArray().toStdString();
    entry.IsFolder = name->data(kFolderRole).toBool();
    entry.Kind = static_cast<model3ds::TFileKind>(name->data(kKindRole).toInt());
    return entry;
}

void TRemoteGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QString text = index.data().toString();
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->fillRect(option.rect, option.palette.base());
    QRect rect = option.rect;
    if (index.column() == 0 && !text.isEmpty()) {
        const auto kind = static_cast<model3ds::TFileKind>(index.data(kKindRole).toInt());
        const QIcon icon = GridIcon(KindIconIndex(index.data(kFolderRole).toBool(), kind));
        icon.paint(painter, QRect(rect.topLeft(), QSize(kIconSize, kIconSize)));
        rect.setLeft(rect.left() + kIconSize + 2);
    }
    QFont font = option.font;
    font.setUnderline(selected);
    painter->setFont(font);
    painter->setPen(selected ? QColor(Qt::red) : option.palette.color(QPalette::Text));
    painter->drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, text);
    painter->restore();
}

}  // namespace app
