// The translation rules on a window built for the test: marks, kinds of controls, values
// without a comma, missing and damaged language files, a "FontSize" that is not a number.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

#include "Controls.h"
#include "CvbioError.h"
#include "Support.h"
#include "SysLib.h"
#include "Systemsetup.h"
#include "Translate.h"
#include "UiServices.h"
#include "UiServicesDouble.h"

namespace {

// One control of each kind, designed with caption "Designed" and hint "Designed hint".
struct TestWindow {
    QDialog window;
    QLabel* label;
    QPushButton* button;
    QLineEdit* edit;
    QComboBox* combo;
    QGroupBox* group;
    TImage* image;
    QTabWidget* tabs;
    QWidget* page;
    QAction* menuItem;
    QToolButton* tool;

    TestWindow() {
        window.setObjectName("frmTest");
        window.setWindowTitle("Designed");
        label = Named(new QLabel("Designed", &window), "labName");
        button = Named(new QPushButton("Designed", &window), "btnGo");
        edit = Named(new QLineEdit("Designed", &window), "edtName");
        combo = Named(new QComboBox(&window), "cmbList");
        combo->setEditable(true);
        combo->setEditText("Designed");
        group = Named(new QGroupBox("Designed", &window), "grbBox");
        image = Named(new TImage(&window), "imgPicture");
        tabs = new QTabWidget(&window);
        page = Named(new QWidget(), "tsPage");
        tabs->addTab(page, "Designed");
        tabs->setTabToolTip(0, "Designed hint");
        auto* menuBar = new QMenuBar(&window);
        QMenu* menu = menuBar->addMenu("Menu");
        menuItem = menu->addAction("Designed");
        menuItem->setObjectName("mnuItem");
        menuItem->setToolTip("Designed hint");
        tool = Named(new QToolButton(&window), "btnTool");
        tool->setText("Designed");
        tool->setToolButtonStyle(Qt::ToolButtonIconOnly);
    }
    template <typename T>
    T* Named(T* widget, const char* name) {
        widget->setObjectName(name);
        widget->setToolTip("Designed hint");
        return widget;
    }
    QString Caption(const QString& name) const {
        if (name == "labName") return label->text();
        if (name == "btnGo") return button->text();
        if (name == "edtName") return edit->text();
        if (name == "cmbList") return combo->currentText();
        if (name == "grbBox") return group->title();
        if (name == "tsPage") return tabs->tabText(0);
        if (name == "mnuItem") return menuItem->text();
        if (name == "btnTool") return tool->text();
        return "Designed";  // pictures have no caption
    }
    QString Hint(const QString& name) const {
        if (name == "tsPage") return tabs->tabToolTip(0);
        if (name == "mnuItem") return menuItem->toolTip();
        return window.findChild<QWidget*>(name)->toolTip();
    }
    void Mark(const QString& name, int tag) {
        QObject* object =
            name == "mnuItem" ? static_cast<QObject*>(menuItem) : window.findChild<QWidget*>(name);
        SetTag(object, tag);
    }
};

class Translation : public ::testing::Test {
  protected:
    void TearDown() override {
        delete frmSysLib;
        frmSysLib = nullptr;
    }
    void WriteManager(const QByteArray& text) { base_.WriteFile("Language/ManagerENG.TXT", text); }
    void Open() {
        delete frmSysLib;
        frmSysLib = new TfrmSysLib(base_.path());
    }
    ScopedUiDouble ui_;
    TestBase base_;
};

}  // namespace

TEST_F(Translation, MarksAndKindsDecideWhatChanges) {
    struct Row {
        const char* name;
        const char* control;
        int tag;
        const char* value;  // nullptr: no key in the file
        const char* caption;
        const char* hint;
    };
    const Row rows[] = {
        {"LabelMark1CaptionOnly", "labName", 1, "Users,Manage console users", "Users",
         "Designed hint"},
        {"ButtonMark2HintOnly", "btnGo", 2, "Users,Manage console users", "Designed",
         "Manage console users"},
        {"ButtonMark3Both", "btnGo", 3, "Users,Manage console users", "Users",
         "Manage console users"},
        {"ValueWithoutCommaEmptiesTheCaption", "labName", 1, "Users", "", "Designed hint"},
        {"ValueWithoutCommaIsAllHint", "btnGo", 3, "Users", "", "Users"},
        {"HintAfterTheFirstCommaKeepsTheRest", "grbBox", 3, "Box,one, two", "Box", "one, two"},
        {"Mark0Untouched", "btnGo", 0, "Users,Manage", "Designed", "Designed hint"},
        {"NegativeMarkUntouched", "btnGo", -1, "Users,Manage", "Designed", "Designed hint"},
        {"EditBoxTakesOnlyTheHint", "edtName", 3, "Text,Type here", "Designed", "Type here"},
        {"DropDownTakesOnlyTheHint", "cmbList", 3, "Text,Pick one", "Designed", "Pick one"},
        {"PictureTakesOnlyTheHint", "imgPicture", 3, "Text,Click me", "Designed", "Click me"},
        {"TabPage", "tsPage", 3, "Page,About the page", "Page", "About the page"},
        {"MenuItem", "mnuItem", 3, "&Open,Open a file", "&Open", "Open a file"},
        {"ToolButton", "btnTool", 2, ",Add a row", "Designed", "Add a row"},
        {"MissingKeyGivesEmptyCaptionAndHint0", "btnGo", 3, nullptr, "", "0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QByteArray file = "[System]\nFontName=DejaVu Sans\nFontSize=11\n[frmTest]\nTitle=Test\n";
        if (row.value) file += QByteArray(row.control) + "=" + row.value + "\n";
        WriteManager(file);
        Open();
        TestWindow w;
        w.Mark(row.control, row.tag);
        TranslateWindow(&w.window);
        EXPECT_EQ(w.Caption(row.control), QString::fromUtf8(row.caption));
        EXPECT_EQ(w.Hint(row.control), QString::fromUtf8(row.hint));
        EXPECT_EQ(w.window.windowTitle(), "Designed");  // the window's own mark is 0
        EXPECT_EQ(w.window.font().family(), "DejaVu Sans");
        EXPECT_EQ(w.window.font().pointSize(), 11);
    }
}

TEST_F(Translation, WindowTitleOnlyForMark1) {
    WriteManager("[frmTest]\nTitle=Test Window\n");
    for (int tag : {0, 1, 2, 3}) {
        Open();
        TestWindow w;
        SetTag(&w.window, tag);
        TranslateWindow(&w.window);
        EXPECT_EQ(w.window.windowTitle(), tag == 1 ? "Test Window" : "Designed") << tag;
    }
}

TEST_F(Translation, WithoutManagerFileCaptionsEmptyHints0TitleAndFontDefaults) {
    Open();
    TestWindow w;
    SetTag(&w.window, 1);
    w.Mark("btnGo", 3);
    w.Mark("labName", 1);
    TranslateWindow(&w.window);
    EXPECT_EQ(w.window.windowTitle(), "0");
    EXPECT_EQ(w.button->text(), "");
    EXPECT_EQ(w.button->toolTip(), "0");
    EXPECT_EQ(w.label->text(), "");
    EXPECT_EQ(w.window.font().family(), "Courier New");
    EXPECT_EQ(w.window.font().pointSize(), 10);
    EXPECT_EQ(frmSysLib->FormText("frmTest", "dg1", ""), "");
}

TEST_F(Translation, DamagedLanguageFilesGiveTheDefaults) {
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i) garbage += char((i * 7919) % 256);
    base_.WriteFile("Language/CommonENG.TXT", garbage);
    WriteManager(garbage + "\n[frmTest\nTitle\n=x\n\xff\xfe[");
    Open();
    TestWindow w;
    SetTag(&w.window, 1);
    w.Mark("btnGo", 3);
    TranslateWindow(&w.window);
    EXPECT_EQ(w.window.windowTitle(), "0");
    EXPECT_EQ(MessageTitle(), "System Information");
    ShowInfo(frmSysLib->MessageText("PasswordError", "Password Error!"));
    EXPECT_EQ(ui_->Texts(UiServicesDouble::Kind::Info), QStringList({"Password Error!"}));
}

TEST_F(Translation, FontSizeThatIsNoNumberStopsTheTranslationWithAnError) {
    WriteManager("[System]\nFontSize=big\n[frmTest]\nTitle=Test\nbtnGo=Go,\n");
    Open();
    TestWindow w;
    SetTag(&w.window, 1);
    w.Mark("btnGo", 1);
    try {
        TranslateWindow(&w.window);
        FAIL() << "no error";
    } catch (const CvbioError& error) {
        EXPECT_EQ(error.message(), "'big' is not a valid integer value");
    }
    EXPECT_EQ(w.window.windowTitle(), "Designed");
    EXPECT_EQ(w.button->text(), "Designed");
}

TEST_F(Translation, FontSizeErrorGoesToTheErrorBoxAndTheWindowStaysUsable) {
    base_.CopyLanguages({"ENG"});
    QByteArray manager = base_.ReadFile("Language/ManagerENG.TXT");
    manager.replace("FontSize=9", "FontSize=nine");
    WriteManager(manager);
    Open();
    TfrmSystemSetup setup;
    setup.show();
    ASSERT_TRUE(WaitUntil([&] { return setup.isVisible(); }));
    EXPECT_EQ(ui_->Texts(UiServicesDouble::Kind::Error),
              QStringList({"'nine' is not a valid integer value"}));
    EXPECT_EQ(setup.windowTitle(), "系統設定");  // untranslated from the font on
    setup.cmbCom->setEditText("4");
    setup.btnOK->click();
    EXPECT_FALSE(setup.isVisible());
    EXPECT_EQ(frmSysLib->ComPort, 4);
}

TEST_F(Translation, GridTitlesAndAccessibleNames) {
    WriteManager("[frmTest]\nlabName=Name,\nbtnTool=Add,Add a row\n");
    Open();
    TestWindow w;
    w.label->setBuddy(w.edit);
    w.Mark("labName", 1);
    w.Mark("btnTool", 3);
    TranslateWindow(&w.window);
    EXPECT_EQ(w.edit->accessibleName(), "Name");
    EXPECT_EQ(w.tool->accessibleName(), "Add a row");  // a picture-only button: its hint
    EXPECT_EQ(w.button->accessibleName(), "Designed");
    EXPECT_EQ(SplitCaptionHint("a,b,c").caption, "a");
    EXPECT_EQ(SplitCaptionHint("a,b,c").hint, "b,c");
    EXPECT_EQ(PlainCaption("&Save && Exit"), "Save & Exit");
}
