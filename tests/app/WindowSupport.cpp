#include "WindowSupport.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

namespace windowtest {

// Answers every modal dialog that opens while action runs: message boxes are
// closed with OK, a file dialog gets path typed into its name field and is accepted.
ModalAnswers RunAnswering(const std::function<void()>& action, const QString& path) {
    ModalAnswers answers;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            answers.boxTexts.push_back(box->text());
            answers.boxPlain.push_back(box->icon() == QMessageBox::NoIcon);
            box->accept();
        } else if (auto* dialog = qobject_cast<QFileDialog*>(modal); dialog && dialog->isVisible()) {
            if (answers.proposed.isEmpty()) answers.proposed = dialog->selectedFiles().value(0);
            // The name field has the focus, so it is typed into rather than selected.
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        }
    });
    timer.start();
    action();
    QTest::qWait(30);
    timer.stop();
    return answers;
}

std::vector<QString> AnswerMessageBoxes(const std::function<void()>& action) {
    return RunAnswering(action).boxTexts;
}

}  // namespace windowtest
