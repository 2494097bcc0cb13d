#include "Usersetup.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QVBoxLayout>

#include "Controls.h"
#include "DatasetModel.h"
#include "Glyphs.h"
#include "MenuWindows.h"
#include "QueryOps.h"
#include "SysLib.h"
#include "Translate.h"
#include "UiServices.h"

CVBIO_MENU_WINDOW(btnUserSetup, TfrmUserSetup)

namespace {

const QColor kSkyBlue(166, 202, 240);

void SetEditable(QLineEdit* edit, bool editable) {
    edit->setReadOnly(!editable);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base,
                     editable ? QGuiApplication::palette().color(QPalette::Base) : kSkyBlue);
    edit->setPalette(palette);
}

}  // namespace

TfrmUserSetup::TfrmUserSetup(QWidget* parent)
    : QDialog(parent),
      adoDB(frmSysLib ? &frmSysLib->adcMain : nullptr),
      adoChk(frmSysLib ? &frmSysLib->adcMain : nullptr) {
    setObjectName("frmUserSetup");
    SetTag(this, 1);
    setWindowTitle("使用者設定");
    resize(680, 441);  // outer size 696 x 480
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // The menu and the tool bar do the same things.
    mnuMain = new QMenuBar(this);
    mnuMain->setObjectName("mnuMain");
    layout->setMenuBar(mnuMain);
    auto addMenu = [&](const char* name, const char* title) {
        QMenu* menu = mnuMain->addMenu(title);
        menu->setObjectName(name);
        SetTag(menu, 1);
        return menu;
    };
    QMenu* mnuData = addMenu("mnuData", "&Data");
    QMenu* mnuFunction = addMenu("mnuFunction", "&Function");

    tbEdit = new QToolBar(this);
    tbEdit->setObjectName("tbEdit");
    tbEdit->setIconSize(QSize(24, 24));
    layout->addWidget(tbEdit);

    struct Command {
        QToolButton** button;
        QAction** item;
        const char* buttonName;
        const char* itemName;
        const char* glyph;
        const char* caption;
        const char* hint;
        QMenu* menu;
        void (TfrmUserSetup::*handler)();
    };
    const Command commands[] = {
        {&btnAdd, &mnuAdd, "btnAdd", "mnuAdd", "Add", "&Add", "Add", mnuData,
         &TfrmUserSetup::btnAddClick},
        {&btnEdit, &mnuEdit, "btnEdit", "mnuEdit", "Edit", "&Edit", "Edit", mnuData,
         &TfrmUserSetup::btnEditClick},
        {&btnDelete, &mnuDelete, "btnDelete", "mnuDelete", "Delete", "&Delete", "Delete", mnuData,
         &TfrmUserSetup::btnDeleteClick},
        {&btnFirst, &mnuFirst, "btnFirst", "mnuFirst", "First", "&First", "First", mnuData,
         &TfrmUserSetup::btnFirstClick},
        {&btnPrev, &mnuPrev, "btnPrev", "mnuPrev", "Prev", "&Prev", "Prior", mnuData,
         &TfrmUserSetup::btnPrevClick},
        {&btnNext, &mnuNext, "btnNext", "mnuNext", "Next", "&Next", "Next", mnuData,
         &TfrmUserSetup::btnNextClick},
        {&btnLast, &mnuLast, "btnLast", "mnuLast", "Last", "&Last", "Last", mnuData,
         &TfrmUserSetup::btnLastClick},
        {&btnOk, &mnuOk, "btnOk", "mnuOk", "Ok", "&OK", "OK", mnuFunction,
         &TfrmUserSetup::btnOkClick},
        {&btnCancel, &mnuCancel, "btnCancel", "mnuCancel", "Cancel", "&Cancel", "Cancel",
         mnuFunction, &TfrmUserSetup::btnCancelClick},
        {&btnExit, &mnuExit, "btnExit", "mnuExit", "Exit", "&Exit", "Exit", nullptr,
         &TfrmUserSetup::btnExitClick},
    };
    for (const Command& c : commands) {
        auto* button = new QToolButton(tbEdit);
        button->setObjectName(c.buttonName);
        button->setIcon(Glyph(c.glyph));
        button->setToolTip(c.hint);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::TabFocus);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        SetTag(button, 2);
        OnEvent(button, &QToolButton::clicked, this, c.handler);
        const QString name = c.buttonName;
        if (name == "btnFirst" || name == "btnOk" || name == "btnExit") tbEdit->addSeparator();
        tbEdit->addWidget(button);
        *c.button = button;

        QAction* item = nullptr;
        if (c.menu) {
            if (name == "btnFirst") c.menu->addSeparator();
            item = c.menu->addAction(c.caption);
        } else {
            item = mnuMain->addAction(c.caption);  // "&Exit" stands on the menu bar itself
        }
        item->setObjectName(c.itemName);
        SetTag(item, 1);
        OnEvent(item, &QAction::triggered, this, c.handler);
        *c.item = item;
    }

    pcData = new QTabWidget(this);
    pcData->setObjectName("pcData");
    layout->addWidget(pcData, 1);

    tsData = new QWidget();
    tsData->setObjectName("tsData");
    SetTag(tsData, 1);
    pcData->addTab(tsData, "Data");
    labLoginID = Place(new QLabel("Login ID :", tsData), "labLoginID", 150, 60, 110, 24);
    labUserName = Place(new QLabel("User Name :", tsData), "labUserName", 150, 110, 110, 24);
    labPassword = Place(new QLabel("Password :", tsData), "labPassword", 150, 160, 110, 24);
    edUserID = Place(new QLineEdit(tsData), "edUserID", 270, 58, 220, 26);
    edUserName = Place(new QLineEdit(tsData), "edUserName", 270, 108, 220, 26);
    edUserPassword = Place(new QLineEdit(tsData), "edUserPassword", 270, 158, 220, 26);
    edUserPassword->setEchoMode(QLineEdit::Password);
    for (QLabel* label : {labLoginID, labUserName, labPassword}) SetTag(label, 1);
    for (QLineEdit* edit : {edUserID, edUserName, edUserPassword}) edit->setMaxLength(20);
    labLoginID->setBuddy(edUserID);
    labUserName->setBuddy(edUserName);
    labPassword->setBuddy(edUserPassword);

    tsView = new QWidget();
    tsView->setObjectName("tsView");
    SetTag(tsView, 1);
    pcData->addTab(tsView, "View");
    auto* viewLayout = new QVBoxLayout(tsView);
    viewLayout->setContentsMargins(4, 4, 4, 4);
    dgView = new QTableView(tsView);
    dgView->setObjectName("dgView");
    dgView->setAccessibleName("Users");
    dgView->setSelectionBehavior(QAbstractItemView::SelectRows);
    dgView->setSelectionMode(QAbstractItemView::SingleSelection);
    dgView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dgView->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    dgView->verticalHeader()->setDefaultSectionSize(24);
    viewLayout->addWidget(dgView);
    dgViewModel = new DatasetModel(&adoDB, {"UserID", "UserName"}, this);
    dgView->setModel(dgViewModel);
    dgView->setColumnWidth(0, 142);
    dgView->setColumnWidth(1, 187);
    OnEvent(dgView, &QTableView::clicked, this, &TfrmUserSetup::dgViewCellClick);
    connect(dgView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                // Keyboard moves in the grid move the current row too.
                if (current.isValid() && current.row() != adoDB.RecNo())
                    RunHandler([this] { dgViewCellClick(); });
            });

    sbMain = new QStatusBar(this);
    sbMain->setObjectName("sbMain");
    sbMain->setSizeGripEnabled(false);
    sbMainPanel1 = new QLabel(sbMain);
    sbMainPanel1->setFixedWidth(100);
    sbMainPanel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    sbMain->addWidget(sbMainPanel1);
    layout->addWidget(sbMain);

    setTabOrder(edUserID, edUserName);
    setTabOrder(edUserName, edUserPassword);
    RunHandler([this] { FormCreate(); });
}

void TfrmUserSetup::FormCreate() {
    OpenTable(adoDB, "UserData");
    GridChanged();
    pcData->setCurrentWidget(tsData);
}

void TfrmUserSetup::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (activated_) return;
    activated_ = true;
    RunHandler([this] { FormActivate(); });
}

void TfrmUserSetup::FormActivate() {
    RunHandler([this] { TranslateWindow(this); });
    SetGridTitles(dgViewModel, "frmUserSetup", GridKeys(2));
    SetMode(Mode::View);
    ShowCurrentRow();
}

void TfrmUserSetup::SetMode(Mode mode) {
    mode_ = mode;
    const bool browsing = mode == Mode::View;
    sbMainPanel1->setText(mode == Mode::View  ? "ViewMode"
                          : mode == Mode::Add ? "AddMode"
                                              : "EditMode");
    SetEditable(edUserID, mode == Mode::Add);
    SetEditable(edUserName, !browsing);
    SetEditable(edUserPassword, !browsing);
    for (QToolButton* b : {btnAdd, btnEdit, btnDelete, btnFirst, btnPrev, btnNext, btnLast})
        b->setEnabled(browsing);
    for (QAction* a : {mnuAdd, mnuEdit, mnuDelete, mnuFirst, mnuPrev, mnuNext, mnuLast})
        a->setEnabled(browsing);
    for (QToolButton* b : {btnOk, btnCancel}) b->setEnabled(!browsing);
    for (QAction* a : {mnuOk, mnuCancel}) a->setEnabled(!browsing);
    if (!browsing) pcData->setCurrentWidget(tsData);
    if (mode == Mode::Edit)
        edUserName->setFocus();
    else
        edUserID->setFocus();
}

void TfrmUserSetup::ShowCurrentRow() {
    if (!HasRows()) return;
    edUserID->setText(adoDB.FieldText("UserID"));
    edUserName->setText(adoDB.FieldText("UserName"));
    edUserPassword->setText(adoDB.FieldText("UserPassword"));
    if (dgView->currentIndex().row() != adoDB.RecNo()) dgView->selectRow(adoDB.RecNo());
}

void TfrmUserSetup::ClearEdits() {
    edUserID->clear();
    edUserName->clear();
    edUserPassword->clear();
}

void TfrmUserSetup::GridChanged() {
    dgViewModel->reset();
    if (HasRows()) dgView->selectRow(adoDB.RecNo());
}

void TfrmUserSetup::btnAddClick() {
    ClearEdits();
    SetMode(Mode::Add);
}

void TfrmUserSetup::btnEditClick() {
    if (HasRows()) SetMode(Mode::Edit);
}

void TfrmUserSetup::btnOkClick() {
    if (mode_ == Mode::Add) {
        if (edUserID->text().isEmpty() || edUserName->text().isEmpty()) {
            ShowInfo(frmSysLib->MessageText("FieldEmpty", ""));
            pcData->setCurrentWidget(tsData);
            (edUserID->text().isEmpty() ? edUserID : edUserName)->setFocus();
            return;
        }
        OpenSql(adoChk, "Select * From UserData Where UserID = ?", {edUserID->text()});
        if (!adoChk.IsEmpty()) {
            ShowInfo(frmSysLib->MessageText("RecordExists", ""));
            pcData->setCurrentWidget(tsData);
            edUserID->setFocus();
            return;
        }
        // The insert goes by column position; the list statement comes back afterwards even
        // when the insert fails, so the grid never stands on the insert.
        const QString listSql = adoDB.sql();
        const QVariantList listParams = adoDB.params();
        adoDB.Close();
        try {
            adoDB.setSql(
                "INSERT INTO UserData VALUES(:UserID, :UserName, :UserPassword, "
                ":Supervisor) ",
                {edUserID->text(), edUserName->text(), edUserPassword->text(), "0"});
            adoDB.ExecSQL();
        } catch (...) {
            adoDB.setSql(listSql, listParams);
            adoDB.Open();
            GridChanged();
            throw;
        }
        adoDB.setSql(listSql, listParams);
        adoDB.Open();
        adoDB.Last();
        GridChanged();
        ClearEdits();
        adoChk.Close();
        SetMode(Mode::View);
        ShowCurrentRow();
    } else if (mode_ == Mode::Edit) {
        adoDB.Edit();
        adoDB.SetField("UserID", edUserID->text());
        adoDB.SetField("UserName", edUserName->text());
        adoDB.SetField("UserPassword", edUserPassword->text());
        try {
            adoDB.Post();
        } catch (...) {
            adoDB.Cancel();
            throw;
        }
        dgViewModel->reset();
        SetMode(Mode::View);
        ShowCurrentRow();
    }
}

void TfrmUserSetup::btnCancelClick() {
    if (mode_ == Mode::Add) ClearEdits();
    SetMode(Mode::View);
    ShowCurrentRow();
}

void TfrmUserSetup::btnDeleteClick() {
    if (!HasRows()) return;
    if (AskOkCancel(frmSysLib->MessageText("DeleteRecord", "Delete this Record ?")) != 1) return;
    adoChk.setSql("DELETE FROM UserData WHERE UserID = ?", {edUserID->text()});
    adoChk.ExecSQL();
    OpenTable(adoDB, "UserData");
    GridChanged();
    pcData->setCurrentWidget(tsData);
    SetMode(Mode::View);
    if (!HasRows()) ClearEdits();
    ShowCurrentRow();
}

void TfrmUserSetup::btnFirstClick() {
    if (HasRows()) adoDB.First();
    ShowCurrentRow();
}

void TfrmUserSetup::btnPrevClick() {
    if (HasRows()) adoDB.Prior();
    ShowCurrentRow();
}

void TfrmUserSetup::btnNextClick() {
    if (HasRows()) adoDB.Next();
    ShowCurrentRow();
}

void TfrmUserSetup::btnLastClick() {
    if (HasRows()) adoDB.Last();
    ShowCurrentRow();
}

void TfrmUserSetup::dgViewCellClick() {
    const QModelIndex index = dgView->currentIndex();
    if (HasRows() && index.isValid()) adoDB.MoveTo(index.row());
    ShowCurrentRow();
}

void TfrmUserSetup::btnExitClick() {
    close();
}
