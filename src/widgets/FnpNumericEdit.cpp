#include "widgets/FnpNumericEdit.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>

#include <algorithm>

#include "base/Errors.h"

namespace widgets {

namespace {

constexpr int kDefaultWidth = 73;
constexpr int kDefaultDecimals = 2;

char32_t LocaleDecimalSeparator() { return QLocale().decimalPoint().at(0).unicode(); }

// Keys the line edit would change the text with, other than those the rules take.
bool IsOtherEditingKey(const QKeyEvent* event) {
    for (const QKeySequence::StandardKey key :
         {QKeySequence::Undo, QKeySequence::Redo, QKeySequence::DeleteEndOfLine, QKeySequence::DeleteCompleteLine,
          QKeySequence::DeleteStartOfWord, QKeySequence::DeleteEndOfWord}) {
        if (event->matches(key)) return true;
    }
    return false;
}

// Characters typed, as opposed to a command with Ctrl held.
bool IsTypedText(const QKeyEvent* event) {
    const QString text = event->text();
    return !text.isEmpty() && text.front().isPrint() &&
           !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
}

// Focus that moves between controls, as opposed to the window being
// activated or a popup menu opening and closing over the field.
bool MovesBetweenControls(Qt::FocusReason reason) {
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

}  // namespace

TFnpNumericEdit::TFnpNumericEdit(QWidget* parent)
    : QLineEdit(parent), rules_(kDefaultDecimals, LocaleDecimalSeparator()) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Dropped text would go in without the rules.
    setAcceptDrops(false);
    resize(kDefaultWidth, sizeHint().height());
    SetValue(0);
}

void TFnpNumericEdit::SetDecimals(int decimals) {
    const double value = Value();
    rules_ = TNumericEditRules(decimals, rules_.DecimalSeparator());
    SetValue(value);
}

double TFnpNumericEdit::Value() const {
    const std::optional<double> value = rules_.ValueOf(text().toStdU32String());
    if (!value) throw base::EConvertError(text().toStdString());
    return *value;
}

void TFnpNumericEdit::SetValue(double value) { setText(QString::fromStdU32String(rules_.Format(value))); }

void TFnpNumericEdit::Cut() {
    if (isReadOnly() || !hasSelectedText()) return;
    std::u32string cut;
    Edit([&](TNumericText& field) { cut = rules_.Cut(field); });
    QGuiApplication::clipboard()->setText(QString::fromStdU32String(cut));
}

void TFnpNumericEdit::Paste() {
    if (isReadOnly()) return;
    PasteText(QGuiApplication::clipboard()->text());
}

void TFnpNumericEdit::keyPressEvent(QKeyEvent* event) {
    if (isReadOnly()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (event->matches(QKeySequence::Cut)) {
        Cut();
    } else if (event->matches(QKeySequence::Paste)) {
        Paste();
    } else if (event->key() == Qt::Key_Delete) {
        Edit([this](TNumericText& field) {
            if (field.SelLength > 0) {
                rules_.DeleteSelection(field);
            } else {
                rules_.DeleteChar(field, TDeleteKind::Delete);
            }
        });
    } else if (event->key() == Qt::Key_Backspace) {
        Type(QString(QChar(TNumericEditRules::kBackspace)));
    } else if (IsOtherEditingKey(event)) {
        // Swallowed: the rules know no such edit.
    } else if (IsTypedText(event)) {
        Type(event->text());
    } else {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
}

// Text an input method commits is typed; text still being composed is not shown.
void TFnpNumericEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (!isReadOnly()) Type(event->commitString());
    event->accept();
}

// Where the system has a selection clipboard, the middle button pastes it at the caret.
void TFnpNumericEdit::mouseReleaseEvent(QMouseEvent* event) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (event->button() != Qt::MiddleButton || !clipboard->supportsSelection()) {
        QLineEdit::mouseReleaseEvent(event);
        return;
    }
    if (!isReadOnly()) {
        deselect();
        PasteText(clipboard->text(QClipboard::Selection));
    }
    event->accept();
}

void TFnpNumericEdit::contextMenuEvent(QContextMenuEvent* event) {
    const bool editable = !isReadOnly();
    const bool selected = hasSelectedText();
    QMenu menu(this);
    menu.addAction(tr("切り取り(&T)"), [this] { Cut(); })->setEnabled(editable && selected);
    menu.addAction(tr("コピー(&C)"), [this] { copy(); })->setEnabled(selected);
    menu.addAction(tr("貼り付け(&P)"), [this] { Paste(); })
        ->setEnabled(editable && !QGuiApplication::clipboard()->text().isEmpty());
    menu.addAction(tr("削除(&D)"), [this] {
            Edit([this](TNumericText& field) { rules_.DeleteSelection(field); });
        })->setEnabled(editable && selected);
    menu.addSeparator();
    menu.addAction(tr("すべて選択(&A)"), [this] { selectAll(); })->setEnabled(!text().isEmpty());
    menu.exec(event->globalPos());
}

void TFnpNumericEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (!MovesBetweenControls(event->reason()) || event->reason() == Qt::MouseFocusReason) return;
    if (AutoSelect) {
        selectAll();
    } else {
        deselect();
    }
}

void TFnpNumericEdit::focusOutEvent(QFocusEvent* event) {
    if (MovesBetweenControls(event->reason()) && !InRange() && OnInvalidEntry) OnInvalidEntry();
    QLineEdit::focusOutEvent(event);
}

TNumericText TFnpNumericEdit::Field() const {
    std::u32string text = this->text().toStdU32String();
    const int length = static_cast<int>(text.size());
    const int start = std::min(hasSelectedText() ? selectionStart() : cursorPosition(), length);
    return {std::move(text), start, std::min(selectionLength(), length - start)};
}

void TFnpNumericEdit::Edit(const std::function<void(TNumericText&)>& change) {
    TNumericText field = Field();
    change(field);
    const QString shown = QString::fromStdU32String(field.Text);
    const bool changed = shown != text();
    if (changed) setText(shown);
    if (field.SelLength > 0) {
        setSelection(field.SelStart, field.SelLength);
    } else {
        setCursorPosition(field.SelStart);
    }
    if (changed) emit textEdited(shown);
}

void TFnpNumericEdit::Type(const QString& characters) {
    Edit([&](TNumericText& field) {
        for (const char32_t c : characters.toStdU32String()) rules_.TypeCharacter(field, c);
    });
}

void TFnpNumericEdit::PasteText(const QString& clipboard) {
    Edit([&](TNumericText& field) { rules_.Paste(field, clipboard.toStdU32String()); });
}

bool TFnpNumericEdit::InRange() const {
    if (MinValue == MaxValue) return true;
    const std::optional<double> value = rules_.ValueOf(text().toStdU32String());
    return value && *value >= MinValue && *value <= MaxValue;
}

}  // namespace widgets
