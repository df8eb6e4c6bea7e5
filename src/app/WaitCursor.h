#pragma once
// The hourglass while a command runs: up for the object's life, and the normal
// cursor back when it ends, also when an error ends the command.
#include <QApplication>

namespace app {

class TWaitCursor {
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { RestoreNormal(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;

    // The normal cursor, however many commands put the hourglass up.
    static void RestoreNormal() {
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    }
};

}  // namespace app
