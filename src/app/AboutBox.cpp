// The ヘルプ menu's About box.
#include <QMessageBox>

#include "app/MainFrm.h"

namespace app {

void TMainFrm::OnHelpMenu(QAction* sender) {
    if (sender != hAbout) return;
    const QString title = tr("バージョン情報");
    // The same version as korvane --version prints; Qt's is the one the program runs with.
    const QString text = tr("Korvane %1\n\nライセンス: %2\n\nQt %3")
                             .arg(QString::fromLatin1(KORVANE_VERSION), QString::fromLatin1(KORVANE_LICENSE),
                                  QString::fromLatin1(qVersion()));
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, this);
    box.setIconPixmap(windowIcon().pixmap(64));
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.setAccessibleName(title);
    box.setAccessibleDescription(text);
    box.exec();
}

}  // namespace app
