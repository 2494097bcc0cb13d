// records_screenshots OUTPUT_DIR [ENG|CHT]: pictures of the controller, reader and reader
// configuration windows over a small seeded database, the last one after a scan of a reader on
// the bus simulator, for a look under a real display (not a test).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "Controllersetup.h"
#include "Dataset.h"
#include "Fingerdevice.h"
#include "Fingersetup.h"
#include "QueryOps.h"
#include "Schema.h"
#include "SysLib.h"
#include "UiServicesDouble.h"

namespace {

void Pump(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

void Save(QWidget* window, const QString& path) {
    Pump(200);
    window->grab().save(path);
    std::printf("%s\n", qPrintable(path));
}

void Exec(const QString& sql, const QVariantList& params = {}) {
    TADOQuery q(&frmSysLib->adcMain);
    q.setSql(sql, params);
    q.ExecSQL();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) return 2;
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString code = argc > 2 ? QString(argv[2]) : QString("CHT");
    QDir().mkpath(out);

    QProcess sim;
    sim.start(CVT80SIM, {"--layout", "0:1,2;1:1,2"});
    if (!sim.waitForStarted() || !sim.waitForReadyRead(5000)) return 1;
    const QString pty = QString::fromUtf8(sim.readLine()).trimmed();

    QTemporaryDir dir;
    const QString base = dir.path() + "/";
    QDir().mkpath(base + "Language");
    for (const char* name : {"Common", "Manager"})
        QFile::copy(QString(CVBIO_LANGUAGE_SOURCE_DIR "/") + name + code + ".TXT",
                    base + "Language/" + name + code + ".TXT");
    QFile ini(base + "system.ini");
    ini.open(QIODevice::WriteOnly);
    ini.write(QString("[System]\nLanguage=%1\nComPort=2\nBaudRate=19200,e,8,1\n[Ports]\nCOM2=%2\n")
                  .arg(code, pty)
                  .toUtf8());
    ini.close();

    TfrmSysLib sys(base);
    frmSysLib = &sys;
    if (!sys.OpenSharedConnection()) return 1;
    TADOQuery init(&sys.adcMain);
    InitialiseDatabase(init);
    Exec("INSERT INTO ControllerData (ControllerNo, ControllerName) VALUES (?, ?)",
         {1, code == "CHT" ? QString("大廳控制器") : QString("Lobby controller")});
    const QVariantList readers[] = {{1, "Front door", 0, 1},
                                    {2, "Back door", 0, 0},
                                    {1, "Lobby left", 1, 1},
                                    {2, "Lobby right", 1, 0}};
    for (const QVariantList& r : readers)
        Exec(
            "INSERT INTO FingerPrint (FingerPrintNo, FingerPrintName, ControllerNo, LinkFlag) "
            "VALUES (?, ?, ?, ?)",
            r);
    ScopedUiDouble ui;  // the beep stays silent

    {
        TfrmControllerSetup window;
        window.show();
        Pump(100);
        window.btnNext->click();
        Save(&window, out + "/controller-setup-" + code + ".png");
    }
    {
        TfrmFingerDevice window;
        window.show();
        Pump(100);
        window.btnEdit->click();
        Save(&window, out + "/finger-device-" + code + ".png");
        window.btnCancel->click();
    }
    {
        TfrmFingerSetup window;
        window.show();
        Pump(100);
        Save(&window, out + "/finger-setup-" + code + "-before.png");
        window.cmbFingerPrintNo->setCurrentIndex(1);  // reader 1 behind controller 1
        window.btnScan->click();
        Save(&window, out + "/finger-setup-" + code + "-scanned.png");
    }
    frmSysLib = nullptr;
    sim.terminate();
    sim.waitForFinished();
    return 0;
}
