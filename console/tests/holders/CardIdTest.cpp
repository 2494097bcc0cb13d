// The two card ID windows: the card ID fetched from a controller or a reader (cvt80sim) goes
// into the holder window's card ID field.
#include "Cardidfromctl.h"
#include "Cardidfromfp.h"
#include "Controls.h"
#include "Cvt80.h"
#include "HoldersFixture.h"
#include "Holdersetup.h"

namespace {

using Kind = UiServicesDouble::Kind;

class CardIdTest : public HoldersTest {
  protected:
    void SetUp() override {
        HoldersTest::SetUp();
        AddHolder("H1", "Card holder", "OLD");
        holder_ = std::make_unique<TfrmHolderSetup>();
        holder_->show();
        holder_->btnEditClick();
    }
    void TearDown() override {
        holder_.reset();
        HoldersTest::TearDown();
    }
    // Stores a card in a reader of the bus through the command set.
    void StoreCard(int controller, int reader, int user, const std::string& cardText) {
        ASSERT_EQ(OpenLink(sys_->SystemIni, kSimPort, "19200,e,8,1", 500, 2), lrOk);
        const int32_t result = controller == 0
                                   ? WriteUserCard(reader, user, 1, cardText)
                                   : CtlWriteUserCard(controller, reader, user, 1, cardText);
        CloseLink();
        ASSERT_EQ(result, lrOk);
    }
    std::unique_ptr<TfrmHolderSetup> holder_;
};
CVBIO_HOLDERS_ENGINES(CardIdTest);

}  // namespace

TEST_P(CardIdTest, FromControllerByCardNumber) {
    // The list offers linked readers; the chosen reader's number is the controller address.
    AddReader(0, 3);
    AddReader(0, 4, 0);
    SimProcess& sim = StartBus({"--layout", "3:1", "--card", "3:7=000000001234ABCD"});
    QString listed, fetched;
    WhenModal<TfrmCardIDFromCtl>([&](TfrmCardIDFromCtl* w) {
        listed = w->cmbControllerNoItems.items().join("|");
        w->updCardNo->setValue(7);
        w->btnGetCardID->click();
        fetched = w->pnlCardID->text();
        w->btnOK->click();
    });
    holder_->btnCardIDFromCtl->click();
    EXPECT_EQ(listed, "3=Reader 0.3");
    EXPECT_EQ(fetched, "000000001234ABCD");
    EXPECT_EQ(holder_->edtCardID->text(), "000000001234ABCD");
    EXPECT_EQ(RequestsStartingWith(sim, {"03HE"}).size(), 1u);
    EXPECT_EQ(RequestsStartingWith(sim, {"03HE0007"}).size(), 1u);
    EXPECT_TRUE(ui_->AllTexts().isEmpty()) << ui_->AllTexts().join("\n").toStdString();

    holder_->btnOkClick();
    TADOQuery q(&sys_->adcMain);
    OpenTableWhere(q, "HolderData", "HolderNo", "H1");
    EXPECT_EQ(q.FieldText("CardID"), "000000001234ABCD");
}

TEST_P(CardIdTest, FromReaderDirectOrThroughItsController) {
    struct Case {
        const char* name;
        int controller;
        const char* shown;
    };
    // The reader keeps the card text in reversed pair order; the relayed read turns it back.
    const Case cases[] = {
        {"direct reader", 0, "CDAB341200000000"},
        {"reader behind a controller", 3, "000000001234ABCD"},
    };
    AddController(3, "Door 3");
    AddReader(0, 1);
    AddReader(3, 2);
    StartBus("0:1;3:2");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int reader = c.controller == 0 ? 1 : 2;
        StoreCard(c.controller, reader, 25, "CDAB341200000000");
        QString fetched;
        WhenModal<TfrmCardIDFromFP>([&](TfrmCardIDFromFP* w) {
            w->cmbFingerPrintNo->setCurrentIndex(c.controller == 0 ? 0 : 1);
            w->updFingerNo->setValue(25);
            w->btnGetCardID->click();
            fetched = w->pnlCardID->text();
            w->btnOK->click();
        });
        holder_->btnCardIDFromFP->click();
        EXPECT_EQ(fetched, c.shown);
        EXPECT_EQ(holder_->edtCardID->text(), c.shown);
    }
    EXPECT_TRUE(ui_->AllTexts().isEmpty()) << ui_->AllTexts().join("\n").toStdString();
}

TEST_P(CardIdTest, FailuresKeepThePanelAndOkCopiesWhatItShows) {
    AddReader(0, 1);
    // No port: the message, and OK without a fetch copies the empty panel.
    WhenModal<TfrmCardIDFromFP>([&](TfrmCardIDFromFP* w) {
        w->btnGetCardID->click();
        w->btnOK->click();
    });
    holder_->btnCardIDFromFP->click();
    EXPECT_EQ(ui_->AllTexts(), QStringList{"Invalid Com Port!"});
    EXPECT_EQ(holder_->edtCardID->text(), "");

    // A silent reader: the time-out message; the panel keeps the earlier card ID.
    StartBus("0:1", "0.1:silent-after=2");
    StoreCard(0, 1, 3, "1111222233334444");
    ui_->Clear();
    QString afterFirst, afterSecond;
    WhenModal<TfrmCardIDFromFP>([&](TfrmCardIDFromFP* w) {
        w->updFingerNo->setValue(3);
        w->btnGetCardID->click();
        afterFirst = w->pnlCardID->text();
        w->btnGetCardID->click();
        afterSecond = w->pnlCardID->text();
        w->btnCancel->click();
    });
    holder_->btnCardIDFromFP->click();
    EXPECT_EQ(afterFirst, "1111222233334444");
    EXPECT_EQ(afterSecond, "1111222233334444");
    EXPECT_EQ(ui_->AllTexts(), QStringList{"Communicate was broke,Check your device!"});
    EXPECT_EQ(holder_->edtCardID->text(), "");  // Cancel copies nothing
    EXPECT_EQ(CurrentLink(), nullptr);
}
