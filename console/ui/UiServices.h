// Everything the windows show the operator outside their own controls: message boxes, file
// dialogs, the standard error box and the beep. Windows reach them only through the current
// UiServices object, so tests install a double that answers from a queue.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QWidget;

class UiServices {
  public:
    virtual ~UiServices() = default;

    enum class Buttons { Ok, OkCancel, YesNo };
    // A modal box over the active window; returns 1 OK, 2 Cancel, 6 Yes, 7 No.
    virtual int MessageBox(const QString& title, const QString& text, Buttons buttons) = 0;
    // The standard error box for an error that escaped an event handler.
    virtual void ErrorBox(const QString& title, const QString& text) = 0;
    // `filter` in the "Description|*.ext" form the windows are designed with; "" when cancelled.
    virtual QString OpenFileName(const QString& filter, const QString& defaultExt) = 0;
    virtual QString SaveFileName(const QString& filter, const QString& defaultExt) = 0;
    virtual void Beep(int frequencyHz, int durationMs) = 0;
};

// The services in use; the real boxes until a test installs its own. Returns the previous one.
UiServices& Ui();
std::unique_ptr<UiServices> SetUiServices(std::unique_ptr<UiServices> services);

// The Qt implementation.
class QtUiServices : public UiServices {
  public:
    int MessageBox(const QString& title, const QString& text, Buttons buttons) override;
    void ErrorBox(const QString& title, const QString& text) override;
    QString OpenFileName(const QString& filter, const QString& defaultExt) override;
    QString SaveFileName(const QString& filter, const QString& defaultExt) override;
    void Beep(int frequencyHz, int durationMs) override;
};

// "Message"/"Title" of the Common file, looked up anew for every box.
QString MessageTitle();

// The three boxes every window uses, titled from the Common file.
void ShowInfo(const QString& text);
int AskOkCancel(const QString& text);  // 1 OK, 2 Cancel (closing counts as Cancel)
int AskYesNo(const QString& text);     // 6 Yes, 7 No
// The standard error box.
void ShowError(const QString& text);

// Runs an event handler; an error escaping it goes to the standard error box and the program
// goes on. Every handler of every window is connected through this.
void RunHandler(const std::function<void()>& handler);

// Connects a signal to a handler (a member without arguments) through RunHandler.
template <typename Sender, typename Signal, typename Receiver>
void OnEvent(Sender* sender, Signal signal, Receiver* receiver, void (Receiver::*handler)()) {
    QObject::connect(sender, signal, receiver,
                     [receiver, handler] { RunHandler([&] { (receiver->*handler)(); }); });
}

// Converts "Access|*.mdb" (pairs of description and pattern) to Qt's "Access (*.mdb)".
QString QtFileFilter(const QString& filter);
