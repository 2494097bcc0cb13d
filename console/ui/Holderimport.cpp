#include "Holderimport.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QTimer>
#include <QVBoxLayout>

#include "Controls.h"
#include "CvbioError.h"
#include "Glyphs.h"
#include "HolderImport.h"
#include "Progress.h"
#include "SysLib.h"
#include "Translate.h"
#include "UiServices.h"

namespace {

const QStringList kListFields = {ImportField::HolderNo, ImportField::HolderName,
                                 ImportField::CardNo, ImportField::CardID};
const QStringList kListTitles = {"工號", "姓名", "卡號", "卡片內碼"};

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

void SetColumnWidths(QTableView* grid) {
    const int widths[] = {70, 100, 60, 80};
    for (int c = 0; c < 4; ++c) grid->setColumnWidth(c, widths[c]);
}

// The grid's selected row becomes the dataset's current row.
void FollowSelection(QTableView* grid, TClientDataSet& dataset) {
    const QModelIndex index = grid->currentIndex();
    if (index.isValid() && index.row() < dataset.RecordCount()) dataset.MoveTo(index.row());
}

HolderImportProgress GaugeOf(TfrmProgress& progress) {
    return [&progress](int position, int maximum) {
        progress.cga->setMaximum(maximum);
        progress.cga->setValue(position);
    };
}

}  // namespace

TfrmImportHolder::TfrmImportHolder(const QString& path, QWidget* parent)
    : QDialog(parent), adqHolderData(frmSysLib ? &frmSysLib->adcMain : nullptr), path_(path) {
    setObjectName("frmImportHolder");
    SetTag(this, 1);
    setWindowTitle("員工資料匯入作業");
    resize(860, 440);

    DefineCardHolderFields(cdsHolder);
    DefineSelectHolderFields(cdsSelectHolder);

    auto* layout = new QVBoxLayout(this);
    auto* lists = new QHBoxLayout();
    layout->addLayout(lists, 1);

    dgHolder = MakeList(this, "dgHolder", "Card system holders");
    dgHolderModel = new ClientDatasetModel(&cdsHolder, kListFields, this);
    dgHolderModel->setTitles(kListTitles);
    dgHolder->setModel(dgHolderModel);
    SetColumnWidths(dgHolder);
    lists->addWidget(dgHolder, 1);

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

    dgSelectHolder = MakeList(this, "dgSelectHolder", "Holders to import");
    dgSelectHolderModel = new ClientDatasetModel(&cdsSelectHolder, kListFields, this);
    dgSelectHolderModel->setTitles(kListTitles);
    dgSelectHolder->setModel(dgSelectHolderModel);
    SetColumnWidths(dgSelectHolder);
    lists->addWidget(dgSelectHolder, 1);

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

    actOpenCardData = new QAction(this);
    actOpenCardData->setObjectName("actOpenCardData");
    actImportData = new QAction(this);
    actImportData->setObjectName("actImportData");

    OnEvent(btnAddAll, &QToolButton::clicked, this, &TfrmImportHolder::btnAddAllClick);
    OnEvent(btnAdd, &QToolButton::clicked, this, &TfrmImportHolder::btnAddClick);
    OnEvent(btnRemove, &QToolButton::clicked, this, &TfrmImportHolder::btnRemoveClick);
    OnEvent(btnRemoveAll, &QToolButton::clicked, this, &TfrmImportHolder::btnRemoveAllClick);
    OnEvent(dgHolder, &QTableView::doubleClicked, this, &TfrmImportHolder::btnAddClick);
    OnEvent(dgSelectHolder, &QTableView::doubleClicked, this, &TfrmImportHolder::btnRemoveClick);
    OnEvent(btnOK, &QPushButton::clicked, this, &TfrmImportHolder::btnOKClick);
    OnEvent(btnCancel, &QPushButton::clicked, this, &TfrmImportHolder::btnCancelClick);
}

TfrmImportHolder::~TfrmImportHolder() = default;

void TfrmImportHolder::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shown_) return;
    shown_ = true;
    // The reading starts once the window is on the screen, so its progress shows over it.
    QTimer::singleShot(0, this, [this] { RunHandler([this] { FormShow(); }); });
}

void TfrmImportHolder::FormShow() {
    RunHandler([this] { TranslateWindow(this); });
    const QStringList titles = [] {
        QStringList t;
        for (int n = 1; n <= 4; ++n)
            t << frmSysLib->FormText("frmImportHolder", QString("dg%1").arg(n), "");
        return t;
    }();
    dgHolderModel->setTitles(titles);
    dgSelectHolderModel->setTitles(titles);
    UpdateAccessibleNames(this);

    bool failed = false;
    RunProgress(this, frmSysLib->MessageText("ConnectCVK30", "Connect CVK30..."), 0,
                [&](TfrmProgress& progress) {
                    try {
                        ReadCardSystem(adcCVK30, path_, cdsHolder, GaugeOf(progress));
                    } catch (const CvbioError&) {
                        failed = true;
                    }
                });
    ListsChanged();
    if (failed) {
        ShowInfo(frmSysLib->MessageText("Disconnect", "Connect Database Fail!"));
        reject();
        return;
    }
    read_ = true;
}

void TfrmImportHolder::ListsChanged() {
    dgHolderModel->reset();
    dgSelectHolderModel->reset();
    if (!cdsHolder.IsEmpty()) dgHolder->selectRow(cdsHolder.RecNo());
    if (!cdsSelectHolder.IsEmpty()) dgSelectHolder->selectRow(cdsSelectHolder.RecNo());
}

void TfrmImportHolder::btnAddClick() {
    FollowSelection(dgHolder, cdsHolder);
    const int row = cdsHolder.RecNo();
    AddSelectHolder(cdsHolder, cdsSelectHolder);
    ListsChanged();
    if (row >= 0) dgHolder->selectRow(row);
}

void TfrmImportHolder::btnAddAllClick() {
    AddAllSelectHolders(cdsHolder, cdsSelectHolder);
    ListsChanged();
}

void TfrmImportHolder::btnRemoveClick() {
    FollowSelection(dgSelectHolder, cdsSelectHolder);
    RemoveSelectHolder(cdsSelectHolder);
    ListsChanged();
}

void TfrmImportHolder::btnRemoveAllClick() {
    RemoveAllSelectHolders(cdsSelectHolder);
    ListsChanged();
}

void TfrmImportHolder::btnOKClick() {
    RunProgress(this, frmSysLib->MessageText("ConnectCVK30", "Connect CVK30..."), 0,
                [this](TfrmProgress& progress) {
                    RunHandler([&] {
                        ImportSelectedHolders(cdsSelectHolder, adqHolderData, GaugeOf(progress));
                    });
                });
    accept();
}

void TfrmImportHolder::btnCancelClick() {
    reject();
}

void TfrmImportHolder::done(int result) {
    adcCVK30.Close();
    QDialog::done(result);
}
