#pragma once
// The span of one network command of the main window: the wait cursor is up,
// the window takes no other command, and a close asked for meanwhile happens
// when the command has ended.
#include <QApplication>
#include <QTimer>

#include "app/MainFrm.h"

namespace app {

class TNetworkCommand {
public:
    explicit TNetworkCommand(TMainFrm& window) : window_(window) {
        window_.networkBusy_ = true;
        window_.abortRequested_ = false;
        window_.AbortAction->setEnabled(true);
        window_.UpdateCommandStates();
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~TNetworkCommand() {
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
        window_.networkBusy_ = false;
        window_.AbortAction->setEnabled(false);
        window_.UpdateCommandStates();
        if (window_.closeWhenIdle_) QTimer::singleShot(0, &window_, [window = &window_] { window->close(); });
    }
    TNetworkCommand(const TNetworkCommand&) = delete;
    TNetworkCommand& operator=(const TNetworkCommand&) = delete;

private:
    TMainFrm& window_;
};

}  // namespace app
