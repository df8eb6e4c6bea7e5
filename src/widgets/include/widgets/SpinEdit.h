#pragma once
// A spin edit for whole numbers whose text the user may leave out of range while
// typing: the value is the text as it stands, brought into the bounds only when
// the field loses the focus. OnChange runs on every change of the text, whether
// typed, stepped or set from code; setting the value already shown changes nothing.
#include <QAbstractSpinBox>

#include <functional>

#include "widgets/SpinEditRules.h"

namespace widgets {

class TSpinEdit : public QAbstractSpinBox {
public:
    TSpinEdit(const TSpinEditRules& rules, int value, QWidget* parent = nullptr);

    int Value() const;
    void SetValue(int value);
    const TSpinEditRules& Rules() const { return rules_; }
    // The text field, as the user types into it.
    using QAbstractSpinBox::lineEdit;

    std::function<void()> OnChange;

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& position) const override;

protected:
    StepEnabled stepEnabled() const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    TSpinEditRules rules_;
};

}  // namespace widgets
