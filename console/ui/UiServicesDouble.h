// A UiServices double for window tests: message boxes and file dialogs answer from a queue and
// every box shown is recorded, so a test reads back the texts the operator would have seen.
#pragma once

#include <QQueue>
#include <QString>
#include <QVector>

#include "UiServices.h"

class UiServicesDouble : public UiServices {
  public:
    enum class Kind { Info, OkCancel, YesNo, Error, OpenFile, SaveFile, Beep };
    struct Shown {
        Kind kind;
        QString title;
        QString text;  // message text; for file dialogs the filter; for beeps "frequency,duration"
    };

    // Answers for the next questions (1, 2, 6, 7); an empty queue answers Cancel or No.
    void QueueAnswer(int answer) { answers_.enqueue(answer); }
    // Answers for the next file dialogs; an empty queue answers "" (cancelled).
    void QueueFileName(const QString& name) { fileNames_.enqueue(name); }

    const QVector<Shown>& shown() const { return shown_; }
    QStringList Texts(Kind kind) const;  // texts of the boxes of one kind, in order
    QStringList AllTexts() const;        // texts of every message and error box, in order
    void Clear() { shown_.clear(); }

    int MessageBox(const QString& title, const QString& text, Buttons buttons) override;
    void ErrorBox(const QString& title, const QString& text) override;
    QString OpenFileName(const QString& filter, const QString& defaultExt) override;
    QString SaveFileName(const QString& filter, const QString& defaultExt) override;
    void Beep(int frequencyHz, int durationMs) override;

  private:
    QQueue<int> answers_;
    QQueue<QString> fileNames_;
    QVector<Shown> shown_;
};

// Installs a double for the lifetime of this object and puts the previous services back after.
class ScopedUiDouble {
  public:
    ScopedUiDouble();
    ~ScopedUiDouble();
    ScopedUiDouble(const ScopedUiDouble&) = delete;
    ScopedUiDouble& operator=(const ScopedUiDouble&) = delete;
    UiServicesDouble& operator*() { return *double_; }
    UiServicesDouble* operator->() { return double_; }

  private:
    UiServicesDouble* double_;
    std::unique_ptr<UiServices> previous_;
};
