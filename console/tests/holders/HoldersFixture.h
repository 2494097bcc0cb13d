// What the holder, card ID, transfer and import window tests share: a fresh database on one
// engine with the first-run tables, the shared object over it, the UI-services double, the bus
// simulator on a real pseudo-terminal reached as COM7, and rows made to order.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Comm.h"
#include "Dataset.h"
#include "DatasetModel.h"
#include "Progress.h"
#include "QueryOps.h"
#include "Schema.h"
#include "SimProcess.h"
#include "SysLib.h"
#include "TestDb.h"
#include "UiServicesDouble.h"

// Readable failure output for Qt texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* os) {
    *os << "{";
    for (int i = 0; i < texts.size(); ++i)
        *os << (i ? ", \"" : "\"") << texts[i].toStdString() << '"';
    *os << "}";
}

class HoldersBase {
  protected:
    static constexpr int kSimPort = 7;

    void Start(TestEngine engine) {
        db_ = std::make_unique<TestDb>(engine);
        ASSERT_TRUE(db_->ok());
        QFile ini(db_->baseDir() + "system.ini");
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write("[System]\nConnectString=" + db_->connectString().toUtf8() +
                  "\nComPort=7\nTimeOut=1000\nRetryCount=2\n");
        ini.close();
        sys_ = std::make_unique<TfrmSysLib>(db_->baseDir());
        ASSERT_TRUE(sys_->OpenSharedConnection()) << sys_->adcMain.lastError().toStdString();
        frmSysLib = sys_.get();
        TADOQuery init(&sys_->adcMain);
        InitialiseDatabase(init);
        // No bus until a test starts one: COM7 leads nowhere.
        PointPortAt(db_->baseDir().toStdString() + "no-such-port");
    }
    void Stop() {
        CloseLink();
        frmSysLib = nullptr;
        sys_.reset();
        sim_.reset();
        db_.reset();
    }

    // Starts cvt80sim with this layout (and faults) and maps COM7 to its terminal.
    SimProcess& StartBus(const std::string& layout, const std::string& faults = "") {
        std::vector<std::string> args = {"--layout", layout};
        if (!faults.empty()) args.insert(args.end(), {"--faults", faults});
        sim_ = std::make_unique<SimProcess>(args);
        PointPortAt(sim_->path());
        return *sim_;
    }
    SimProcess& StartBus(const std::vector<std::string>& args) {
        sim_ = std::make_unique<SimProcess>(args);
        PointPortAt(sim_->path());
        return *sim_;
    }
    void PointPortAt(const std::string& path) {
        sys_->SystemIni.WriteString("Ports", "COM7", path);
        sys_->ComPort = kSimPort;
    }

    void AddController(int number, const QString& name) {
        TADOQuery q(&sys_->adcMain);
        OpenTable(q, "ControllerData");
        q.Append();
        q.SetField("ControllerNo", number);
        q.SetField("ControllerName", name);
        q.Post();
    }
    void AddReader(int controller, int reader, int link = 1, int select = 0) {
        TADOQuery q(&sys_->adcMain);
        OpenTable(q, "FingerPrint");
        q.Append();
        q.SetField("FingerPrintNo", reader);
        q.SetField("FingerPrintName", QString("Reader %1.%2").arg(controller).arg(reader));
        q.SetField("ControllerNo", controller);
        q.SetField("LinkFlag", link);
        q.SetField("SelectFlag", select);
        q.Post();
    }
    void AddHolder(const QString& no, const QString& name, const QString& cardId = "",
                   int select = 0) {
        TADOQuery q(&sys_->adcMain);
        OpenTable(q, "HolderData");
        q.Append();
        q.SetField("HolderNo", no);
        q.SetField("HolderName", name);
        q.SetField("CardID", cardId);
        q.SetField("SelectFlag", select);
        q.Post();
    }
    void AddFinger(const QString& holder, int position, int fingerNo, const QString& templ,
                   int duress = 0) {
        TADOQuery q(&sys_->adcMain);
        OpenTable(q, "FingerData");
        q.Append();
        q.SetField("HolderNo", holder);
        q.SetField("PositionNo", position);
        q.SetField("FingerNo", fingerNo);
        q.SetField("FingerTemplate", templ);
        q.SetField("DuressFinger", duress);
        q.Post();
    }
    // "HolderNo:FingerNo" of every FingerData row, by finger number.
    QStringList StoredFingers() {
        TADOQuery q(&sys_->adcMain);
        OpenSql(q, "Select * From FingerData Order By FingerNo");
        QStringList rows;
        for (int i = 0; i < q.RecordCount(); ++i, q.Next())
            rows << QString("%1:%2")
                        .arg(q.FieldText("HolderNo").trimmed())
                        .arg(q.FieldInt("FingerNo"));
        return rows;
    }
    QStringList StoredHolders() {
        TADOQuery q(&sys_->adcMain);
        OpenTableOrdered(q, "HolderData", "HolderNo");
        QStringList rows;
        for (int i = 0; i < q.RecordCount(); ++i, q.Next())
            rows << q.FieldText("HolderNo").trimmed();
        return rows;
    }
    QByteArray StoredPhoto(const QString& holder) {
        TADOQuery q(&sys_->adcMain);
        OpenTableWhere(q, "HolderData", "HolderNo", holder);
        return q.IsEmpty() ? QByteArray() : q.FieldBytes("HolderPhoto");
    }

    std::unique_ptr<TestDb> db_;
    std::unique_ptr<TfrmSysLib> sys_;
    std::unique_ptr<SimProcess> sim_;
    ScopedUiDouble ui_;
};

class HoldersTest : public ::testing::TestWithParam<TestEngine>, protected HoldersBase {
  protected:
    void SetUp() override { Start(GetParam()); }
    void TearDown() override { Stop(); }
};

// A template text of `length` upper-case hex characters, different for each seed.
inline QString TemplateText(int seed, int length = 768) {
    static const char digits[] = "0123456789ABCDEF";
    QString text;
    unsigned state = 2166136261u ^ static_cast<unsigned>(seed);
    for (int i = 0; i < length; ++i) {
        state = state * 16777619u + 12345u;
        text += QChar(digits[(state >> 13) & 15]);
    }
    return text;
}

// The frames the simulator received, with the frame's leading control byte dropped.
inline std::vector<std::string> Requests(SimProcess& sim) {
    std::vector<std::string> frames;
    const nlohmann::json state = sim.State();
    for (const auto& r : state["requests"]) frames.push_back(r.get<std::string>().substr(1));
    return frames;
}

// The requests that start with one of these texts (a frame's address and command), in order.
inline std::vector<std::string> RequestsStartingWith(SimProcess& sim,
                                                     const std::vector<std::string>& heads) {
    std::vector<std::string> picked;
    for (const std::string& frame : Requests(sim))
        for (const std::string& head : heads)
            if (frame.rfind(head, 0) == 0) {
                picked.push_back(frame);
                break;
            }
    return picked;
}

// Processes events until `condition` holds; false after a generous limit (a hang, not a
// timing check).
inline bool WaitUntil(const std::function<bool()>& condition, int limitMs = 30000) {
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

// Watches the progress dialogs while a device action runs: the last gauge and text seen.
class ProgressWatch {
  public:
    ProgressWatch() {
        timer_.setInterval(2);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* p = qobject_cast<TfrmProgress*>(QApplication::activeModalWidget());
            if (!p || p == seen_) return;
            seen_ = p;
            text = p->labText->text();
            maximum = p->cga->maximum();
            value = p->cga->value();
            // Every change of the gauge, also the last one just before the dialog closes.
            QProgressBar* gauge = p->cga;
            QObject::connect(gauge, &QProgressBar::valueChanged, &timer_, [this, gauge](int v) {
                value = v;
                maximum = gauge->maximum();
            });
        });
        timer_.start();
    }
    int maximum = -1;
    int value = -1;
    QString text;

  private:
    QTimer timer_;
    QPointer<TfrmProgress> seen_;
};

#define CVBIO_HOLDERS_ENGINES(Suite)                                                     \
    INSTANTIATE_TEST_SUITE_P(Engines, Suite,                                             \
                             ::testing::Values(TestEngine::SQLite, TestEngine::MariaDB), \
                             EngineParamName())
