// Support for the editor's window tests: a fresh installation (database, system.ini with the
// COM port mapped to a cvt80sim pseudo-terminal, the picture folder), the bus simulator as a
// real process with its state dumps, and helpers that answer modal windows.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <QApplication>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "TestDb.h"
#include "UiServicesDouble.h"

class TfrmSysLib;

// cvt80sim on its own pseudo-terminal; killed when this object goes.
class BusSimulator {
  public:
    explicit BusSimulator(const std::vector<std::string>& args);
    ~BusSimulator();
    const std::string& path() const { return path_; }
    nlohmann::json State();
    // A user of the reader at this layout position, or null when the reader does not hold it.
    nlohmann::json User(int controller, int reader, int userNo);
    int TemplateMode(int controller, int reader);
    std::vector<std::string> Requests();

  private:
    std::string dir_;
    std::string statePath_;
    std::string path_;
    pid_t pid_ = -1;
};

struct Installation {
    int selectSource = 0;
    std::string comPath = "";  // device of COM1; empty: a path that does not exist
    int timeOut = 250;
    int retryCount = 2;
};

// A database of one engine with the five tables, system.ini and frmSysLib for one test.
class EditorTestBase {
  protected:
    void Install(TestEngine engine, const Installation& setup);
    void Uninstall();

    void AddHolder(const QString& holderNo, const QString& name);
    void AddFinger(const QString& holderNo, int position, int fingerNo,
                   const QString& templateText = QString(), int duress = 0);
    void AddReader(int controllerNo, int readerNo, int linkFlag = 1);
    // FingerNo of the row at (holder, position); -1 without a row.
    int StoredFingerNo(const QString& holderNo, int position);
    int Count(const QString& sql);
    QString Text(const QString& sql, const QString& column);

    std::unique_ptr<TestDb> db_;
    std::unique_ptr<ScopedUiDouble> ui_;
};

// Runs `step` on the first modal window of class T that `ready` accepts, polling every 20 ms
// while a modal loop runs. The step is run at most once, and never after `owner` is gone.
template <class T>
void WhenModal(QObject* owner, std::function<void(T*)> step,
               std::function<bool(T*)> ready = nullptr) {
    auto* timer = new QTimer(owner);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, step, ready] {
        T* window = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!window || (ready && !ready(window))) return;
        timer->stop();
        timer->deleteLater();
        step(window);
    });
    timer->start();
}

// Processes events until `done` holds or `ms` passed; returns `done()`.
bool WaitFor(const std::function<bool()>& done, int ms);

// The 768-character text of a template whose bytes follow from `seed`.
QString SampleTemplateText(int seed);
// Where the committed sample fingerprints are.
QString SampleFingerDir();
