#pragma once
// Answering the message boxes and file dialogs a command opens, in tests.
#include <QString>

#include <functional>
#include <vector>

namespace windowtest {

struct ModalAnswers {
    std::vector<QString> boxTexts;  // the texts of the message boxes, in order
    std::vector<bool> boxPlain;     // whether each of them showed no icon
    QString proposed;               // the file a file dialog proposed before path was chosen
};

// Runs action, then lets posted events run. Every message box that opens
// meanwhile is closed with OK; a file dialog is accepted with path chosen.
ModalAnswers RunAnswering(const std::function<void()>& action, const QString& path = {});

// The texts of the message boxes that action opened.
std::vector<QString> AnswerMessageBoxes(const std::function<void()>& action);

}  // namespace windowtest
