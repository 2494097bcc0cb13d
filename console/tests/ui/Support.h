// Helpers of the window tests: a base directory in a temporary folder, the shipped language
// packs and pictures, a driver for modal windows, waiting without timing.
#pragma once

#include <QApplication>
#include <QPointer>
#include <QQueue>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <functional>

// A fresh base directory: system.ini, Language/ and Image/ as a test wants them.
class TestBase {
  public:
    TestBase();
    QString path() const { return dir_.path() + "/"; }
    QString filePath(const QString& relative) const { return path() + relative; }
    void WriteFile(const QString& relative, const QByteArray& content) const;
    QByteArray ReadFile(const QString& relative) const;
    bool Exists(const QString& relative) const;
    // "[System]" lines of system.ini, e.g. {"LoginID=admin"}.
    void WriteSystemIni(const QStringList& systemLines) const;
    void CopyLanguages(const QStringList& codes = {"ENG", "CHT"}) const;
    void CopyImages() const;

  private:
    QTemporaryDir dir_;
};

// Runs its steps, in order, each when the named window is the active modal window, and keeps the
// names of the modal windows in the order they came up.
class ModalDriver : public QObject {
    Q_OBJECT
  public:
    ModalDriver();
    void When(const QString& window, std::function<void(QWidget*)> step);
    const QStringList& Seen() const { return seen_; }
    bool Done() const { return steps_.isEmpty(); }

  private:
    void Tick();

    struct Step {
        QString window;
        std::function<void(QWidget*)> action;
    };
    QTimer timer_;
    QQueue<Step> steps_;
    QStringList seen_;
    QPointer<QWidget> last_;
};

// Processes events until `condition` holds (false after a generous limit).
bool WaitUntil(const std::function<bool()>& condition, int limitMs = 10000);
// Processes events for a while.
void Pump(int ms);

template <typename T = QWidget>
T* Find(QWidget* root, const QString& name) {
    return root->findChild<T*>(name);
}
// Clicks a named button of the window.
void Click(QWidget* root, const QString& name);
void Type(QWidget* root, const QString& name, const QString& text);

// Rows of a table on the given connection name's shared object connection.
int CountRows(const QString& table);
