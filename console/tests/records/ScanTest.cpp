// The reader configuration window against the bus simulator on a real pseudo-terminal, mapped
// to one of the sixteen ports; the other ports lead nowhere and cannot be opened.
#include <QDir>
#include <QProcess>
#include <QSet>
#include <QTest>

#include "Comm.h"
#include "Controls.h"
#include "Fingersetup.h"
#include "IniFile.h"
#include "RecordsFixture.h"

namespace {

// The window texts a language pack gives the scan.
const char kManagerTexts[] =
    "[frmFingerSetup]\n"
    "pnlScanFinger=Scanning\n"
    "pnlSerialNo=S/N:\n"
    "pnlVersion=VER:\n"
    "pnlComPort=Trying COM\n"
    "ReadFinish=Read finished (COM\n"
    "ReadError=Read error (COM\n"
    "Disconnect=No reader found\n";

struct ScanCase {
    const char* name;
    const char* layout;    // simulator bus
    const char* faults;    // "" for none
    int simPort;           // the COM port mapped to the simulator
    int comPort;           // configured "ComPort"
    const char* baudRate;  // configured "BaudRate"
    int controllerNo;      // the reader chosen in the list
    int readerNo;
    // Outcome.
    const char* message;  // pnMsg
    const char* serial;   // pnSerial
    const char* version;  // pnVersion
    int beepHz;
    bool iniRewritten;  // ComPort and BaudRate written as simPort and 19200,e,8,1
};

const ScanCase kScanCases[] = {
    {"FoundOnTheConfiguredPortAtItsOwnSettings", "0:1@3", "", 7, 7, "9600,e,8,1", 0, 1,
     "Read finished (COM7)", "S/N:80000001", "VER:02.10-15", 1000, false},
    {"FoundOnlyOnAnotherPort", "0:1", "", 9, 2, "9600,e,8,1", 0, 1, "Read finished (COM9)",
     "S/N:80000001", "VER:02.10-15", 1000, true},
    {"ConfiguredPortZeroSearchesFromOne", "0:1", "", 3, 0, "19200,e,8,1", 0, 1,
     "Read finished (COM3)", "S/N:80000001", "VER:02.10-15", 1000, true},
    {"RelayedThroughAController", "0:1;3:1,5", "", 4, 4, "19200,e,8,1", 3, 5,
     "Read finished (COM4)", "S/N:80003005", "VER:02.10-15", 1000, false},
    {"SerialAnsweredButNotVersion", "0:1", "0.1:silent-after=1", 5, 5, "19200,e,8,1", 0, 1,
     "Read error (COM5)", "S/N:80000001", "VER:", 300, false},
    {"NoReaderAnswers", "0:1", "", 6, 6, "19200,e,8,1", 0, 4, "No reader found",
     "S/N:", "VER:", 300, false},
    {"ReaderOnlyAtAnotherSpeed", "0:1@3", "", 6, 6, "19200,e,8,1", 0, 1, "No reader found",
     "S/N:", "VER:", 300, false},
};

void PrintTo(const ScanCase& c, std::ostream* os) {
    *os << c.name;
}

class ScanBase : protected RecordsBase {
  protected:
    // One engine is enough here: the scan reads one query and writes no table.
    void StartScan() { Start(TestEngine::SQLite); }

    void StartSimulator(const QString& layout, const QString& faults) {
        QStringList args{"--layout", layout};
        if (!faults.isEmpty()) args << "--faults" << faults;
        sim_.start(CVT80SIM, args);
        ASSERT_TRUE(sim_.waitForStarted(10000)) << sim_.errorString().toStdString();
        ASSERT_TRUE(WaitUntil([&] { return sim_.canReadLine(); }, 10000));
        ptyPath_ = QString::fromUtf8(sim_.readLine()).trimmed();
        ASSERT_FALSE(ptyPath_.isEmpty());
    }
    // system.ini with the serial settings and all sixteen ports mapped: one to the simulator,
    // the others to paths that do not exist.
    void WriteSerialSettings(int simPort, int comPort, const QString& baudRate) {
        QByteArray ini = QString("ComPort=%1\nBaudRate=%2\nTimeOut=150\nRetryCount=2\n[Ports]\n")
                             .arg(comPort)
                             .arg(baudRate)
                             .toUtf8();
        for (int port = 1; port <= 16; ++port)
            ini +=
                QString("COM%1=%2\n")
                    .arg(port)
                    .arg(port == simPort ? ptyPath_
                                         : db_->baseDir() + "absent/ttyCOM" + QString::number(port))
                    .toUtf8();
        WriteSystemIni(ini);
    }
    void WriteManagerTexts() {
        QDir().mkpath(db_->baseDir() + "Language");
        QFile file(db_->baseDir() + "Language/ManagerENG.TXT");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(kManagerTexts);
    }
    // A shared object that reads the settings just written, as at a start of the program.
    void Restart() {
        frmSysLib = nullptr;
        sys_ = std::make_unique<TfrmSysLib>(db_->baseDir());
        ASSERT_TRUE(sys_->OpenSharedConnection());
        frmSysLib = sys_.get();
    }
    void StopScan() {
        window_.reset();
        CloseLink();
        if (sim_.state() != QProcess::NotRunning) {
            sim_.terminate();
            sim_.waitForFinished(5000);
        }
        Stop();
    }

    QProcess sim_;
    QString ptyPath_;
    std::unique_ptr<TfrmFingerSetup> window_;
};

class Scan : public ::testing::TestWithParam<ScanCase>, protected ScanBase {
  protected:
    void SetUp() override { StartScan(); }
    void TearDown() override { StopScan(); }
};

class ScanBusy : public ::testing::Test, protected ScanBase {
  protected:
    void SetUp() override { StartScan(); }
    void TearDown() override { StopScan(); }
};

}  // namespace

TEST_P(Scan, FindsTheReaderAndShowsWhatItRead) {
    const ScanCase& c = GetParam();
    StartSimulator(c.layout, c.faults);
    WriteSerialSettings(c.simPort, c.comPort, c.baudRate);
    WriteManagerTexts();
    Restart();
    AddController(3, "Hall");
    AddReader(0, 9, "Unlinked");  // not in the list
    AddReader(c.controllerNo, c.readerNo, "Chosen", 1);
    const QByteArray iniBefore = ReadSystemIni();

    window_ = std::make_unique<TfrmFingerSetup>();
    window_->show();
    ASSERT_EQ(window_->cmbFingerPrintNoItems.items(),
              QStringList({QString("%1=Chosen").arg(c.readerNo)}));
    EXPECT_EQ(window_->shComm->brushColor(), QColor(Qt::red));
    window_->btnScan->click();

    EXPECT_EQ(window_->pnMsg->text(), c.message);
    EXPECT_EQ(window_->pnSerial->text(), c.serial);
    EXPECT_EQ(window_->pnVersion->text(), c.version);
    EXPECT_EQ(window_->shComm->brushColor(),
              c.beepHz == 1000 ? QColor(Qt::yellow) : QColor(Qt::red));
    EXPECT_TRUE(window_->isEnabled());
    EXPECT_FALSE(window_->tmrBusy->isActive());
    EXPECT_EQ(window_->ControllerNo, c.controllerNo);
    EXPECT_EQ(window_->ReaderNo, c.readerNo);
    // Ports that do not open are passed over in silence; the only sound is the beep.
    EXPECT_TRUE(ui_->AllTexts().isEmpty()) << ui_->AllTexts().join("|").toStdString();
    EXPECT_EQ(ui_->Texts(UiServicesDouble::Kind::Beep),
              QStringList({QString("%1,300").arg(c.beepHz)}));

    if (c.iniRewritten) {
        EXPECT_EQ(sys_->ComPort, c.simPort);
        EXPECT_EQ(sys_->BaudRate, "19200,e,8,1");
        IniFile written(sys_->SystemIni.path());
        EXPECT_EQ(written.ReadInteger("System", "ComPort", -1), c.simPort);
        EXPECT_EQ(written.ReadString("System", "BaudRate", ""), "19200,e,8,1");
    } else {
        EXPECT_EQ(ReadSystemIni(), iniBefore);
        EXPECT_EQ(sys_->ComPort, c.comPort);
        EXPECT_EQ(sys_->BaudRate, c.baudRate);
    }
}

INSTANTIATE_TEST_SUITE_P(Simulator, Scan, ::testing::ValuesIn(kScanCases),
                         [](const ::testing::TestParamInfo<ScanCase>& info) {
                             return std::string(info.param.name);
                         });

// While a scan waits for the line, the window is disabled and the indicator blinks.
TEST_F(ScanBusy, DisablesTheWindowAndBlinks) {
    StartSimulator("0:1", "0.1:delay=900");
    WriteSerialSettings(2, 2, "19200,e,8,1");
    Restart();
    sys_->TimeOut = 3000;
    AddReader(0, 1, "Slow", 1);
    window_ = std::make_unique<TfrmFingerSetup>();
    window_->show();

    QSet<QRgb> colours;
    bool sawDisabled = false, closedWhileBusy = false;
    QTimer probe;
    probe.setInterval(10);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!window_->busy()) return;
        sawDisabled = sawDisabled || !window_->isEnabled();
        colours.insert(window_->shComm->brushColor().rgb());
        window_->close();  // refused while busy
        closedWhileBusy = closedWhileBusy || !window_->isVisible();
    });
    probe.start();
    window_->btnScan->click();
    probe.stop();

    EXPECT_TRUE(sawDisabled);
    EXPECT_TRUE(colours.contains(QColor(Qt::yellow).rgb()));
    EXPECT_TRUE(colours.contains(QColor(Qt::red).rgb()));
    EXPECT_FALSE(closedWhileBusy);
    EXPECT_TRUE(window_->isVisible());
    EXPECT_EQ(ui_->Texts(UiServicesDouble::Kind::Beep), QStringList({"1000,300"}));
    EXPECT_EQ(sys_->ComPort, 2);
}

// Esc and Enter close the window, as its Exit button does; an empty reader list leaves nothing
// to scan for.
TEST_F(ScanBusy, EscAndEnterCloseTheWindow) {
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
        window_ = std::make_unique<TfrmFingerSetup>();
        window_->show();
        ASSERT_TRUE(WaitUntil([&] { return window_->isVisible(); }));
        EXPECT_FALSE(window_->btnScan->isEnabled());
        EXPECT_EQ(window_->btnScan->accessibleName(), "Scan Reader");
        EXPECT_EQ(window_->cmbFingerPrintNo->accessibleName(), "Reader No");
        QTest::keyClick(window_->cmbFingerPrintNo, key);
        EXPECT_FALSE(window_->isVisible()) << key;
    }
}
