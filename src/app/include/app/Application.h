#pragma once
// The application object: its title, the hooks the Qt-free modules call, and the
// top-level error report, which shows the text of any error that leaves a
// command in a message box and lets the program go on.
#include <QApplication>
#include <QTranslator>

#include <exception>

namespace app {

class TKorvaneApplication : public QApplication {
public:
    TKorvaneApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The error report: the error's text, its lines and language as the window shows them, in a message box.
    static void ShowException(const std::exception& error);

private:
    // The window's English texts, installed when the user reads English before Japanese.
    QTranslator translator_;
};

// The window font: a proportional Japanese Gothic at 12 pixels.
QFont WindowFont();

}  // namespace app
