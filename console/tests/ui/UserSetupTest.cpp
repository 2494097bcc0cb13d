// The user accounts window: view, add and edit modes, deletion, IDs with a quote.
#include <gtest/gtest.h>

#include "Dataset.h"
#include "DatasetModel.h"
#include "QueryOps.h"
#include "Schema.h"
#include "Support.h"
#include "SysLib.h"
#include "UiServicesDouble.h"
#include "Usersetup.h"

namespace {

class UserSetup : public ::testing::Test {
  protected:
    void SetUp() override {
        base_.CopyLanguages({"ENG"});
        frmSysLib = new TfrmSysLib(base_.path());
        ASSERT_TRUE(frmSysLib->OpenSharedConnection());
        TADOQuery init(&frmSysLib->adcMain);
        InitialiseDatabase(init);
        window_ = new TfrmUserSetup();
        window_->show();
        ASSERT_TRUE(WaitUntil([&] { return window_->isVisible(); }));
    }
    void TearDown() override {
        delete window_;
        delete frmSysLib;
        frmSysLib = nullptr;
    }
    // UserID, UserName, UserPassword and Supervisor of a stored user; empty when missing.
    QStringList Stored(const QString& id) {
        TADOQuery q(&frmSysLib->adcMain);
        OpenSql(q, "Select * From UserData Where UserID = ?", {id});
        if (q.IsEmpty()) return {};
        return {q.FieldText("UserID").trimmed(), q.FieldText("UserName").trimmed(),
                q.FieldText("UserPassword").trimmed(), q.FieldText("Supervisor")};
    }
    void Add(const QString& id, const QString& name, const QString& password) {
        window_->btnAdd->click();
        window_->edUserID->setText(id);
        window_->edUserName->setText(name);
        window_->edUserPassword->setText(password);
        window_->btnOk->click();
    }

    ScopedUiDouble ui_;
    TestBase base_;
    TfrmUserSetup* window_ = nullptr;
};

}  // namespace

TEST_F(UserSetup, OpensInViewModeOnTheFirstUser) {
    EXPECT_EQ(window_->mode(), TfrmUserSetup::Mode::View);
    EXPECT_EQ(window_->sbMainPanel1->text(), "ViewMode");
    EXPECT_EQ(window_->windowTitle(), "User Setup");
    EXPECT_EQ(window_->edUserID->text(), "admin");
    EXPECT_TRUE(window_->edUserID->isReadOnly());
    EXPECT_FALSE(window_->btnOk->isEnabled());
    EXPECT_FALSE(window_->mnuOk->isEnabled());
    EXPECT_TRUE(window_->mnuAdd->isEnabled());
    EXPECT_EQ(window_->dgViewModel->headerData(0, Qt::Horizontal).toString(), "Login ID");
    EXPECT_EQ(window_->btnAdd->toolTip(), "Add");
    EXPECT_EQ(window_->btnAdd->accessibleName(), "Add");
    EXPECT_EQ(window_->edUserName->accessibleName(), "User Name :");
}

TEST_F(UserSetup, AddsAUserWithAQuoteInItsIDAsSupervisorZero) {
    Add("o'neil", "O'Neil", "pw");
    EXPECT_EQ(Stored("o'neil"), QStringList({"o'neil", "O'Neil", "pw", "0"}));
    EXPECT_EQ(window_->mode(), TfrmUserSetup::Mode::View);
    EXPECT_EQ(window_->adoDB.RecordCount(), 2);
    EXPECT_EQ(window_->adoDB.RecNo(), 1);  // the new row, the last one
    EXPECT_EQ(window_->edUserID->text(), "o'neil");
    EXPECT_EQ(window_->dgViewModel->rowCount(), 2);
    EXPECT_TRUE(ui_->AllTexts().isEmpty()) << ui_->AllTexts().join("|").toStdString();
}

TEST_F(UserSetup, RefusedAddsStayInAddMode) {
    struct Row {
        const char* name;
        QString id, userName;
        QString message;
        QLineEdit* TfrmUserSetup::*focus;
    };
    const Row rows[] = {
        {"EmptyID", "", "Somebody", "Necessary Fields is empty!", &TfrmUserSetup::edUserID},
        {"EmptyName", "x", "", "Necessary Fields is empty!", &TfrmUserSetup::edUserName},
        {"ExistingID", "admin", "Again", "This Record Number is exist!", &TfrmUserSetup::edUserID},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ui_->Clear();
        Add(row.id, row.userName, "");
        EXPECT_EQ(ui_->Texts(UiServicesDouble::Kind::Info), QStringList({row.message}));
        EXPECT_EQ(window_->mode(), TfrmUserSetup::Mode::Add);
        EXPECT_EQ(window_->focusWidget(), window_->*row.focus);
        window_->btnCancel->click();
        EXPECT_EQ(window_->mode(), TfrmUserSetup::Mode::View);
    }
    EXPECT_EQ(window_->adoDB.RecordCount(), 1);
}

TEST_F(UserSetup, WithoutACommonFileTheRefusalsShowEmptyTexts) {
    QFile::remove(base_.filePath("Language/CommonENG.TXT"));
    Add("admin", "Again", "");
    Add("", "", "");
    EXPECT_EQ(ui_->Texts(UiServicesDouble::Kind::Info), QStringList({"", ""}));
    EXPECT_EQ(ui_->shown().first().title, "System Information");
}

TEST_F(UserSetup, EditsKeepTheIDAndSaveAnEmptyName) {
    window_->btnEdit->click();
    EXPECT_EQ(window_->mode(), TfrmUserSetup::Mode::Edit);
    EXPECT_TRUE(window_->edUserID->isReadOnly());
    EXPECT_FALSE(window_->edUserName->isReadOnly());
    window_->edUserName->setText("");
    window_->edUserPassword->setText("new");
    window_->btnOk->click();
    EXPECT_EQ(Stored("admin"), QStringList({"admin", "", "new", ""}));
    EXPECT_EQ(window_->mode(), TfrmUserSetup::Mode::View);
}

TEST_F(UserSetup, DeletesOnlyAfterOK) {
    Add("o'neil", "O'Neil", "");
    ui_->QueueAnswer(2);
    window_->btnDelete->click();
    EXPECT_FALSE(Stored("o'neil").isEmpty());
    ui_->QueueAnswer(1);
    window_->btnDelete->click();
    EXPECT_TRUE(Stored("o'neil").isEmpty());
    EXPECT_EQ(ui_->Texts(UiServicesDouble::Kind::OkCancel),
              QStringList({"Delete this Record ?", "Delete this Record ?"}));
    EXPECT_EQ(window_->adoDB.RecordCount(), 1);
    EXPECT_EQ(window_->edUserID->text(), "admin");
    // Every user gone: the window stays usable, the boxes empty.
    ui_->QueueAnswer(1);
    window_->btnDelete->click();
    EXPECT_EQ(window_->adoDB.RecordCount(), 0);
    EXPECT_EQ(window_->edUserID->text(), "");
    window_->btnNext->click();
    window_->btnEdit->click();
    EXPECT_EQ(window_->mode(), TfrmUserSetup::Mode::View);
}

TEST_F(UserSetup, NavigationAndTheGridMoveTheCurrentRow) {
    Add("b", "Bee", "");
    Add("c", "Cee", "");
    window_->btnFirst->click();
    EXPECT_EQ(window_->edUserID->text(), "admin");
    window_->btnNext->click();
    EXPECT_EQ(window_->edUserID->text(), "b");
    window_->btnLast->click();
    EXPECT_EQ(window_->edUserID->text(), "c");
    window_->btnPrev->click();
    EXPECT_EQ(window_->edUserID->text(), "b");
    window_->mnuFirst->trigger();
    EXPECT_EQ(window_->edUserID->text(), "admin");
    window_->pcData->setCurrentWidget(window_->tsView);
    window_->dgView->setCurrentIndex(window_->dgViewModel->index(2, 0));
    window_->dgViewCellClick();
    EXPECT_EQ(window_->edUserName->text(), "Cee");
}
