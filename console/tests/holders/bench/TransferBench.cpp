// Transfer of 100 templates to one direct reader and one reader behind a controller on
// cvt80sim: the wall time of the whole transfer against the sum of the pauses and waits the
// transfer must keep (2000 ms per reader, 200 ms more behind a controller, 260 ms per template
// direct and 600 ms relayed, 100 ms before the controller mode is left).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <chrono>
#include <memory>

#include "Comm.h"
#include "Fingertrans.h"
#include "QueryOps.h"
#include "Schema.h"
#include "SimProcess.h"
#include "SysLib.h"
#include "TestDb.h"
#include "UiServicesDouble.h"

namespace {

QString TemplateText(int seed) {
    static const char digits[] = "0123456789ABCDEF";
    QString text;
    unsigned state = 2166136261u ^ static_cast<unsigned>(seed);
    for (int i = 0; i < 768; ++i) {
        state = state * 16777619u + 12345u;
        text += QChar(digits[(state >> 13) & 15]);
    }
    return text;
}

void BM_TransferDirectAndRelayed(benchmark::State& state) {
    const int templates = static_cast<int>(state.range(0));
    TestDb db(TestEngine::SQLite);
    SimProcess sim({"--layout", "0:1;3:2"});
    QFile ini(db.baseDir() + "system.ini");
    ini.open(QIODevice::WriteOnly);
    ini.write("[System]\nConnectString=" + db.connectString().toUtf8() +
              "\nComPort=7\n[Ports]\nCOM7=" + QByteArray::fromStdString(sim.path()) + "\n");
    ini.close();
    TfrmSysLib sys(db.baseDir());
    frmSysLib = &sys;
    if (!sys.OpenSharedConnection()) {
        state.SkipWithError("no database");
        return;
    }
    TADOQuery q(&sys.adcMain);
    InitialiseDatabase(q);
    OpenTable(q, "ControllerData");
    q.Append();
    q.SetField("ControllerNo", 3);
    q.SetField("ControllerName", QString("Door 3"));
    q.Post();
    for (auto [controller, reader] : {std::pair{0, 1}, std::pair{3, 2}}) {
        OpenTable(q, "FingerPrint");
        q.Append();
        q.SetField("FingerPrintNo", reader);
        q.SetField("ControllerNo", controller);
        q.SetField("LinkFlag", 1);
        q.SetField("SelectFlag", 1);
        q.Post();
    }
    OpenTable(q, "HolderData");
    for (int h = 0; h < templates / 10; ++h) {
        q.Append();
        q.SetField("HolderNo", QString("H%1").arg(h, 3, 10, QChar('0')));
        q.SetField("HolderName", QString("Holder %1").arg(h));
        q.SetField("CardID", QString("%1").arg(0x1234ABCD + h, 8, 16, QChar('0')).toUpper());
        q.SetField("SelectFlag", 1);
        q.Post();
    }
    OpenTable(q, "FingerData");
    for (int t = 0; t < templates; ++t) {
        q.Append();
        q.SetField("HolderNo", QString("H%1").arg(t / 10, 3, 10, QChar('0')));
        q.SetField("PositionNo", t % 10 + 1);
        q.SetField("FingerNo", t + 1);
        q.SetField("FingerTemplate", TemplateText(t));
        q.Post();
    }

    ScopedUiDouble ui;
    const double mandatedMs = (2000 + templates * 260) + (200 + 2000 + templates * 600 + 100);
    double wallMs = 0;
    for (auto _ : state) {
        TfrmFingerTrans window;
        window.show();
        ui->QueueAnswer(1);
        const auto start = std::chrono::steady_clock::now();
        window.btnTrans->click();
        wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count();
    }
    if (ui->AllTexts().size() != 1) state.SkipWithError("the transfer reported a failure");
    const auto users = sim.State()["readers"];
    for (const auto& reader : users)
        if (reader["users"].size() != static_cast<size_t>(templates))
            state.SkipWithError("a reader lacks templates");
    state.counters["mandated_ms"] = mandatedMs;
    state.counters["wall_ms"] = wallMs;
    state.counters["overhead_ms_per_template"] = (wallMs - mandatedMs) / (2.0 * templates);
    frmSysLib = nullptr;
}
BENCHMARK(BM_TransferDirectAndRelayed)->Arg(100)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
