#include "Cardidfromctl.h"

#include <QGuiApplication>

#include "Comm.h"
#include "Controls.h"
#include "Cvt80.h"
#include "Holdersetup.h"
#include "SysLib.h"
#include "TextOps.h"
#include "Translate.h"
#include "UiServices.h"

namespace {

const char* const kLinkedReadersSql =
    "Select * From FingerPrint Where LinkFlag=1 Order By FingerPrintNo";

}  // namespace

TfrmCardIDFromCtl::TfrmCardIDFromCtl(QWidget* parent)
    : QDialog(parent), adqFingerPrint(frmSysLib ? &frmSysLib->adcMain : nullptr) {
    setObjectName("frmCardIDFromCtl");
    SetTag(this, 1);
    setWindowTitle("取得卡片ID-從控制器");
    setFixedSize(330, 196);

    labControllerNo = Place(new QLabel("控制器ID", this), "labControllerNo", 16, 18, 80, 24);
    cmbControllerNo = Place(new QComboBox(this), "cmbControllerNo", 100, 16, 210, 26);
    cmbControllerNo->setModel(cmbControllerNoItems.model());
    labCardNo = Place(new QLabel("卡號", this), "labCardNo", 16, 54, 80, 24);
    updCardNo = Place(new QSpinBox(this), "updCardNo", 100, 52, 90, 26);
    updCardNo->setRange(1, 9999);
    updCardNo->setValue(1);
    // The number box's own edit is the card number field.
    edtCardNo = updCardNo->findChild<QLineEdit*>();
    edtCardNo->setObjectName("edtCardNo");
    btnGetCardID = Place(new QPushButton("取得卡片ID", this), "btnGetCardID", 200, 50, 110, 30);
    pnlCardID = Place(new TPanel(this), "pnlCardID", 16, 90, 294, 30);
    pnlCardID->setStyleSheet("QLabel { background: navy; color: white; }");
    pnlCardID->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    btnOK = Place(new QPushButton("確定", this), "btnOK", 100, 130, 90, 30);
    btnOK->setDefault(true);
    btnCancel = Place(new QPushButton("取消", this), "btnCancel", 200, 130, 90, 30);
    stbComm = Place(new QStatusBar(this), "stbComm", 0, 172, 330, 24);
    stbComm->setSizeGripEnabled(false);
    for (QWidget* w : {static_cast<QWidget*>(labControllerNo), static_cast<QWidget*>(labCardNo),
                       static_cast<QWidget*>(btnGetCardID), static_cast<QWidget*>(btnOK),
                       static_cast<QWidget*>(btnCancel)})
        SetTag(w, 1);
    SetTag(cmbControllerNo, 2);
    SetTag(edtCardNo, 2);
    labControllerNo->setBuddy(cmbControllerNo);
    labCardNo->setBuddy(updCardNo);

    OnEvent(btnGetCardID, &QPushButton::clicked, this, &TfrmCardIDFromCtl::btnGetCardIDClick);
    OnEvent(btnOK, &QPushButton::clicked, this, &TfrmCardIDFromCtl::btnOKClick);
    OnEvent(btnCancel, &QPushButton::clicked, this, &TfrmCardIDFromCtl::btnCancelClick);
    SetLinkIdleHandler([] { QCoreApplication::processEvents(); });
    RunHandler([this] { FormCreate(); });
}

void TfrmCardIDFromCtl::FormCreate() {
    OpenSql(adqFingerPrint, kLinkedReadersSql);
    FillChoiceListFromQuery(adqFingerPrint, cmbControllerNoItems, "FingerPrintNo",
                            "FingerPrintName");
    cmbControllerNo->setCurrentIndex(cmbControllerNoItems.itemIndex);
}

void TfrmCardIDFromCtl::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (activated_) return;
    activated_ = true;
    RunHandler([this] { FormActivate(); });
}

void TfrmCardIDFromCtl::FormActivate() {
    RunHandler([this] { TranslateWindow(this); });
    UpdateAccessibleNames(this);
}

void TfrmCardIDFromCtl::btnGetCardIDClick() {
    const int32_t opened =
        OpenLink(frmSysLib->SystemIni, frmSysLib->ComPort, frmSysLib->BaudRate.toStdString(),
                 frmSysLib->TimeOut, frmSysLib->RetryCount);
    if (opened != lrOk) {
        if (opened == lrNoPort) CloseLink();
        ShowInfo(frmSysLib->MessageText("InvalidComPort", "Invalid Com Port!"));
        return;
    }
    // The chosen reader's number is the controller address, as the card system wires it.
    const int32_t address =
        FieldToInt(TextBefore(cmbControllerNo->currentText().toStdString(), "="));
    std::string cardId;
    if (ReadControllerCard(address, updCardNo->value(), cardId) == lrOk)
        pnlCardID->setText(QString::fromStdString(cardId));
    else
        ShowInfo(frmSysLib->MessageText("TimeOut", "Communicate was broke,Check your device!"));
    CloseLink();
}

void TfrmCardIDFromCtl::btnOKClick() {
    if (frmHolderSetup) frmHolderSetup->edtCardID->setText(pnlCardID->text());
    accept();
}

void TfrmCardIDFromCtl::btnCancelClick() {
    reject();
}
