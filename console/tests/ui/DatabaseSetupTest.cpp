// The database setup dialog: the three strings, Cancel and Enter.
#include <gtest/gtest.h>

#include <QKeyEvent>

#include "Databasesetup.h"
#include "IniFile.h"
#include "Support.h"
#include "SysLib.h"
#include "UiServicesDouble.h"

namespace {

class DatabaseSetup : public ::testing::Test {
  protected:
    void SetUp() override {
        base_.CopyLanguages({"ENG"});
        frmSysLib = new TfrmSysLib(base_.path());
        dialog_ = std::make_unique<TfrmDatabaseSetup>();
        dialog_->show();
        ASSERT_TRUE(WaitUntil([&] { return dialog_->isVisible(); }));
    }
    void TearDown() override {
        dialog_.reset();
        delete frmSysLib;
        frmSysLib = nullptr;
    }
    QString Stored() const {
        return QString::fromStdString(IniFile(base_.filePath("system.ini").toStdString())
                                          .ReadString("System", "ConnectString", "<none>"));
    }
    ScopedUiDouble ui_;
    TestBase base_;
    std::unique_ptr<TfrmDatabaseSetup> dialog_;
};

}  // namespace

TEST_F(DatabaseSetup, TheStringsOfTheThreeKinds) {
    EXPECT_EQ(TfrmDatabaseSetup::AccessString("/data/CVBIO.mdb", "Admin", ""),
              "Provider=Microsoft.Jet.OLEDB.4.0;Persist Security Info=False;Mode=Share Deny "
              "None;Data Source=/data/CVBIO.mdb;User ID=Admin;Jet OLEDB:Database Password=");
    EXPECT_EQ(TfrmDatabaseSetup::SqlServerString(" srv ", " sa ", " pw "),
              "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial "
              "Catalog=CVBIO;Data Source= srv ;Password=pw;User ID=sa");
    EXPECT_EQ(TfrmDatabaseSetup::MySqlString("root", " p "),
              "DRIVER={MySQL};OPTION=3;SERVER=localhost;DATABASE=CVBIO;USER=root;PASSWORD= p ");
}

TEST_F(DatabaseSetup, AccessPageStoresTheTestedStringAndOpensTheDatabase) {
    EXPECT_EQ(dialog_->pagMain->currentWidget(), dialog_->tabDatabase);
    EXPECT_EQ(dialog_->windowTitle(), "Database Setup");
    dialog_->rabAccess->setChecked(true);
    dialog_->btnOK->click();
    EXPECT_EQ(dialog_->pagMain->currentWidget(), dialog_->tabAccess);
    EXPECT_EQ(dialog_->edtAccessID->text(), "Admin");
    dialog_->edtAccessPath->setText(base_.filePath("db.mdb"));
    dialog_->btnAccessOK->click();
    EXPECT_TRUE(frmSysLib->DatabaseOpen);
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(Stored(), TfrmDatabaseSetup::AccessString(base_.filePath("db.mdb"), "Admin", ""));
}

TEST_F(DatabaseSetup, AFailedTestStaysOnThePageAndStoresNothing) {
    dialog_->rabMySQL->setChecked(true);
    dialog_->btnOK->click();
    EXPECT_EQ(dialog_->pagMain->currentWidget(), dialog_->tabMySQL);
    dialog_->edtMySQLID->setText("nobody");
    dialog_->btnMySQLOK->click();
    EXPECT_EQ(ui_->Texts(UiServicesDouble::Kind::Info), QStringList({"Connect Database Fail!"}));
    EXPECT_EQ(dialog_->pagMain->currentWidget(), dialog_->tabMySQL);
    EXPECT_EQ(dialog_->edtMySQLID->text(), "nobody");
    EXPECT_FALSE(frmSysLib->DatabaseOpen);
    EXPECT_EQ(Stored(), "<none>");
}

TEST_F(DatabaseSetup, EnterOnAnyPageCancels) {
    dialog_->rabSQLServer->setChecked(true);
    dialog_->btnOK->click();
    dialog_->edtSQLPath->setFocus();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(dialog_->edtSQLPath, &enter);
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_FALSE(frmSysLib->DatabaseOpen);
    EXPECT_EQ(Stored(), "<none>");
}
