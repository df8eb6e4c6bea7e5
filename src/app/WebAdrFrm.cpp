#include "app/WebAdrFrm.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <initializer_list>

#include "base/Format.h"
#include "widgets/FnpNumericEdit.h"
#include "widgets/HandlerGuard.h"
#include "widgets/SpinEdit.h"

namespace app {

namespace {

// The dialog's fixed geometry: a 369 x 182 client area; fields 21 pixels high
// with their captions 4 pixels lower, so that the texts share a baseline.
constexpr int kClientWidth = 369;
constexpr int kClientHeight = 182;
constexpr int kFieldHeight = 21;
constexpr int kCaptionX = 5;
constexpr int kCaptionDrop = 4;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

const char* const kAnonymousUser = QT_TRANSLATE_NOOP("app::TWebAdrFrm", "匿名");

// Places field at (x, y) with the width given, and its caption label level
// with it at captionX; the caption names the field for screen readers.
void PlaceField(QWidget* field, const QString& caption, int captionX, int x, int y, int width) {
    field->setGeometry(x, y, width, kFieldHeight);
    field->setAccessibleName(caption);
    auto* label = new QLabel(caption, field->parentWidget());
    label->move(captionX, y + kCaptionDrop);
    label->adjustSize();
    label->setBuddy(field);
}

void ChainTabOrder(std::initializer_list<QWidget*> widgets) {
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (previous) QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

}  // namespace

TWebAdrFrm::TWebAdrFrm(QWidget& owner)
    : QDialog(&owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
    setWindowTitle(tr("Web サーバアドレスの指定"));
    setFixedSize(kClientWidth, kClientHeight);
    CreateServerFields();
    CreateAccountFields();
    CreateButtons();
    ChainTabOrder({URLEdit, PortNo, TimeOutEdit, HttpFolderEdit, UseNameCombo, PassWordEdit, LoninBtn, CancelBtn});
    ConnectHandlers();
}

void TWebAdrFrm::CreateServerFields() {
    URLEdit = new QLineEdit(this);
    PlaceField(URLEdit, tr("サーバアドレス"), kCaptionX, 86, 16, 274);
    PortNo = new widgets::TFnpNumericEdit(this);
    PortNo->SetDecimals(0);
    PlaceField(PortNo, tr("ポートNo."), kCaptionX, 86, 39, 36);
    TimeOutEdit = new widgets::TSpinEdit({.MinValue = 1, .MaxValue = 10, .Increment = 1}, 5, this);
    // Changed by the arrows only: its text cannot be typed.
    TimeOutEdit->lineEdit()->setReadOnly(true);
    PlaceField(TimeOutEdit, tr("ﾀｲﾑｱｳﾄ(分)"), 237, 306, 39, 51);
    HttpFolderEdit = new QLineEdit(this);
    PlaceField(HttpFolderEdit, tr("HTTPフォルダ"), kCaptionX, 86, 62, 274);

    auto* bevel = new QFrame(this);
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(0, 88, kClientWidth, 2);
}

void TWebAdrFrm::CreateAccountFields() {
    UseNameCombo = new QComboBox(this);
    UseNameCombo->setEditable(true);
    UseNameCombo->setInsertPolicy(QComboBox::NoInsert);
    // The text is the name as typed, never completed from the list.
    UseNameCombo->setCompleter(nullptr);
    UseNameCombo->addItem(tr(kAnonymousUser));
    UseNameCombo->setCurrentIndex(-1);
    UseNameCombo->setEditText(QString());
    PlaceField(UseNameCombo, tr("ユーザ名"), kCaptionX, 85, 96, 113);
    PassWordEdit = new QLineEdit(this);
    PassWordEdit->setEchoMode(QLineEdit::Password);
    PassWordEdit->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    PlaceField(PassWordEdit, tr("パスワード"), kCaptionX, 85, 120, 274);
}

void TWebAdrFrm::CreateButtons() {
    LoninBtn = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), tr("ログイン"), this);
    LoninBtn->setGeometry(104, 152, kButtonWidth, kButtonHeight);
    LoninBtn->setDefault(true);
    CancelBtn =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), tr("キャンセル"), this);
    CancelBtn->setGeometry(192, 152, kButtonWidth, kButtonHeight);
}

void TWebAdrFrm::ConnectHandlers() {
    connect(UseNameCombo, &QComboBox::editTextChanged, this, widgets::Guarded([this] { UseNameComboChange(); }));
    connect(LoninBtn, &QPushButton::clicked, this, widgets::Guarded([this] { LoninBtnClick(); }));
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

// Centred on the screen at every showing.
void TWebAdrFrm::showEvent(QShowEvent* event) {
    move(screen()->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

void TWebAdrFrm::SetFields(const TLoginFields& fields) {
    URLEdit->setText(fields.ServerAddress);
    if (fields.Port >= kLowestPort && fields.Port <= kHighestPort) PortNo->SetValue(fields.Port);
    if (fields.TimeOutMinutes > 0) TimeOutEdit->SetValue(fields.TimeOutMinutes);
    HttpFolderEdit->setText(fields.HttpFolder);
    UseNameCombo->setEditText(fields.User);
}

TLoginFields TWebAdrFrm::Fields() const {
    return {.ServerAddress = URLEdit->text(),
            .Port = static_cast<int>(base::RoundHalfEven(PortNo->Value())),
            .HttpFolder = HttpFolderEdit->text(),
            .TimeOutMinutes = TimeOutEdit->Value(),
            .User = UseNameCombo->currentText()};
}

void TWebAdrFrm::UseNameComboChange() { PassWordEdit->setEnabled(UseNameCombo->currentText() != tr(kAnonymousUser)); }

TLoginForm TWebAdrFrm::Form() const {
    const QString user = UseNameCombo->currentText();
    return {.ServerAddress = URLEdit->text().toStdString(),
            .Port = PortNo->Value(),
            .TimeOutMinutes = TimeOutEdit->Value(),
            .HttpFolder = HttpFolderEdit->text().toStdString(),
            .User = user.toStdString(),
            .Anonymous = user == tr(kAnonymousUser),
            .Password = PassWordEdit->text().toStdString()};
}

// An incomplete form gives no settings and stays open, without a message.
void TWebAdrFrm::LoninBtnClick() {
    const std::optional<TWebSettings> settings = TRemoteSession::LoginSettings(Form());
    if (!settings) return;
    settings_ = settings;
    accept();
}

}  // namespace app
