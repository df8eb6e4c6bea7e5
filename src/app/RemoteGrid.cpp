#include "RemoteGrid.h"

#include <QCoreApplication>
#include <QPainter>

#include "Icons.h"

namespace app {

namespace {

constexpr int kIconSize = 16;

constexpr const char* kTranslatedKinds[] = {QT_TRANSLATE_NOOP("app::RemoteGrid", "フォルダ"),
                                            QT_TRANSLATE_NOOP("app::RemoteGrid", "不明")};

}  // namespace

int KindIconIndex(const QString& kind) {
    int index = 4;
    if (kind.contains(QCoreApplication::translate("app::RemoteGrid", "フォルダ"))) index = 0;
    if (kind.contains(QStringLiteral("3D-S"))) index = 2;
    if (kind.contains(QStringLiteral("Direct3D Geometory File")) || kind.contains(QStringLiteral("Direct3D Pcked Geometory File"))) {
        index = 3;
    }
    return index;
}

QString KindText(const QString& kind) {
    for (const char* source : kTranslatedKinds) {
        if (kind == QString::fromUtf8(source)) return QCoreApplication::translate("app::RemoteGrid", source);
    }
    return kind;
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
