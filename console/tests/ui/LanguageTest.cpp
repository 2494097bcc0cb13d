// The language selection window and a language switch of the running program.
#include <gtest/gtest.h>

#include "IniFile.h"
#include "Languageselect.h"
#include "Main.h"
#include "Support.h"
#include "SysLib.h"
#include "UiServices.h"
#include "UiServicesDouble.h"

namespace {

QString SystemLanguage(const TestBase& base) {
    return QString::fromStdString(IniFile(base.filePath("system.ini").toStdString())
                                      .ReadString("System", "Language", "<none>"));
}

QStringList Entries(const TfrmLanguageSelect& window) {
    QStringList entries;
    for (int i = 0; i < window.lstLanguage->count(); ++i)
        entries << window.lstLanguage->item(i)->text();
    return entries;
}

class LanguageSelect : public ::testing::Test {
  protected:
    void TearDown() override {
        delete frmSysLib;
        frmSysLib = nullptr;
    }
    void Open() {
        delete frmSysLib;
        frmSysLib = new TfrmSysLib(base_.path());
        window_ = std::make_unique<TfrmLanguageSelect>();
        window_->show();
        ASSERT_TRUE(WaitUntil([&] { return window_->isVisible(); }));
    }
    void WriteCommon(const QString& code, const QString& display) {
        base_.WriteFile("Language/Common" + code + ".TXT",
                        ("[System]\nLanguage=" + display + "\n").toUtf8());
    }

    ScopedUiDouble ui_;
    TestBase base_;
    std::unique_ptr<TfrmLanguageSelect> window_;
};

}  // namespace

TEST(LanguageSwitch, RetitlesTheMainWindowAtOnceAndWritesTheCode) {
    ScopedUiDouble ui;
    TestBase base;
    base.CopyLanguages();
    base.WriteSystemIni({"LoginID=admin"});  // the first start creates admin without password
    TfrmMain window(base.path());
    window.show();
    ASSERT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), "Fingerprint Management System");
    EXPECT_EQ(MessageTitle(), "System Information");

    TfrmLanguageSelect select(&window);
    select.show();
    ASSERT_TRUE(WaitUntil([&] { return select.isVisible(); }));
    EXPECT_EQ(Entries(select), QStringList({"繁體中文", "English"}));
    EXPECT_EQ(select.SelectedIndex(), 1);
    EXPECT_EQ(select.labCurrent->text(), "English");
    select.lstLanguage->setCurrentRow(0);
    select.btnOk->click();

    EXPECT_FALSE(select.isVisible());
    EXPECT_EQ(SystemLanguage(base), "CHT");
    EXPECT_EQ(window.windowTitle(), "指紋管理系統");
    EXPECT_EQ(window.btnUserSetup->text(), "使用者設定");
    EXPECT_EQ(window.btnUserSetup->accessibleName(), "使用者設定");
    EXPECT_EQ(window.font().family(), "Noto Sans CJK TC");
    EXPECT_EQ(MessageTitle(), "系統訊息");
    EXPECT_EQ(frmSysLib->MessageText("DeleteRecord", ""), "確定要刪除這筆資料嗎？");
}

TEST_F(LanguageSelect, OkWithTheSameSelectionChangesNothing) {
    base_.CopyLanguages();
    base_.WriteSystemIni({"ComPort=3"});
    const QByteArray before = base_.ReadFile("system.ini");
    Open();
    EXPECT_EQ(window_->SelectedIndex(), 1);
    window_->btnOk->click();
    EXPECT_EQ(base_.ReadFile("system.ini"), before);
    EXPECT_EQ(frmSysLib->MessageText("Title", ""), "System Information");
}

TEST_F(LanguageSelect, MoreThanTenCommonFilesKeepTen) {
    for (int i = 0; i < 12; ++i)
        WriteCommon(QString("L%1").arg(i, 2, 10, QChar('0')), QString("Language %1").arg(i));
    Open();
    EXPECT_EQ(window_->lstLanguage->count(), 10);
    EXPECT_EQ(window_->Codes.first(), "L00");
    EXPECT_EQ(window_->ManagerFiles.first(), base_.filePath("Language/ManagerL00.TXT"));
    EXPECT_EQ(window_->SelectedIndex(), -1);  // no file is the current language
}

TEST_F(LanguageSelect, WithoutCommonFilesTheListIsEmptyAndOkChangesNothing) {
    Open();
    EXPECT_EQ(window_->lstLanguage->count(), 0);
    window_->btnOk->click();
    EXPECT_FALSE(base_.Exists("system.ini"));
}

TEST_F(LanguageSelect, TheLaterOfTwoEqualDisplayNamesIsPreselected) {
    WriteCommon("AAA", "Same");
    WriteCommon("BBB", "Same");
    base_.WriteSystemIni({"Language=AAA"});
    Open();
    EXPECT_EQ(Entries(*window_), QStringList({"Same", "Same"}));
    EXPECT_EQ(window_->SelectedIndex(), 1);
    EXPECT_EQ(window_->InitialIndex, 1);
}

TEST_F(LanguageSelect, ALanguageWithoutManagerFileIsStillChosen) {
    WriteCommon("ENG", "English");
    WriteCommon("XYZ", "Other");  // no ManagerXYZ.TXT
    Open();
    window_->lstLanguage->setCurrentRow(1);
    window_->btnOk->click();
    EXPECT_EQ(SystemLanguage(base_), "XYZ");
    EXPECT_EQ(frmSysLib->FormText("frmMain", "Title", "0"), "0");
}
