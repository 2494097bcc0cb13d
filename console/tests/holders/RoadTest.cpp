// The road of one fingerprint, as the operator walks it: a holder created in the holder window,
// a finger enrolled from the simulated sensor through the real libminutix.so and saved, the
// holder and two readers (one direct, one behind a controller) marked and the transfer run;
// cvt80sim then holds the template under its finger number and the card ID as sent. The finger
// is deleted again, from both readers and from the database.
#include <QDir>
#include <QTemporaryDir>

#include "Controls.h"
#include "Cvt80.h"
#include "Fingeredit.h"
#include "Fingertrans.h"
#include "HoldersFixture.h"
#include "Holdersetup.h"
#include "Sourcefromer.h"

namespace {

class RoadTest : public HoldersTest {
  protected:
    void SetUp() override {
        HoldersTest::SetUp();
        // A loop print of the committed samples (the first one is an arch, which has no core).
        QFile::copy(CVBIO_TESTDATA_DIR "/fingers/2_1.pgm", fingers_.path() + "/2_1.pgm");
        setenv("IZZIX_SIM_DIR", fingers_.path().toUtf8().constData(), 1);
        setenv("IZZIX_SIM_EMPTY_FRAMES", "2", 1);
        unsetenv("IZZIX_SIM_NOFINGER");
        previousLibrary_ = TfrmSourceFromER::LibraryFileName;
#ifdef CVBIO_MINUTIX_DIR
        TfrmSourceFromER::LibraryFileName = CVBIO_MINUTIX_DIR "/libminutix.so";
#endif
    }
    void TearDown() override {
        TfrmSourceFromER::LibraryFileName = previousLibrary_;
        unsetenv("IZZIX_SIM_DIR");
        unsetenv("IZZIX_SIM_EMPTY_FRAMES");
        HoldersTest::TearDown();
    }
    QString previousLibrary_;
    QTemporaryDir fingers_;
};
CVBIO_HOLDERS_ENGINES(RoadTest);

}  // namespace

TEST_P(RoadTest, HolderFingerTransferAndDeletion) {
#ifndef CVBIO_MINUTIX_DIR
    GTEST_SKIP() << "built without libminutix.so";
#endif
    AddController(3, "Door 3");
    AddReader(0, 1);
    AddReader(3, 2);
    AddReader(0, 4);  // linked, left unmarked
    SimProcess& sim = StartBus("0:1,4;3:2");

    // 1. The holder.
    {
        TfrmHolderSetup holders;
        holders.show();
        holders.btnAppend->click();
        holders.edtHolderNo->setText("R1");
        holders.edtHolderName->setText("Road walker");
        holders.edtCardID->setText("1234ABCD");
        holders.btnOk->click();
        ASSERT_FALSE(holders.editing()) << ui_->AllTexts().join("\n").toStdString();
    }

    // 2.-5. A finger enrolled from the sensor into slot 1 and saved.
    TfrmFingerEdit editor;
    editor.show();
    editor.btnEdit->click();
    bool enrolled = false;
    QString sensorStatus;
    WhenModal<TfrmSourceFromER>([&](TfrmSourceFromER* window) {
        enrolled = WaitUntil([&] { return window->btnOK->isEnabled(); });
        sensorStatus = window->pnlStatus->text() + (window->LibraryLoaded() ? " (loaded)" : "");
        if (enrolled)
            window->btnOK->click();
        else
            window->btnCancel->click();
    });
    emit editor.imgFinger[1]->clicked();
    ASSERT_TRUE(enrolled) << sensorStatus.toStdString() << " "
                          << ui_->AllTexts().join("\n").toStdString();
    const int fingerNo = editor.SlotFingerNo(1);
    ASSERT_EQ(fingerNo, 1);
    editor.btnOk->click();
    TADOQuery q(&sys_->adcMain);
    OpenTableWhere(q, "FingerData", "HolderNo", "R1");
    ASSERT_EQ(q.RecordCount(), 1);
    const std::string stored = q.FieldText("FingerTemplate").toStdString();
    ASSERT_EQ(stored.size(), kTemplateTextLength);
    EXPECT_EQ(q.FieldInt("FingerNo"), fingerNo);
    EXPECT_FALSE(q.FieldBytes("FingerPicture").isEmpty());

    // 6. Holder and two readers marked, the transfer.
    {
        TfrmFingerTrans trans;
        trans.show();
        trans.btnHolderSelectAll->click();
        for (int row = 0; row < trans.dgdFingerPrintModel->rowCount(); ++row) {
            trans.adqFingerPrint.MoveTo(row);
            if (trans.adqFingerPrint.FieldInt("FingerPrintNo") == 4) continue;
            trans.dgdFingerPrint->setCurrentIndex(trans.dgdFingerPrintModel->index(row, 4));
            emit trans.dgdFingerPrint->clicked(trans.dgdFingerPrint->currentIndex());
        }
        ui_->QueueAnswer(1);
        trans.btnTrans->click();
    }
    EXPECT_EQ(ui_->AllTexts(), QStringList{"Are you really want to trans to FingerPrint?"});
    const std::string key = std::to_string(fingerNo);
    for (auto [controller, reader] : {std::pair{0, 1}, std::pair{3, 2}}) {
        SCOPED_TRACE(reader);
        const auto user = sim.Reader(controller, reader)["users"][key];
        ASSERT_TRUE(user.is_object());
        EXPECT_EQ(user["banks"][0], stored.substr(0, 256));
        EXPECT_EQ(user["banks"][1], stored.substr(256, 256));
        EXPECT_EQ(user["banks"][2], stored.substr(512, 256));
        EXPECT_EQ(user["card_id"], CardTextForReader("1234ABCD"));
        EXPECT_EQ(user["duress"], 0);
    }
    EXPECT_TRUE(sim.Reader(0, 4)["users"].empty());

    // 7. The finger deleted: gone from both readers and from the database.
    ui_->Clear();
    editor.btnDelete->click();
    ui_->QueueAnswer(1);
    emit editor.imgFinger[1]->clicked();
    EXPECT_EQ(ui_->AllTexts(), QStringList{"Delete this Record ?"});
    for (auto [controller, reader] : {std::pair{0, 1}, std::pair{3, 2}}) {
        SCOPED_TRACE(reader);
        EXPECT_FALSE(sim.Reader(controller, reader)["users"].contains(key));
    }
    EXPECT_TRUE(StoredFingers().isEmpty());
    EXPECT_EQ(StoredHolders(), QStringList{"R1"});
    EXPECT_EQ(CurrentLink(), nullptr);
}
