#include "Systemsetup.h"

#include <QGuiApplication>
#include <QScreen>

#include "Controls.h"
#include "CvbioError.h"
#include "MenuWindows.h"
#include "SysLib.h"
#include "TextOps.h"
#include "Translate.h"
#include "UiServices.h"

CVBIO_MENU_WINDOW(btnSystemSetup, TfrmSystemSetup)

TfrmSystemSetup::TfrmSystemSetup(QWidget* parent) : QDialog(parent) {
    setObjectName("frmSystemSetup");
    SetTag(this, 1);
    setWindowTitle("系統設定");
    setFixedSize(476, 222);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    grbCommPara = Place(new QGroupBox("通訊參數", this), "grbCommPara", 8, 6, 300, 208);
    labCommPort = Place(new QLabel("串列埠", grbCommPara), "labCommPort", 14, 30, 80, 24);
    cmbCom = Place(new QComboBox(grbCommPara), "cmbCom", 100, 28, 110, 26);
    cmbCom->setEditable(true);
    for (int port = 1; port <= 16; ++port) cmbCom->addItem(QString::number(port));
    labBaudRate = Place(new QLabel("鮑率", grbCommPara), "labBaudRate", 14, 72, 80, 24);
    cmbBaudRate = Place(new QComboBox(grbCommPara), "cmbBaudRate", 100, 70, 180, 26);
    cmbBaudRate->setEditable(true);
    cmbBaudRate->addItems({"4800,n,8,1", "4800,e,8,1", "9600,n,8,1", "9600,e,8,1", "19200,n,8,1",
                           "19200,e,8,1", "38400,n,8,1", "38400,e,8,1", "57600,n,8,1",
                           "57600,e,8,1", "115200,n,8,1", "115200,e,8,1"});
    labTimeOut = Place(new QLabel("最大逾時", grbCommPara), "labTimeOut", 14, 114, 80, 24);
    edtTimeOut = Place(new QLineEdit(grbCommPara), "edtTimeOut", 100, 112, 110, 26);
    labTimeOutSecond = Place(new QLabel("毫秒", grbCommPara), "labTimeOutSecond", 218, 114, 70, 24);
    labRetryCount = Place(new QLabel("重送次數", grbCommPara), "labRetryCount", 14, 156, 80, 24);
    edtRetryCount = Place(new QLineEdit(grbCommPara), "edtRetryCount", 100, 154, 110, 26);
    labCommPort->setBuddy(cmbCom);
    labBaudRate->setBuddy(cmbBaudRate);
    labTimeOut->setBuddy(edtTimeOut);
    labRetryCount->setBuddy(edtRetryCount);

    grbSource = Place(new QGroupBox("指紋輸入來源", this), "grbSource", 316, 6, 152, 112);
    rabEnroll = Place(new QRadioButton("Enroll", grbSource), "rabEnroll", 16, 32, 120, 26);
    rabCVT80R = Place(new QRadioButton("CVT80", grbSource), "rabCVT80R", 16, 70, 120, 26);
    rabEnroll->setChecked(true);

    btnOK = Place(new QPushButton("確定", this), "btnOK", 316, 136, 152, 34);
    btnOK->setDefault(true);
    btnCancel = Place(new QPushButton("取消", this), "btnCancel", 316, 180, 152, 34);
    btnCancel->setAutoDefault(false);
    OnEvent(btnOK, &QPushButton::clicked, this, &TfrmSystemSetup::btnOKClick);
    OnEvent(btnCancel, &QPushButton::clicked, this, &TfrmSystemSetup::btnCancelClick);

    for (QObject* o : std::initializer_list<QObject*>{grbCommPara, labCommPort, labBaudRate,
                                                      labTimeOut, labTimeOutSecond, labRetryCount,
                                                      grbSource, btnOK, btnCancel})
        SetTag(o, 1);
    SetTag(cmbCom, 2);
    SetTag(cmbBaudRate, 2);

    setTabOrder(cmbCom, cmbBaudRate);
    setTabOrder(cmbBaudRate, edtTimeOut);
    setTabOrder(edtTimeOut, edtRetryCount);
    setTabOrder(edtRetryCount, rabEnroll);
    setTabOrder(rabEnroll, btnOK);
    setTabOrder(btnOK, btnCancel);
    RunHandler([this] { FormCreate(); });
}

void TfrmSystemSetup::FormCreate() {
    cmbCom->setEditText(QString::number(frmSysLib->ComPort));
    cmbBaudRate->setEditText(frmSysLib->BaudRate);
    edtTimeOut->setText(QString::number(frmSysLib->TimeOut));
    edtRetryCount->setText(QString::number(frmSysLib->RetryCount));
    if (frmSysLib->SelectSource == 1)
        rabCVT80R->setChecked(true);
    else
        rabEnroll->setChecked(true);
}

void TfrmSystemSetup::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (activated_) return;
    activated_ = true;
    RunHandler([this] { FormActivate(); });
    cmbCom->setFocus();
}

void TfrmSystemSetup::FormActivate() {
    TranslateWindow(this);
}

void TfrmSystemSetup::btnOKClick() {
    // The port is the one value refused: nothing changes unless it is a number.
    int32_t comPort = 0;
    const QString comText = cmbCom->currentText();
    if (!ParseInt32(comText.toStdString(), comPort))
        throw CvbioError(QString("'%1' is not a valid integer value").arg(comText));
    frmSysLib->ComPort = comPort;
    frmSysLib->BaudRate = cmbBaudRate->currentText();
    frmSysLib->TimeOut = FieldToInt(edtTimeOut->text().toStdString());
    frmSysLib->RetryCount = FieldToInt(edtRetryCount->text().toStdString());
    frmSysLib->SelectSource = rabEnroll->isChecked() ? 0 : 1;

    frmSysLib->WriteSystemInteger("ComPort", frmSysLib->ComPort);
    frmSysLib->WriteSystemString("BaudRate", frmSysLib->BaudRate);
    frmSysLib->WriteSystemInteger("TimeOut", frmSysLib->TimeOut);
    frmSysLib->WriteSystemInteger("RetryCount", frmSysLib->RetryCount);
    frmSysLib->WriteSystemInteger("SelectSource", frmSysLib->SelectSource);
    close();
}

void TfrmSystemSetup::btnCancelClick() {
    close();
}
