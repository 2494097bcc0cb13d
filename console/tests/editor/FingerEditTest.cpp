// The fingerprint editor on each engine: finger-number allocation, the save by finger number,
// the duress-only update, the save question, and the deletion on the readers of a cvt80sim bus.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <memory>

#include "Comm.h"
#include "Controls.h"
#include "Cvt80.h"
#include "EditorSupport.h"
#include "Fingeredit.h"
#include "MenuWindows.h"
#include "SysLib.h"

namespace {

class FingerEdit : public EditorTestBase, public ::testing::TestWithParam<TestEngine> {
  protected:
    void TearDown() override {
        editor_.reset();
        Uninstall();
    }
    void OpenEditor(const Installation& setup) {
        Install(GetParam(), setup);
        if (HasFatalFailure()) return;
        PrepareData();
        editor_ = std::make_unique<TfrmFingerEdit>();
        editor_->show();
        ASSERT_TRUE(WaitFor([&] { return editor_->isVisible(); }, 2000));
    }
    virtual void PrepareData() {}

    // A click on a slot's picture, found by its name as the operator's click would find it.
    void ClickSlot(int p) {
        TImage* picture = editor_->findChild<TImage*>(QString("imgFinger%1").arg(p));
        ASSERT_NE(picture, nullptr);
        emit picture->clicked();
    }
    void ToggleDuress(int p) {
        auto* toggle = editor_->findChild<QPushButton*>(QString("btnDuressFinger%1").arg(p));
        ASSERT_NE(toggle, nullptr);
        toggle->click();
    }
    // Stands in for an enrolment window that ended with success.
    void Enrol(int p, const QString& templateText) {
        ClickSlot(p);
        QImage picture(140, 154, QImage::Format_RGB32);
        picture.fill(QColor(40 * p % 255, 90, 160));
        editor_->AcceptEnrolment(picture, templateText);
    }
    QStringList Infos() { return (*ui_)->Texts(UiServicesDouble::Kind::Info); }

    std::unique_ptr<TfrmFingerEdit> editor_;
};

TEST_P(FingerEdit, TheMainMenuButtonOpensTheEditor) {
    ASSERT_TRUE(static_cast<bool>(MenuWindowFor("btnFingerEdit")));
}

class FingerNumbers : public FingerEdit {
    void PrepareData() override {
        AddHolder("A01", "Alice");
        AddHolder("B02", "Bob");
        AddHolder("C03", "Carol");
        AddFinger("B02", 1, 1);
        AddFinger("B02", 2, 2);
        AddFinger("C03", 1, 4);
    }
};

TEST_P(FingerNumbers, NewSlotsGetTheLowestNumbersThatNoRowAndNoSlotHolds) {
    // SelectSource 2 opens no enrolment window: only the numbering runs.
    OpenEditor({.selectSource = 2});
    editor_->btnEdit->click();
    ASSERT_TRUE(editor_->Editing());

    ClickSlot(1);
    EXPECT_EQ(editor_->SlotFingerNo(1), 3);
    ClickSlot(2);
    EXPECT_EQ(editor_->SlotFingerNo(2), 5) << "3 is held by slot 1 before any save";
    ClickSlot(2);
    EXPECT_EQ(editor_->SlotFingerNo(2), 6) << "a slot's own earlier number counts as taken";
    EXPECT_EQ(editor_->CurrentSlot(), 2);
    EXPECT_EQ(editor_->EditedHolder(), "A01");

    // Cancel forgets the slots' numbers; a stored row keeps its own.
    editor_->btnCancel->click();
    editor_->btnNext->click();
    editor_->btnEdit->click();
    ClickSlot(2);
    EXPECT_EQ(editor_->SlotFingerNo(2), 2);
    ClickSlot(3);
    EXPECT_EQ(editor_->SlotFingerNo(3), 3);
}

TEST_P(FingerNumbers, EnrolmentsAreSavedByFingerNumberAndReplaceTheirRow) {
    OpenEditor({.selectSource = 0});
    editor_->btnEdit->click();
    // The windows are not opened here: the enrolment's result is handed over directly.
    editor_->findChild<QPushButton*>("btnDuressFinger4")->click();
    const QString first = SampleTemplateText(100), second = SampleTemplateText(200);
    // Opening a real enrolment window is the sensor tests' business; SelectSource 0 would
    // open one on a click, so the clicks here answer it with Cancel.
    WhenModal<QDialog>(editor_.get(), [](QDialog* window) { window->reject(); });
    ClickSlot(4);
    editor_->AcceptEnrolment(QImage(140, 154, QImage::Format_RGB32), first);
    EXPECT_EQ(editor_->findChild<QLabel*>("labFingerNo4")->text(), "3");
    EXPECT_TRUE(editor_->Modified());
    editor_->btnOk->click();
    EXPECT_FALSE(editor_->Editing());
    EXPECT_EQ(StoredFingerNo("A01", 4), 3);
    EXPECT_EQ(Text("Select * From FingerData Where FingerNo=3", "FingerTemplate"), first);
    EXPECT_EQ(Text("Select * From FingerData Where FingerNo=3", "DuressFinger"), "1");
    EXPECT_FALSE(Text("Select * From FingerData Where FingerNo=3", "FingerPicture").isEmpty())
        << "the local sensor's picture is stored";
    EXPECT_FALSE(editor_->imgFinger[4]->picture().isNull());

    // Enrolling the slot again keeps its number and replaces the template of that row.
    editor_->btnEdit->click();
    WhenModal<QDialog>(editor_.get(), [](QDialog* window) { window->reject(); });
    ClickSlot(4);
    EXPECT_EQ(editor_->SlotFingerNo(4), 3);
    editor_->AcceptEnrolment(QImage(140, 154, QImage::Format_RGB32), second);
    editor_->btnOk->click();
    EXPECT_EQ(Count("Select * From FingerData"), 4);
    EXPECT_EQ(Text("Select * From FingerData Where FingerNo=3", "FingerTemplate"), second);
}

TEST_P(FingerNumbers, ADuressToggleAloneUpdatesOnlyTheExistingRow) {
    OpenEditor({.selectSource = 2});
    editor_->btnNext->click();  // Bob: slots 1 and 2 hold rows
    ASSERT_TRUE(editor_->btnDuressFinger[1]->isEnabled() == false) << "slots are closed in browse";
    editor_->btnEdit->click();
    const QString before = Text("Select * From FingerData Where FingerNo=2", "FingerTemplate");
    ToggleDuress(2);
    ToggleDuress(7);  // no row behind slot 7
    EXPECT_TRUE(editor_->DuressChanged(2));
    EXPECT_FALSE(editor_->Modified()) << "a duress toggle asks no save question";
    editor_->btnOk->click();
    EXPECT_EQ(Text("Select * From FingerData Where FingerNo=2", "DuressFinger"), "1");
    EXPECT_EQ(Text("Select * From FingerData Where FingerNo=1", "DuressFinger"), "0");
    EXPECT_EQ(Text("Select * From FingerData Where FingerNo=2", "FingerTemplate"), before);
    EXPECT_EQ(Count("Select * From FingerData"), 3);
    EXPECT_TRUE(editor_->btnDuressFinger[2]->isChecked());
    EXPECT_FALSE(editor_->btnDuressFinger[7]->isChecked());
}

TEST_P(FingerNumbers, TheSaveQuestionSavesOnYesAndDiscardsOnNo) {
    OpenEditor({.selectSource = 2});
    editor_->btnEdit->click();
    Enrol(1, SampleTemplateText(5));
    (*ui_)->QueueAnswer(7);  // No
    editor_->btnCancel->click();
    EXPECT_EQ((*ui_)->Texts(UiServicesDouble::Kind::YesNo),
              QStringList({"Save changes you made to the following data?"}));
    EXPECT_EQ(Count("Select * From FingerData"), 3);
    EXPECT_TRUE(editor_->imgFinger[1]->picture().isNull()) << "the enrolment is gone";
    EXPECT_TRUE(editor_->SlotTemplate(1).isEmpty());
    EXPECT_FALSE(editor_->TemplateChanged(1));

    // Closing the window asks again; Yes saves.
    editor_->btnEdit->click();
    Enrol(6, SampleTemplateText(6));
    (*ui_)->QueueAnswer(6);
    editor_->btnExit->click();
    EXPECT_FALSE(editor_->isVisible());
    EXPECT_EQ(StoredFingerNo("A01", 6), 3);
}

TEST_P(FingerNumbers, AClickInTheHolderListAsksTheSaveQuestionForAHolderWithAQuote) {
    OpenEditor({.selectSource = 2});
    editor_->btnLast->click();
    EXPECT_EQ(editor_->labFingerNo[1]->text(), "4") << "Carol's stored finger is shown";
    editor_->btnFirst->click();
    AddHolder("A'00", "Quentin");  // sorts first; the window reads it when reopened
    editor_ = std::make_unique<TfrmFingerEdit>();
    editor_->show();
    editor_->btnEdit->click();
    Enrol(9, SampleTemplateText(9));
    (*ui_)->QueueAnswer(6);
    const QModelIndex bob = editor_->dgdFingerData->model()->index(2, 0);
    editor_->dgdFingerData->setCurrentIndex(bob);
    emit editor_->dgdFingerData->clicked(bob);
    EXPECT_EQ((*ui_)->Texts(UiServicesDouble::Kind::YesNo).size(), 1);
    EXPECT_FALSE(editor_->Editing());
    EXPECT_EQ(StoredFingerNo("A'00", 9), 3);
    EXPECT_EQ(editor_->labFingerNo[2]->text(), "2") << "the clicked holder (Bob) is shown";
}

TEST_P(FingerNumbers, WithAllThousandNumbersTakenANewSlotCannotBeEnrolled) {
    Install(GetParam(), {.selectSource = 0});
    ASSERT_FALSE(HasFatalFailure());
    AddHolder("A01", "Alice");
    AddHolder("B02", "Bob");
    for (int chunk = 0; chunk < 4; ++chunk) {
        QStringList rows;
        for (int n = chunk * 250 + 1; n <= (chunk + 1) * 250; ++n)
            rows << QString("('B02', %1, %2)").arg(1 + n % 10).arg(n);
        ASSERT_TRUE(db_->exec("INSERT INTO FingerData (HolderNo, PositionNo, FingerNo) VALUES " +
                              rows.join(",")));
    }
    editor_ = std::make_unique<TfrmFingerEdit>();
    editor_->show();
    editor_->btnEdit->click();
    bool windowOpened = false;
    WhenModal<QDialog>(editor_.get(), [&](QDialog* window) {
        windowOpened = true;
        window->reject();
    });
    ClickSlot(1);
    WaitFor([] { return false; }, 100);
    EXPECT_FALSE(windowOpened) << "no enrolment window for a slot without a finger number";
    EXPECT_EQ(editor_->SlotFingerNo(1), 0);
    EXPECT_EQ(Infos(), QStringList({"All finger numbers from 1 to 1000 are in use!"}));
    editor_->btnOk->click();
    EXPECT_EQ(Count("Select * From FingerData Where FingerNo=0"), 0);
    EXPECT_EQ(Count("Select * From FingerData"), 1000);
}

INSTANTIATE_TEST_SUITE_P(Engines, FingerEdit,
                         ::testing::Values(TestEngine::SQLite, TestEngine::MariaDB),
                         EngineParamName());
INSTANTIATE_TEST_SUITE_P(Engines, FingerNumbers,
                         ::testing::Values(TestEngine::SQLite, TestEngine::MariaDB),
                         EngineParamName());

// Deleting a finger: every linked reader first (direct reader 0/1, reader 5 behind controller
// 3), the row only when all confirmed.
struct DeletionCase {
    const char* name;
    const char* faults;  // for cvt80sim, "" for none
    bool portOpens;
    const char* message;  // "" for none
    bool rowRemains;
    bool directReaderKeeps;
    bool relayedReaderKeeps;
};

void PrintTo(const DeletionCase& c, std::ostream* os) {
    *os << c.name;
}

const DeletionCase kDeletionCases[] = {
    {"BothReadersConfirm", "", true, "", false, false, false},
    {"SecondReaderSilent", "3.5:silent", true, "Communicate was broke,Check your device!", true,
     false, true},
    {"PortDoesNotOpen", "", false, "Invalid Com Port!", true, true, true},
};

class FingerDeletion : public EditorTestBase,
                       public ::testing::TestWithParam<std::tuple<TestEngine, DeletionCase>> {
  protected:
    void TearDown() override {
        editor_.reset();
        Uninstall();
    }
    std::unique_ptr<TfrmFingerEdit> editor_;
};

TEST_P(FingerDeletion, TheRowGoesOnlyAfterEveryLinkedReaderConfirmed) {
    const auto& [engine, c] = GetParam();
    std::vector<std::string> args = {"--layout", "0:1;3:5"};
    if (*c.faults) args.insert(args.end(), {"--faults", c.faults});
    BusSimulator sim(args);
    Install(engine, {.selectSource = 2, .comPath = c.portOpens ? sim.path() : ""});
    ASSERT_FALSE(HasFatalFailure());
    AddHolder("A01", "Alice");
    AddHolder("B02", "Bob");
    for (int n = 1; n <= 6; ++n) AddFinger("A01", n, n);
    AddFinger("B02", 3, 7);
    AddReader(3, 5);
    AddReader(0, 1);
    AddReader(0, 9, 0);  // not linked: never addressed
    // Both readers hold finger 7.
    ASSERT_EQ(OpenLink(nullptr, sim.path(), "19200,e,8,1", 300, 1), 1);
    ASSERT_EQ(EnrollUser(1, 7), 1);
    CloseLink();
    if (!*c.faults) {
        ASSERT_EQ(OpenLink(nullptr, sim.path(), "19200,e,8,1", 300, 1), 1);
        ASSERT_EQ(CtlEnrollUser(3, 5, 7), 1);
        CloseLink();
    }
    const bool relayedHeld = !*c.faults;

    editor_ = std::make_unique<TfrmFingerEdit>();
    editor_->show();
    editor_->btnNext->click();
    editor_->btnDelete->click();
    (*ui_)->QueueAnswer(1);  // OK to "Delete this Record ?"
    emit editor_->imgFinger[3]->clicked();

    const QStringList infos = (*ui_)->Texts(UiServicesDouble::Kind::Info);
    EXPECT_EQ((*ui_)->Texts(UiServicesDouble::Kind::OkCancel),
              QStringList({"Delete this Record ?"}));
    EXPECT_EQ(infos, *c.message ? QStringList({c.message}) : QStringList());
    EXPECT_EQ(StoredFingerNo("B02", 3), c.rowRemains ? 7 : -1);
    EXPECT_EQ(editor_->labFingerNo[3]->text(), c.rowRemains ? "7" : "0");
    EXPECT_EQ(!sim.User(0, 1, 7).is_null(), c.directReaderKeeps);
    if (relayedHeld) {
        EXPECT_EQ(!sim.User(3, 5, 7).is_null(), c.relayedReaderKeeps);
    }
    EXPECT_EQ(CurrentLink(), nullptr) << "the link is closed after the deletion";
    if (!c.rowRemains) {
        EXPECT_EQ(editor_->stbCommPanel1->text(),
                  "Controller 3 FingerPrint 5 FingerNo 7 be deleted");
    }
    for (const std::string& frame : sim.Requests())
        EXPECT_EQ(frame.find("I09"), std::string::npos) << "an unlinked reader was addressed";

    // The freed number is the lowest free one again.
    editor_->btnCancel->click();
    editor_->btnFirst->click();
    editor_->btnEdit->click();
    emit editor_->imgFinger[8]->clicked();
    EXPECT_EQ(editor_->SlotFingerNo(8), c.rowRemains ? 8 : 7);
}

INSTANTIATE_TEST_SUITE_P(Cases, FingerDeletion,
                         ::testing::Combine(::testing::Values(TestEngine::SQLite,
                                                              TestEngine::MariaDB),
                                            ::testing::ValuesIn(kDeletionCases)),
                         [](const auto& info) {
                             return std::string(EngineName(std::get<0>(info.param))) + "_" +
                                    std::get<1>(info.param).name;
                         });

}  // namespace
