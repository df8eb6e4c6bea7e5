#include "widgets/SpinEdit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>

namespace widgets {

TSpinEdit::TSpinEdit(const TSpinEditRules& rules, int value, QWidget* parent)
    : QAbstractSpinBox(parent), rules_(rules) {
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setKeyboardTracking(true);
    lineEdit()->setText(QString::number(rules_.Bounded(value)));
    connect(lineEdit(), &QLineEdit::textChanged, this, [this] {
        if (OnChange) OnChange();
    });
}

int TSpinEdit::Value() const { return rules_.ValueOf(lineEdit()->text().trimmed().toStdString()); }

void TSpinEdit::SetValue(int value) {
    const QString text = QString::number(rules_.Bounded(value));
    if (lineEdit()->text() != text) lineEdit()->setText(text);
}

void TSpinEdit::stepBy(int steps) { SetValue(rules_.Stepped(rules_.Bounded(Value()), steps)); }

QValidator::State TSpinEdit::validate(QString& input, int&) const {
    const char32_t separator = QLocale().decimalPoint().at(0).unicode();
    for (const QChar c : input) {
        if (!TSpinEditRules::AcceptsCharacter(c.unicode(), separator)) return QValidator::Invalid;
    }
    return QValidator::Acceptable;
}

QAbstractSpinBox::StepEnabled TSpinEdit::stepEnabled() const {
    const int value = Value();
    StepEnabled enabled = StepNone;
    if (value < rules_.MaxValue) enabled |= StepUpEnabled;
    if (value > rules_.MinValue) enabled |= StepDownEnabled;
    return enabled;
}

// Enter is not one of the keys the field takes; it goes on to the window.
void TSpinEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    QAbstractSpinBox::keyPressEvent(event);
}

void TSpinEdit::focusOutEvent(QFocusEvent* event) {
    SetValue(Value());
    QAbstractSpinBox::focusOutEvent(event);
}

}  // namespace widgets
