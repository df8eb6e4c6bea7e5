#include "app/Commands.h"

#include <QAction>
#include <QToolButton>

#include <utility>

#include "widgets/HandlerGuard.h"

namespace app {

namespace {

bool Enabled(const TCommand& command, const TCommandStates& states) {
    return !command.State || states.*command.State;
}

}  // namespace

TCommandSet::TCommandSet(std::function<TCommandInputs()> inputs, QObject* parent)
    : QObject(parent), inputs_(std::move(inputs)) {}

void TCommandSet::Bind(TCommand command) {
    // Each command is kept by position: the vector may grow after a connection is made.
    const std::size_t position = commands_.size();
    const auto run = widgets::Guarded([this, position] { Run(commands_[position]); });
    for (QAction* item : command.Items) connect(item, &QAction::triggered, this, run);
    for (QToolButton* button : command.Buttons) connect(button, &QToolButton::clicked, this, run);
    commands_.push_back(std::move(command));
}

void TCommandSet::Update() {
    const TCommandStates states = CommandStates(inputs_());
    for (const TCommand& command : commands_) {
        const bool enabled = Enabled(command, states);
        for (QAction* item : command.Items) item->setEnabled(enabled);
        for (QAction* item : command.Followers) item->setEnabled(enabled);
        for (QToolButton* button : command.Buttons) button->setEnabled(enabled);
    }
}

void TCommandSet::Run(const TCommand& command) {
    const TCommandInputs inputs = inputs_();
    if (inputs.NetworkBusy && !command.WhileBusy) return;
    if (!Enabled(command, CommandStates(inputs))) return;
    command.Action();
    Update();
}

}  // namespace app
