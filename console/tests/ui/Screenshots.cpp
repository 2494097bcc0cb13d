// ui_screenshots OUTPUT_DIR: runs the real program in a fresh base directory and saves pictures
// of its windows in English and in Traditional Chinese, for a look at them under a real display.
// ui_screenshots --screen FILE: saves the whole screen (another program's windows included).
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <cstdio>

#include "Application.h"
#include "Databasesetup.h"
#include "Frmloginu.h"
#include "Languageselect.h"
#include "Main.h"
#include "Progress.h"
#include "Support.h"
#include "SysLib.h"
#include "Systemsetup.h"
#include "Usersetup.h"

namespace {

QString outDir;

void Save(QWidget* window, const QString& name) {
    Pump(150);
    window->grab().save(outDir + "/" + name + ".png");
    std::printf("%s\n", qPrintable(outDir + "/" + name + ".png"));
}

template <typename T>
void Snap(const QString& name, const std::function<void(T&)>& prepare = {}) {
    T window(frmMain);
    window.show();
    WaitUntil([&] { return window.isVisible(); });
    if (prepare) prepare(window);
    Save(&window, name);
    window.hide();
}

}  // namespace

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    if (argc == 3 && QString(argv[1]) == "--screen")
        return QGuiApplication::primaryScreen()->grabWindow(0).save(argv[2]) ? 0 : 1;
    if (argc != 2) return 2;
    outDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outDir);
    TestBase base;
    base.CopyLanguages();
    base.CopyImages();

    ModalDriver driver;
    driver.When("frmLogo", [](QWidget* logo) { Save(logo, "01-splash"); });
    driver.When("frmLogin", [](QWidget* login) {
        Save(login, "02-login-ENG");
        Type(login, "edLoginID", "admin");
        Click(login, "btnOk");
    });
    TfrmMain window(base.path());
    window.show();
    Save(&window, "03-main-ENG");
    Snap<TfrmUserSetup>("04-users-ENG", [](TfrmUserSetup& w) {
        w.btnAdd->click();
        w.edUserID->setText("o'neil");
        w.edUserName->setText("Olivia O'Neil");
        w.btnOk->click();
        w.pcData->setCurrentWidget(w.tsView);
    });
    Snap<TfrmUserSetup>("05-users-data-ENG");
    Snap<TfrmSystemSetup>("06-system-ENG");
    Snap<TfrmLanguageSelect>("07-language-ENG");
    Snap<TfrmProgress>("08-progress-ENG", [](TfrmProgress& w) {
        w.labText->setText(frmSysLib->MessageText("actTrans", ""));
        w.cga->setMaximum(10);
        w.cga->setValue(4);
    });
    Snap<TfrmDatabaseSetup>("09-database-ENG");

    {
        TfrmLanguageSelect select(&window);
        select.show();
        WaitUntil([&] { return select.isVisible(); });
        for (int i = 0; i < select.lstLanguage->count(); ++i)
            if (select.Codes[i] == "CHT") select.lstLanguage->setCurrentRow(i);
        select.btnOk->click();
    }
    Save(&window, "10-main-CHT");
    Snap<TfrmUserSetup>("11-users-CHT",
                        [](TfrmUserSetup& w) { w.pcData->setCurrentWidget(w.tsView); });
    Snap<TfrmUserSetup>("12-users-data-CHT");
    Snap<TfrmLanguageSelect>("13-language-CHT");
    Snap<TfrmSystemSetup>("14-system-CHT");
    Snap<TfrmDatabaseSetup>("15-database-CHT");
    frmSysLib->WriteSystemString("LoginID", "");
    Snap<TfrmLogin>("16-login-CHT");
    window.close();
    return 0;
}
