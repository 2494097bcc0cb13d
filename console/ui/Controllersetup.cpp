#include "Controllersetup.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

#include "Controls.h"
#include "DatasetModel.h"
#include "Glyphs.h"
#include "QueryOps.h"
#include "SysLib.h"
#include "Translate.h"
#include "UiServices.h"

bool ParseDeviceNumber(const QString& text, int& number) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > 2) return false;
    for (const QChar c : trimmed)
        if (c < '0' || c > '9') return false;
    number = trimmed.toInt();
    return true;
}

QString InvalidDeviceNumberText() {
    return frmSysLib->MessageText("InvalidNumber", "The number must be an integer from 0 to 99!");
}

void BuildRecordCommands(QMenuBar* mnuMain, QToolBar* tbEdit,
                         const QVector<RecordCommand>& commands) {
    auto addMenu = [&](const char* name, const char* title) {
        QMenu* menu = mnuMain->addMenu(title);
        menu->setObjectName(name);
        SetTag(menu, 1);
        return menu;
    };
    QMenu* mnuData = addMenu("mnuData", "&Data");
    QMenu* mnuFunction = addMenu("mnuFunction", "&Function");
    tbEdit->setIconSize(QSize(24, 24));

    for (const RecordCommand& c : commands) {
        const QString name = c.name;
        auto* button = new QToolButton(tbEdit);
        button->setObjectName("btn" + name);
        button->setIcon(Glyph(c.glyph));
        button->setToolTip(c.hint);
        button->setAccessibleName(c.hint);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::TabFocus);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        SetTag(button, 2);
        const std::function<void()> handler = c.handler;
        QObject::connect(button, &QToolButton::clicked, button, [handler] { RunHandler(handler); });
        if (name == "First" || name == "Ok" || name == "Exit") tbEdit->addSeparator();
        tbEdit->addWidget(button);
        *c.button = button;

        QAction* item = nullptr;
        if (name == "Exit") {
            item = mnuMain->addAction(c.caption);  // "&Exit" stands on the menu bar itself
        } else {
            QMenu* menu = name == "Ok" || name == "Cancel" ? mnuFunction : mnuData;
            if (name == "First") menu->addSeparator();
            item = menu->addAction(c.caption);
        }
        item->setObjectName("mnu" + name);
        SetTag(item, 1);
        QObject::connect(item, &QAction::triggered, button, [handler] { RunHandler(handler); });
        *c.item = item;
    }
}

TfrmControllerSetup::TfrmControllerSetup(QWidget* parent)
    : QDialog(parent), adqControllerData(frmSysLib ? &frmSysLib->adcMain : nullptr) {
    setObjectName("frmControllerSetup");
    SetTag(this, 1);
    setWindowTitle("控制器參數設定");
    resize(440, 400);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    mnuMain = new QMenuBar(this);
    mnuMain->setObjectName("mnuMain");
    layout->setMenuBar(mnuMain);
    tbEdit = new QToolBar(this);
    tbEdit->setObjectName("tbEdit");
    layout->addWidget(tbEdit);

    auto on = [this](void (TfrmControllerSetup::*handler)()) {
        return [this, handler] { (this->*handler)(); };
    };
    BuildRecordCommands(
        mnuMain, tbEdit,
        {
            {&btnAppend, &mnuAppend, "Append", "Add", "&Append", "Append",
             on(&TfrmControllerSetup::btnAppendClick)},
            {&btnEdit, &mnuEdit, "Edit", "Edit", "&Edit", "Edit",
             on(&TfrmControllerSetup::btnEditClick)},
            {&btnDelete, &mnuDelete, "Delete", "Delete", "&Delete", "Delete",
             on(&TfrmControllerSetup::btnDeleteClick)},
            {&btnFirst, &mnuFirst, "First", "First", "&First", "First",
             on(&TfrmControllerSetup::btnFirstClick)},
            {&btnPrev, &mnuPrev, "Prev", "Prev", "&Prev", "Prior",
             on(&TfrmControllerSetup::btnPrevClick)},
            {&btnNext, &mnuNext, "Next", "Next", "&Next", "Next",
             on(&TfrmControllerSetup::btnNextClick)},
            {&btnLast, &mnuLast, "Last", "Last", "&Last", "Last",
             on(&TfrmControllerSetup::btnLastClick)},
            {&btnOk, &mnuOk, "Ok", "Ok", "&OK", "OK", on(&TfrmControllerSetup::btnOkClick)},
            {&btnCancel, &mnuCancel, "Cancel", "Cancel", "&Cancel", "Cancel",
             on(&TfrmControllerSetup::btnCancelClick)},
            {&btnExit, &mnuExit, "Exit", "Exit", "&Exit", "Exit",
             on(&TfrmControllerSetup::btnExitClick)},
        });

    pnlDataEdit = new TPanel(this);
    pnlDataEdit->setObjectName("pnlDataEdit");
    pnlDataEdit->setFixedHeight(84);
    layout->addWidget(pnlDataEdit);
    labControllerNo = Place(new QLabel("編號", pnlDataEdit), "labControllerNo", 16, 12, 64, 24);
    labControllerName = Place(new QLabel("名稱", pnlDataEdit), "labControllerName", 16, 46, 64, 24);
    edtControllerNo = Place(new QLineEdit(pnlDataEdit), "edtControllerNo", 88, 12, 80, 24);
    edtControllerName = Place(new QLineEdit(pnlDataEdit), "edtControllerName", 88, 46, 320, 24);
    edtControllerNo->setMaxLength(10);
    edtControllerName->setMaxLength(50);
    for (QLabel* label : {labControllerNo, labControllerName}) SetTag(label, 1);
    for (QLineEdit* edit : {edtControllerNo, edtControllerName}) SetTag(edit, 2);
    labControllerNo->setBuddy(edtControllerNo);
    labControllerName->setBuddy(edtControllerName);

    dgdControllerData = new QTableView(this);
    dgdControllerData->setObjectName("dgdControllerData");
    dgdControllerData->setAccessibleName("Controllers");
    dgdControllerData->setSelectionBehavior(QAbstractItemView::SelectRows);
    dgdControllerData->setSelectionMode(QAbstractItemView::SingleSelection);
    dgdControllerData->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dgdControllerData->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    dgdControllerData->horizontalHeader()->setStretchLastSection(true);
    dgdControllerData->verticalHeader()->setDefaultSectionSize(24);
    layout->addWidget(dgdControllerData, 1);
    dgdControllerDataModel =
        new DatasetModel(&adqControllerData, {"ControllerNo", "ControllerName"}, this);
    dgdControllerDataModel->setTitles({"編號", "名稱"});
    dgdControllerData->setModel(dgdControllerDataModel);
    dgdControllerData->setColumnWidth(0, 90);
    dgdControllerData->installEventFilter(this);
    OnEvent(dgdControllerData, &QTableView::clicked, this,
            &TfrmControllerSetup::dgdControllerDataCellClick);
    OnEvent(dgdControllerData, &QTableView::doubleClicked, this,
            &TfrmControllerSetup::dgdControllerDataDblClick);
    connect(dgdControllerData->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                // Keyboard moves in the grid move the current row too.
                if (current.isValid() && current.row() != adqControllerData.RecNo())
                    RunHandler([this] { dgdControllerDataCellClick(); });
            });

    setTabOrder(edtControllerNo, edtControllerName);
    setTabOrder(edtControllerName, dgdControllerData);
    UpdateAccessibleNames(this);
    RunHandler([this] { FormCreate(); });
}

void TfrmControllerSetup::FormCreate() {}

void TfrmControllerSetup::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (activated_) return;
    activated_ = true;
    RunHandler([this] { FormActivate(); });
}

bool TfrmControllerSetup::eventFilter(QObject* watched, QEvent* event) {
    // Enter on the grid picks the row, as a double click does.
    if (watched == dgdControllerData && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            RunHandler([this] { dgdControllerDataDblClick(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmControllerSetup::FormActivate() {
    RunHandler([this] { TranslateWindow(this); });
    SetGridTitles(dgdControllerDataModel, "frmControllerSetup", GridKeys(2));
    OpenTableOrdered(adqControllerData, "ControllerData", "ControllerNo");
    GridChanged();
    SetMode(Mode::Browse);
    ShowCurrentRow();
}

void TfrmControllerSetup::FormClose() {}

void TfrmControllerSetup::SetMode(Mode mode) {
    mode_ = mode;
    const bool browsing = mode == Mode::Browse;
    for (QToolButton* b : {btnAppend, btnEdit, btnDelete, btnFirst, btnPrev, btnNext, btnLast})
        b->setEnabled(browsing);
    for (QAction* a : {mnuAppend, mnuEdit, mnuDelete, mnuFirst, mnuPrev, mnuNext, mnuLast})
        a->setEnabled(browsing);
    for (QToolButton* b : {btnOk, btnCancel}) b->setEnabled(!browsing);
    for (QAction* a : {mnuOk, mnuCancel}) a->setEnabled(!browsing);
    pnlDataEdit->setEnabled(!browsing);
    edtControllerNo->setEnabled(!browsing && newRecord_);
    if (browsing) dgdControllerData->setFocus();
}

void TfrmControllerSetup::ShowCurrentRow() {
    if (!HasRows()) {
        if (mode_ == Mode::Browse) {
            edtControllerNo->clear();
            edtControllerName->clear();
        }
        return;
    }
    edtControllerNo->setText(adqControllerData.FieldText("ControllerNo"));
    edtControllerName->setText(adqControllerData.FieldText("ControllerName").trimmed());
    if (dgdControllerData->currentIndex().row() != adqControllerData.RecNo())
        dgdControllerData->selectRow(adqControllerData.RecNo());
}

void TfrmControllerSetup::GridChanged() {
    dgdControllerDataModel->reset();
    if (HasRows()) dgdControllerData->selectRow(adqControllerData.RecNo());
}

void TfrmControllerSetup::btnAppendClick() {
    newRecord_ = true;
    SetMode(Mode::Edit);
    edtControllerNo->clear();
    edtControllerName->clear();
    edtControllerNo->setFocus();
}

void TfrmControllerSetup::btnEditClick() {
    if (!HasRows()) return;
    newRecord_ = false;
    SetMode(Mode::Edit);
    ShowCurrentRow();
    edtControllerName->setFocus();
}

void TfrmControllerSetup::btnOkClick() {
    if (mode_ != Mode::Edit) return;
    if (edtControllerNo->text().trimmed().isEmpty()) {
        ShowInfo(frmSysLib->MessageText("FieldEmpty", "Necessary Fields is empty!"));
        (newRecord_ ? edtControllerNo : edtControllerName)->setFocus();
        return;
    }
    int number = 0;
    if (newRecord_) {
        if (!ParseDeviceNumber(edtControllerNo->text(), number)) {
            ShowInfo(InvalidDeviceNumberText());
            edtControllerNo->setFocus();
            return;
        }
        if (LocateText(adqControllerData, "ControllerNo", QString::number(number))) {
            GridChanged();
            ShowInfo(frmSysLib->MessageText("RecordExists", "This Record Number is exist!"));
            edtControllerNo->setFocus();
            return;
        }
        adqControllerData.Append();
        adqControllerData.SetField("ControllerNo", number);
    } else {
        if (!HasRows()) return;
        number = adqControllerData.FieldInt("ControllerNo");
        adqControllerData.Edit();
    }
    adqControllerData.SetField("ControllerName", edtControllerName->text());
    try {
        adqControllerData.Post();
    } catch (...) {
        adqControllerData.Cancel();
        throw;
    }
    SetMode(Mode::Browse);
    // Reopened in number order, standing on the row just written.
    OpenTableOrdered(adqControllerData, "ControllerData", "ControllerNo");
    adqControllerData.Locate("ControllerNo", QString::number(number), false);
    GridChanged();
    ShowCurrentRow();
    emit ControllersChanged();
}

void TfrmControllerSetup::btnDeleteClick() {
    if (AskOkCancel(frmSysLib->MessageText("DeleteRecord", "Delete this Record ?")) != 1) return;
    if (!HasRows()) return;
    adqControllerData.Delete();
    GridChanged();
    ShowCurrentRow();
    emit ControllersChanged();
}

void TfrmControllerSetup::btnCancelClick() {
    SetMode(Mode::Browse);
    ShowCurrentRow();
}

void TfrmControllerSetup::dgdControllerDataCellClick() {
    const QModelIndex index = dgdControllerData->currentIndex();
    if (HasRows() && index.isValid()) adqControllerData.MoveTo(index.row());
    SetMode(Mode::Browse);
    ShowCurrentRow();
}

void TfrmControllerSetup::dgdControllerDataDblClick() {
    btnExitClick();
}

void TfrmControllerSetup::btnFirstClick() {
    if (HasRows()) adqControllerData.First();
    ShowCurrentRow();
}

void TfrmControllerSetup::btnPrevClick() {
    if (HasRows()) adqControllerData.Prior();
    ShowCurrentRow();
}

void TfrmControllerSetup::btnNextClick() {
    if (HasRows()) adqControllerData.Next();
    ShowCurrentRow();
}

void TfrmControllerSetup::btnLastClick() {
    if (HasRows()) adqControllerData.Last();
    ShowCurrentRow();
}

void TfrmControllerSetup::btnExitClick() {
    if (HasRows()) emit ControllerPicked(adqControllerData.FieldText("ControllerNo"));
    close();
}
