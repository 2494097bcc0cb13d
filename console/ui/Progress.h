// The progress dialog: runs one job of the calling window while it shows a gauge, a text and a
// Cancel button, and closes itself about 10 ms after the job returned.
//
//     TfrmProgress progress(this);
//     ProgressJob = [&] { ... progress.cga->setValue(progress.cga->value() + 1); ... };
//     progress.cga->setMaximum(n);
//     progress.labText->setText(frmSysLib->MessageText("actTrans", "..."));
//     progress.exec();
#pragma once

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <functional>

// The job the next progress dialog runs, and the Cancel flag that jobs able to stop early poll.
extern std::function<void()> ProgressJob;
extern bool CancelRequested;

class TfrmProgress : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmProgress(QWidget* parent = nullptr);

    QLabel* labText;
    QProgressBar* cga;
    QPushButton* btnCancel;
    QTimer* timDelay;

    bool JobRunning() const { return jobRunning_; }
    bool JobDone() const { return jobDone_; }

    void FormActivate();
    void btnCancelClick();
    void timDelayTimer();

  protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    bool activated_ = false;
    bool jobRunning_ = false;
    bool jobDone_ = false;
};

// The common use: a job with its gauge maximum and its text, run modally over `owner`.
void RunProgress(QWidget* owner, const QString& text, int maximum,
                 const std::function<void(TfrmProgress&)>& job);
