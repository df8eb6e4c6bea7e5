// The ヘルプ menu's About box.
#include "AboutBox.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace app {

void ShowAboutBox(QWidget& window) {
    // In the main window's context, where its translation has always been.
    const QString title = QCoreApplication::translate("app::TMainFrm", "バージョン情報");
    // The same version as korvane --version prints; Qt's is the one the program runs with.
    const QString text = QCoreApplication::translate("app::TMainFrm", "Korvane %1\n\nライセンス: %2\n\nQt %3")
                             .arg(QString::fromLatin1(KORVANE_VERSION), QString::fromLatin1(KORVANE_LICENSE),
                                  QString::fromLatin1(qVersion()));
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, &window);
    box.setIconPixmap(window.windowIcon().pixmap(64));
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.setAccessibleName(title);
    box.setAccessibleDescription(text);
    box.exec();
}

}  // namespace app
