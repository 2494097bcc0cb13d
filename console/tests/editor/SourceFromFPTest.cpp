// Reading a template back from a reader of a cvt80sim bus into the editor's slot, on each engine.
#include <gtest/gtest.h>

#include <memory>

#include "Comm.h"
#include "EditorSupport.h"
#include "Fingeredit.h"
#include "Progress.h"
#include "Sourcefromfp.h"
#include "SysLib.h"

namespace {

struct ReadingCase {
    const char* name;
    const char* layout;
    const char* faults;
    int controller;
    int reader;
    bool enrolOnTheReaderFirst;
    const char* message;  // "" for none
    bool handedToTheEditor;
};

void PrintTo(const ReadingCase& c, std::ostream* os) {
    *os << c.name;
}

const ReadingCase kReadingCases[] = {
    {"DirectReader", "0:1", "", 0, 1, true, "", true},
    {"ReaderBehindController", "3:5", "", 3, 5, true, "", true},
    {"NoTemplateUnderTheNumber", "0:1", "", 0, 1, false, "No Finger Template at this address!",
     false},
    // The reader answers the enrolment, template mode and banks 0 and 1, then falls silent.
    {"BankTwoReadFails", "0:1", "0.1:silent-after=4", 0, 1, true,
     "Communicate was broke,Check your device!", false},
    {"TemplateModeRefused", "0:1", "0.1:silent", 0, 1, false,
     "Communicate was broke,Check your device!", false},
};

constexpr int kUserNo = 12;

class ReadingFromReader : public EditorTestBase,
                          public ::testing::TestWithParam<std::tuple<TestEngine, ReadingCase>> {
  protected:
    void TearDown() override {
        editor_.reset();
        Uninstall();
    }
    std::unique_ptr<TfrmFingerEdit> editor_;
};

TEST_P(ReadingFromReader, TheSlotGetsTheThreeBanksOrNothing) {
    const auto& [engine, c] = GetParam();
    std::vector<std::string> args = {"--layout", c.layout};
    if (*c.faults) args.insert(args.end(), {"--faults", c.faults});
    BusSimulator sim(args);
    Install(engine, {.selectSource = 1, .comPath = sim.path()});
    ASSERT_FALSE(HasFatalFailure());
    AddHolder("A01", "Alice");
    AddReader(c.controller, c.reader);

    editor_ = std::make_unique<TfrmFingerEdit>();
    editor_->show();
    editor_->btnEdit->click();
    bool opened = false;
    WhenModal<TfrmSourceFromFP>(editor_.get(), [&](TfrmSourceFromFP* window) {
        opened = true;
        EXPECT_EQ(window->cmbFingerPrintNo->currentText().toStdString(),
                  std::to_string(c.reader) + "=Reader " + std::to_string(c.controller) + "/" +
                      std::to_string(c.reader));
        window->edtFingerNo->setValue(kUserNo);
        if (c.enrolOnTheReaderFirst) window->btnAddFinger->click();
        window->btnOK->click();
    });
    emit editor_->imgFinger[2]->clicked();
    ASSERT_TRUE(opened);

    EXPECT_EQ((*ui_)->Texts(UiServicesDouble::Kind::Info),
              *c.message ? QStringList({c.message}) : QStringList());
    EXPECT_TRUE(editor_->Modified()) << "every fetch marks the editor modified";
    EXPECT_EQ(editor_->TemplateChanged(2), c.handedToTheEditor);
    EXPECT_EQ(CurrentLink(), nullptr);
    EXPECT_EQ(frmSysLib->SystemIni.ReadInteger("frmSourceFromFP", "FingerNo", 0), kUserNo);
    EXPECT_EQ(frmSysLib->SystemIni.ReadInteger("frmSourceFromFP", "FingerPrintID", -1), 0);

    const std::string leave = c.controller == 0 ? "\tI01L1" : "I05L1";
    const std::vector<std::string> requests = sim.Requests();
    bool leftTemplateMode = false;
    for (const std::string& frame : requests)
        if (frame.find(leave) != std::string::npos) leftTemplateMode = true;
    EXPECT_EQ(leftTemplateMode, std::string(c.name) != "TemplateModeRefused");
    if (!c.handedToTheEditor) {
        for (const std::string& frame : requests)
            EXPECT_EQ(frame.find("0000123"), std::string::npos) << "bank 3 was asked for";
        EXPECT_TRUE(editor_->SlotTemplate(2).isEmpty());
        EXPECT_EQ(editor_->labFingerNo[2]->text(), "0");
        return;
    }
    const QString stored =
        QString::fromStdString(sim.User(c.controller, c.reader, kUserNo)["template"]);
    ASSERT_EQ(stored.size(), 768);
    EXPECT_EQ(editor_->SlotTemplate(2), stored);
    EXPECT_EQ(editor_->labFingerNo[2]->text(), "1");
    EXPECT_EQ(sim.TemplateMode(c.controller, c.reader), 1);

    // Saved without a picture; shown with the placeholder picture.
    editor_->btnOk->click();
    EXPECT_EQ(Text("Select * From FingerData Where FingerNo=1", "FingerTemplate"), stored);
    EXPECT_TRUE(Text("Select * From FingerData Where FingerNo=1", "FingerPicture").isEmpty());
    EXPECT_FALSE(editor_->imgFinger[2]->picture().isNull());
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadingFromReader,
                         ::testing::Combine(::testing::Values(TestEngine::SQLite,
                                                              TestEngine::MariaDB),
                                            ::testing::ValuesIn(kReadingCases)),
                         [](const auto& info) {
                             return std::string(EngineName(std::get<0>(info.param))) + "_" +
                                    std::get<1>(info.param).name;
                         });

class ReadingCancel : public EditorTestBase, public ::testing::TestWithParam<TestEngine> {
  protected:
    void TearDown() override {
        editor_.reset();
        Uninstall();
    }
    std::unique_ptr<TfrmFingerEdit> editor_;
};

TEST_P(ReadingCancel, LeavesTheEditorUnchangedAndTheLinkClosed) {
    BusSimulator sim({"--layout", "0:1"});
    Install(GetParam(), {.selectSource = 1, .comPath = sim.path()});
    ASSERT_FALSE(HasFatalFailure());
    AddHolder("A01", "Alice");
    AddReader(0, 1);
    editor_ = std::make_unique<TfrmFingerEdit>();
    editor_->show();
    editor_->btnEdit->click();
    WhenModal<TfrmSourceFromFP>(editor_.get(), [&](TfrmSourceFromFP* window) {
        window->edtFingerNo->setValue(kUserNo);
        window->btnAddFinger->click();
        // Cancel while the reading waits after entering template mode.
        WhenModal<TfrmProgress>(
            editor_.get(), [](TfrmProgress* progress) { progress->btnCancel->click(); },
            [](TfrmProgress* progress) { return progress->JobRunning(); });
        window->btnOK->click();
    });
    emit editor_->imgFinger[2]->clicked();
    EXPECT_TRUE((*ui_)->Texts(UiServicesDouble::Kind::Info).isEmpty());
    EXPECT_FALSE(editor_->TemplateChanged(2));
    EXPECT_TRUE(editor_->SlotTemplate(2).isEmpty());
    EXPECT_EQ(CurrentLink(), nullptr);
    EXPECT_EQ(sim.TemplateMode(0, 1), 0) << "a cancelled reading leaves the reader as it stands";
}

INSTANTIATE_TEST_SUITE_P(Engines, ReadingCancel,
                         ::testing::Values(TestEngine::SQLite, TestEngine::MariaDB),
                         EngineParamName());

// The reader and user number chosen last come back; the number is kept within 1..100.
struct RememberedCase {
    const char* name;
    int storedIndex;
    int storedFingerNo;
    int shownIndex;
    int shownFingerNo;
};

void PrintTo(const RememberedCase& c, std::ostream* os) {
    *os << c.name;
}

const RememberedCase kRememberedCases[] = {
    {"InRange", 1, 42, 1, 42},
    {"NumberBelowOne", 0, -5, 0, 1},
    {"NumberAboveHundredAndIndexBeyondTheList", 7, 150, 0, 100},
};

class RememberedChoices : public EditorTestBase, public ::testing::TestWithParam<RememberedCase> {
  protected:
    void TearDown() override { Uninstall(); }
};

TEST_P(RememberedChoices, ComeBackWhenTheWindowOpens) {
    const RememberedCase& c = GetParam();
    Install(TestEngine::SQLite, {.selectSource = 1});
    ASSERT_FALSE(HasFatalFailure());
    AddReader(0, 2);
    AddReader(3, 1);
    frmSysLib->SystemIni.WriteInteger("frmSourceFromFP", "FingerPrintID", c.storedIndex);
    frmSysLib->SystemIni.WriteInteger("frmSourceFromFP", "FingerNo", c.storedFingerNo);
    TfrmSourceFromFP window(nullptr);
    EXPECT_EQ(window.cmbFingerPrintNo->count(), 2);
    EXPECT_EQ(window.cmbFingerPrintNo->itemText(0), "1=Reader 3/1") << "ordered by reader number";
    EXPECT_EQ(window.cmbFingerPrintNo->currentIndex(), c.shownIndex);
    EXPECT_EQ(window.edtFingerNo->value(), c.shownFingerNo);
}

INSTANTIATE_TEST_SUITE_P(Cases, RememberedChoices, ::testing::ValuesIn(kRememberedCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
