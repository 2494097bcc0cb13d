// The progress dialog: the caller's text, Cancel polled and not polled, a failing job.
#include <gtest/gtest.h>

#include <QApplication>

#include "CvbioError.h"
#include "Progress.h"
#include "Support.h"
#include "SysLib.h"
#include "UiServicesDouble.h"

namespace {

class ProgressDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        base_.CopyLanguages({"ENG"});
        frmSysLib = new TfrmSysLib(base_.path());
    }
    void TearDown() override {
        delete frmSysLib;
        frmSysLib = nullptr;
    }
    ScopedUiDouble ui_;
    TestBase base_;
};

// A job of `units` steps that lets events through between them and presses Cancel after
// `cancelAt` steps; it stops early only when it polls.
struct Job {
    int units;
    int cancelAt;
    bool polls;
    int done = 0;
    bool visibleAfterCancel = false;
    void Run(TfrmProgress& dialog) {
        for (done = 0; done < units; ++done) {
            if (polls && CancelRequested) break;
            if (done == cancelAt) QTimer::singleShot(0, dialog.btnCancel, &QPushButton::click);
            if (done == cancelAt + 5) visibleAfterCancel = dialog.isVisible();
            dialog.cga->setValue(dialog.cga->value() + 1);
            QApplication::processEvents();
        }
    }
};

}  // namespace

TEST_F(ProgressDialog, ShowsTheCallersTextWhileTheJobRuns) {
    QString shown;
    bool visible = false;
    const QString text = frmSysLib->MessageText("actTrans", "");
    RunProgress(nullptr, text, 3, [&](TfrmProgress& dialog) {
        shown = dialog.labText->text();
        visible = dialog.isVisible();
        EXPECT_EQ(dialog.windowTitle(), "System Information");
        EXPECT_EQ(dialog.btnCancel->text(), "Cancel");
    });
    EXPECT_EQ(shown, "Trans the Finger information,please wait...");
    EXPECT_TRUE(visible);
    EXPECT_FALSE(CancelRequested);
}

TEST_F(ProgressDialog, CancelStopsAJobThatPollsAndWaitsForOneThatDoesNot) {
    struct Row {
        const char* name;
        bool polls;
        bool stopsEarly;
    };
    for (const Row& row : {Row{"Polled", true, true}, Row{"NotPolled", false, false}}) {
        SCOPED_TRACE(row.name);
        Job job{200, 10, row.polls};
        TfrmProgress* seen = nullptr;
        RunProgress(nullptr, "Working", job.units, [&](TfrmProgress& dialog) {
            seen = &dialog;
            job.Run(dialog);
        });
        EXPECT_NE(seen, nullptr);
        if (row.stopsEarly)
            EXPECT_LT(job.done, job.units);
        else
            EXPECT_EQ(job.done, job.units);
        EXPECT_TRUE(job.visibleAfterCancel || row.polls);  // a close waits for the job
        EXPECT_TRUE(CancelRequested);  // kept until the next dialog starts a job
    }
}

TEST_F(ProgressDialog, ANewDialogClearsCancelAndAFailingJobIsShownThenClosed) {
    CancelRequested = true;
    bool clearedAtStart = false;
    RunProgress(nullptr, "Working", 1, [&](TfrmProgress&) {
        clearedAtStart = !CancelRequested;
        throw CvbioError("The reader does not answer");
    });
    EXPECT_TRUE(clearedAtStart);
    EXPECT_EQ(ui_->Texts(UiServicesDouble::Kind::Error),
              QStringList({"The reader does not answer"}));
}
