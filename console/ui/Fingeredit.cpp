#include "Fingeredit.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QScreen>
#include <QSet>
#include <QVBoxLayout>
#include <memory>

#include "Comm.h"
#include "Controls.h"
#include "CvbioError.h"
#include "Cvt80.h"
#include "DatasetModel.h"
#include "Fingerexport.h"
#include "Glyphs.h"
#include "MenuWindows.h"
#include "Progress.h"
#include "QueryOps.h"
#include "Sourcefromer.h"
#include "Sourcefromfp.h"
#include "SysLib.h"
#include "Translate.h"
#include "UiServices.h"

CVBIO_MENU_WINDOW(btnFingerEdit, TfrmFingerEdit)

namespace {

constexpr int kPictureNameLength = 9;  // "imgFinger"
constexpr int kDuressNameLength = 15;  // "btnDuressFinger"

}  // namespace

TfrmFingerEdit::TfrmFingerEdit(QWidget* parent)
    : QDialog(parent),
      adqHolderData(frmSysLib ? &frmSysLib->adcMain : nullptr),
      adqFingerData(frmSysLib ? &frmSysLib->adcMain : nullptr),
      adqAllFingerData(frmSysLib ? &frmSysLib->adcMain : nullptr),
      adqSearch(frmSysLib ? &frmSysLib->adcMain : nullptr) {
    setObjectName("frmFingerEdit");
    SetTag(this, 1);
    setWindowTitle("指紋管理");
    resize(940, 540);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

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
        void (TfrmFingerEdit::*handler)();
    };
    const Command commands[] = {
        {&btnEdit, &mnuEdit, "btnEdit", "mnuEdit", "Edit", "&Edit", "Edit", mnuData,
         &TfrmFingerEdit::btnEditClick},
        {&btnDelete, &mnuDelete, "btnDelete", "mnuDelete", "Delete", "&Delete", "Delete", mnuData,
         &TfrmFingerEdit::btnDeleteClick},
        {&btnImport, nullptr, "btnImport", nullptr, "Import", nullptr, "Import", nullptr,
         &TfrmFingerEdit::btnImportClick},
        {&btnExport, nullptr, "btnExport", nullptr, "Export", nullptr, "Export", nullptr,
         &TfrmFingerEdit::btnExportClick},
        {&btnFirst, &mnuFirst, "btnFirst", "mnuFirst", "First", "&First", "First", mnuData,
         &TfrmFingerEdit::btnFirstClick},
        {&btnPrev, &mnuPrev, "btnPrev", "mnuPrev", "Prev", "&Prev", "Prior", mnuData,
         &TfrmFingerEdit::btnPrevClick},
        {&btnNext, &mnuNext, "btnNext", "mnuNext", "Next", "&Next", "Next", mnuData,
         &TfrmFingerEdit::btnNextClick},
        {&btnLast, &mnuLast, "btnLast", "mnuLast", "Last", "&Last", "Last", mnuData,
         &TfrmFingerEdit::btnLastClick},
        {&btnOk, &mnuOk, "btnOk", "mnuOk", "Ok", "&OK", "OK", mnuFunction,
         &TfrmFingerEdit::btnOkClick},
        {&btnCancel, &mnuCancel, "btnCancel", "mnuCancel", "Cancel", "&Cancel", "Cancel",
         mnuFunction, &TfrmFingerEdit::btnCancelClick},
        {&btnExit, &mnuExit, "btnExit", "mnuExit", "Exit", "&Exit", "Exit", nullptr,
         &TfrmFingerEdit::btnExitClick},
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
        if (c.handler) OnEvent(button, &QToolButton::clicked, this, c.handler);
        const QString name = c.buttonName;
        if (name == "btnImport" || name == "btnFirst" || name == "btnOk" || name == "btnExit")
            tbEdit->addSeparator();
        tbEdit->addWidget(button);
        *c.button = button;
        if (!c.item) continue;

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
    auto* body = new QHBoxLayout();
    body->setContentsMargins(6, 6, 6, 6);
    body->setSpacing(6);
    layout->addLayout(body, 1);

    dgdFingerData = new QTableView(this);
    dgdFingerData->setObjectName("dgdFingerData");
    dgdFingerData->setAccessibleName("Holders");
    dgdFingerData->setSelectionBehavior(QAbstractItemView::SelectRows);
    dgdFingerData->setSelectionMode(QAbstractItemView::SingleSelection);
    dgdFingerData->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dgdFingerData->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    dgdFingerData->verticalHeader()->setDefaultSectionSize(24);
    dgdFingerData->setFixedWidth(250);
    body->addWidget(dgdFingerData);
    dgdFingerDataModel = new DatasetModel(&adqHolderData, {"HolderNo", "HolderName"}, this);
    dgdFingerDataModel->setTitles({"工號", "姓名"});
    dgdFingerData->setModel(dgdFingerDataModel);
    dgdFingerData->setColumnWidth(0, 100);
    dgdFingerData->setColumnWidth(1, 120);
    OnEvent(dgdFingerData, &QTableView::clicked, this, &TfrmFingerEdit::dgdFingerDataCellClick);

    pnlEdit = new QWidget(this);
    pnlEdit->setObjectName("pnlEdit");
    body->addWidget(pnlEdit, 1);
    auto* editLayout = new QVBoxLayout(pnlEdit);
    editLayout->setContentsMargins(0, 0, 0, 0);
    grbSource = new QGroupBox("指紋資料", pnlEdit);
    grbSource->setObjectName("grbSource");
    SetTag(grbSource, 1);
    editLayout->addWidget(grbSource);

    // Two rows of five slots, each a number, a picture, the duress toggle and the finger number.
    auto* slotGrid = new QGridLayout(grbSource);
    slotGrid->setHorizontalSpacing(10);
    slotGrid->setVerticalSpacing(8);
    for (int p = 1; p <= SlotCount; ++p) {
        auto* cell = new QWidget(grbSource);
        cell->setFixedSize(126, 200);
        const QString number = QString::number(p);
        Label[p] = Place(new QLabel(number + ".", cell),
                         p == 10 ? "Label20" : qPrintable("Label" + number), 2, 2, 30, 18);
        SetTag(Label[p], 1);
        labFingerNo[p] =
            Place(new QLabel("0", cell), qPrintable("labFingerNo" + number), 60, 2, 62, 18);
        labFingerNo[p]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        labFingerNo[p]->setStyleSheet("color: blue;");
        imgFinger[p] = Place(new TImage(cell), qPrintable("imgFinger" + number), 3, 22, 120, 140);
        imgFinger[p]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        imgFinger[p]->setAccessibleName("Finger " + number);
        SetTag(imgFinger[p], 2);
        imgFinger[p]->setAutoFillBackground(true);
        QPalette palette = imgFinger[p]->palette();
        palette.setColor(QPalette::Window, Qt::white);
        imgFinger[p]->setPalette(palette);
        btnDuressFinger[p] = Place(new QPushButton("反脅迫指紋", cell),
                                   qPrintable("btnDuressFinger" + number), 3, 166, 120, 28);
        btnDuressFinger[p]->setCheckable(true);
        SetTag(btnDuressFinger[p], 3);
        TImage* picture = imgFinger[p];
        connect(picture, &TImage::clicked, this,
                [this, picture] { RunHandler([&] { imgFingerClick(picture); }); });
        QPushButton* toggle = btnDuressFinger[p];
        // The toggle moves by itself; the handler only notes the change.
        connect(toggle, &QPushButton::clicked, this,
                [this, toggle] { RunHandler([&] { btnDuressFingerClick(toggle); }); });
        slotGrid->addWidget(cell, (p - 1) / 5, (p - 1) % 5);
    }

    stbComm = new QStatusBar(this);
    stbComm->setObjectName("stbComm");
    stbComm->setSizeGripEnabled(false);
    stbCommPanel1 = new QLabel(stbComm);
    stbCommPanel1->setMinimumWidth(100);
    stbCommPanel1->setAlignment(Qt::AlignCenter);
    stbCommPanel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    stbCommPanel2 = new QLabel(stbComm);
    stbCommPanel2->setFixedWidth(50);
    stbCommPanel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    stbComm->addWidget(stbCommPanel1);
    stbComm->addWidget(stbCommPanel2);
    layout->addWidget(stbComm);

    // The exchanges let the interface run while they wait.
    SetLinkIdleHandler([] { QCoreApplication::processEvents(); });
    RunHandler([this] { FormCreate(); });
}

TfrmFingerEdit::~TfrmFingerEdit() = default;

void TfrmFingerEdit::FormCreate() {
    OpenTableOrdered(adqHolderData, "HolderData", "HolderNo");
    OpenTableOrdered2(adqFingerData, "FingerData", "HolderNo", "PositionNo");
    ReopenAllFingerData();
    GridFollowsQuery();
    SetEditing(false);
}

void TfrmFingerEdit::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (activated_) return;
    activated_ = true;
    RunHandler([this] { FormActivate(); });
}

void TfrmFingerEdit::FormActivate() {
    RunHandler([this] { TranslateWindow(this); });
    SetGridTitles(dgdFingerDataModel, "frmFingerEdit", GridKeys(2));
    const int source = frmSysLib->SelectSource;
    if (source == 0)
        grbSource->setTitle(grbSource->title() + " - Enroll");
    else if (source == 1)
        grbSource->setTitle(grbSource->title() + " - CVT80");
    UpdateAccessibleNames(this);
    ShowHolder();
}

QString TfrmFingerEdit::CurrentHolderNo() const {
    return HasHolders() ? adqHolderData.FieldText("HolderNo") : QString();
}

void TfrmFingerEdit::GridFollowsQuery() {
    dgdFingerDataModel->reset();
    if (HasHolders() && dgdFingerData->currentIndex().row() != adqHolderData.RecNo())
        dgdFingerData->selectRow(adqHolderData.RecNo());
}

void TfrmFingerEdit::ReopenAllFingerData() {
    OpenTableOrdered2(adqAllFingerData, "FingerData", "HolderNo", "FingerNo");
}

void TfrmFingerEdit::ShowHolder() {
    for (int p = 1; p <= SlotCount; ++p) {
        imgFinger[p]->clear();
        btnDuressFinger[p]->setChecked(false);
        labFingerNo[p]->setText("0");
        slotFingerNo_[p] = 0;
    }
    if (!HasHolders()) return;
    OpenSql(adqFingerData, "Select * From FingerData where HolderNo=? Order By PositionNo",
            {CurrentHolderNo()});
    QString pictureError;
    for (adqFingerData.First(); !adqFingerData.Eof(); adqFingerData.Next()) {
        const int p = adqFingerData.FieldInt("PositionNo");
        if (p < 1 || p > SlotCount) continue;  // a row without a slot is not shown
        const QByteArray picture = adqFingerData.FieldBytes("FingerPicture");
        try {
            imgFinger[p]->setPicture(LoadPictureFromBlob(picture));
        } catch (const CvbioError& error) {
            pictureError = error.message();
        }
        btnDuressFinger[p]->setChecked(adqFingerData.FieldInt("DuressFinger") != 0);
        labFingerNo[p]->setText(QString::number(adqFingerData.FieldInt("FingerNo")));
        if (!adqFingerData.FieldText("FingerTemplate").isEmpty() && picture.isEmpty())
            imgFinger[p]->LoadFromFile(frmSysLib->ImageDir + "NoFingerPhoto.jpg");
    }
    // One damaged picture does not hide the other slots.
    if (!pictureError.isEmpty()) ShowError(pictureError);
}

void TfrmFingerEdit::SetEditing(bool editing) {
    editing_ = editing;
    for (QToolButton* b : {btnEdit, btnDelete, btnFirst, btnPrev, btnNext, btnLast})
        b->setEnabled(!editing);
    for (QAction* a : {mnuEdit, mnuDelete, mnuFirst, mnuPrev, mnuNext, mnuLast})
        a->setEnabled(!editing);
    for (QToolButton* b : {btnOk, btnCancel}) b->setEnabled(editing);
    for (QAction* a : {mnuOk, mnuCancel}) a->setEnabled(editing);
    pnlEdit->setEnabled(editing);
    for (int p = 1; p <= SlotCount; ++p)
        imgFinger[p]->setCursor(editing ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void TfrmFingerEdit::btnEditClick() {
    if (!HasHolders()) return;
    mode_ = Mode::Enrol;
    SetEditing(true);
}

void TfrmFingerEdit::btnDeleteClick() {
    if (!HasHolders()) return;
    mode_ = Mode::Delete;
    SetEditing(true);
}

int TfrmFingerEdit::SlotOfName(const QString& name, int prefixLength) {
    return name.mid(prefixLength, 2).trimmed().toInt();
}

int TfrmFingerEdit::StoredFingerNo(const QString& holder, int slot) {
    // HolderNo compared trimmed: fixed-width columns come back padded on some engines.
    for (int row = 0; row < adqAllFingerData.RecordCount(); ++row) {
        adqAllFingerData.MoveTo(row);
        if (adqAllFingerData.FieldText("HolderNo").trimmed() == holder &&
            adqAllFingerData.FieldInt("PositionNo") == slot)
            return adqAllFingerData.FieldInt("FingerNo");
    }
    return 0;
}

int TfrmFingerEdit::FreeFingerNo() const {
    QSet<int> taken;
    const int column = adqAllFingerData.FieldIndex("FingerNo");
    for (int row = 0; row < adqAllFingerData.RecordCount(); ++row)
        taken.insert(adqAllFingerData.Value(row, column).toInt());
    for (int p = 1; p <= SlotCount; ++p) taken.insert(slotFingerNo_[p]);
    for (int i = 1; i <= MaxFingerNo; ++i)
        if (!taken.contains(i)) return i;
    return 0;
}

void TfrmFingerEdit::imgFingerClick(QObject* sender) {
    if (!editing_ || !HasHolders()) return;
    const int p = SlotOfName(sender->objectName(), kPictureNameLength);
    if (p < 1 || p > SlotCount) return;
    currentSlot_ = p;
    editedHolder_ = CurrentHolderNo().trimmed();

    if (const int stored = StoredFingerNo(editedHolder_, p); stored != 0) {
        slotFingerNo_[p] = stored;
    } else if (const int free = FreeFingerNo(); free != 0) {
        slotFingerNo_[p] = free;
    }  // with every number taken the slot keeps what it had

    if (mode_ == Mode::Enrol) {
        if (slotFingerNo_[p] == 0) {
            // 0 is no finger number: a template without one could never reach a reader.
            ShowInfo(frmSysLib->MessageText("FingerNoFull",
                                            "All finger numbers from 1 to 1000 are in use!"));
            return;
        }
        std::unique_ptr<QDialog> window;
        if (frmSysLib->SelectSource == 0)
            window = std::make_unique<TfrmSourceFromER>(this);
        else if (frmSysLib->SelectSource == 1)
            window = std::make_unique<TfrmSourceFromFP>(this);
        if (window) window->exec();
        return;
    }

    if (AskOkCancel(frmSysLib->MessageText("DeleteRecord", "Delete this Record ?")) != 1) return;
    RunProgress(this,
                frmSysLib->MessageText("actTrans", "Trans the Finger information,please wait..."),
                0, [this](TfrmProgress& progress) { actDeleteFingerExecute(progress); });
    ShowHolder();
}

void TfrmFingerEdit::btnDuressFingerClick(QObject* sender) {
    const int p = SlotOfName(sender->objectName(), kDuressNameLength);
    if (p >= 1 && p <= SlotCount) duressChanged_[p] = true;
}

void TfrmFingerEdit::AcceptEnrolment(const QImage& picture, const QString& templateText) {
    const int p = currentSlot_;
    if (p < 1 || p > SlotCount) return;
    imgFinger[p]->setPicture(picture);
    slotTemplate_[p] = templateText;
    templateChanged_[p] = true;
    labFingerNo[p]->setText(QString::number(slotFingerNo_[p]));
    modified_ = true;
}

void TfrmFingerEdit::actDeleteFingerExecute(TfrmProgress& progress) {
    const int p = currentSlot_;
    OpenSql(adqSearch, "Select * From FingerData Where HolderNo=? and PositionNo=?",
            {editedHolder_, p});
    if (adqSearch.IsEmpty()) return;
    const int fingerNo = adqSearch.FieldInt("FingerNo");

    const int32_t opened =
        OpenLink(frmSysLib->SystemIni, frmSysLib->ComPort, frmSysLib->BaudRate.toStdString(),
                 frmSysLib->TimeOut, frmSysLib->RetryCount);
    if (opened != lrOk) {
        if (opened == lrNoPort) CloseLink();
        ShowInfo(frmSysLib->MessageText("InvalidComPort", "Invalid Com Port!"));
        return;
    }
    frmSysLib->ReloadLinkedReaders();
    progress.cga->setMaximum(frmSysLib->LinkedReaderCount());
    progress.cga->setValue(0);
    for (const LinkedReader& reader : frmSysLib->LinkedReaders) {
        const int32_t result =
            reader.ControllerNo != 0
                ? CtlDeleteUser(reader.ControllerNo, reader.FingerPrintNo, fingerNo)
                : DeleteUser(reader.FingerPrintNo, fingerNo);
        if (result != lrOk) {
            ShowInfo(frmSysLib->MessageText("TimeOut", "Communicate was broke,Check your device!"));
            CloseLink();
            return;
        }
        stbCommPanel1->setText(QString("Controller %1 FingerPrint %2 FingerNo %3 be deleted")
                                   .arg(reader.ControllerNo)
                                   .arg(reader.FingerPrintNo)
                                   .arg(fingerNo));
        progress.cga->setValue(progress.cga->value() + 1);
    }
    adqSearch.Delete();
    CloseLink();
    ReopenAllFingerData();
}

void TfrmFingerEdit::btnExportClick() {
    TfrmFingerExport window(this);
    window.exec();
}

void TfrmFingerEdit::btnImportClick() {
    const QString path = Ui().OpenFileName(TfrmFingerExport::FileFilter, TfrmFingerExport::FileExt);
    if (path.isEmpty()) return;
    // A refused file throws here with its reason, before anything is written.
    LoadTemplateFile(path, cdsImportFinger);
    // The import leaves the edit state and shows another holder: pending enrolments are
    // offered for saving first, so none is left behind for a holder no longer shown.
    SaveQuestion();

    // The file's holders are looked up in a fresh holder list: a holder removed since the
    // editor opened (another station on a shared database) must not get fingerprint rows.
    const QString shown = CurrentHolderNo().trimmed();
    OpenTableOrdered(adqHolderData, "HolderData", "HolderNo");
    if (!shown.isEmpty()) LocateText(adqHolderData, "HolderNo", shown);
    GridFollowsQuery();

    TemplateImportResult result;
    {
        TfrmProgress progress(this);
        progress.cga->setMinimum(0);
        progress.cga->setValue(0);
        ProgressJob = [&] { result = actImportExecute(progress); };
        progress.exec();
        ProgressJob = nullptr;
    }
    ReopenAllFingerData();
    SetEditing(false);
    GridFollowsQuery();
    ShowHolder();
    if (const QString notice = TemplateImportNotice(result, *frmSysLib); !notice.isEmpty())
        ShowInfo(notice);
}

TemplateImportResult TfrmFingerEdit::actImportExecute(TfrmProgress& progress) {
    return ImportTemplates(cdsImportFinger, adqHolderData, adqFingerData,
                           [&progress](int position, int maximum) {
                               progress.cga->setMaximum(maximum);
                               progress.cga->setValue(position);
                           });
}

void TfrmFingerEdit::btnOkClick() {
    const bool withPicture = frmSysLib->SelectSource == 0;
    for (int p = 1; p <= SlotCount; ++p) {
        if (templateChanged_[p] && slotFingerNo_[p] != 0) {
            OpenSql(adqFingerData, "Select * From FingerData Where HolderNo=? and FingerNo =?",
                    {editedHolder_, slotFingerNo_[p]});
            if (adqFingerData.IsEmpty())
                adqFingerData.Append();
            else
                adqFingerData.Edit();
            try {
                adqFingerData.SetField("HolderNo", editedHolder_);
                adqFingerData.SetField("PositionNo", p);
                adqFingerData.SetField("FingerNo", slotFingerNo_[p]);
                adqFingerData.SetField("FingerTemplate", slotTemplate_[p]);
                adqFingerData.SetField("DuressFinger", btnDuressFinger[p]->isChecked() ? 1 : 0);
                // A template read from a reader has no picture of its own.
                if (withPicture && !imgFinger[p]->picture().isNull())
                    StorePictureToBlob(imgFinger[p]->picture(), adqFingerData, "FingerPicture",
                                       frmSysLib->BaseDir);
                else if (!withPicture)
                    adqFingerData.SetField("FingerPicture",
                                           QVariant(QMetaType(QMetaType::QByteArray)));
                adqFingerData.Post();
            } catch (...) {
                adqFingerData.Cancel();
                throw;
            }
        }
        templateChanged_[p] = false;
        if (duressChanged_[p]) {
            OpenSql(adqFingerData, "Select * From FingerData Where HolderNo=? and PositionNo =?",
                    {CurrentHolderNo(), p});
            if (!adqFingerData.IsEmpty()) {
                adqFingerData.Edit();
                adqFingerData.SetField("DuressFinger", btnDuressFinger[p]->isChecked() ? 1 : 0);
                try {
                    adqFingerData.Post();
                } catch (...) {
                    adqFingerData.Cancel();
                    throw;
                }
            }
            duressChanged_[p] = false;
        }
    }
    ReopenAllFingerData();
    SetEditing(false);
    modified_ = false;
    DiscardPending();
    ShowHolder();
}

void TfrmFingerEdit::DiscardPending() {
    for (int p = 1; p <= SlotCount; ++p) {
        slotTemplate_[p].clear();
        templateChanged_[p] = false;
        duressChanged_[p] = false;
    }
}

void TfrmFingerEdit::SaveQuestion() {
    if (modified_ && AskYesNo(frmSysLib->MessageText(
                         "NotSave", "Save changes you made to the following data?")) == 6)
        btnOkClick();
    modified_ = false;
    DiscardPending();
}

void TfrmFingerEdit::btnCancelClick() {
    SaveQuestion();
    SetEditing(false);
    ShowHolder();
}

void TfrmFingerEdit::dgdFingerDataCellClick() {
    SaveQuestion();
    SetEditing(false);
    const QModelIndex index = dgdFingerData->currentIndex();
    if (HasHolders() && index.isValid()) adqHolderData.MoveTo(index.row());
    ShowHolder();
}

void TfrmFingerEdit::btnFirstClick() {
    if (HasHolders()) adqHolderData.First();
    GridFollowsQuery();
    ShowHolder();
}

void TfrmFingerEdit::btnPrevClick() {
    if (HasHolders()) adqHolderData.Prior();
    GridFollowsQuery();
    ShowHolder();
}

void TfrmFingerEdit::btnNextClick() {
    if (HasHolders()) adqHolderData.Next();
    GridFollowsQuery();
    ShowHolder();
}

void TfrmFingerEdit::btnLastClick() {
    if (HasHolders()) adqHolderData.Last();
    GridFollowsQuery();
    ShowHolder();
}

void TfrmFingerEdit::btnExitClick() {
    close();
}

void TfrmFingerEdit::done(int result) {
    // The save question runs once however the window is closed (button, Escape, title bar).
    if (closing_) return;
    closing_ = true;
    RunHandler([this] { SaveQuestion(); });
    SetEditing(false);
    QDialog::done(result);
    closing_ = false;
}
