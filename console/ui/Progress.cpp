#include "Progress.h"

#include <QApplication>
#include <QKeyEvent>

#include "Controls.h"
#include "Translate.h"
#include "UiServices.h"

std::function<void()> ProgressJob;
bool CancelRequested = false;

TfrmProgress::TfrmProgress(QWidget* parent) : QDialog(parent) {
    setObjectName("frmProgress");
    SetTag(this, 1);
    setWindowTitle("System Information");
    setFixedSize(299, 124);

    labText = Place(new QLabel("System Operational Anaylzing,Please Wait...", this), "labText", 12,
                    10, 275, 36);
    labText->setWordWrap(true);
    labText->setAlignment(Qt::AlignCenter);
    SetTag(labText, 1);
    cga = Place(new QProgressBar(this), "cga", 12, 50, 275, 22);
    cga->setMinimum(0);
    cga->setValue(0);
    cga->setTextVisible(true);
    cga->setAlignment(Qt::AlignCenter);
    cga->setFormat("%p%");
    cga->setAccessibleName("Progress");
    cga->setStyleSheet(
        "QProgressBar { border: 1px solid #7a8a9a; background: white; color: black; }"
        "QProgressBar::chunk { background: #1f5fbf; }");
    btnCancel = Place(new QPushButton("Cancel", this), "btnCancel", 112, 84, 75, 30);
    btnCancel->setDefault(true);
    SetTag(btnCancel, 1);
    OnEvent(btnCancel, &QPushButton::clicked, this, &TfrmProgress::btnCancelClick);

    timDelay = new QTimer(this);
    timDelay->setObjectName("timDelay");
    timDelay->setInterval(10);
    OnEvent(timDelay, &QTimer::timeout, this, &TfrmProgress::timDelayTimer);
    timDelay->start();
}

void TfrmProgress::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (activated_) return;
    activated_ = true;
    // The job starts once the dialog is on the screen, so its text and gauge are visible.
    QTimer::singleShot(0, this, [this] { RunHandler([this] { FormActivate(); }); });
}

void TfrmProgress::FormActivate() {
    const QString callerText = labText->text();
    RunHandler([this] { TranslateWindow(this); });
    labText->setText(callerText);
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    CancelRequested = false;
    jobRunning_ = true;
    struct JobEnd {
        TfrmProgress* dialog;
        ~JobEnd() {
            dialog->jobRunning_ = false;
            dialog->jobDone_ = true;
        }
    } jobEnd{this};
    if (ProgressJob) ProgressJob();
}

void TfrmProgress::btnCancelClick() {
    CancelRequested = true;
    close();
}

void TfrmProgress::timDelayTimer() {
    if (!jobDone_) return;
    timDelay->stop();
    QDialog::done(QDialog::Accepted);
}

void TfrmProgress::done(int result) {
    // A close asked for while the job runs waits for the job; the timer closes after it.
    if (!jobDone_) return;
    QDialog::done(result);
}

void RunProgress(QWidget* owner, const QString& text, int maximum,
                 const std::function<void(TfrmProgress&)>& job) {
    TfrmProgress progress(owner);
    progress.cga->setMinimum(0);
    progress.cga->setValue(0);
    progress.cga->setMaximum(maximum);
    progress.labText->setText(text);
    ProgressJob = [&] { job(progress); };
    progress.exec();
    ProgressJob = nullptr;
}

void TfrmProgress::keyPressEvent(QKeyEvent* event) {
    // Escape is the Cancel button's key, as Enter is.
    if (event->key() == Qt::Key_Escape) {
        btnCancel->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
