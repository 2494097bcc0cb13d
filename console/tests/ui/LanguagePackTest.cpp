// The shipped language packs against the windows: every marked control of every window on the
// main menu has its key in both Manager files, and both Common files carry every message.
#include <gtest/gtest.h>

#include <QDialog>
#include <memory>

#include "Controls.h"
#include "Dataset.h"
#include "IniFile.h"
#include "MenuWindows.h"
#include "Schema.h"
#include "Support.h"
#include "SysLib.h"
#include "Translate.h"
#include "UiServicesDouble.h"

namespace {

const char* kMenuButtons[] = {"btnUserSetup",    "btnSystemSetup", "btnLanguageSelect",
                              "btnHolderSetup",  "btnFingerSetup", "btnFingerEdit",
                              "btnFingerDevice", "btnFingerTrans"};

// Keys a window asks its section for: the title and every marked component.
QStringList MarkedKeys(QWidget* window) {
    QStringList keys;
    if (Tag(window) == 1) keys << "Title";
    for (QObject* component : window->findChildren<QObject*>())
        if (Tag(component) >= 1 && !component->objectName().isEmpty())
            keys << component->objectName();
    return keys;
}

}  // namespace

TEST(LanguagePacks, EveryMarkedControlOfTheMenuWindowsHasItsText) {
    ScopedUiDouble ui;
    TestBase base;
    base.CopyLanguages();
    frmSysLib = new TfrmSysLib(base.path());
    ASSERT_TRUE(frmSysLib->OpenSharedConnection());
    {
        TADOQuery init(&frmSysLib->adcMain);
        InitialiseDatabase(init);
    }
    const IniFile packs[] = {IniFile(base.filePath("Language/ManagerENG.TXT").toStdString()),
                             IniFile(base.filePath("Language/ManagerCHT.TXT").toStdString())};
    int checked = 0;
    for (const char* button : kMenuButtons) {
        const MenuWindowFactory factory = MenuWindowFor(button);
        if (!factory) continue;
        std::unique_ptr<QDialog> window(factory(nullptr));
        const std::string section = window->objectName().toStdString();
        for (const QString& key : MarkedKeys(window.get()))
            for (const IniFile& pack : packs) {
                ++checked;
                EXPECT_TRUE(pack.KeyExists(section, key.toStdString()))
                    << pack.path() << " [" << section << "] " << key.toStdString();
            }
    }
    EXPECT_GT(checked, 100);  // the windows of this shell alone bring more than that
    delete frmSysLib;
    frmSysLib = nullptr;
}

TEST(LanguagePacks, BothCommonFilesCarryEveryMessage) {
    TestBase base;
    base.CopyLanguages();
    const IniFile english(base.filePath("Language/CommonENG.TXT").toStdString());
    const IniFile chinese(base.filePath("Language/CommonCHT.TXT").toStdString());
    EXPECT_EQ(english.ReadString("System", "Language", ""), "English");
    EXPECT_EQ(chinese.ReadString("System", "Language", ""), "繁體中文");
    for (const char* key :
         {"Title", "Disconnect", "NotSave", "DeleteRecord", "actTrans", "StartTrans",
          "InvalidComPort", "TimeOut", "ConnectCVK30", "FieldEmpty", "RecordExists",
          "InvalidPhotoType", "NoFingerTemplate", "DownFingerTemplate", "HolderNoFingerTemplate",
          "PleaseInputLoginID", "LoginIDError", "PasswordError"})
        EXPECT_TRUE(english.KeyExists("Message", key)) << key;
    for (const std::string& key : english.ReadSection("Message"))
        EXPECT_TRUE(chinese.KeyExists("Message", key)) << key;
}
