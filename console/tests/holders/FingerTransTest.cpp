// The transfer window: marks, and the transfer of the marked holders' templates and cards into
// the marked readers on cvt80sim, with its framing, order, card text and failure handling.
#include "Cvt80.h"
#include "DatasetModel.h"
#include "Fingertrans.h"
#include "HoldersFixture.h"

namespace {

using Kind = UiServicesDouble::Kind;
const QString kStartTrans = "Are you really want to trans to FingerPrint?";
const QString kTimeOut = "Communicate was broke,Check your device!";

class FingerTransTest : public HoldersTest {
  protected:
    // Opens the window, answers the question with OK and runs the transfer.
    void Transfer() {
        TfrmFingerTrans window;
        window.show();
        ui_->QueueAnswer(1);
        window.btnTrans->click();
        lastStatus_ = window.stbCommPanel1->text();
    }
    QList<int> Marks(const QString& sql) {
        TADOQuery q(&sys_->adcMain);
        OpenSql(q, sql);
        QList<int> marks;
        for (int i = 0; i < q.RecordCount(); ++i, q.Next()) marks << q.FieldInt("SelectFlag");
        return marks;
    }
    QString lastStatus_;
};
CVBIO_HOLDERS_ENGINES(FingerTransTest);

// The frames a device got, each cut to its command part (address, letters, data without
// check digits) and to at most `keep` characters.
std::vector<std::string> Heads(SimProcess& sim, const std::string& address, size_t keep = 40) {
    std::vector<std::string> heads;
    for (std::string frame : RequestsStartingWith(sim, {address})) {
        const size_t end = frame.find('\x02');  // a controller frame's data ends at STX
        frame = end != std::string::npos ? frame.substr(0, end) : frame.substr(0, frame.size() - 3);
        heads.push_back(frame.substr(0, keep));
    }
    return heads;
}

std::vector<std::string> RowFrames(const std::string& prefix, int user, int duress,
                                   const std::string& card) {
    char u[7];
    std::snprintf(u, sizeof u, "%06d", user);
    const std::string text = TemplateText(user).toStdString();
    return {prefix + "P" + u + "1" + text.substr(0, 256),
            prefix + "P" + u + "2" + text.substr(256, 256),
            prefix + "P" + u + "3" + text.substr(512),
            prefix + "O" + u + std::to_string(duress) + card};
}

}  // namespace

TEST_P(FingerTransTest, MarkedHoldersGoToMarkedReadersInOrder) {
    AddController(3, "Door 3");
    AddReader(0, 1, 1, 1);
    AddReader(3, 2, 1, 1);
    AddReader(0, 4, 1, 0);  // linked, not marked
    AddReader(0, 5, 0, 1);  // marked, not linked
    AddHolder("A1", "Marked", "1234ABCD", 1);
    AddHolder("B1", "Not marked", "FFFF", 0);
    AddFinger("A1", 1, 5, TemplateText(5), 1);
    AddFinger("A1", 2, 2, TemplateText(2), 0);
    AddFinger("B1", 1, 7, TemplateText(7));
    SimProcess& sim = StartBus("0:1,4,5;3:2");

    ProgressWatch watch;
    Transfer();
    EXPECT_EQ(ui_->AllTexts(), QStringList{kStartTrans});
    EXPECT_EQ(watch.maximum, 4);
    EXPECT_EQ(watch.value, 4);
    EXPECT_EQ(watch.text, "Trans the Finger information,please wait...");
    EXPECT_EQ(lastStatus_, "Controller 3 FingerPrint 2 FingerNo 5 CardID 1234ABCD");

    // Per row the three banks, then the card in reversed pair order with the duress flag; rows
    // in finger number order; template mode (and the controller's mode) around them.
    const std::string card = "CDAB341200000000";
    std::vector<std::string> direct = {"I01L0"};
    for (const auto& f : RowFrames("I01", 2, 0, card)) direct.push_back(f);
    for (const auto& f : RowFrames("I01", 5, 1, card)) direct.push_back(f);
    direct.push_back("I01L1");
    EXPECT_EQ(Heads(sim, "I01", 400), direct);
    std::vector<std::string> relayed = {"03DO0", "03DPI02L0"};
    for (const auto& f : RowFrames("03DPI02", 2, 0, card)) relayed.push_back(f);
    for (const auto& f : RowFrames("03DPI02", 5, 1, card)) relayed.push_back(f);
    relayed.insert(relayed.end(), {"03DPI02L1", "03DO1"});
    EXPECT_EQ(Heads(sim, "03", 400), relayed);
    EXPECT_TRUE(Heads(sim, "I04").empty());
    EXPECT_TRUE(Heads(sim, "I05").empty());

    for (auto [controller, reader] : {std::pair{0, 1}, std::pair{3, 2}}) {
        SCOPED_TRACE(reader);
        const auto state = sim.Reader(controller, reader);
        EXPECT_EQ(state["users"].size(), 2u);
        EXPECT_EQ(state["users"]["5"]["template"], TemplateText(5).toStdString());
        EXPECT_EQ(state["users"]["2"]["template"], TemplateText(2).toStdString());
        EXPECT_EQ(state["users"]["5"]["duress"], 1);
        EXPECT_EQ(state["users"]["2"]["duress"], 0);
        EXPECT_EQ(state["users"]["5"]["card_id"], card);
        EXPECT_EQ(state["template_mode"], 1);
    }
    EXPECT_EQ(sim.State()["controllers"][0]["mode"], 1);
    // The transfer writes nothing to the database: marks stay.
    EXPECT_EQ(Marks("Select * From HolderData Order By HolderNo"), (QList<int>{1, 0}));
    EXPECT_EQ(Marks("Select * From FingerPrint Order By ControllerNo, FingerPrintNo"),
              (QList<int>{1, 0, 1, 1}));
    EXPECT_EQ(StoredFingers(), (QStringList{"A1:2", "A1:5", "B1:7"}));
    EXPECT_EQ(CurrentLink(), nullptr);
}

TEST_P(FingerTransTest, FailureOnTheSecondReaderStopsBeforeTheThird) {
    // Readers go in controller number order.
    AddController(3, "Door 3");
    AddController(5, "Door 5");
    AddReader(5, 4, 1, 1);
    AddReader(3, 2, 1, 1);
    AddReader(0, 1, 1, 1);
    AddHolder("A1", "Marked", "99", 1);
    AddFinger("A1", 1, 12, TemplateText(12));
    // The reader behind controller 3 hears template mode and bank 1, then falls silent in the
    // middle of the row.
    SimProcess& sim = StartBus("0:1;3:2;5:4", "3.2:silent-after=2");

    Transfer();
    EXPECT_EQ(ui_->AllTexts(), (QStringList{kStartTrans, kTimeOut}));
    const auto first = sim.Reader(0, 1);
    EXPECT_EQ(first["users"]["12"]["template"], TemplateText(12).toStdString());
    EXPECT_EQ(first["users"]["12"]["card_id"], "9900000000000000");
    // Bank 2 tried twice, then template mode left (unanswered, tried twice too) and the
    // controller's mode put back.
    EXPECT_EQ(Heads(sim, "03", 15),
              (std::vector<std::string>{"03DO0", "03DPI02L0", "03DPI02P0000121", "03DPI02P0000122",
                                        "03DPI02P0000122", "03DPI02L1", "03DPI02L1", "03DO1"}));
    EXPECT_TRUE(Heads(sim, "05").empty());
    EXPECT_EQ(lastStatus_, "Controller 3 FingerPrint 2 FingerNo 12 BankNo 1");
    EXPECT_EQ(sim.State()["controllers"][0]["mode"], 1);
    EXPECT_EQ(StoredFingers(), QStringList{"A1:12"});
    EXPECT_EQ(CurrentLink(), nullptr);
}

TEST_P(FingerTransTest, NothingMarkedOrNothingToSend) {
    AddController(3, "Door 3");
    AddReader(0, 1, 1, 0);
    AddReader(3, 2, 1, 0);
    AddHolder("A1", "Marked", "1", 1);
    AddFinger("A1", 1, 1, TemplateText(1));
    SimProcess& sim = StartBus("0:1;3:2");

    // No marked reader: the link opens and closes, nothing is sent.
    Transfer();
    EXPECT_EQ(ui_->AllTexts(), QStringList{kStartTrans});
    EXPECT_TRUE(Requests(sim).empty());

    // Marked readers, no marked holder: template mode entered and left on each.
    SetColumnForAll(*std::make_unique<TADOQuery>(&sys_->adcMain), "FingerPrint", "SelectFlag", 1);
    SetColumnForAll(*std::make_unique<TADOQuery>(&sys_->adcMain), "HolderData", "SelectFlag", 0);
    ProgressWatch watch;
    Transfer();
    EXPECT_EQ(watch.maximum, 0);
    EXPECT_EQ(Heads(sim, "I01"), (std::vector<std::string>{"I01L0", "I01L1"}));
    EXPECT_EQ(Heads(sim, "03"),
              (std::vector<std::string>{"03DO0", "03DPI02L0", "03DPI02L1", "03DO1"}));
    EXPECT_EQ(ui_->AllTexts(), (QStringList{kStartTrans, kStartTrans}));

    // Cancel at the question sends nothing.
    const size_t frames = Requests(sim).size();
    TfrmFingerTrans window;
    window.show();
    ui_->QueueAnswer(2);
    window.btnTrans->click();
    EXPECT_EQ(Requests(sim).size(), frames);
}

TEST_P(FingerTransTest, ShortTemplateTextSendsShortBanks) {
    AddReader(0, 1, 1, 1);
    AddHolder("A1", "Short", "", 1);
    const QString shortText = TemplateText(3, 300);
    AddFinger("A1", 1, 1, shortText);
    SimProcess& sim = StartBus("0:1");

    Transfer();
    EXPECT_EQ(ui_->AllTexts(), QStringList{kStartTrans});
    const auto heads = Heads(sim, "I01P", 400);
    ASSERT_EQ(heads.size(), 3u);
    EXPECT_EQ(heads[0], "I01P0000011" + shortText.left(256).toStdString());
    EXPECT_EQ(heads[1], "I01P0000012" + shortText.mid(256).toStdString());
    EXPECT_EQ(heads[2], "I01P0000013");
    // An empty card ID goes out as sixteen zeros.
    EXPECT_EQ(Heads(sim, "I01O"), std::vector<std::string>{"I01O00000100000000000000000"});
}

TEST_P(FingerTransTest, MarksToggleAndSelectAll) {
    AddController(3, "Door 3");
    AddReader(0, 1, 1, 0);
    AddReader(3, 2, 1, 0);
    AddReader(0, 6, 0, 0);  // not linked: not listed
    AddHolder("A1", "One");
    AddHolder("B1", "Two");
    TfrmFingerTrans window;
    window.show();
    ASSERT_EQ(window.dgdFingerPrintModel->rowCount(), 2);
    ASSERT_EQ(window.dgdHolderDataModel->rowCount(), 2);
    EXPECT_EQ(window.dgdFingerPrintModel->headerData(0, Qt::Horizontal).toString(),
              "");  // FormText "dg1" of a missing Manager file is empty

    // A click on a reader's select cell marks it; on another cell nothing changes.
    window.dgdFingerPrint->setCurrentIndex(window.dgdFingerPrintModel->index(1, 4));
    window.dgdFingerPrintCellClick();
    EXPECT_EQ(window.adqFingerPrint.RecNo(), 1);
    window.dgdFingerPrint->setCurrentIndex(window.dgdFingerPrintModel->index(0, 1));
    window.dgdFingerPrintCellClick();
    EXPECT_EQ(Marks("Select * From FingerPrint Order By ControllerNo, FingerPrintNo"),
              (QList<int>{0, 0, 1}));
    window.dgdHolderData->setCurrentIndex(window.dgdHolderDataModel->index(1, 2));
    window.dgdHolderDataCellClick();
    window.dgdHolderDataCellClick();
    window.dgdHolderDataCellClick();
    EXPECT_EQ(Marks("Select * From HolderData Order By HolderNo"), (QList<int>{0, 1}));
    EXPECT_EQ(window.dgdHolderDataModel->data(window.dgdHolderDataModel->index(1, 2)).toInt(), 1);

    window.btnFingerSelectAll->click();
    window.btnHolderSelectAll->click();
    EXPECT_EQ(Marks("Select * From FingerPrint Order By ControllerNo, FingerPrintNo"),
              (QList<int>{1, 1, 1}));
    EXPECT_EQ(Marks("Select * From HolderData Order By HolderNo"), (QList<int>{1, 1}));
    window.btnFingerCancelAll->click();
    window.btnHolderCancelAll->click();
    EXPECT_EQ(Marks("Select * From FingerPrint Order By ControllerNo, FingerPrintNo"),
              (QList<int>{0, 0, 0}));
    EXPECT_EQ(Marks("Select * From HolderData Order By HolderNo"), (QList<int>{0, 0}));

    // No port: the message, nothing else.
    ui_->QueueAnswer(1);
    window.btnTrans->click();
    EXPECT_EQ(ui_->AllTexts(), (QStringList{kStartTrans, "Invalid Com Port!"}));
    EXPECT_EQ(CurrentLink(), nullptr);
}
