#include "Cardidfromfp.h"

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

TfrmCardIDFromFP::TfrmCardIDFromFP(QWidget* parent)
    : QDialog(parent), adqFingerPrint(frmSysLib ? &frmSysLib->adcMain : nullptr) {
    setObjectName("frmCardIDFromFP");
    SetTag(this, 1);
    setWindowTitle("取得卡片ID-從指紋機");
    setFixedSize(330, 196);

    labFingerPrintNo = Place(new QLabel("指紋機ID", this), "labFingerPrintNo", 16, 18, 80, 24);
    cmbFingerPrintNo = Place(new QComboBox(this), "cmbFingerPrintNo", 100, 16, 210, 26);
    cmbFingerPrintNo->setModel(cmbFingerPrintNoItems.model());
    labFingerNo = Place(new QLabel("指紋編號", this), "labFingerNo", 16, 54, 80, 24);
    updFingerNo = Place(new QSpinBox(this), "updFingerNo", 100, 52, 90, 26);
    updFingerNo->setRange(1, 9999);
    updFingerNo->setValue(1);
    // The number box's own edit is the user number field.
    edtFingerNo = updFingerNo->findChild<QLineEdit*>();
    edtFingerNo->setObjectName("edtFingerNo");
    btnGetCardID = Place(new QPushButton("取得卡片ID", this), "btnGetCardID", 200, 50, 110, 30);
    pnlCardID = Place(new TPanel(this), "pnlCardID", 16, 90, 294, 30);
    pnlCardID->setStyleSheet("QLabel { background: navy; color: white; }");
    pnlCardID->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    btnOK = Place(new QPushButton("確定", this), "btnOK", 100, 130, 90, 30);
    btnOK->setDefault(true);
    btnCancel = Place(new QPushButton("取消", this), "btnCancel", 200, 130, 90, 30);
    stbComm = Place(new QStatusBar(this), "stbComm", 0, 172, 330, 24);
    stbComm->setSizeGripEnabled(false);
    for (QWidget* w : {static_cast<QWidget*>(labFingerPrintNo), static_cast<QWidget*>(labFingerNo),
                       static_cast<QWidget*>(btnGetCardID), static_cast<QWidget*>(btnOK),
                       static_cast<QWidget*>(btnCancel)})
        SetTag(w, 1);
    SetTag(cmbFingerPrintNo, 2);
    SetTag(edtFingerNo, 2);
    labFingerPrintNo->setBuddy(cmbFingerPrintNo);
    labFingerNo->setBuddy(updFingerNo);

    OnEvent(btnGetCardID, &QPushButton::clicked, this, &TfrmCardIDFromFP::btnGetCardIDClick);
    OnEvent(btnOK, &QPushButton::clicked, this, &TfrmCardIDFromFP::btnOKClick);
    OnEvent(btnCancel, &QPushButton::clicked, this, &TfrmCardIDFromFP::btnCancelClick);
    SetLinkIdleHandler([] { QCoreApplication::processEvents(); });
    RunHandler([this] { FormCreate(); });
}

void TfrmCardIDFromFP::FormCreate() {
    OpenSql(adqFingerPrint, kLinkedReadersSql);
    FillChoiceListFromQuery(adqFingerPrint, cmbFingerPrintNoItems, "FingerPrintNo",
                            "FingerPrintName");
    cmbFingerPrintNo->setCurrentIndex(cmbFingerPrintNoItems.itemIndex);
}

void TfrmCardIDFromFP::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (activated_) return;
    activated_ = true;
    RunHandler([this] { FormActivate(); });
}

void TfrmCardIDFromFP::FormActivate() {
    RunHandler([this] { TranslateWindow(this); });
    UpdateAccessibleNames(this);
}

void TfrmCardIDFromFP::btnGetCardIDClick() {
    const int index = cmbFingerPrintNo->currentIndex();
    if (index < 0 || index >= adqFingerPrint.RecordCount()) return;  // no linked reader to ask
    adqFingerPrint.MoveTo(index);
    const int32_t controllerNo = adqFingerPrint.FieldInt("ControllerNo");
    const int32_t readerNo =
        FieldToInt(TextBefore(cmbFingerPrintNo->currentText().toStdString(), "="));
    const int32_t userNo = updFingerNo->value();

    const int32_t opened =
        OpenLink(frmSysLib->SystemIni, frmSysLib->ComPort, frmSysLib->BaudRate.toStdString(),
                 frmSysLib->TimeOut, frmSysLib->RetryCount);
    if (opened != lrOk) {
        if (opened == lrNoPort) CloseLink();
        ShowInfo(frmSysLib->MessageText("InvalidComPort", "Invalid Com Port!"));
        return;
    }
    int32_t duress = 0;  // not used here
    std::string cardId;
    const int32_t result = controllerNo == 0
                               ? ReadUserCard(readerNo, userNo, duress, cardId)
                               : CtlReadUserCard(controllerNo, readerNo, userNo, duress, cardId);
    if (result == lrOk)
        pnlCardID->setText(QString::fromStdString(cardId));
    else
        ShowInfo(frmSysLib->MessageText("TimeOut", "Communicate was broke,Check your device!"));
    CloseLink();
}

void TfrmCardIDFromFP::btnOKClick() {
    if (frmHolderSetup) frmHolderSetup->edtCardID->setText(pnlCardID->text());
    accept();
}

void TfrmCardIDFromFP::btnCancelClick() {
    reject();
}
