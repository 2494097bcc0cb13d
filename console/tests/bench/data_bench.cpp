// Opening and walking the holder list, the way the holder window does, with 10,000 holders.
// MariaDB runs when CVBIO_MARIADB_SOCKET names a running server (console/tests/common has the
// script that starts one).
#include <benchmark/benchmark.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>

#include "QueryOps.h"
#include "Schema.h"
#include "SysLib.h"
#include "TestDb.h"

namespace {

void WalkHolders(benchmark::State& state, TestEngine engine) {
    TestDb db(engine);
    if (!db.ok()) {
        state.SkipWithError("no database");
        return;
    }
    QFile ini(db.baseDir() + "system.ini");
    ini.open(QIODevice::WriteOnly);
    ini.write("[System]\nConnectString=" + db.connectString().toUtf8() + "\n");
    ini.close();
    TfrmSysLib sys(db.baseDir());
    if (!sys.OpenSharedConnection()) {
        state.SkipWithError(sys.adcMain.lastError().toStdString().c_str());
        return;
    }
    TADOQuery q(&sys.adcMain);
    InitialiseDatabase(q);
    q.setSql("BEGIN");  // one transaction keeps the setup short; not part of the measurement
    q.ExecSQL();
    TADOQuery insert(&sys.adcMain);
    for (int i = 0; i < 10000; ++i) {
        insert.setSql("INSERT INTO HolderData (HolderNo, HolderName, CardID) VALUES (?, ?, ?)",
                      {QString("%1").arg(i, 6, 10, QChar('0')), QString("Holder %1").arg(i),
                       QString::number(1000000 + i)});
        insert.ExecSQL();
    }
    q.setSql("COMMIT");
    q.ExecSQL();
    for (auto _ : state) {
        OpenTableOrdered(q, "HolderData", "HolderNo");
        int seen = 0;
        for (q.First(); !q.Eof(); q.Next()) {
            benchmark::DoNotOptimize(q.FieldText("HolderName"));
            ++seen;
        }
        if (seen != 10000) state.SkipWithError("wrong row count");
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::RegisterBenchmark("WalkHolders/SQLite", WalkHolders, TestEngine::SQLite)
        ->Unit(benchmark::kMillisecond);
    if (!qEnvironmentVariable("CVBIO_MARIADB_SOCKET").isEmpty())
        benchmark::RegisterBenchmark("WalkHolders/MariaDB", WalkHolders, TestEngine::MariaDB)
            ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
