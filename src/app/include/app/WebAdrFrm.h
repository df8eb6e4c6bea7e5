#pragma once
// The server login dialog: the address, port, HTTP folder, time-out, user and
// password of a remote session. Logging in gives the session's web settings;
// cancelling gives none. The fields keep what was typed between showings.
#include <QCoreApplication>
#include <QDialog>

#include <optional>

#include "app/RemoteSession.h"
#include "app/UserSettings.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace widgets {
class TFnpNumericEdit;
class TSpinEdit;
}  // namespace widgets

namespace app {

class TWebAdrFrm : public QDialog {
    Q_DECLARE_TR_FUNCTIONS(app::TWebAdrFrm)

public:
    explicit TWebAdrFrm(QWidget& owner);

    // The fields as remembered from an earlier run, and as they stand now; the
    // password is neither.
    void SetFields(const TLoginFields& fields);
    TLoginFields Fields() const;
    // The settings of the last accepted login; none before the first.
    const std::optional<TWebSettings>& Settings() const { return settings_; }

    // ---- Controls, in tab order ----
    QLineEdit* URLEdit;
    widgets::TFnpNumericEdit* PortNo;
    widgets::TSpinEdit* TimeOutEdit;  // minutes, changed by the arrows only
    QLineEdit* HttpFolderEdit;
    QComboBox* UseNameCombo;
    QLineEdit* PassWordEdit;
    QPushButton* LoninBtn;
    QPushButton* CancelBtn;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateServerFields();
    void CreateAccountFields();
    void CreateButtons();
    void ConnectHandlers();

    void UseNameComboChange();
    void LoninBtnClick();
    TLoginForm Form() const;

    std::optional<TWebSettings> settings_;
};

}  // namespace app
