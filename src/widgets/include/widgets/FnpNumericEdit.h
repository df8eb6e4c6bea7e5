#pragma once
// A line edit that only ever holds a number with a fixed count of decimal
// places. Keys, the clipboard commands, drops of the selection clipboard and
// input-method text all go through the numeric editing rules, so typing,
// deleting, cutting and pasting never leave anything but a number. The
// decimal separator is the locale's.
#include <QCoreApplication>
#include <QLineEdit>

#include <functional>

#include "widgets/NumericEditRules.h"

namespace widgets {

class TFnpNumericEdit : public QLineEdit {
    Q_DECLARE_TR_FUNCTIONS(widgets::TFnpNumericEdit)

public:
    // Right-aligned, two decimals, value 0.
    explicit TFnpNumericEdit(QWidget* parent = nullptr);

    int Decimals() const { return rules_.Decimals(); }
    // Brought into 0..9; the text is written again with the new count of decimals.
    void SetDecimals(int decimals);
    // The text read as a number; raises base::EConvertError when it is not one.
    double Value() const;
    // Shows value with the field's decimals; the range is not checked.
    void SetValue(double value);

    // The range checked when the field is left; no check when the two are equal.
    double MinValue = 0;
    double MaxValue = 0;
    // Entering the field other than by a mouse press selects all of its text.
    bool AutoSelect = true;
    // Runs when the field is left holding a value outside the range.
    std::function<void()> OnInvalidEntry;

    // The clipboard commands, through the editing rules; they change nothing in a read-only field.
    void Cut();
    void Paste();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    TNumericText Field() const;
    // Applies change to the text, caret and selection; a changed text counts as edited by the user.
    void Edit(const std::function<void(TNumericText&)>& change);
    void Type(const QString& characters);
    void PasteText(const QString& clipboard);
    bool InRange() const;

    TNumericEditRules rules_;
};

}  // namespace widgets
