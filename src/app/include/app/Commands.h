#pragma once
// The main window's commands as objects. A command holds its action and the
// member of TCommandStates that enables it; every menu item and tool button
// bound to it runs that one action and shows that one state. Binding is the only
// way to connect a command, and it puts the action inside the handler guard.
#include <QObject>

#include <functional>
#include <vector>

#include "app/CommandStates.h"

class QAction;
class QToolButton;

namespace app {

struct TCommand {
    std::function<void()> Action = {};
    // Its member of TCommandStates; null for a command that is always enabled.
    bool TCommandStates::*State = nullptr;
    // Runs also during a network command: the About box, which starts none. The
    // others wait for its end (Esc, which ends it, is the remote panel's own).
    bool WhileBusy = false;
    std::vector<QAction*> Items = {};        // actions that run it: menu items, a shortcut
    std::vector<QToolButton*> Buttons = {};  // tool buttons that run it
    std::vector<QAction*> Followers = {};    // items that only show its state (a submenu's item)
};

class TCommandSet : public QObject {
public:
    // inputs gathers the window's state that decides the commands; it is read
    // whenever the commands are updated or one is run.
    explicit TCommandSet(std::function<TCommandInputs()> inputs, QObject* parent = nullptr);

    // Connects command's items and buttons to it. A command runs only while the
    // current inputs enable it; afterwards every command's state is updated.
    void Bind(TCommand command);
    // Sets each bound item and button enabled as the current inputs say.
    void Update();

private:
    void Run(const TCommand& command);

    std::function<TCommandInputs()> inputs_;
    std::vector<TCommand> commands_;
};

}  // namespace app
