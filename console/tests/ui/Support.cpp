#include "Support.h"

#include <QAbstractButton>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>

#include "Dataset.h"
#include "QueryOps.h"
#include "SysLib.h"

TestBase::TestBase() {
    dir_.setAutoRemove(true);
}

void TestBase::WriteFile(const QString& relative, const QByteArray& content) const {
    const QString full = filePath(relative);
    QDir().mkpath(QFileInfo(full).path());
    QFile file(full);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(content);
}

QByteArray TestBase::ReadFile(const QString& relative) const {
    QFile file(filePath(relative));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool TestBase::Exists(const QString& relative) const {
    return QFile::exists(filePath(relative));
}

void TestBase::WriteSystemIni(const QStringList& systemLines) const {
    WriteFile("system.ini", ("[System]\n" + systemLines.join("\n") + "\n").toUtf8());
}

void TestBase::CopyLanguages(const QStringList& codes) const {
    QDir().mkpath(filePath("Language"));
    for (const QString& code : codes)
        for (const QString& kind : {QString("Common"), QString("Manager")}) {
            const QString name = kind + code + ".TXT";
            QFile::copy(QString(CVBIO_LANGUAGE_SOURCE_DIR) + "/" + name,
                        filePath("Language/" + name));
        }
}

void TestBase::CopyImages() const {
    QDir().mkpath(filePath("Image"));
    for (const char* name : {"Logo.jpg", "FlowSource.jpg", "NoFingerPhoto.jpg"})
        QFile::copy(QString(CVBIO_IMAGE_BUILD_DIR) + "/" + name,
                    filePath(QString("Image/") + name));
}

ModalDriver::ModalDriver() {
    timer_.setInterval(5);
    connect(&timer_, &QTimer::timeout, this, &ModalDriver::Tick);
    timer_.start();
}

void ModalDriver::When(const QString& window, std::function<void(QWidget*)> step) {
    steps_.enqueue({window, std::move(step)});
}

void ModalDriver::Tick() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != last_) {
        seen_ << modal->objectName();
        last_ = modal;
    }
    if (!modal || steps_.isEmpty() || !modal->isVisible()) return;
    if (steps_.head().window != modal->objectName()) return;
    Step step = steps_.dequeue();
    // Run the step from the event loop, so that a window it opens gets driven too.
    QPointer<QWidget> target(modal);
    QTimer::singleShot(0, this, [step, target] {
        if (target) step.action(target);
    });
}

bool WaitUntil(const std::function<bool()>& condition, int limitMs) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > limitMs) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void Pump(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

void Click(QWidget* root, const QString& name) {
    if (auto* button = root->findChild<QAbstractButton*>(name)) button->click();
}

void Type(QWidget* root, const QString& name, const QString& text) {
    if (auto* edit = root->findChild<QLineEdit*>(name)) edit->setText(text);
}

int CountRows(const QString& table) {
    TADOQuery query(&frmSysLib->adcMain);
    OpenTable(query, table);
    return query.RecordCount();
}
