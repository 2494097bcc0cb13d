// The controller and reader record windows on each engine: modes, the uniqueness of numbers,
// refused numbers, the LinkFlag cell, the controller picker and the join that hides readers of
// a deleted controller.
#include <QTest>

#include "Controllersetup.h"
#include "Controls.h"
#include "DatasetModel.h"
#include "Fingerdevice.h"
#include "MenuWindows.h"
#include "RecordsFixture.h"

namespace {

const QString kFieldEmpty = "Necessary Fields is empty!";
const QString kRecordExists = "This Record Number is exist!";
const QString kInvalidNumber = "The number must be an integer from 0 to 99!";

class RecordWindows : public RecordsTest {
  protected:
    // Opens the reader window as the main menu would show it, without a modal loop.
    TfrmFingerDevice* OpenReaders() {
        readers_ = std::make_unique<TfrmFingerDevice>();
        readers_->show();
        EXPECT_TRUE(WaitUntil([&] { return readers_->isVisible(); }));
        return readers_.get();
    }
    TfrmControllerSetup* OpenControllers() {
        controllers_ = std::make_unique<TfrmControllerSetup>();
        controllers_->show();
        EXPECT_TRUE(WaitUntil([&] { return controllers_->isVisible(); }));
        return controllers_.get();
    }
    void AppendController(const QString& number, const QString& name) {
        controllers_->btnAppend->click();
        controllers_->edtControllerNo->setText(number);
        controllers_->edtControllerName->setText(name);
        controllers_->btnOk->click();
    }
    void AppendReader(const QString& controller, const QString& number, const QString& name) {
        readers_->btnAppend->click();
        readers_->cmbControllerNo->setEditText(controller);
        readers_->edtFingerNo->setText(number);
        readers_->edtFingerName->setText(name);
        readers_->btnOk->click();
    }
    // "controller/reader" of every grid row, sorted: the grid orders by controller only, and
    // readers of one controller come in the order the engine returns them.
    QStringList GridPairs() {
        QStringList pairs;
        DatasetModel* model = readers_->dgdFingerPrintModel;
        for (int r = 0; r < model->rowCount(); ++r)
            pairs << model->index(r, 0).data().toString() + "/" +
                         model->index(r, 3).data().toString();
        pairs.sort();
        return pairs;
    }
    QString CurrentPair() {
        return QString("%1/%2")
            .arg(readers_->adqFingerPrint.FieldInt("ControllerNo"))
            .arg(readers_->adqFingerPrint.FieldInt("FingerPrintNo"));
    }
    void SelectReaderRow(int row) {
        QTest::mouseClick(readers_->dgdFingerPrint->viewport(), Qt::LeftButton, {},
                          CellRect(row, 4).center());
    }
    QRect CellRect(int row, int column) {
        return readers_->dgdFingerPrint->visualRect(
            readers_->dgdFingerPrintModel->index(row, column));
    }

    std::unique_ptr<TfrmFingerDevice> readers_;
    std::unique_ptr<TfrmControllerSetup> controllers_;
};

}  // namespace

TEST_P(RecordWindows, ControllersAreAppendedEditedAndTheirNumberIsUnique) {
    OpenControllers();
    EXPECT_EQ(controllers_->mode(), TfrmControllerSetup::Mode::Browse);
    EXPECT_EQ(controllers_->edtControllerNo->text(), "0");
    EXPECT_EQ(controllers_->edtControllerName->text(), "Not Connect");
    EXPECT_FALSE(controllers_->pnlDataEdit->isEnabled());
    EXPECT_FALSE(controllers_->mnuOk->isEnabled());

    AppendController("12", "Lobby");
    AppendController("5", "Gate");
    EXPECT_EQ(StoredControllers(), QStringList({"0 Not Connect", "5 Gate", "12 Lobby"}));
    EXPECT_EQ(controllers_->mode(), TfrmControllerSetup::Mode::Browse);
    EXPECT_EQ(controllers_->adqControllerData.RecNo(), 1);  // ordered, on the row written
    EXPECT_EQ(controllers_->edtControllerNo->text(), "5");

    AppendController("5", "Second gate");
    EXPECT_EQ(ui_->Texts(UiServicesDouble::Kind::Info), QStringList({kRecordExists}));
    EXPECT_EQ(controllers_->mode(), TfrmControllerSetup::Mode::Edit);
    EXPECT_EQ(controllers_->edtControllerName->text(), "Second gate");
    controllers_->btnCancel->click();

    // Editing keeps the number: only the name changes.
    controllers_->btnLast->click();
    controllers_->btnEdit->click();
    EXPECT_FALSE(controllers_->edtControllerNo->isEnabled());
    EXPECT_TRUE(controllers_->edtControllerName->isEnabled());
    controllers_->edtControllerName->setText("O'Brien hall");
    controllers_->mnuOk->trigger();
    EXPECT_EQ(StoredControllers(), QStringList({"0 Not Connect", "5 Gate", "12 O'Brien hall"}));
    EXPECT_EQ(controllers_->edtControllerNo->text(), "12");
    EXPECT_EQ(ui_->AllTexts().size(), 1);
}

struct NumberCase {
    const char* name;
    const char* text;
    const QString* message;  // null: accepted
    int stored;              // the number written when accepted
};

const NumberCase kNumberCases[] = {
    {"Letters", "ab", &kInvalidNumber, 0},
    {"InnerBlank", "1 2", &kInvalidNumber, 0},
    {"Quote", "5'", &kInvalidNumber, 0},
    {"Negative", "-1", &kInvalidNumber, 0},
    {"Plus", "+5", &kInvalidNumber, 0},
    {"Hundred", "100", &kInvalidNumber, 0},
    {"FullWidthDigit", "\xEF\xBC\x97", &kInvalidNumber, 0},
    {"OnlyBlanks", "   ", &kFieldEmpty, 0},
    {"BlanksAround", " 7 ", nullptr, 7},
    {"LeadingZero", "07", nullptr, 7},
    {"NinetyNine", "99", nullptr, 99},
    {"Zero", "0", nullptr, 0},
};

// Both windows take the same numbers and refuse the same ones, writing nothing then.
TEST_P(RecordWindows, NumbersOutsideZeroToNinetyNineAreRefusedInBothWindows) {
    for (const NumberCase& c : kNumberCases) {
        SCOPED_TRACE(c.name);
        const QString text = QString::fromUtf8(c.text);
        ui_->Clear();
        OpenControllers();
        const QStringList controllersBefore = StoredControllers();
        if (c.stored == 0 && c.message == nullptr) {
            // 0 exists already (the seed row): the duplicate check answers instead.
            AppendController(text, "Controller");
            EXPECT_EQ(ui_->AllTexts(), QStringList({kRecordExists}));
        } else {
            AppendController(text, "Controller");
            if (c.message) {
                EXPECT_EQ(ui_->AllTexts(), QStringList({*c.message}));
                EXPECT_EQ(StoredControllers(), controllersBefore);
                EXPECT_EQ(controllers_->mode(), TfrmControllerSetup::Mode::Edit);
            } else {
                EXPECT_TRUE(ui_->AllTexts().isEmpty());
                EXPECT_TRUE(StoredControllers().contains(QString("%1 Controller").arg(c.stored)));
            }
        }
        controllers_.reset();

        // The reader number, then the controller number through the combo text.
        ui_->Clear();
        OpenReaders();
        const QStringList readersBefore = StoredReaders();
        AppendReader("0", text, "Reader");
        if (c.message) {
            EXPECT_EQ(ui_->AllTexts(), QStringList({*c.message}));
            EXPECT_EQ(StoredReaders(), readersBefore);
            EXPECT_EQ(readers_->mode(), TfrmFingerDevice::Mode::Edit);
        } else {
            EXPECT_TRUE(ui_->AllTexts().isEmpty()) << ui_->AllTexts().join("|").toStdString();
            EXPECT_TRUE(StoredReaders().contains(QString("0/%1 Reader 0").arg(c.stored)));
        }
        readers_->btnCancel->click();
        if (c.message == &kInvalidNumber) {
            ui_->Clear();
            AppendReader(text + "=Name", "42", "Reader");
            EXPECT_EQ(ui_->AllTexts(), QStringList({kInvalidNumber}));
            EXPECT_FALSE(StoredReaders().join(",").contains("/42 "));
        }
        readers_.reset();
        // Leave the tables as they were for the next case.
        TADOQuery q(&sys_->adcMain);
        q.setSql("DELETE FROM FingerPrint");
        q.ExecSQL();
        q.setSql("DELETE FROM ControllerData WHERE ControllerNo <> 0");
        q.ExecSQL();
    }
}

TEST_P(RecordWindows, AReaderNumberIsUniquePerControllerOnly) {
    AddController(1, "Hall");
    OpenReaders();
    AppendReader("0", "3", "Direct three");
    AppendReader("1=Hall", "3", "Hall three");
    EXPECT_TRUE(ui_->AllTexts().isEmpty()) << ui_->AllTexts().join("|").toStdString();
    EXPECT_EQ(StoredReaders(), QStringList({"0/3 Direct three 0", "1/3 Hall three 0"}));
    EXPECT_EQ(CurrentPair(), "1/3");

    AppendReader("1", "3", "Again");
    EXPECT_EQ(ui_->AllTexts(), QStringList({kRecordExists}));
    EXPECT_EQ(readers_->mode(), TfrmFingerDevice::Mode::Edit);
    EXPECT_EQ(StoredReaders().size(), 2);
}

TEST_P(RecordWindows, EditingChecksThePairOnlyWhenItChanged) {
    AddController(1, "Hall");
    AddReader(0, 3, "Direct", 1);
    AddReader(1, 3, "Hall three");
    OpenReaders();
    ASSERT_EQ(GridPairs(), QStringList({"0/3", "1/3"}));
    ASSERT_EQ(CurrentPair(), "0/3");

    // Only the name: the row's own pair is not taken for a duplicate; LinkFlag stays.
    readers_->btnEdit->click();
    readers_->edtFingerName->setText("Front door");
    readers_->btnOk->click();
    EXPECT_TRUE(ui_->AllTexts().isEmpty()) << ui_->AllTexts().join("|").toStdString();
    EXPECT_EQ(StoredReaders(), QStringList({"0/3 Front door 1", "1/3 Hall three 0"}));

    // Onto a pair that exists: refused, nothing written.
    readers_->btnEdit->click();
    readers_->cmbControllerNo->setEditText("1=Hall");
    readers_->btnOk->click();
    EXPECT_EQ(ui_->AllTexts(), QStringList({kRecordExists}));
    EXPECT_EQ(StoredReaders(), QStringList({"0/3 Front door 1", "1/3 Hall three 0"}));

    // Onto a free pair: the same row moves.
    readers_->edtFingerNo->setText("4");
    readers_->btnOk->click();
    EXPECT_EQ(StoredReaders(), QStringList({"1/3 Hall three 0", "1/4 Front door 1"}));
    EXPECT_EQ(CurrentPair(), "1/4");
    EXPECT_EQ(readers_->mode(), TfrmFingerDevice::Mode::Browse);
}

TEST_P(RecordWindows, AClickOnLinkFlagTogglesAtOnceAndKeepsTheRow) {
    AddController(2, "Yard");
    AddReader(0, 1, "One");
    AddReader(0, 2, "Two", 1);
    AddReader(2, 1, "Yard one");
    OpenReaders();
    ASSERT_EQ(readers_->dgdFingerPrintModel->rowCount(), 3);
    SelectReaderRow(1);
    const QString pair = CurrentPair();
    EXPECT_EQ(readers_->edtFingerName->text(), pair == "0/2" ? "Two" : "One");

    QTest::mouseClick(readers_->dgdFingerPrint->viewport(), Qt::LeftButton, {},
                      CellRect(1, TfrmFingerDevice::kLinkFlagColumn).center());
    EXPECT_EQ(CurrentPair(), pair);
    EXPECT_EQ(readers_->dgdFingerPrint->currentIndex().row(), readers_->adqFingerPrint.RecNo());
    EXPECT_EQ(readers_->mode(), TfrmFingerDevice::Mode::Browse);
    const QStringList toggled = StoredReaders();
    EXPECT_TRUE(toggled.contains(pair == "0/2" ? "0/2 Two 0" : "0/1 One 1"))
        << toggled.join(",").toStdString();
    EXPECT_TRUE(toggled.contains("2/1 Yard one 0"));

    // The keyboard does the same on the LinkFlag cell.
    QTest::keyClick(readers_->dgdFingerPrint, Qt::Key_Space);
    EXPECT_EQ(CurrentPair(), pair);
    EXPECT_EQ(StoredReaders(), QStringList({"0/1 One 0", "0/2 Two 1", "2/1 Yard one 0"}));
    EXPECT_TRUE(ui_->AllTexts().isEmpty());
}

TEST_P(RecordWindows, LinkFlagIsDrawnAsTheTwoPictures) {
    AddReader(0, 1, "Linked", 1);
    AddReader(0, 2, "Not linked", 0);
    OpenReaders();
    readers_->resize(700, 400);
    QApplication::processEvents();
    QWidget* viewport = readers_->dgdFingerPrint->viewport();
    const QImage shot = viewport->grab().toImage().scaled(viewport->size());
    // Pixels of the cell that pass a colour test.
    auto count = [&](int row, bool (*test)(const QColor&)) {
        const QRect cell = CellRect(row, TfrmFingerDevice::kLinkFlagColumn);
        int n = 0;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                if (test(QColor(shot.pixel(x, y)))) ++n;
        return n;
    };
    auto green = [](const QColor& c) { return c.green() > 110 && c.red() < 110 && c.blue() < 140; };
    auto red = [](const QColor& c) { return c.red() > 150 && c.green() < 110 && c.blue() < 110; };
    const int linked = readers_->dgdFingerPrintModel->index(0, 3).data().toInt() == 1 ? 0 : 1;
    EXPECT_GT(count(linked, green), 20);
    EXPECT_EQ(count(linked, red), 0);
    EXPECT_GT(count(1 - linked, red), 20);
    EXPECT_EQ(count(1 - linked, green), 0);
}

TEST_P(RecordWindows, DeletingAReaderRemovesOnlyItsPairAfterOk) {
    AddController(1, "Hall");
    AddReader(0, 1, "Direct");
    AddReader(1, 1, "Hall one");
    OpenReaders();
    SelectReaderRow(1);
    ui_->QueueAnswer(2);
    readers_->btnDelete->click();
    EXPECT_EQ(StoredReaders().size(), 2);
    ui_->QueueAnswer(1);
    readers_->mnuDelete->trigger();
    EXPECT_EQ(ui_->Texts(UiServicesDouble::Kind::OkCancel),
              QStringList({"Delete this Record ?", "Delete this Record ?"}));
    EXPECT_EQ(StoredReaders(), QStringList({"0/1 Direct 0"}));
    EXPECT_EQ(GridPairs(), QStringList({"0/1"}));
    EXPECT_EQ(readers_->edtFingerName->text(), "Direct");
}

// The "..." picker: Exit hands back the current controller even after mere browsing, and a
// controller deleted there (the seed row too) hides its readers without deleting them.
TEST_P(RecordWindows, ThePickerHandsBackTheControllerAndADeletedOneHidesItsReaders) {
    AddController(1, "Hall");
    AddController(2, "Yard");
    AddReader(0, 1, "Direct");
    AddReader(2, 1, "Yard one");
    OpenReaders();
    readers_->btnAppend->click();
    readers_->edtFingerNo->setText("8");
    readers_->edtFingerName->setText("New");

    WhenModal<TfrmControllerSetup>([](TfrmControllerSetup* picker) {
        picker->btnLast->click();
        picker->btnExit->click();
    });
    readers_->btnControllerNo->click();
    EXPECT_EQ(readers_->cmbControllerNo->currentText(), "2");
    EXPECT_EQ(readers_->mode(), TfrmFingerDevice::Mode::Edit);
    EXPECT_EQ(readers_->edtFingerNo->text(), "8");
    readers_->btnOk->click();
    EXPECT_EQ(GridPairs(), QStringList({"0/1", "2/1", "2/8"}));

    // Delete "Not Connect" in the picker, then leave with Esc: nothing is picked.
    readers_->btnAppend->click();
    readers_->cmbControllerNo->setEditText("1");
    ui_->QueueAnswer(1);
    WhenModal<TfrmControllerSetup>([](TfrmControllerSetup* picker) {
        picker->btnFirst->click();
        picker->btnDelete->click();
        picker->reject();
    });
    readers_->btnControllerNo->click();
    EXPECT_EQ(readers_->cmbControllerNo->currentText(), "1");
    EXPECT_EQ(GridPairs(), QStringList({"2/1", "2/8"}));
    EXPECT_EQ(StoredReaders().size(), 3);
    EXPECT_EQ(readers_->cmbControllerNoItems.items(), QStringList({"1=Hall", "2=Yard"}));
    readers_->btnCancel->click();

    // A double click on a row picks it too.
    readers_->btnAppend->click();
    WhenModal<TfrmControllerSetup>([](TfrmControllerSetup* picker) {
        const QRect cell =
            picker->dgdControllerData->visualRect(picker->dgdControllerDataModel->index(0, 1));
        QTest::mouseClick(picker->dgdControllerData->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(picker->dgdControllerData->viewport(), Qt::LeftButton, {},
                           cell.center());
        if (picker->isVisible()) picker->reject();  // a failed pick must not hang the test
    });
    readers_->btnControllerNo->click();
    EXPECT_EQ(readers_->cmbControllerNo->currentText(), "1");
}

TEST_P(RecordWindows, ClosingTheReaderWindowReloadsTheLinkedReaders) {
    AddController(3, "Store");
    AddReader(3, 7, "Store seven", 1);
    AddReader(0, 2, "Direct two");
    OpenReaders();
    EXPECT_EQ(sys_->LinkedReaderCount(), 0);
    SelectReaderRow(0);  // 0/2
    QTest::mouseClick(readers_->dgdFingerPrint->viewport(), Qt::LeftButton, {},
                      CellRect(0, TfrmFingerDevice::kLinkFlagColumn).center());
    readers_->btnExit->click();
    ASSERT_EQ(sys_->LinkedReaderCount(), 2);
    EXPECT_EQ(sys_->LinkedReaders[0].ControllerNo, 0);
    EXPECT_EQ(sys_->LinkedReaders[0].FingerPrintNo, 2);
    EXPECT_EQ(sys_->LinkedReaders[1].ControllerNo, 3);
    EXPECT_EQ(sys_->LinkedReaders[1].FingerPrintNo, 7);
}

TEST_P(RecordWindows, EveryControlHasAnAccessibleName) {
    OpenReaders();
    OpenControllers();
    for (QWidget* window :
         {static_cast<QWidget*>(readers_.get()), static_cast<QWidget*>(controllers_.get())}) {
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (!w->focusPolicy() || w->objectName().isEmpty() || !w->isVisibleTo(window)) continue;
            EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
        }
    }
    EXPECT_EQ(readers_->btnControllerNo->accessibleName(), "...");
    EXPECT_EQ(readers_->cmbControllerNo->accessibleName(), "Controller");
    EXPECT_EQ(readers_->btnAppend->accessibleName(), "Append");
    EXPECT_EQ(readers_->dgdFingerPrintModel->headerData(2, Qt::Horizontal).toString(), "Linked");
    EXPECT_EQ(controllers_->edtControllerNo->accessibleName(), "No.");
}

TEST_P(RecordWindows, TheMainMenuButtonsOpenTheReaderWindows) {
    const std::pair<const char*, const char*> entries[] = {{"btnFingerDevice", "frmFingerDevice"},
                                                           {"btnFingerSetup", "frmFingerSetup"}};
    for (const auto& [button, window] : entries) {
        const MenuWindowFactory factory = MenuWindowFor(button);
        ASSERT_TRUE(static_cast<bool>(factory)) << button;
        std::unique_ptr<QDialog> dialog(factory(nullptr));
        EXPECT_EQ(dialog->objectName(), window);
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, RecordWindows,
                         ::testing::Values(TestEngine::SQLite, TestEngine::MariaDB),
                         EngineParamName());
