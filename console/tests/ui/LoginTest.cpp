// The login dialog on a database of its own: remembered ID, automatic login, five tries.
#include <gtest/gtest.h>

#include "Dataset.h"
#include "Frmloginu.h"
#include "IniFile.h"
#include "QueryOps.h"
#include "Schema.h"
#include "Support.h"
#include "SysLib.h"
#include "UiServicesDouble.h"

namespace {

class Login : public ::testing::Test {
  protected:
    void SetUp() override {
        base_.CopyLanguages({"ENG"});
        Start({});
    }
    void TearDown() override {
        delete frmSysLib;
        frmSysLib = nullptr;
    }
    // A fresh shared object on the same base directory, as at a new start.
    void Start(const QStringList& systemLines) {
        delete frmSysLib;
        if (!systemLines.isEmpty()) base_.WriteSystemIni(systemLines);
        frmSysLib = new TfrmSysLib(base_.path());
        ASSERT_TRUE(frmSysLib->OpenSharedConnection());
        TADOQuery init(&frmSysLib->adcMain);
        InitialiseDatabase(init);
        TADOQuery add(&frmSysLib->adcMain);
        add.setSql("Delete From UserData Where UserID <> 'admin'");
        add.ExecSQL();
        for (const QStringList& user :
             {QStringList{"pat", "Pat", "secret"}, QStringList{"o'brien", "O'Brien", " x "}}) {
            add.setSql(
                "Insert Into UserData (UserID, UserName, UserPassword, Supervisor) "
                "Values (?, ?, ?, 0)",
                {user[0], user[1], user[2]});
            add.ExecSQL();
        }
    }
    QString LoginID() const {
        return QString::fromStdString(IniFile(base_.filePath("system.ini").toStdString())
                                          .ReadString("System", "LoginID", ""));
    }
    // Shows the dialog (not modally) and runs its first showing.
    void Show(TfrmLogin& login) {
        login.show();
        ASSERT_TRUE(WaitUntil([&] { return login.isVisible(); }));
    }

    ScopedUiDouble ui_;
    TestBase base_;
};

}  // namespace

TEST_F(Login, FourWrongPasswordsKeepTheDialogTheFifthClosesIt) {
    TfrmLogin login;
    Show(login);
    login.edLoginID->setText("pat");
    login.edPassword->setText("wrong");
    for (int attempt = 1; attempt <= 4; ++attempt) {
        login.btnOk->click();
        Pump(150);
        EXPECT_TRUE(login.isVisible()) << attempt;
    }
    login.btnOk->click();
    EXPECT_TRUE(WaitUntil([&] { return !login.isVisible(); }));
    EXPECT_FALSE(login.LoggedIn);
    EXPECT_EQ(ui_->Texts(UiServicesDouble::Kind::Info), QStringList(5, "Password Error!"));
    EXPECT_EQ(LoginID(), "");
}

TEST_F(Login, EmptyAndUnknownIDsAreRefusedWithoutCountingATry) {
    TfrmLogin login;
    Show(login);
    login.btnOk->click();
    login.edLoginID->setText("nobody");
    login.btnOk->click();
    EXPECT_EQ(ui_->Texts(UiServicesDouble::Kind::Info),
              QStringList({"Please Input ID!", "User Not Found!"}));
    EXPECT_EQ(login.WrongPasswords(), 0);
    EXPECT_TRUE(login.isVisible());
    EXPECT_TRUE(login.edLoginID->toolTip() == "Your login ID");
}

TEST_F(Login, AnIDWithAQuoteAndABlankedPasswordLogIn) {
    TfrmLogin login;
    Show(login);
    login.edLoginID->setText("o'brien");
    login.edPassword->setText("  x\t");
    login.btnOk->click();
    EXPECT_TRUE(WaitUntil([&] { return !login.isVisible(); }));
    EXPECT_TRUE(login.LoggedIn);
    EXPECT_EQ(LoginID(), "o'brien");
    EXPECT_TRUE(ui_->AllTexts().isEmpty()) << ui_->AllTexts().join("|").toStdString();
}

TEST_F(Login, ARememberedUserWithoutPasswordIsLoggedInAndTheDialogClosesByItself) {
    Start({"LoginID=admin"});
    TfrmLogin login;
    login.exec();  // returns only when the dialog closed itself
    EXPECT_TRUE(login.LoggedIn);
    EXPECT_EQ(login.edLoginID->text(), "admin");
    EXPECT_TRUE(ui_->AllTexts().isEmpty());
}

TEST_F(Login, ARememberedUserWithPasswordWaitsWithTheFocusOnThePassword) {
    Start({"LoginID=pat"});
    TfrmLogin login;
    Show(login);
    Pump(300);
    EXPECT_TRUE(login.isVisible());
    EXPECT_FALSE(login.LoggedIn);
    EXPECT_EQ(login.focusWidget(), login.edPassword);
    login.btnCancel->click();
    EXPECT_TRUE(WaitUntil([&] { return !login.isVisible(); }));
    EXPECT_FALSE(login.LoggedIn);
}
