#include "Logo.h"

#include <QGuiApplication>
#include <QScreen>

#include "CvbioError.h"
#include "Schema.h"
#include "SysLib.h"
#include "UiServices.h"

TfrmLogo::TfrmLogo(QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      adqInit(frmSysLib ? &frmSysLib->adcMain : nullptr) {
    setObjectName("frmLogo");
    setFixedSize(646, 435);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    imgLogo = Place(new TImage(this), "imgLogo", 0, 0, 646, 435);
    imgLogo->setAccessibleName("CVBIO");
    timLogo = new QTimer(this);
    timLogo->setObjectName("timLogo");
    timLogo->setInterval(1000);
    OnEvent(timLogo, &QTimer::timeout, this, &TfrmLogo::timLogoTimer);
    RunHandler([this] { FormCreate(); });
}

void TfrmLogo::FormCreate() {
    try {
        InitialiseDatabase(adqInit);
    } catch (const CvbioError& error) {
        // The remaining tables wait for the next start; this one goes on to the login.
        ShowError(error.message());
    }
}

void TfrmLogo::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    RunHandler([this] { FormShow(); });
}

void TfrmLogo::FormShow() {
    // A missing or unreadable picture leaves the window plain; start-up goes on.
    imgLogo->LoadFromFile(frmSysLib->ImageDir + "Logo.jpg");
    timLogo->start();
}

void TfrmLogo::timLogoTimer() {
    timLogo->stop();
    close();
}

void TfrmLogo::done(int result) {
    RunHandler([this] { FormClose(); });
    QDialog::done(result);
}

void TfrmLogo::FormClose() {
    adqInit.Close();
}
