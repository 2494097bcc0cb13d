#include "Fingersetup.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "Comm.h"
#include "Controllersetup.h"
#include "Controls.h"
#include "Cvt80.h"
#include "MenuWindows.h"
#include "SysLib.h"
#include "TextOps.h"
#include "Translate.h"
#include "UiServices.h"

CVBIO_MENU_WINDOW(btnFingerSetup, TfrmFingerSetup)

namespace {

const QColor kIndicatorRed(Qt::red);
const QColor kIndicatorYellow(Qt::yellow);

// The hourglass for the whole of an action, however it ends.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

TShape::TShape(QWidget* parent) : QWidget(parent) {}

void TShape::setBrushColor(const QColor& color) {
    brush_ = color;
    setAccessibleDescription(color == kIndicatorYellow ? "yellow" : color.name());
    update();
}

void TShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(brush_);
    painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

TfrmFingerSetup::TfrmFingerSetup(QWidget* parent)
    : QDialog(parent), adqFingerPrint(frmSysLib ? &frmSysLib->adcMain : nullptr) {
    setObjectName("frmFingerSetup");
    SetTag(this, 1);
    setWindowTitle("指紋機設定");
    setFixedSize(492, 237);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    grbIDSelect = Place(new QGroupBox("ID選擇", this), "grbIDSelect", 8, 6, 476, 62);
    labFingerPrintNo =
        Place(new QLabel("指紋機編號", grbIDSelect), "labFingerPrintNo", 14, 26, 104, 24);
    cmbFingerPrintNo = Place(new QComboBox(grbIDSelect), "cmbFingerPrintNo", 124, 26, 336, 24);
    cmbFingerPrintNo->setModel(cmbFingerPrintNoItems.model());
    labFingerPrintNo->setBuddy(cmbFingerPrintNo);

    grbCommPara = Place(new QGroupBox("通訊參數", this), "grbCommPara", 8, 74, 476, 114);
    btnScan = Place(new QPushButton("&Scan Reader", grbCommPara), "btnScan", 14, 28, 150, 30);
    btnScan->setAutoDefault(false);
    pnMsg = Place(new TPanel(grbCommPara), "pnMsg", 172, 28, 290, 30);
    pnMsg->setText("Start Scan Reader");
    shComm = Place(new TShape(pnMsg), "shComm", 8, 7, 16, 16);
    shComm->setAccessibleName("Link");
    shComm->setBrushColor(kIndicatorRed);
    pnSerial = Place(new TPanel(grbCommPara), "pnSerial", 14, 70, 220, 30);
    pnSerial->setText("S/N : ________");
    pnVersion = Place(new TPanel(grbCommPara), "pnVersion", 242, 70, 220, 30);
    pnVersion->setText("VER : __.__-__");

    btnExit = Place(new QPushButton("離開", this), "btnExit", 384, 198, 100, 30);
    btnExit->setDefault(true);  // Enter closes the window; Esc does as a dialog

    for (QObject* control : std::initializer_list<QObject*>{grbIDSelect, labFingerPrintNo,
                                                            grbCommPara, btnScan, btnExit})
        SetTag(control, 1);
    SetTag(cmbFingerPrintNo, 2);

    tmrBusy = new QTimer(this);
    tmrBusy->setObjectName("tmrBusy");
    tmrBusy->setInterval(200);
    OnEvent(tmrBusy, &QTimer::timeout, this, &TfrmFingerSetup::tmrBusyTimer);
    OnEvent(btnScan, &QPushButton::clicked, this, &TfrmFingerSetup::btnScanClick);
    OnEvent(btnExit, &QPushButton::clicked, this, &TfrmFingerSetup::btnExitClick);

    setTabOrder(cmbFingerPrintNo, btnScan);
    setTabOrder(btnScan, btnExit);
    UpdateAccessibleNames(this);
    RunHandler([this] { FormCreate(); });
}

TfrmFingerSetup::~TfrmFingerSetup() = default;

void TfrmFingerSetup::FormCreate() {
    OpenSql(adqFingerPrint, "Select * From FingerPrint Where LinkFlag=1 Order By FingerPrintNo");
    FillChoiceListFromQuery(adqFingerPrint, cmbFingerPrintNoItems, "FingerPrintNo",
                            "FingerPrintName");
    cmbFingerPrintNo->setCurrentIndex(cmbFingerPrintNoItems.itemIndex);
    // Without a linked reader there is nothing to scan for.
    btnScan->setEnabled(cmbFingerPrintNoItems.count() > 0);
}

void TfrmFingerSetup::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shown_) return;
    shown_ = true;
    RunHandler([this] { FormShow(); });
}

void TfrmFingerSetup::FormShow() {
    TranslateWindow(this);
    cmbFingerPrintNo->setFocus();
}

void TfrmFingerSetup::closeEvent(QCloseEvent* event) {
    // A scan runs to its end; the window cannot go away under it.
    if (busy_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TfrmFingerSetup::done(int result) {
    if (busy_) return;
    RunHandler([this] { FormClose(); });
    QDialog::done(result);
}

void TfrmFingerSetup::FormClose() {}

void TfrmFingerSetup::btnExitClick() {
    close();
}

void TfrmFingerSetup::tmrBusyTimer() {
    BusyBlink = !BusyBlink;
    shComm->setBrushColor(BusyBlink ? kIndicatorYellow : kIndicatorRed);
}

void TfrmFingerSetup::EnterBusy() {
    busy_ = true;
    tmrBusy->start();
    setEnabled(false);
}

void TfrmFingerSetup::LeaveBusy(const QColor& indicator) {
    setEnabled(true);
    tmrBusy->stop();
    busy_ = false;
    shComm->setBrushColor(indicator);
}

QString TfrmFingerSetup::PanelText(const char* key) const {
    return frmSysLib->FormText("frmFingerSetup", key, QString());
}

bool TfrmFingerSetup::ReadReaderSerial() {
    int32_t address = 0;
    std::string serial;
    const int32_t result = ControllerNo == 0
                               ? ReadSerial(ReaderNo, address, serial)
                               : CtlReadSerial(ControllerNo, ReaderNo, address, serial);
    if (result != lrOk) return false;
    SerialNo = QString::fromStdString(serial);
    return true;
}

void TfrmFingerSetup::btnScanClick() {
    if (busy_) return;
    const int index = cmbFingerPrintNo->currentIndex();
    if (index < 0 || !adqFingerPrint.Active() || index >= adqFingerPrint.RecordCount()) return;
    adqFingerPrint.MoveTo(index);
    ControllerNo = adqFingerPrint.FieldInt("ControllerNo");
    ReaderNo =
        FieldToInt(TextBefore(cmbFingerPrintNoItems.items().value(index).toStdString(), "="));
    // The frames carry two-digit addresses; a stored number outside 0-99 would address another
    // device.
    if (ControllerNo < 0 || ControllerNo > 99 || ReaderNo < 0 || ReaderNo > 99) {
        ShowInfo(InvalidDeviceNumberText());
        return;
    }

    WaitCursor waitCursor;
    // Device exchanges keep the interface alive (the blinking indicator among it).
    SetLinkIdleHandler([] { QCoreApplication::processEvents(); });
    EnterBusy();
    struct Ending {
        TfrmFingerSetup* window;
        ~Ending() {
            CloseLink();
            if (window->busy_) window->LeaveBusy(kIndicatorRed);
        }
    } ending{this};

    pnMsg->setText(PanelText("pnlScanFinger"));
    pnSerial->setText(PanelText("pnlSerialNo"));
    pnVersion->setText(PanelText("pnlVersion"));
    Found = false;
    SerialNo.clear();
    TfrmSysLib& sys = *frmSysLib;

    // First the configured port and settings, as they are.
    if (sys.ComPort > 0 && OpenLink(sys.SystemIni, sys.ComPort, sys.BaudRate.toStdString(),
                                    sys.TimeOut, sys.RetryCount) == lrOk) {
        pnMsg->setText(PanelText("pnlComPort") + QString::number(sys.ComPort));
        Found = ReadReaderSerial();
        CloseLink();
    }
    // Then every port at the one search setting; a port that does not open is passed over.
    for (int port = 1; !Found && port <= kLastSearchPort; ++port) {
        QCoreApplication::processEvents();
        if (OpenLink(sys.SystemIni, port, kSearchSettings, sys.TimeOut, sys.RetryCount) != lrOk)
            continue;
        pnMsg->setText(PanelText("pnlComPort") + QString::number(port));
        if (ReadReaderSerial()) {
            Found = true;
            sys.ComPort = port;
            sys.BaudRate = kSearchSettings;
            sys.WriteSystemInteger("ComPort", port);
            sys.WriteSystemString("BaudRate", kSearchSettings);
        }
        CloseLink();
    }

    if (!Found) {
        pnMsg->setText(PanelText("Disconnect"));
        LeaveBusy(kIndicatorRed);
        Ui().Beep(300, 300);
        return;
    }

    pnSerial->setText(PanelText("pnlSerialNo") + SerialNo);
    bool finished = false;
    if (OpenLink(sys.SystemIni, sys.ComPort, sys.BaudRate.toStdString(), sys.TimeOut,
                 sys.RetryCount) == lrOk) {
        std::string version;
        const int32_t result = ControllerNo == 0 ? ReadVersion(ReaderNo, version)
                                                 : CtlReadVersion(ControllerNo, ReaderNo, version);
        if (result == lrOk) {
            pnVersion->setText(PanelText("pnlVersion") + QString::fromStdString(version));
            LinkPause(100);
            int32_t interfaceType = 0, wiegandBits = 0, rs485Bits = 0;
            if (ControllerNo == 0)
                ReadMode(ReaderNo, interfaceType, wiegandBits, rs485Bits);
            else
                CtlReadMode(ControllerNo, ReaderNo, interfaceType, wiegandBits, rs485Bits);
            pnMsg->setText(PanelText("ReadFinish") + QString::number(sys.ComPort) + ")");
            finished = true;
        }
        CloseLink();
    }
    if (finished) {
        LeaveBusy(kIndicatorYellow);
        Ui().Beep(1000, 300);
    } else {
        pnMsg->setText(PanelText("ReadError") + QString::number(sys.ComPort) + ")");
        LeaveBusy(kIndicatorRed);
        Ui().Beep(300, 300);
    }
}
