// Prepares the demo database in the current directory: the tables of a first start, then, when
// no reader is recorded yet, controller 3 and four linked readers that match the simulated bus
// of the demo (readers 1 and 2 on the line, readers 1 and 5 behind controller 3).
// With --pty PATH it also maps COM1 to the simulator's pseudo-terminal in system.ini.
#include <QCoreApplication>
#include <cstdio>

#include "CvbioError.h"
#include "QueryOps.h"
#include "Schema.h"
#include "SysLib.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    TfrmSysLib sys;
    for (int i = 1; i + 1 < argc; ++i) {
        if (QByteArray(argv[i]) == "--pty" &&
            !sys.SystemIni.WriteString("Ports", "COM1", argv[i + 1])) {
            std::fprintf(stderr, "cvbio-demo-seed: cannot write system.ini\n");
            return 1;
        }
    }
    if (!sys.OpenSharedConnection()) {
        std::fprintf(stderr, "cvbio-demo-seed: %s\n", qPrintable(sys.adcMain.lastError()));
        return 1;
    }
    try {
        TADOQuery q(&sys.adcMain);
        InitialiseDatabase(q);
        OpenTable(q, "FingerPrint");
        if (q.RecordCount() > 0) return 0;
        OpenTable(q, "ControllerData");
        if (!LocateText(q, "ControllerNo", "3")) {
            q.Append();
            q.SetField("ControllerNo", 3);
            q.SetField("ControllerName", QStringLiteral("Main Gate Controller"));
            q.Post();
        }
        struct Reader {
            int controller;
            int reader;
            const char* name;
        } readers[] = {{0, 1, "Lobby Reader"},
                       {0, 2, "Office Reader"},
                       {3, 1, "Gate Entry Reader"},
                       {3, 5, "Gate Exit Reader"}};
        OpenTable(q, "FingerPrint");
        for (const Reader& r : readers) {
            q.Append();
            q.SetField("FingerPrintNo", r.reader);
            q.SetField("FingerPrintName", QString::fromLatin1(r.name));
            q.SetField("ControllerNo", r.controller);
            q.SetField("LinkFlag", 1);
            q.Post();
        }
    } catch (const CvbioError& e) {
        std::fprintf(stderr, "cvbio-demo-seed: %s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
