// editor_screenshots OUTPUT_DIR [ENG|CHT]: walks the fingerprint editor through one enrolment
// from the simulated sensor (IZZIX_SIM_DIR, default the committed samples) and one reading from
// a cvt80sim reader, saving pictures of the windows. Not a test: for a look under a real display
// (xvfb-run), where the Chinese captions must render.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>

#include "Application.h"
#include "Comm.h"
#include "Cvt80.h"
#include "Dataset.h"
#include "EditorSupport.h"
#include "Fingeredit.h"
#include "Progress.h"
#include "QueryOps.h"
#include "Schema.h"
#include "Sourcefromer.h"
#include "Sourcefromfp.h"
#include "SysLib.h"

namespace {

QString outDir;

void Pump(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

void Save(QWidget* window, const QString& name) {
    Pump(200);
    const QString path = outDir + "/" + name + ".png";
    window->grab().save(path);
    std::printf("%s\n", qPrintable(path));
    std::fflush(stdout);
}

void Copy(const QString& from, const QString& to) {
    QFile::remove(to);
    QFile::copy(from, to);
}

}  // namespace

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    if (argc < 2) return 2;
    outDir = QString::fromLocal8Bit(argv[1]);
    const QString language = argc > 2 ? QString(argv[2]) : QString("CHT");
    QDir().mkpath(outDir);
    // The sensor's folder: its "next" file names the print the finger on the sensor gives.
    QTemporaryDir sensor;
    qputenv("IZZIX_SIM_DIR", sensor.path().toUtf8());
    auto placeFinger = [&sensor](const char* sample) {
        QFile next(sensor.path() + "/next");
        next.open(QIODevice::WriteOnly | QIODevice::Truncate);
        next.write(QByteArray(CVBIO_SAMPLE_FINGERS) + "/" + sample + "\n");
    };

    BusSimulator sim({"--layout", "0:1"});
    QTemporaryDir base;
    const QString dir = base.path() + "/";
    QDir().mkpath(dir + "Language");
    QDir().mkpath(dir + "Image");
    for (const QString& file : QDir(CVBIO_LANGUAGE_SOURCE_DIR).entryList({"*.TXT"}))
        Copy(QString(CVBIO_LANGUAGE_SOURCE_DIR) + "/" + file, dir + "Language/" + file);
    for (const QString& file : QDir(CVBIO_IMAGE_BUILD_DIR).entryList({"*.jpg"}))
        Copy(QString(CVBIO_IMAGE_BUILD_DIR) + "/" + file, dir + "Image/" + file);
    QFile ini(dir + "system.ini");
    ini.open(QIODevice::WriteOnly);
    ini.write(QString("[System]\nLanguage=%1\nComPort=1\nTimeOut=300\nRetryCount=2\n"
                      "SelectSource=0\n[Ports]\nCOM1=%2\n")
                  .arg(language, QString::fromStdString(sim.path()))
                  .toUtf8());
    ini.close();

    frmSysLib = new TfrmSysLib(dir);
    if (!frmSysLib->OpenSharedConnection()) return 1;
    {
        TADOQuery q(&frmSysLib->adcMain);
        InitialiseDatabase(q);
        OpenTable(q, "HolderData");
        for (auto [no, name] : {std::pair{"A001", "王小明"}, {"A002", "Mary Chen"}}) {
            q.Append();
            q.SetField("HolderNo", no);
            q.SetField("HolderName", QString::fromUtf8(name));
            q.Post();
        }
        OpenTable(q, "FingerPrint");
        q.Append();
        q.SetField("FingerPrintNo", 1);
        q.SetField("FingerPrintName", "Door 1");
        q.SetField("ControllerNo", 0);
        q.SetField("LinkFlag", 1);
        q.Post();
    }
    // The reader holds user 5 (an enrolment on the reader itself).
    OpenLink(nullptr, sim.path(), "19200,e,8,1", 300, 2);
    EnrollUser(1, 5);
    CloseLink();

    TfrmFingerEdit editor;
    editor.show();
    Save(&editor, "10-editor-" + language);
    editor.btnEdit->click();

    // Two fingers from the sensor into slots 1 and 2.
    for (int slot : {1, 2}) {
        placeFinger(slot == 1 ? "2_1.pgm" : "3_1.pgm");
        WhenModal<TfrmSourceFromER>(
            &editor,
            [slot, &language](TfrmSourceFromER* window) {
                if (slot == 1) Save(window, "11-sensor-" + language);
                window->btnOK->click();
            },
            [](TfrmSourceFromER* window) { return window->btnOK->isEnabled(); });
        emit editor.imgFinger[slot]->clicked();
    }
    Save(&editor, "12-editor-enrolled-" + language);
    editor.btnOk->click();

    // A template read back from the reader into slot 3.
    frmSysLib->SelectSource = 1;
    editor.btnEdit->click();
    WhenModal<TfrmSourceFromFP>(&editor, [&language](TfrmSourceFromFP* window) {
        window->edtFingerNo->setValue(5);
        Save(window, "13-reader-" + language);
        window->btnOK->click();
    });
    emit editor.imgFinger[3]->clicked();
    editor.btnOk->click();
    Save(&editor, "14-editor-saved-" + language);
    delete frmSysLib;
    frmSysLib = nullptr;
    return 0;
}
