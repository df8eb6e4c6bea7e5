#pragma once
// The server login dialog: the address, port, HTTP folder, time-out, user and
// password of a remote session. Logging in writes them into the main window's
// web settings; cancelling writes nothing. The fields keep what was typed
// between showings.
#include <QCoreApplication>
#include <QDialog>

#include "app/UserSettings.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace widgets {
class TFnpNumericEdit;
class TSpinEdit;
}  // namespace widgets

namespace app {

class TMainFrm;

class TWebAdrFrm : public QDialog {
    Q_DECLARE_TR_FUNCTIONS(app::TWebAdrFrm)

public:
    explicit TWebAdrFrm(TMainFrm& owner);

    // The fields as remembered from an earlier run, and as they stand now; the
    // password is neither.
    void SetFields(const TLoginFields& fields);
    TLoginFields Fields() const;

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

    TMainFrm& owner_;
};

}  // namespace app
