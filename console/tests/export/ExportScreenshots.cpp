// export_screenshots OUTPUT_DIR [CHT|ENG]: opens the template export window on a small database,
// lists the fingerprints of two holders and saves pictures of the window. Not a test: for a look
// under a real display (xvfb-run), where the Chinese captions must render.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

#include "Application.h"
#include "Dataset.h"
#include "Fingeredit.h"
#include "Fingerexport.h"
#include "QueryOps.h"
#include "Schema.h"
#include "SysLib.h"

namespace {

QString outDir;

void Save(QWidget* window, const QString& name) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 200) QApplication::processEvents(QEventLoop::AllEvents, 10);
    const QString path = outDir + "/" + name + ".png";
    window->grab().save(path);
    std::printf("%s\n", qPrintable(path));
}

}  // namespace

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    if (argc < 2) return 2;
    outDir = QString::fromLocal8Bit(argv[1]);
    const QString language = argc > 2 ? QString(argv[2]) : QString("CHT");
    QDir().mkpath(outDir);

    QTemporaryDir base;
    const QString dir = base.path() + "/";
    QDir().mkpath(dir + "Language");
    QDir().mkpath(dir + "Image");
    const QDir packs(CVBIO_LANGUAGE_SOURCE_DIR);
    for (const QString& file : packs.entryList({"*.TXT"}))
        QFile::copy(packs.filePath(file), dir + "Language/" + file);
    QFile ini(dir + "system.ini");
    ini.open(QIODevice::WriteOnly);
    ini.write(QString("[System]\nLanguage=%1\nSelectSource=0\n").arg(language).toUtf8());
    ini.close();

    frmSysLib = new TfrmSysLib(dir);
    if (!frmSysLib->OpenSharedConnection()) return 1;
    {
        TADOQuery q(&frmSysLib->adcMain);
        InitialiseDatabase(q);
        OpenTable(q, "HolderData");
        for (auto [no, name] :
             {std::pair{"A001", "王小明"}, {"A002", "Mary Chen"}, {"A003", "陳美玲"}}) {
            q.Append();
            q.SetField("HolderNo", no);
            q.SetField("HolderName", QString::fromUtf8(name));
            q.Post();
        }
        OpenTable(q, "FingerData");
        for (auto [no, position, fingerNo] :
             {std::tuple{"A001", 1, 1}, {"A001", 6, 2}, {"A003", 2, 3}}) {
            q.Append();
            q.SetField("HolderNo", no);
            q.SetField("PositionNo", position);
            q.SetField("FingerNo", fingerNo);
            q.SetField("FingerTemplate", QString(768, 'A'));
            q.Post();
        }
    }

    {
        TfrmFingerEdit editor;
        editor.show();
        Save(&editor, "20-editor-" + language);
    }
    {
        TfrmFingerExport window;
        window.show();
        Save(&window, "21-export-" + language);
        window.btnAddAll->click();
        window.dgHolder->selectRow(0);
        Save(&window, "22-export-listed-" + language);
    }
    delete frmSysLib;
    frmSysLib = nullptr;
    return 0;
}
