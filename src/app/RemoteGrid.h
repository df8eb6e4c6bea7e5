#pragma once
// How the remote file grid draws its cells: a picture of the entry's kind before
// its name, texts centred, the selected row in red and underlined. The texts stay
// the items' own, so screen readers read them as they are.
#include <QStyledItemDelegate>

namespace app {

// Column 3, the kind text, chooses the picture in column 0.
constexpr int kKindColumn = 3;

class TRemoteGridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The IconList picture for a kind text: 4 unknown, 0 folder, 2 3D Studio, 3 DirectX.
int KindIconIndex(const QString& kind);

// A kind text of the listing as the window shows it: the Japanese ones in the window's language.
QString KindText(const QString& kind);

}  // namespace app
