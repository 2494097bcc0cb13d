// Start-up paths through the real main window: connection, database setup, splash with the
// first-run initialisation, login, translation of the menu.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>

#include "Databasesetup.h"
#include "IniFile.h"
#include "Main.h"
#include "MenuWindows.h"
#include "Support.h"
#include "SysLib.h"
#include "UiServicesDouble.h"

namespace {

QString SystemValue(const TestBase& base, const char* key) {
    IniFile ini(base.filePath("system.ini").toStdString());
    return QString::fromStdString(ini.ReadString("System", key, "<none>"));
}

void LogInAs(ModalDriver& driver, const QString& id, const QString& password) {
    driver.When("frmLogin", [id, password](QWidget* login) {
        Type(login, "edLoginID", id);
        Type(login, "edPassword", password);
        Click(login, "btnOk");
    });
}

}  // namespace

TEST(Startup, FailingConnectionRunsSetupThenSplashInitialisationAndLoginOnTheNewDatabase) {
    ScopedUiDouble ui;
    TestBase base;
    base.CopyLanguages();
    base.CopyImages();
    const QString broken =
        "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + base.path() + "missing/dir/CVBIO.mdb";
    base.WriteSystemIni({"ConnectString=" + broken});
    const QString newDatabase = base.filePath("new.mdb");

    ModalDriver driver;
    driver.When("frmDatabaseSetup", [&](QWidget* setup) {
        Click(setup, "btnOK");  // Access is preselected
        // A failed test first: the message, the same page, nothing stored.
        Type(setup, "edtAccessPath", base.path() + "nowhere/x.mdb");
        Click(setup, "btnAccessOK");
        EXPECT_EQ(Find<QWidget>(setup, "tabAccess")->isVisible(), true);
        EXPECT_EQ(SystemValue(base, "ConnectString"), broken);
        ui->QueueFileName(newDatabase);
        Click(setup, "btnOpenAccess");
        Click(setup, "btnAccessOK");
    });
    int tablesAtLogin = -1;
    driver.When("frmLogin", [&](QWidget* login) {
        tablesAtLogin = CountRows("UserData") + CountRows("ControllerData");
        Type(login, "edLoginID", "admin");
        Click(login, "btnOk");
    });

    TfrmMain window(base.path());
    window.show();

    EXPECT_TRUE(driver.Done());
    EXPECT_EQ(driver.Seen(), QStringList({"frmDatabaseSetup", "frmLogo", "frmLogin"}));
    EXPECT_EQ(ui->Texts(UiServicesDouble::Kind::Info), QStringList({"Connect Database Fail!"}));
    EXPECT_EQ(ui->Texts(UiServicesDouble::Kind::OpenFile), QStringList({"Access|*.mdb"}));
    EXPECT_EQ(SystemValue(base, "ConnectString"),
              TfrmDatabaseSetup::AccessString(newDatabase, "Admin", ""));
    EXPECT_EQ(tablesAtLogin, 2);  // the seed rows of the tables created by the splash
    EXPECT_EQ(SystemValue(base, "LoginID"), "admin");
    EXPECT_FALSE(window.Ended());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), "Fingerprint Management System");
    EXPECT_EQ(window.btnUserSetup->text(), "User Setup");
    for (QPushButton* button : window.MenuButtons())
        EXPECT_EQ(button->isEnabled(), static_cast<bool>(MenuWindowFor(button->objectName())))
            << button->objectName().toStdString();
    EXPECT_TRUE(window.btnUserSetup->isEnabled());
    EXPECT_TRUE(window.btnLanguageSelect->isEnabled());
    EXPECT_EQ(window.btnUserSetup->accessibleName(), "User Setup");
}

TEST(Startup, CancelledSetupEndsWithoutSplashOrLogin) {
    ScopedUiDouble ui;
    TestBase base;
    base.CopyLanguages();
    const QString broken =
        "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + base.path() + "no/x.mdb";
    base.WriteSystemIni({"ConnectString=" + broken});
    ModalDriver driver;
    driver.When("frmDatabaseSetup", [](QWidget* setup) { Click(setup, "btnCancel"); });

    TfrmMain window(base.path());
    window.show();

    EXPECT_EQ(driver.Seen(), QStringList({"frmDatabaseSetup"}));
    EXPECT_TRUE(window.Ended());
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(SystemValue(base, "ConnectString"), broken);
    EXPECT_TRUE(ui->AllTexts().isEmpty());
}

TEST(Startup, DefaultDatabaseThenTheNextStartLogsInByItself) {
    ScopedUiDouble ui;
    TestBase base;
    base.CopyLanguages();
    base.CopyImages();
    {
        ModalDriver driver;
        LogInAs(driver, "admin", "");
        TfrmMain window(base.path());
        window.show();
        EXPECT_EQ(driver.Seen(), QStringList({"frmLogo", "frmLogin"}));
        EXPECT_TRUE(window.isVisible());
        EXPECT_TRUE(base.Exists("CVBIO.mdb"));
        EXPECT_FALSE(base.Exists("system.ini") && SystemValue(base, "ConnectString") != "<none>");
        window.close();
    }
    ModalDriver driver;  // no steps: the login has to close by itself
    TfrmMain window(base.path());
    window.show();
    EXPECT_EQ(driver.Seen(), QStringList({"frmLogo", "frmLogin"}));
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(ui->AllTexts().isEmpty()) << ui->AllTexts().join("|").toStdString();
}

TEST(Startup, MissingOrDamagedPicturesStillReachTheLogin) {
    ScopedUiDouble ui;
    TestBase base;
    base.CopyLanguages();
    base.WriteFile("Image/Logo.jpg", "this is not a picture");  // FlowSource.jpg is missing
    ModalDriver driver;
    LogInAs(driver, "admin", "");
    TfrmMain window(base.path());
    window.show();
    EXPECT_EQ(driver.Seen(), QStringList({"frmLogo", "frmLogin"}));
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.imgMain->picture().isNull());
    EXPECT_TRUE(ui->AllTexts().isEmpty());
}

TEST(Startup, CancelledLoginEndsTheProgram) {
    ScopedUiDouble ui;
    TestBase base;
    ModalDriver driver;
    driver.When("frmLogin", [](QWidget* login) { Click(login, "btnCancel"); });
    TfrmMain window(base.path());
    window.show();
    EXPECT_EQ(driver.Seen(), QStringList({"frmLogo", "frmLogin"}));
    EXPECT_TRUE(window.Ended());
    EXPECT_FALSE(window.isVisible());
}

TEST(Startup, AFailingFirstRunStepGoesToTheErrorBoxAndStartUpGoesOn) {
    ScopedUiDouble ui;
    TestBase base;
    {
        // An index named like a table: the select fails and so does the creation.
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "prepare");
        db.setDatabaseName(base.filePath("CVBIO.mdb"));
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec("CREATE TABLE Other (x INT)");
        QSqlQuery(db).exec("CREATE INDEX FingerData ON Other (x)");
        db.close();
    }
    QSqlDatabase::removeDatabase("prepare");
    ModalDriver driver;
    driver.When("frmLogin", [](QWidget* login) { Click(login, "btnCancel"); });
    TfrmMain window(base.path());
    window.show();

    EXPECT_EQ(driver.Seen(), QStringList({"frmLogo", "frmLogin"}));
    const QStringList errors = ui->Texts(UiServicesDouble::Kind::Error);
    ASSERT_FALSE(errors.isEmpty());
    EXPECT_TRUE(errors.first().contains("FingerData")) << errors.first().toStdString();
    EXPECT_TRUE(window.Ended());
}

TEST(Startup, TheMenuOpensEachWindowModallyAndDestroysItAfterwards) {
    ScopedUiDouble ui;
    TestBase base;
    base.CopyLanguages();
    base.WriteSystemIni({"LoginID=admin"});
    TfrmMain window(base.path());
    window.show();
    ASSERT_TRUE(window.isVisible());

    ModalDriver driver;
    driver.When("frmUserSetup", [](QWidget* w) { Click(w, "btnExit"); });
    driver.When("frmSystemSetup", [](QWidget* w) { Click(w, "btnCancel"); });
    driver.When("frmLanguageSelect", [](QWidget* w) { Click(w, "btnCancel"); });
    window.btnUserSetup->click();
    window.btnSystemSetup->click();
    window.btnLanguageSelect->click();
    EXPECT_EQ(driver.Seen(), QStringList({"frmUserSetup", "frmSystemSetup", "frmLanguageSelect"}));
    EXPECT_TRUE(driver.Done());
    EXPECT_EQ(window.findChildren<QDialog*>().size(), 0);
    EXPECT_TRUE(ui->AllTexts().isEmpty()) << ui->AllTexts().join("|").toStdString();
}
