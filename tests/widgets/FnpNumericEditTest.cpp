#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLocale>
#include <QTest>
#include <QVBoxLayout>

#include <functional>
#include <memory>

#include "base/Errors.h"
#include "widgets/FnpNumericEdit.h"

using widgets::TFnpNumericEdit;

namespace {

// A window holding the numeric field and one other field to leave it for.
class NumericEdit : public ::testing::Test {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&window_);
        edit_ = new TFnpNumericEdit;
        other_ = new QLineEdit;
        layout->addWidget(edit_);
        layout->addWidget(other_);
        window_.show();
        window_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    }

    QWidget window_;
    TFnpNumericEdit* edit_;
    QLineEdit* other_;
};

void Commit(QWidget* widget, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(widget, &event);
}

}  // namespace

TEST_F(NumericEdit, KeysClipboardAndInputMethodEditThroughTheRules) {
    using Keys = std::function<void(TFnpNumericEdit*)>;
    const auto clicks = [](const char* text) { return [=](TFnpNumericEdit* e) { QTest::keyClicks(e, text); }; };
    const auto key = [](Qt::Key k, Qt::KeyboardModifiers m = {}) {
        return [=](TFnpNumericEdit* e) { QTest::keyClick(e, k, m); };
    };
    struct Case {
        const char* name;
        int decimals;
        double value;
        int caret;
        const char* clipboard;
        Keys keys;
        const char* text;
        int caretAfter;
    };
    const Case cases[] = {
        {"a lone 0 is replaced", 0, 0, 1, "", clicks("21"), "21", 2},
        {"the separator jumps, the fraction is fixed", 2, 0, 0, "", clicks("5.257"), "5.25", 4},
        {"backspace shifts the fraction", 2, 12.34, 4, "", key(Qt::Key_Backspace), "12.40", 3},
        {"delete steps over the separator", 2, 12.34, 2, "", key(Qt::Key_Delete), "12.34", 3},
        {"minus toggles the sign", 2, 5, 4, "", clicks("-"), "-5.00", 5},
        {"a selection is deleted whole", 0, 123, 3, "", [](TFnpNumericEdit* e) {
             QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
             QTest::keyClick(e, Qt::Key_Backspace);
         }, "0", 1},
        {"the line edit's own deletions are refused", 2, 12.34, 0, "", [](TFnpNumericEdit* e) {
             for (Qt::Key k : {Qt::Key_Z, Qt::Key_W, Qt::Key_K, Qt::Key_U}) QTest::keyClick(e, k, Qt::ControlModifier);
         }, "12.34", 0},
        {"ctrl+backspace is a backspace", 2, 12.34, 5, "", key(Qt::Key_Backspace, Qt::ControlModifier), "12.30", 4},
        {"cut", 2, 12.34, 0, "", [](TFnpNumericEdit* e) {
             QTest::keyClick(e, Qt::Key_End, Qt::ShiftModifier);
             QTest::keyClick(e, Qt::Key_X, Qt::ControlModifier);
             EXPECT_EQ(QApplication::clipboard()->text(), "12.34");
         }, "0.00", 1},
        {"paste drops what is no number", 0, 0, 1, "4a2", key(Qt::Key_V, Qt::ControlModifier), "42", 2},
        {"shift+insert pastes", 2, 0, 0, "3.7", key(Qt::Key_Insert, Qt::ShiftModifier), "3.70", 3},
        {"input method text is typed", 0, 0, 1, "", [](TFnpNumericEdit* e) { Commit(e, "7x"); }, "7", 1},
        {"middle button pastes the selection clipboard", 0, 0, 1, "", [](TFnpNumericEdit* e) {
             if (!QApplication::clipboard()->supportsSelection()) return Commit(e, "99");
             QApplication::clipboard()->setText("9z9", QClipboard::Selection);
             QTest::mouseClick(e, Qt::MiddleButton, {}, e->rect().center());
         }, "99", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        edit_->setFocus();
        edit_->SetDecimals(c.decimals);
        edit_->SetValue(c.value);
        edit_->setCursorPosition(c.caret);
        QApplication::clipboard()->setText(c.clipboard);
        c.keys(edit_);
        EXPECT_EQ(edit_->text().toStdString(), c.text);
        EXPECT_EQ(edit_->cursorPosition(), c.caretAfter);
    }
}

TEST_F(NumericEdit, ReadOnlyFieldKeepsItsText) {
    edit_->SetValue(12.34);
    edit_->setReadOnly(true);
    edit_->selectAll();
    QTest::keyClicks(edit_, "9-");
    QTest::keyClick(edit_, Qt::Key_Delete);
    QTest::keyClick(edit_, Qt::Key_X, Qt::ControlModifier);
    edit_->Cut();
    edit_->Paste();
    EXPECT_EQ(edit_->text(), "12.34");
}

TEST_F(NumericEdit, EnteringSelectsAllAndLeavingChecksTheRange) {
    int invalidEntries = 0;
    edit_->OnInvalidEntry = [&] { ++invalidEntries; };
    edit_->SetValue(70000);
    other_->setFocus();
    QTest::keyClick(other_, Qt::Key_Tab);
    ASSERT_TRUE(edit_->hasFocus());
    EXPECT_EQ(edit_->selectedText(), "70000.00");
    QTest::keyClick(edit_, Qt::Key_Tab);
    EXPECT_EQ(invalidEntries, 0) << "no range while both bounds are 0";

    edit_->MinValue = 1;
    edit_->MaxValue = 65535;
    QTest::mouseClick(edit_, Qt::LeftButton, {}, QPoint(4, edit_->height() / 2));
    ASSERT_TRUE(edit_->hasFocus());
    EXPECT_FALSE(edit_->hasSelectedText()) << "a mouse press places the caret";
    QTest::mouseClick(other_, Qt::LeftButton);
    EXPECT_EQ(invalidEntries, 1);
    EXPECT_EQ(edit_->text(), "70000.00");
    edit_->setFocus();
    edit_->SetValue(65535);
    other_->setFocus();
    EXPECT_EQ(invalidEntries, 1);
}

TEST_F(NumericEdit, SeparatorIsTheLocalesAndValuesReadBack) {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TFnpNumericEdit edit;
    QLocale::setDefault(previous);
    EXPECT_EQ(edit.text(), "0,00");
    edit.setCursorPosition(0);
    QTest::keyClicks(&edit, "5.,25");
    EXPECT_EQ(edit.text(), "5,25");
    EXPECT_DOUBLE_EQ(edit.Value(), 5.25);
    edit.SetDecimals(0);
    EXPECT_EQ(edit.text(), "5");
    edit.setText("5 Euro");
    EXPECT_THROW(edit.Value(), base::EConvertError);
}
