#include "Fingerexport.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

#include "Controls.h"
#include "DatasetModel.h"
#include "Glyphs.h"
#include "QueryOps.h"
#include "SysLib.h"
#include "TemplateFiles.h"
#include "Translate.h"
#include "UiServices.h"

const QString TfrmFingerExport::FileFilter = "Finger Template File|*.xml";
const QString TfrmFingerExport::FileExt = ".xml";

namespace {

QTableView* MakeList(QWidget* parent, const char* name, const char* accessibleName) {
    auto* grid = new QTableView(parent);
    grid->setObjectName(name);
    grid->setAccessibleName(accessibleName);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->setDefaultSectionSize(22);
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    return grid;
}

}  // namespace

TfrmFingerExport::TfrmFingerExport(QWidget* parent)
    : QDialog(parent),
      adqHolderData(frmSysLib ? &frmSysLib->adcMain : nullptr),
      adqFingerData(frmSysLib ? &frmSysLib->adcMain : nullptr) {
    setObjectName("frmFingerExport");
    SetTag(this, 1);
    setWindowTitle("指紋匯出作業");
    resize(820, 440);

    DefineTemplateFields(cdsSelectHolder);

    auto* layout = new QVBoxLayout(this);
    auto* lists = new QHBoxLayout();
    layout->addLayout(lists, 1);

    dgHolder = MakeList(this, "dgHolder", "Holders");
    dgHolderModel = new DatasetModel(&adqHolderData, {"HolderNo", "HolderName"}, this);
    dgHolderModel->setTitles({"工號", "姓名"});
    dgHolder->setModel(dgHolderModel);
    lists->addWidget(dgHolder, 2);

    auto* moves = new QVBoxLayout();
    moves->addStretch(1);
    auto makeMove = [&](const char* name, const char* glyph, const char* hint) {
        auto* button = new QToolButton(this);
        button->setObjectName(name);
        button->setIcon(Glyph(glyph));
        button->setIconSize(QSize(24, 24));
        button->setToolTip(hint);
        button->setMinimumSize(40, 34);
        SetTag(button, 2);
        moves->addWidget(button);
        return button;
    };
    btnAddAll = makeMove("btnAddAll", "Last", "Add all");
    btnAdd = makeMove("btnAdd", "Next", "Add");
    btnRemove = makeMove("btnRemove", "Prev", "Remove");
    btnRemoveAll = makeMove("btnRemoveAll", "First", "Remove all");
    moves->addStretch(1);
    lists->addLayout(moves);

    dgSelectHolder = MakeList(this, "dgSelectHolder", "Fingerprints to export");
    dgSelectHolderModel =
        new ClientDatasetModel(&cdsSelectHolder,
                               {TemplateField::HolderNo, TemplateField::HolderName,
                                TemplateField::FingerNo, TemplateField::PositionNo},
                               this);
    dgSelectHolderModel->setTitles({"工號", "姓名", "指紋編號", "指紋位置"});
    dgSelectHolder->setModel(dgSelectHolderModel);
    lists->addWidget(dgSelectHolder, 3);

    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    btnOK = new QPushButton("確定", this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    btnCancel = new QPushButton("取消", this);
    btnCancel->setObjectName("btnCancel");
    SetTag(btnOK, 1);
    SetTag(btnCancel, 1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);

    OnEvent(btnAddAll, &QToolButton::clicked, this, &TfrmFingerExport::btnAddAllClick);
    OnEvent(btnAdd, &QToolButton::clicked, this, &TfrmFingerExport::btnAddClick);
    OnEvent(btnRemove, &QToolButton::clicked, this, &TfrmFingerExport::btnRemoveClick);
    OnEvent(btnRemoveAll, &QToolButton::clicked, this, &TfrmFingerExport::btnRemoveAllClick);
    OnEvent(dgHolder, &QTableView::doubleClicked, this, &TfrmFingerExport::btnAddClick);
    OnEvent(dgSelectHolder, &QTableView::doubleClicked, this, &TfrmFingerExport::btnRemoveClick);
    OnEvent(btnOK, &QPushButton::clicked, this, &TfrmFingerExport::btnOKClick);
    OnEvent(btnCancel, &QPushButton::clicked, this, &TfrmFingerExport::btnCancelClick);

    RunHandler([this] { FormCreate(); });
}

TfrmFingerExport::~TfrmFingerExport() = default;

void TfrmFingerExport::FormCreate() {
    OpenTableOrdered(adqHolderData, "HolderData", "HolderNo");
    OpenTableOrdered2(adqFingerData, "FingerData", "HolderNo", "PositionNo");
    ListsChanged();
}

void TfrmFingerExport::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (activated_) return;
    activated_ = true;
    RunHandler([this] { FormActivate(); });
}

void TfrmFingerExport::FormActivate() {
    RunHandler([this] { TranslateWindow(this); });
    SetGridTitles(dgHolderModel, "frmFingerExport", GridKeys(2));
    QStringList titles;
    for (const QString& key : GridKeys(4))
        titles << frmSysLib->FormText("frmFingerExport", key, "");
    dgSelectHolderModel->setTitles(titles);
    UpdateAccessibleNames(this);
}

void TfrmFingerExport::ListsChanged() {
    dgHolderModel->reset();
    dgSelectHolderModel->reset();
    if (adqHolderData.Active() && !adqHolderData.IsEmpty())
        dgHolder->selectRow(adqHolderData.RecNo());
    if (!cdsSelectHolder.IsEmpty()) dgSelectHolder->selectRow(cdsSelectHolder.RecNo());
}

void TfrmFingerExport::btnAddClick() {
    if (!adqHolderData.Active() || adqHolderData.IsEmpty()) return;
    // The grid's selected holder is the one added.
    const QModelIndex index = dgHolder->currentIndex();
    if (index.isValid() && index.row() < adqHolderData.RecordCount())
        adqHolderData.MoveTo(index.row());
    const AddHolderResult result =
        AddHolderTemplates(cdsSelectHolder, adqFingerData, adqHolderData.FieldText("HolderNo"),
                           adqHolderData.FieldText("HolderName"));
    ListsChanged();
    if (result == AddHolderResult::HolderNoFingerTemplate)
        ShowInfo(frmSysLib->MessageText("HolderNoFingerTemplate",
                                        "The Holder has No Finger Template !"));
}

void TfrmFingerExport::btnAddAllClick() {
    if (!adqHolderData.Active()) return;
    AddAllHolderTemplates(cdsSelectHolder, adqHolderData, adqFingerData);
    ListsChanged();
}

void TfrmFingerExport::btnRemoveClick() {
    const QModelIndex index = dgSelectHolder->currentIndex();
    if (index.isValid() && index.row() < cdsSelectHolder.RecordCount())
        cdsSelectHolder.MoveTo(index.row());
    RemoveTemplateRow(cdsSelectHolder);
    ListsChanged();
}

void TfrmFingerExport::btnRemoveAllClick() {
    RemoveAllTemplateRows(cdsSelectHolder);
    ListsChanged();
}

void TfrmFingerExport::btnOKClick() {
    const QString path = Ui().SaveFileName(FileFilter, FileExt);
    if (path.isEmpty()) return;
    // The window stays open: the same list may go to further files.
    SaveTemplateFile(cdsSelectHolder, path);
}

void TfrmFingerExport::btnCancelClick() {
    reject();
}
