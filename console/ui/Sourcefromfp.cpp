#include "Sourcefromfp.h"

#include <QCoreApplication>
#include <QImage>
#include <algorithm>
#include <string>

#include "Comm.h"
#include "Controls.h"
#include "Cvt80.h"
#include "Fingeredit.h"
#include "Progress.h"
#include "SysLib.h"
#include "TextOps.h"
#include "Translate.h"
#include "UiServices.h"

namespace {

const char kSection[] = "frmSourceFromFP";

}  // namespace

TfrmSourceFromFP::TfrmSourceFromFP(TfrmFingerEdit* editor)
    : QDialog(editor), adqFingerPrint(frmSysLib ? &frmSysLib->adcMain : nullptr), editor_(editor) {
    setObjectName("frmSourceFromFP");
    SetTag(this, 1);
    setWindowTitle("指紋機資料");
    setFixedSize(330, 178);

    labFingerPrintNo = Place(new QLabel("指紋機ID", this), "labFingerPrintNo", 16, 18, 80, 26);
    cmbFingerPrintNo = Place(new QComboBox(this), "cmbFingerPrintNo", 100, 18, 214, 26);
    cmbFingerPrintNo->setModel(FingerPrintList.model());
    labFingerPrintNo->setBuddy(cmbFingerPrintNo);
    labFingerNo = Place(new QLabel("指紋編號", this), "labFingerNo", 16, 58, 80, 26);
    edtFingerNo = Place(new QSpinBox(this), "edtFingerNo", 100, 58, 90, 26);
    edtFingerNo->setRange(MinFingerNo, MaxFingerNo);
    edtFingerNo->setValue(MinFingerNo);
    labFingerNo->setBuddy(edtFingerNo);
    for (QLabel* label : {labFingerPrintNo, labFingerNo}) SetTag(label, 1);
    SetTag(cmbFingerPrintNo, 2);
    SetTag(edtFingerNo, 2);

    btnOK = Place(new QPushButton("傳回指紋", this), "btnOK", 16, 102, 94, 32);
    btnAddFinger = Place(new QPushButton("增加指紋", this), "btnAddFinger", 118, 102, 94, 32);
    btnCancel = Place(new QPushButton("取消", this), "btnCancel", 220, 102, 94, 32);
    for (QPushButton* b : {btnOK, btnAddFinger, btnCancel}) {
        SetTag(b, 1);
        b->setAutoDefault(false);
    }
    btnOK->setDefault(true);
    OnEvent(btnOK, &QPushButton::clicked, this, &TfrmSourceFromFP::btnOKClick);
    OnEvent(btnAddFinger, &QPushButton::clicked, this, &TfrmSourceFromFP::btnAddFingerClick);
    OnEvent(btnCancel, &QPushButton::clicked, this, &TfrmSourceFromFP::btnCancelClick);

    stbComm = Place(new QStatusBar(this), "stbComm", 0, 152, 330, 26);
    stbComm->setSizeGripEnabled(false);
    stbCommPanel1 = new QLabel(stbComm);
    stbComm->addWidget(stbCommPanel1, 1);

    // The exchanges let the interface run while they wait, so the progress dialog's Cancel works.
    SetLinkIdleHandler([] { QCoreApplication::processEvents(); });
    RunHandler([this] { FormCreate(); });
}

void TfrmSourceFromFP::FormCreate() {
    OpenSql(adqFingerPrint, "Select * From FingerPrint Where LinkFlag=1 Order By FingerPrintNo");
    FillChoiceListFromQuery(adqFingerPrint, FingerPrintList, "FingerPrintNo", "FingerPrintName");
    cmbFingerPrintNo->setCurrentIndex(FingerPrintList.itemIndex);
    const int remembered = frmSysLib->SystemIni.ReadInteger(kSection, "FingerPrintID", 0);
    if (remembered >= 0 && remembered < FingerPrintList.count())
        cmbFingerPrintNo->setCurrentIndex(remembered);
    const int fingerNo = frmSysLib->SystemIni.ReadInteger(kSection, "FingerNo", 0);
    edtFingerNo->setValue(std::clamp(fingerNo, MinFingerNo, MaxFingerNo));
}

void TfrmSourceFromFP::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shown_) return;
    shown_ = true;
    RunHandler([this] { FormShow(); });
}

void TfrmSourceFromFP::FormShow() {
    TranslateWindow(this);
}

bool TfrmSourceFromFP::SelectedAddress(Address& address) {
    const int index = cmbFingerPrintNo->currentIndex();
    if (index < 0 || index >= adqFingerPrint.RecordCount()) return false;
    adqFingerPrint.MoveTo(index);
    address.controllerNo = adqFingerPrint.FieldInt("ControllerNo");
    address.readerNo =
        FieldToInt(TextBefore(FingerPrintList.items().value(index).toStdString(), "="));
    address.fingerNo = edtFingerNo->value();
    return true;
}

void TfrmSourceFromFP::btnOKClick() {
    RunProgress(this, frmSysLib->MessageText("DownFingerTemplate", "Downlaod Finger Template..."),
                6, [this](TfrmProgress& progress) { actReadFingerTemplateExecute(progress); });
    if (editor_) editor_->SetModified();
    frmSysLib->SystemIni.WriteInteger(kSection, "FingerPrintID", cmbFingerPrintNo->currentIndex());
    frmSysLib->SystemIni.WriteInteger(kSection, "FingerNo", edtFingerNo->value());
    accept();
}

void TfrmSourceFromFP::LeaveTemplateMode(const Address& a) {
    if (a.controllerNo == 0) {
        TemplateMode(a.readerNo, 1);
        LinkPause(100);
    } else {
        CtlTemplateMode(a.controllerNo, a.readerNo, 1);
        LinkPause(100);
        ControllerMode(a.controllerNo, "1");
    }
}

void TfrmSourceFromFP::actReadFingerTemplateExecute(TfrmProgress& progress) {
    Address a;
    if (!SelectedAddress(a)) return;  // no linked reader to read from
    progress.cga->setMaximum(6);
    auto step = [&progress] { progress.cga->setValue(progress.cga->value() + 1); };
    auto showTimeOut = [] {
        ShowInfo(frmSysLib->MessageText("TimeOut", "Communicate was broke,Check your device!"));
    };

    const int32_t opened =
        OpenLink(frmSysLib->SystemIni, frmSysLib->ComPort, frmSysLib->BaudRate.toStdString(),
                 frmSysLib->TimeOut, frmSysLib->RetryCount);
    if (opened != lrOk) {
        if (opened == lrNoPort) CloseLink();
        ShowInfo(frmSysLib->MessageText("InvalidComPort", "Invalid Com Port!"));
        return;
    }

    bool entered = false;
    if (a.controllerNo == 0) {
        entered = TemplateMode(a.readerNo, 0) == lrOk;
        LinkPause(2000);
    } else {
        entered = ControllerMode(a.controllerNo, "0") == lrOk;
        LinkPause(500);
        if (entered) {
            CtlTemplateMode(a.controllerNo, a.readerNo, 0);
            LinkPause(2000);
        }
    }
    if (!entered) {
        showTimeOut();
        CloseLink();
        return;
    }

    stbCommPanel1->setText(QString("Controller %1 FingerPrint %2 FingerNo %3")
                               .arg(a.controllerNo)
                               .arg(a.readerNo)
                               .arg(a.fingerNo));
    step();
    // Cancel stops at once: the link closes and the reader is left as it stands.
    auto cancelled = [] {
        if (!CancelRequested) return false;
        CloseLink();
        return true;
    };
    if (cancelled()) return;

    // A bank that does not come back whole ends the reading: the text of another bank must
    // never stand in for it.
    auto readBank = [&a](int bank, std::string& text) {
        text.clear();
        const int32_t result =
            a.controllerNo == 0
                ? ReadTemplateBank(a.readerNo, a.fingerNo, bank, text)
                : CtlReadTemplateBank(a.controllerNo, a.readerNo, a.fingerNo, bank, text);
        return result == lrOk && text.size() == kBankLength;
    };
    auto failed = [&] {
        showTimeOut();
        LeaveTemplateMode(a);
        step();
        CloseLink();
    };

    std::string bank0, bank1, bank2, bank3;
    if (!readBank(0, bank0)) return failed();
    step();
    if (cancelled()) return;
    LinkPause(200);
    if (!readBank(1, bank1)) return failed();
    step();
    if (cancelled()) return;
    LinkPause(100);

    if (bank1.empty() || bank1.compare(0, 5, "00000") == 0) {
        ShowInfo(frmSysLib->MessageText("NoFingerTemplate", "No Finger Template at this address!"));
    } else {
        if (!readBank(2, bank2)) return failed();
        if (cancelled()) return;
        step();
        LinkPause(100);
        if (!readBank(3, bank3)) return failed();
        if (a.controllerNo != 0) LinkPause(100);
        if (cancelled()) return;
        step();
        const QString text = QString::fromStdString(bank1 + bank2 + bank3);
        if (editor_)
            editor_->AcceptEnrolment(QImage(frmSysLib->ImageDir + "NoFingerPhoto.jpg"), text);
    }
    LeaveTemplateMode(a);
    step();
    CloseLink();
}

void TfrmSourceFromFP::btnAddFingerClick() {
    const int32_t opened =
        OpenLink(frmSysLib->SystemIni, frmSysLib->ComPort, frmSysLib->BaudRate.toStdString(),
                 frmSysLib->TimeOut, frmSysLib->RetryCount);
    if (opened != lrOk) {
        if (opened == lrNoPort) CloseLink();
        return;
    }
    Address a;
    if (SelectedAddress(a)) {
        const int32_t result = a.controllerNo == 0
                                   ? EnrollUser(a.readerNo, a.fingerNo)
                                   : CtlEnrollUser(a.controllerNo, a.readerNo, a.fingerNo);
        if (result != lrOk)
            ShowInfo(frmSysLib->MessageText("TimeOut", "Communicate was broke,Check your device!"));
    }
    CloseLink();
}

void TfrmSourceFromFP::btnCancelClick() {
    reject();
}
