// Pictures of the holder, card ID, transfer and holder import windows with the Chinese language
// pack, for a look under a real X server (xvfb-run): holders_screenshots OUTDIR [CardBank.mdb].
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTimer>

#include "Cardidfromctl.h"
#include "Cardidfromfp.h"
#include "Controls.h"
#include "Fingertrans.h"
#include "Holderimport.h"
#include "Holdersetup.h"
#include "QueryOps.h"
#include "Schema.h"
#include "SysLib.h"
#include "TestDb.h"
#include "UiServicesDouble.h"

namespace {

void Pump(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

void Save(QWidget* window, const QString& path) {
    Pump(300);
    window->grab().save(path);
    std::printf("%s\n", qPrintable(path));
}

QImage Face() {
    QImage face(120, 150, QImage::Format_RGB32);
    face.fill(QColor(210, 225, 240));
    QPainter p(&face);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(240, 200, 170));
    p.drawEllipse(30, 25, 60, 75);
    p.setBrush(QColor(60, 90, 150));
    p.drawRoundedRect(15, 105, 90, 60, 20, 20);
    return face;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: holders_screenshots OUTDIR [CardBank.mdb]\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    TestDb db(TestEngine::SQLite);
    QDir().mkpath(db.baseDir() + "Language");
    for (const char* name : {"CommonCHT.TXT", "ManagerCHT.TXT"})
        QFile::copy(QString(CVBIO_LANGUAGE_SOURCE_DIR) + "/" + name,
                    db.baseDir() + "Language/" + name);
    QFile ini(db.baseDir() + "system.ini");
    ini.open(QIODevice::WriteOnly);
    ini.write("[System]\nLanguage=CHT\nConnectString=" + db.connectString().toUtf8() + "\n");
    ini.close();
    TfrmSysLib sys(db.baseDir());
    frmSysLib = &sys;
    if (!sys.OpenSharedConnection()) return 1;
    TADOQuery q(&sys.adcMain);
    InitialiseDatabase(q);
    ScopedUiDouble ui;

    OpenTable(q, "ControllerData");
    q.Append();
    q.SetField("ControllerNo", 3);
    q.SetField("ControllerName", QString("大門控制器"));
    q.Post();
    struct Reader {
        int controller, number, select;
        const char* name;
    };
    for (const Reader& r : {Reader{0, 1, 1, "一樓指紋機"}, Reader{3, 2, 1, "大門指紋機"},
                            Reader{0, 4, 0, "倉庫指紋機"}}) {
        OpenTable(q, "FingerPrint");
        q.Append();
        q.SetField("FingerPrintNo", r.number);
        q.SetField("FingerPrintName", QString::fromUtf8(r.name));
        q.SetField("ControllerNo", r.controller);
        q.SetField("LinkFlag", 1);
        q.SetField("SelectFlag", r.select);
        q.Post();
    }
    struct Holder {
        const char* no;
        const char* name;
        const char* card;
        int select;
    };
    for (const Holder& h :
         {Holder{"A001", "陳大文", "1234ABCD", 1}, Holder{"A002", "林小美", "00FF00FF", 0},
          Holder{"A003", "王志明", "ABCDEF01", 1}}) {
        OpenTable(q, "HolderData");
        q.Append();
        q.SetField("HolderNo", QString(h.no));
        q.SetField("HolderName", QString::fromUtf8(h.name));
        q.SetField("CardID", QString(h.card));
        q.SetField("SelectFlag", h.select);
        if (QString(h.no) == "A001") StorePictureToBlob(Face(), q, "HolderPhoto", sys.BaseDir);
        q.Post();
    }

    {
        TfrmHolderSetup window;
        window.show();
        Save(&window, out + "/frmHolderSetup.png");
        window.btnEditClick();
        Save(&window, out + "/frmHolderSetup-editing.png");
        TfrmCardIDFromCtl ctl(&window);
        ctl.show();
        ctl.pnlCardID->setText("000000001234ABCD");
        Save(&ctl, out + "/frmCardIDFromCtl.png");
        TfrmCardIDFromFP fp(&window);
        fp.show();
        Save(&fp, out + "/frmCardIDFromFP.png");
    }
    {
        TfrmFingerTrans window;
        window.show();
        window.stbCommPanel1->setText("Controller 3 FingerPrint 2 FingerNo 5 CardID 1234ABCD");
        Save(&window, out + "/frmFingerTrans.png");
    }
    if (argc > 2) {
        TfrmImportHolder window(QString::fromLocal8Bit(argv[2]));
        window.show();
        QElapsedTimer clock;
        clock.start();
        while (!window.cardDataRead() && window.isVisible() && clock.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        window.dgHolder->selectRow(1);
        window.btnAdd->click();
        window.dgHolder->selectRow(4);
        window.btnAdd->click();
        Save(&window, out + "/frmImportHolder.png");
        window.reject();
    }
    frmSysLib = nullptr;
    return 0;
}
