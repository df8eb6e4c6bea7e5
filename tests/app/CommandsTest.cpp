// The command objects on widgets of their own, without the window and without a
// display: their items and buttons show their state and run their action alike.
#include <gtest/gtest.h>

#include <QAction>
#include <QToolButton>

#include <array>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/Commands.h"
#include "widgets/HandlerGuard.h"

using app::TCommandInputs;
using app::TCommandSet;
using app::TCommandStates;

namespace {

// Before the shared application object is made: these tests need no display.
[[maybe_unused]] const bool offscreen = qputenv("QT_QPA_PLATFORM", "offscreen");

// Four commands as the window has them: one with a menu item and a tool button,
// one with a submenu's item that only follows it, one always enabled, and the
// About box that also runs during a network command.
class Commands : public ::testing::Test {
protected:
    void SetUp() override {
        commands_.Bind({.Action = [this] { Ran("open"); }, .State = &TCommandStates::Open, .Items = {&openItem_},
                        .Buttons = {&openButton_}});
        commands_.Bind({.Action = [this] { Ran("save"); }, .State = &TCommandStates::Save, .Items = {&saveItem_},
                        .Followers = {&saveMenu_}});
        commands_.Bind({.Action = [this] { Ran("quit"); }, .Items = {&quitItem_}});
        commands_.Bind({.Action = [this] { Ran("about"); }, .WhileBusy = true, .Items = {&aboutItem_}});
    }

    void Ran(const std::string& name) {
        ran_.push_back(name);
        if (onRun_) onRun_();
    }

    // Each command's widgets, all of which must agree: open, save, quit, about.
    std::array<bool, 4> Shown() const {
        EXPECT_EQ(openItem_.isEnabled(), openButton_.isEnabled());
        EXPECT_EQ(saveItem_.isEnabled(), saveMenu_.isEnabled());
        return {openItem_.isEnabled(), saveItem_.isEnabled(), quitItem_.isEnabled(), aboutItem_.isEnabled()};
    }

    // Every widget that runs a command, triggered or clicked as the user would.
    void RunAll() {
        openItem_.trigger();
        openButton_.click();
        saveItem_.trigger();
        saveMenu_.trigger();
        quitItem_.trigger();
        aboutItem_.trigger();
    }

    TCommandInputs inputs_;
    TCommandSet commands_{[this] { return inputs_; }};
    QAction openItem_, saveItem_, saveMenu_, quitItem_, aboutItem_;
    QToolButton openButton_;
    std::vector<std::string> ran_;
    std::function<void()> onRun_;
};

}  // namespace

TEST_F(Commands, WidgetsShowTheStateOfTheirCommand) {
    struct Case {
        const char* name;
        TCommandInputs inputs;
        std::array<bool, 4> shown;
    };
    const Case cases[] = {
        {"nothing loaded", {}, {true, false, true, true}},
        {"loaded", {.MeshCount = 2}, {false, false, true, true}},
        {"mesh selected", {.MeshCount = 2, .NodeSelected = true}, {false, true, true, true}},
        {"network busy", {.MeshCount = 2, .NodeSelected = true, .NetworkBusy = true}, {false, false, true, true}},
        {"idle again", {}, {true, false, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        inputs_ = c.inputs;
        commands_.Update();
        EXPECT_EQ(Shown(), c.shown);
    }
}

// The widgets were enabled when last updated; what runs is what the inputs enable now.
TEST_F(Commands, ARunIsDecidedByTheInputsAtThatMoment) {
    struct Case {
        const char* name;
        TCommandInputs now;
        std::vector<std::string> ran;
    };
    const Case cases[] = {
        {"idle", {}, {"open", "open", "quit", "about"}},
        {"loaded and selected", {.MeshCount = 1, .NodeSelected = true}, {"save", "quit", "about"}},
        {"network busy", {.NetworkBusy = true}, {"about"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (QAction* item : {&openItem_, &saveItem_, &saveMenu_}) item->setEnabled(true);
        openButton_.setEnabled(true);
        inputs_ = c.now;
        ran_.clear();
        RunAll();
        EXPECT_EQ(ran_, c.ran);
    }
}

TEST_F(Commands, ARunUpdatesEveryCommandAfterItsAction) {
    commands_.Update();
    onRun_ = [this] { inputs_.MeshCount = 1; };
    openButton_.click();
    EXPECT_EQ(ran_, std::vector<std::string>{"open"});
    EXPECT_EQ(Shown(), (std::array{false, false, true, true}));
}

TEST_F(Commands, AnErrorInAnActionIsReportedAndStaysInside) {
    std::vector<std::string> reported;
    widgets::SetHandlerErrorReporter([&](const std::exception& error) { reported.push_back(error.what()); });
    onRun_ = [] { throw std::runtime_error("no such file"); };
    commands_.Update();
    EXPECT_NO_THROW(openItem_.trigger());
    EXPECT_NO_THROW(openButton_.click());
    EXPECT_NO_THROW(quitItem_.trigger());
    widgets::SetHandlerErrorReporter({});
    EXPECT_EQ(reported, (std::vector<std::string>{"no such file", "no such file", "no such file"}));
}
