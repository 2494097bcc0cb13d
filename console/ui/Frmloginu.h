// The login dialog: the remembered ID, the automatic login of a user without password, five
// tries at the password.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "Controls.h"
#include "Dataset.h"

class TfrmLogin : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmLogin(QWidget* parent = nullptr);

    TPanel* pnMain;
    QLabel* lblTitle;
    QLabel* lblLoginID;
    QLabel* lblPassword;
    QLineEdit* edLoginID;
    QLineEdit* edPassword;
    QPushButton* btnOk;
    QPushButton* btnCancel;
    TPanel* pnLogo;
    TImage* imgLogo;
    TADOQuery adoUser;
    QTimer* tmrClose;

    bool LoggedIn = false;
    int WrongPasswords() const { return wrongPasswords_; }

    void FormShow();
    void btnOkClick();
    void btnCancelClick();
    void tmrCloseTimer();

  protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

  private:
    // Opens the user's row on adoUser; the ID travels as a bound value.
    void OpenUser(const QString& userId);

    int wrongPasswords_ = 0;
    bool closing_ = false;
};

// The emblem of the login window, painted rather than loaded: the window carries its picture.
QImage LoginEmblem(int width, int height);
