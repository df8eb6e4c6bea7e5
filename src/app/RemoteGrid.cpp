#include "app/RemoteGrid.h"

#include <QPainter>

#include "app/Icons.h"

namespace app {

namespace {

constexpr int kIconSize = 16;

}  // namespace

int KindIconIndex(const QString& kind) {
    int index = 4;
    if (kind.contains(QString::fromUtf8("フォルダ"))) index = 0;
    if (kind.contains(QStringLiteral("3D-S"))) index = 2;
    if (kind.contains(QStringLiteral("Direct3D Geometory File")) || kind.contains(QStringLiteral("Direct3D Pcked Geometory File"))) {
        index = 3;
    }
    return index;
}

void TRemoteGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QString text = index.data().toString();
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->fillRect(option.rect, option.palette.base());
    QRect rect = option.rect;
    if (index.column() == 0 && !text.isEmpty()) {
        const QString kind = index.sibling(index.row(), kKindColumn).data().toString();
        const QIcon icon = GridIcon(KindIconIndex(kind));
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
