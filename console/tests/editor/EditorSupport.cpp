#include "EditorSupport.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "Dataset.h"
#include "QueryOps.h"
#include "Schema.h"
#include "SysLib.h"

extern char** environ;

BusSimulator::BusSimulator(const std::vector<std::string>& args) {
    char templ[] = "/tmp/editorsimXXXXXX";
    if (!mkdtemp(templ)) throw std::runtime_error("mkdtemp");
    dir_ = templ;
    statePath_ = dir_ + "/state.json";
    std::vector<std::string> all = {CVT80SIM_PATH, "--state", statePath_};
    all.insert(all.end(), args.begin(), args.end());
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) throw std::runtime_error("cannot start cvt80sim");
    // The first line is the terminal's path.
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n') path_ += c;
    close(out[0]);
    if (path_.empty()) throw std::runtime_error("cvt80sim printed no path");
}

BusSimulator::~BusSimulator() {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    std::remove(statePath_.c_str());
    rmdir(dir_.c_str());
}

nlohmann::json BusSimulator::State() {
    std::remove(statePath_.c_str());
    kill(pid_, SIGUSR1);
    for (int i = 0; i < 500; ++i) {
        std::ifstream in(statePath_);
        if (in) return nlohmann::json::parse(in);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    throw std::runtime_error("no state dump");
}

nlohmann::json BusSimulator::User(int controller, int reader, int userNo) {
    const nlohmann::json state = State();
    for (auto& r : state["readers"])
        if (r["controller"] == controller && r["reader"] == reader) {
            auto users = r["users"];
            auto it = users.find(std::to_string(userNo));
            return it == users.end() ? nlohmann::json() : *it;
        }
    throw std::runtime_error("no such reader");
}

int BusSimulator::TemplateMode(int controller, int reader) {
    const nlohmann::json state = State();
    for (auto& r : state["readers"])
        if (r["controller"] == controller && r["reader"] == reader) return r["template_mode"];
    throw std::runtime_error("no such reader");
}

std::vector<std::string> BusSimulator::Requests() {
    std::vector<std::string> requests;
    const nlohmann::json state = State();
    for (auto& r : state["requests"]) requests.push_back(r);
    return requests;
}

void EditorTestBase::Install(TestEngine engine, const Installation& setup) {
    db_ = std::make_unique<TestDb>(engine);
    ASSERT_TRUE(db_->ok());
    const QString base = db_->baseDir();
    const QString comPath =
        setup.comPath.empty() ? base + "no-such-port" : QString::fromStdString(setup.comPath);
    QFile ini(base + "system.ini");
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(QString("[System]\nConnectString=%1\nComPort=1\nBaudRate=19200,e,8,1\n"
                      "TimeOut=%2\nRetryCount=%3\nSelectSource=%4\n[Ports]\nCOM1=%5\n")
                  .arg(db_->connectString())
                  .arg(setup.timeOut)
                  .arg(setup.retryCount)
                  .arg(setup.selectSource)
                  .arg(comPath)
                  .toUtf8());
    ini.close();
    // The picture a slot shows for a template that came from a reader.
    ASSERT_TRUE(QDir().mkpath(base + "Image"));
    QImage placeholder(60, 70, QImage::Format_RGB32);
    placeholder.fill(QColor(200, 200, 255));
    ASSERT_TRUE(placeholder.save(base + "Image/NoFingerPhoto.jpg", "JPG"));

    frmSysLib = new TfrmSysLib(base);
    ASSERT_TRUE(frmSysLib->OpenSharedConnection()) << frmSysLib->adcMain.lastError().toStdString();
    TADOQuery adqInit(&frmSysLib->adcMain);
    InitialiseDatabase(adqInit);
    ui_ = std::make_unique<ScopedUiDouble>();
}

void EditorTestBase::Uninstall() {
    ui_.reset();
    delete frmSysLib;
    frmSysLib = nullptr;
    db_.reset();
}

void EditorTestBase::AddHolder(const QString& holderNo, const QString& name) {
    TADOQuery q(&frmSysLib->adcMain);
    OpenTable(q, "HolderData");
    q.Append();
    q.SetField("HolderNo", holderNo);
    q.SetField("HolderName", name);
    q.SetField("CardID", "1234ABCD");
    q.Post();
}

void EditorTestBase::AddFinger(const QString& holderNo, int position, int fingerNo,
                               const QString& templateText, int duress) {
    TADOQuery q(&frmSysLib->adcMain);
    OpenTable(q, "FingerData");
    q.Append();
    q.SetField("HolderNo", holderNo);
    q.SetField("PositionNo", position);
    q.SetField("FingerNo", fingerNo);
    q.SetField("FingerTemplate",
               templateText.isNull() ? SampleTemplateText(fingerNo) : templateText);
    q.SetField("DuressFinger", duress);
    q.Post();
}

void EditorTestBase::AddReader(int controllerNo, int readerNo, int linkFlag) {
    TADOQuery q(&frmSysLib->adcMain);
    OpenTable(q, "FingerPrint");
    q.Append();
    q.SetField("FingerPrintNo", readerNo);
    q.SetField("FingerPrintName", QString("Reader %1/%2").arg(controllerNo).arg(readerNo));
    q.SetField("ControllerNo", controllerNo);
    q.SetField("LinkFlag", linkFlag);
    q.Post();
}

int EditorTestBase::StoredFingerNo(const QString& holderNo, int position) {
    TADOQuery q(&frmSysLib->adcMain);
    OpenSql(q, "Select * From FingerData Where HolderNo=? and PositionNo=?", {holderNo, position});
    return q.IsEmpty() ? -1 : q.FieldInt("FingerNo");
}

int EditorTestBase::Count(const QString& sql) {
    TADOQuery q(&frmSysLib->adcMain);
    OpenSql(q, sql);
    return q.RecordCount();
}

QString EditorTestBase::Text(const QString& sql, const QString& column) {
    TADOQuery q(&frmSysLib->adcMain);
    OpenSql(q, sql);
    return q.IsEmpty() ? QString() : q.FieldText(column);
}

bool WaitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
}

QString SampleTemplateText(int seed) {
    QByteArray bytes(384, 0);
    uint32_t state = 2166136261u ^ static_cast<uint32_t>(seed);
    for (char& b : bytes) {
        state = state * 1664525u + 1013904223u;
        b = static_cast<char>(state >> 24);
    }
    return QString::fromLatin1(bytes.toHex().toUpper());
}

QString SampleFingerDir() {
    return QStringLiteral(CVBIO_SAMPLE_FINGERS);
}
