// What the controller, reader and reader configuration window tests share: a fresh database
// on one engine with the first-run tables, the shared object over it, the UI-services double,
// and small event helpers.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <functional>
#include <memory>

#include "Dataset.h"
#include "QueryOps.h"
#include "Schema.h"
#include "SysLib.h"
#include "TestDb.h"
#include "UiServicesDouble.h"

class RecordsBase {
  protected:
    void Start(TestEngine engine) {
        db_ = std::make_unique<TestDb>(engine);
        ASSERT_TRUE(db_->ok());
        WriteSystemIni({});
        CopyLanguage();
        sys_ = std::make_unique<TfrmSysLib>(db_->baseDir());
        ASSERT_TRUE(sys_->OpenSharedConnection()) << sys_->adcMain.lastError().toStdString();
        frmSysLib = sys_.get();
        TADOQuery init(&sys_->adcMain);
        InitialiseDatabase(init);
    }
    void Stop() {
        frmSysLib = nullptr;
        sys_.reset();
        db_.reset();
    }

    // system.ini with the connection string and these extra lines (sections included).
    void WriteSystemIni(const QByteArray& extra) {
        QFile ini(db_->baseDir() + "system.ini");
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write("[System]\nConnectString=" + db_->connectString().toUtf8() + "\n" + extra);
    }
    // The English pack as a fresh installation ships it.
    void CopyLanguage() {
        QDir().mkpath(db_->baseDir() + "Language");
        for (const char* name : {"CommonENG.TXT", "ManagerENG.TXT"}) {
            const QString target = db_->baseDir() + "Language/" + name;
            QFile::remove(target);
            ASSERT_TRUE(QFile::copy(QString(CVBIO_LANGUAGE_SOURCE_DIR "/") + name, target));
        }
    }
    QByteArray ReadSystemIni() {
        QFile ini(db_->baseDir() + "system.ini");
        return ini.open(QIODevice::ReadOnly) ? ini.readAll() : QByteArray();
    }

    void AddController(int number, const QString& name) {
        TADOQuery q(&sys_->adcMain);
        OpenTable(q, "ControllerData");
        q.Append();
        q.SetField("ControllerNo", number);
        q.SetField("ControllerName", name);
        q.Post();
    }
    void AddReader(int controller, int reader, const QString& name, int link = 0) {
        TADOQuery q(&sys_->adcMain);
        OpenTable(q, "FingerPrint");
        q.Append();
        q.SetField("FingerPrintNo", reader);
        q.SetField("FingerPrintName", name);
        q.SetField("ControllerNo", controller);
        q.SetField("LinkFlag", link);
        q.Post();
    }
    // "controller/reader name link" of every FingerPrint row, by controller and reader.
    QStringList StoredReaders() {
        TADOQuery q(&sys_->adcMain);
        OpenSql(q, "Select * From FingerPrint Order By ControllerNo, FingerPrintNo");
        QStringList rows;
        for (int i = 0; i < q.RecordCount(); ++i, q.Next())
            rows << QString("%1/%2 %3 %4")
                        .arg(q.FieldInt("ControllerNo"))
                        .arg(q.FieldInt("FingerPrintNo"))
                        .arg(q.FieldText("FingerPrintName").trimmed())
                        .arg(q.FieldInt("LinkFlag"));
        return rows;
    }
    QStringList StoredControllers() {
        TADOQuery q(&sys_->adcMain);
        OpenTableOrdered(q, "ControllerData", "ControllerNo");
        QStringList rows;
        for (int i = 0; i < q.RecordCount(); ++i, q.Next())
            rows << QString("%1 %2")
                        .arg(q.FieldInt("ControllerNo"))
                        .arg(q.FieldText("ControllerName").trimmed());
        return rows;
    }

    std::unique_ptr<TestDb> db_;
    std::unique_ptr<TfrmSysLib> sys_;
    ScopedUiDouble ui_;
};

// The window tests that run once per engine.
class RecordsTest : public ::testing::TestWithParam<TestEngine>, protected RecordsBase {
  protected:
    void SetUp() override { Start(GetParam()); }
    void TearDown() override { Stop(); }
};

// Processes events until `condition` holds; false after a generous limit (a hang, not a
// timing check).
inline bool WaitUntil(const std::function<bool()>& condition, int limitMs = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > limitMs) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Runs `step` on the modal window of class T once it is up.
template <typename T>
void WhenModal(std::function<void(T*)> step) {
    auto* timer = new QTimer();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, step] {
        if (T* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            step(window);
        }
    });
    timer->start();
}
