// The login dialog on its own, on the offscreen platform: the settings a login
// gives or a cancel keeps (its layout, with the display's fonts: WebAdrFrmTest.cpp).
#include <gtest/gtest.h>

#include <QComboBox>
#include <QApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "app/RemoteSession.h"
#include "app/WebAdrFrm.h"
#include "widgets/FnpNumericEdit.h"
#include "widgets/SpinEdit.h"

using app::TWebAdrFrm;

namespace {

// Before the shared application object is made: these tests need no display.
[[maybe_unused]] const bool offscreen = qputenv("QT_QPA_PLATFORM", "offscreen");

// The session settings the dialog writes.
struct Settings {
    std::string address;
    std::string folder;
    int port;
    int timeOut;
    std::string user;
    std::string password;

    bool operator==(const Settings&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Settings& s) {
    return out << s.address << " /" << s.folder << " :" << s.port << " " << s.timeOut << "ms " << s.user << " "
               << s.password;
}

// What the user fills in; user "匿名 (list)" chooses the list item instead of typing.
struct Form {
    const char* address = "models.example";
    const char* port = "21";
    int timeOutSteps = 0;  // arrow presses from the 5 minutes shown, negative: down
    const char* folder = "ximg";
    const char* user = "taro";
    const char* password = "secret";
};

const char* const kChosenAnonymous = "匿名 (list)";

// ASCII is typed key by key; other text arrives as an input method commits it.
void Type(QWidget* widget, const char* utf8) {
    const QString text = QString::fromUtf8(utf8);
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClicks(widget, QString(c));
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QApplication::sendEvent(widget, &commit);
        }
    }
}

class LoginDialog : public ::testing::Test {
protected:
    void SetUp() override {
        dialog_ = std::make_unique<TWebAdrFrm>(owner_);
        dialog_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
    }

    // The settings in force: those of the last accepted login, or a new session's before any.
    Settings Current() const {
        const app::TWebSettings w = dialog_->Settings().value_or(app::TRemoteSession().Settings());
        return {w.ServerAddress, w.HttpFolder, w.Port, w.TimeOut, w.UserID, w.Password};
    }

    void Fill(const Form& form) {
        TWebAdrFrm& d = *dialog_;
        Type(d.URLEdit, form.address);
        Type(d.PortNo, form.port);
        for (int step = 0; step < std::abs(form.timeOutSteps); ++step) {
            QTest::keyClick(d.TimeOutEdit, form.timeOutSteps > 0 ? Qt::Key_Up : Qt::Key_Down);
        }
        Type(d.HttpFolderEdit, form.folder);
        if (std::string(form.user) == kChosenAnonymous) {
            d.UseNameCombo->setCurrentIndex(0);
        } else {
            Type(d.UseNameCombo, form.user);
        }
        if (d.PassWordEdit->isEnabled()) Type(d.PassWordEdit, form.password);
    }

    QWidget owner_;
    std::unique_ptr<TWebAdrFrm> dialog_;
};

}  // namespace

TEST_F(LoginDialog, LoginWritesTheSettingsOnlyFromACompleteForm) {
    const Settings before{"localhost", "ximg", 0, 60000, "", ""};
    struct Case {
        const char* name;
        Form form;
        bool accepted;
        Settings after;
    };
    const Case cases[] = {
        {"named user", {}, true, {"models.example", "ximg", 21, 300000, "taro", "secret"}},
        {"anonymous from the list, no password", {.user = kChosenAnonymous, .password = ""}, true,
         {"models.example", "ximg", 21, 300000, "anonymous", "PubUsr@"}},
        {"anonymous typed by hand", {.user = "匿名"}, true,
         {"models.example", "ximg", 21, 300000, "anonymous", "PubUsr@"}},
        {"one minute", {.timeOutSteps = -6}, true, {"models.example", "ximg", 21, 60000, "taro", "secret"}},
        {"ten minutes at most", {.timeOutSteps = 9}, true, {"models.example", "ximg", 21, 600000, "taro", "secret"}},
        {"texts as typed", {.address = " host ", .port = "65535", .folder = "a/b", .user = " jiro", .password = "p w"},
         true, {" host ", "a/b", 65535, 300000, " jiro", "p w"}},
        {"no address", {.address = ""}, false, before},
        {"no folder", {.folder = ""}, false, before},
        {"port 0", {.port = "0"}, false, before},
        {"port past the TCP ports", {.port = "65536"}, false, before},
        {"negative port", {.port = "-21"}, false, before},
        {"no user", {.user = ""}, false, before},
        {"named user without password", {.password = ""}, false, before},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialog_ = std::make_unique<TWebAdrFrm>(owner_);
        dialog_->show();
        Fill(c.form);
        QTest::keyClick(dialog_->UseNameCombo, Qt::Key_Return);
        EXPECT_EQ(dialog_->isVisible(), !c.accepted);
        EXPECT_EQ(dialog_->result(), c.accepted ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(Current(), c.after);
    }
}

TEST_F(LoginDialog, AnonymousUserNeedsNoPassword) {
    TWebAdrFrm& d = *dialog_;
    d.UseNameCombo->setCurrentIndex(0);
    EXPECT_FALSE(d.PassWordEdit->isEnabled());
    QTest::keyClick(d.UseNameCombo, Qt::Key_Backspace);
    EXPECT_TRUE(d.PassWordEdit->isEnabled());
    Type(d.UseNameCombo, "名");
    EXPECT_FALSE(d.PassWordEdit->isEnabled());
    QTest::keyClicks(d.UseNameCombo, "x");
    EXPECT_TRUE(d.PassWordEdit->isEnabled());
}

TEST_F(LoginDialog, TimeOutChangesByArrowsOnly) {
    TWebAdrFrm& d = *dialog_;
    QTest::keyClicks(d.TimeOutEdit, "9");
    QTest::keyClick(d.TimeOutEdit, Qt::Key_Backspace);
    EXPECT_EQ(d.TimeOutEdit->Value(), 5);
    QTest::keyClick(d.TimeOutEdit, Qt::Key_Up);
    EXPECT_EQ(d.TimeOutEdit->Value(), 6);
}

TEST_F(LoginDialog, CancelKeepsThePreviousSessionAndTheTypedFields) {
    TWebAdrFrm& d = *dialog_;
    Fill({});
    QTest::mouseClick(d.LoninBtn, Qt::LeftButton);
    ASSERT_EQ(d.result(), QDialog::Accepted);
    const Settings first = Current();

    d.show();
    QTest::keyClicks(d.URLEdit, "2");
    QTest::keyClick(d.URLEdit, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(Current(), first);

    d.show();
    EXPECT_EQ(d.URLEdit->text(), "models.example2");
    EXPECT_EQ(d.PortNo->text(), "21");
    QTest::mouseClick(d.CancelBtn, Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(Current(), first);
}
