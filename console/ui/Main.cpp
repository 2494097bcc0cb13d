#include "Main.h"

#include <QCloseEvent>
#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <memory>

#include "Databasesetup.h"
#include "Frmloginu.h"
#include "Logo.h"
#include "MenuWindows.h"
#include "SysLib.h"
#include "Translate.h"
#include "UiServices.h"

TfrmMain* frmMain = nullptr;

namespace {

// Outer size 688 x 588 less a usual frame and caption bar.
constexpr int kClientWidth = 672;
constexpr int kClientHeight = 549;

}  // namespace

TfrmMain::TfrmMain(const QString& currentDir, QWidget* parent) : QWidget(parent) {
    frmMain = this;
    setObjectName("frmMain");
    SetTag(this, 1);
    setWindowTitle("指紋管理系統");
    setFixedSize(kClientWidth, kClientHeight);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    imgMain = Place(new TImage(this), "imgMain", 0, 0, kClientWidth, kClientHeight);

    labTitle = Place(new QLabel("指紋管理系統", this), "labTitle", 126, 22, 421, 31);
    SetTag(labTitle, 1);
    QFont titleFont = labTitle->font();
    titleFont.setPixelSize(24);
    labTitle->setFont(titleFont);
    labTitle->setAlignment(Qt::AlignCenter);
    labTitle->setAttribute(Qt::WA_TranslucentBackground);
    labTitle->setStyleSheet("color: white; background: transparent;");

    struct ButtonDesign {
        QPushButton** button;
        const char* name;
        const char* caption;
        int left, top;
        void (TfrmMain::*handler)();
    };
    const ButtonDesign buttons[] = {
        {&btnUserSetup, "btnUserSetup", "使用者設定", 241, 73, &TfrmMain::btnUserSetupClick},
        {&btnSystemSetup, "btnSystemSetup", "系統設定", 241, 125, &TfrmMain::btnSystemSetupClick},
        {&btnLanguageSelect, "btnLanguageSelect", "語言設定", 241, 178,
         &TfrmMain::btnLanguageSelectClick},
        {&btnHolderSetup, "btnHolderSetup", "人員管理", 133, 286, &TfrmMain::btnHolderSetupClick},
        {&btnFingerSetup, "btnFingerSetup", "指紋機設定", 340, 286, &TfrmMain::btnFingerSetupClick},
        {&btnFingerEdit, "btnFingerEdit", "指紋管理", 132, 368, &TfrmMain::btnFingerEditClick},
        {&btnFingerDevice, "btnFingerDevice", "指紋機裝置", 340, 369,
         &TfrmMain::btnFingerDeviceClick},
        {&btnFingerTrans, "btnFingerTrans", "指紋傳輸", 236, 479, &TfrmMain::btnFingerTransClick},
    };
    for (const ButtonDesign& design : buttons) {
        auto* button = Place(new QPushButton(design.caption, this), design.name, design.left,
                             design.top, 180, 45);
        SetTag(button, 1);
        button->setFlat(true);
        button->setCursor(Qt::PointingHandCursor);
        button->setEnabled(false);
        OnEvent(button, &QPushButton::clicked, this, design.handler);
        *design.button = button;
        menuButtons_ << button;
    }
    // Flat buttons over the picture: a light plate, a visible focus for the keyboard.
    setStyleSheet(
        "QPushButton { background: rgba(255,255,255,215); color: #12324f;"
        " border: 1px solid #2d6a9f; border-radius: 7px; font-weight: bold; }"
        "QPushButton:hover { background: white; border-color: #f0a020; }"
        "QPushButton:focus { border: 2px solid #f0a020; }"
        "QPushButton:pressed { background: #dbe9f6; }"
        "QPushButton:disabled { background: rgba(235,235,235,170); color: #8a8f96;"
        " border-color: #a8b0b8; }");

    RunHandler([&] { FormCreate(currentDir); });
}

TfrmMain::~TfrmMain() {
    delete frmSysLib;
    frmSysLib = nullptr;
    if (frmMain == this) frmMain = nullptr;
}

void TfrmMain::FormCreate(const QString& currentDir) {
    frmSysLib = new TfrmSysLib(currentDir);
    if (!frmSysLib->OpenSharedConnection()) {
        std::unique_ptr<TfrmDatabaseSetup> setup(new TfrmDatabaseSetup(this));
        setup->exec();
        setup.reset();
        // The string the dialog stored and tested is the one the rest of the run works on.
        if (frmSysLib->DatabaseOpen) frmSysLib->DatabaseOpen = frmSysLib->OpenSharedConnection();
    }
    if (!frmSysLib->DatabaseOpen) return;

    {
        std::unique_ptr<TfrmLogo> logo(new TfrmLogo(this));
        logo->exec();
    }
    imgMain->LoadFromFile(frmSysLib->ImageDir + "FlowSource.jpg");
}

void TfrmMain::setVisible(bool visible) {
    if (visible && !shown_) {
        shown_ = true;
        RunHandler([this] { FormShow(); });
        if (ended_) return;
    }
    QWidget::setVisible(visible);
}

void TfrmMain::FormShow() {
    if (!frmSysLib || !frmSysLib->DatabaseOpen) {
        EndProgram();
        return;
    }
    bool loggedIn = false;
    {
        std::unique_ptr<TfrmLogin> login(new TfrmLogin(this));
        login->exec();
        loggedIn = login->LoggedIn;
    }
    if (!loggedIn) {
        EndProgram();
        return;
    }
    RunHandler([this] { TranslateWindow(this); });
    EnableMenuButtons();
}

void TfrmMain::EndProgram() {
    ended_ = true;
    close();
}

void TfrmMain::EnableMenuButtons() {
    for (QPushButton* button : menuButtons_) {
        const bool available = static_cast<bool>(MenuWindowFor(button->objectName()));
        button->setEnabled(available);
    }
    UpdateAccessibleNames(this);
}

void TfrmMain::OpenMenuWindow(QPushButton* button) {
    const MenuWindowFactory factory = MenuWindowFor(button->objectName());
    if (!factory) return;
    std::unique_ptr<QDialog> window(factory(this));
    window->exec();
}

void TfrmMain::btnUserSetupClick() {
    OpenMenuWindow(btnUserSetup);
}
void TfrmMain::btnSystemSetupClick() {
    OpenMenuWindow(btnSystemSetup);
}
void TfrmMain::btnLanguageSelectClick() {
    OpenMenuWindow(btnLanguageSelect);
}
void TfrmMain::btnHolderSetupClick() {
    OpenMenuWindow(btnHolderSetup);
}
void TfrmMain::btnFingerSetupClick() {
    OpenMenuWindow(btnFingerSetup);
}
void TfrmMain::btnFingerEditClick() {
    OpenMenuWindow(btnFingerEdit);
}
void TfrmMain::btnFingerDeviceClick() {
    OpenMenuWindow(btnFingerDevice);
}
void TfrmMain::btnFingerTransClick() {
    OpenMenuWindow(btnFingerTrans);
}

void TfrmMain::FormClose() {
    // The settings file writes through, so nothing is pending; the shared object goes with the
    // window.
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    RunHandler([this] { FormClose(); });
    event->accept();
}
