#include "Holdersetup.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

#include "Cardidfromctl.h"
#include "Cardidfromfp.h"
#include "Comm.h"
#include "Controls.h"
#include "CvbioError.h"
#include "Cvt80.h"
#include "DatasetModel.h"
#include "Glyphs.h"
#include "Holderimport.h"
#include "MenuWindows.h"
#include "Progress.h"
#include "QueryOps.h"
#include "SysLib.h"
#include "Translate.h"
#include "UiServices.h"

CVBIO_MENU_WINDOW(btnHolderSetup, TfrmHolderSetup)

TfrmHolderSetup* frmHolderSetup = nullptr;

namespace {

const char* const kPhotoFilter =
    "All (*.jpg;*.jpeg;*.bmp;*.png)|*.jpg;*.jpeg;*.bmp;*.png|JPEG Image File (*.jpg)|*.jpg;*.jpeg|"
    "Bitmaps (*.bmp)|*.bmp|PNG Image File (*.png)|*.png";
const char* const kCardSystemFilter = "CVK30(CardBank.mdb)|*.mdb";
constexpr int kPauseBetweenDeletions = 100;  // ms after each reader's confirmation
constexpr int kCardIdTypingLimit = 16;

// Typing stops at a number of characters, while a longer text put in by a card ID window stays
// as it came (a length limit of the edit box itself would cut that one too).
class TypingLimit : public QObject {
  public:
    TypingLimit(int limit, QObject* parent) : QObject(parent), limit_(limit) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* edit = qobject_cast<QLineEdit*>(watched);
        if (edit && event->type() == QEvent::KeyPress) {
            const QString typed = static_cast<QKeyEvent*>(event)->text();
            if (!typed.isEmpty() && typed[0].isPrint() && !edit->hasSelectedText() &&
                edit->text().size() >= limit_)
                return true;
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    int limit_;
};

// Closes the link of a device action however the action ends.
struct LinkSession {
    bool open = false;
    ~LinkSession() {
        if (open) CloseLink();
    }
    void Close() {
        if (open) CloseLink();
        open = false;
    }
};

}  // namespace

TfrmHolderSetup::TfrmHolderSetup(QWidget* parent)
    : QDialog(parent),
      adqHolderData(frmSysLib ? &frmSysLib->adcMain : nullptr),
      adqSearch(frmSysLib ? &frmSysLib->adcMain : nullptr) {
    setObjectName("frmHolderSetup");
    SetTag(this, 1);
    setWindowTitle("人員管理");
    resize(640, 420);
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
        const char* itemName;  // null: no menu item
        const char* glyph;
        const char* caption;
        const char* hint;
        QMenu* menu;  // null: on the menu bar itself
        void (TfrmHolderSetup::*handler)();
    };
    const Command commands[] = {
        {&btnAppend, &mnuAppend, "btnAppend", "mnuAppend", "Add", "&Append", "Append", mnuData,
         &TfrmHolderSetup::btnAppendClick},
        {&btnEdit, &mnuEdit, "btnEdit", "mnuEdit", "Edit", "&Edit", "Edit", mnuData,
         &TfrmHolderSetup::btnEditClick},
        {&btnImport, nullptr, "btnImport", nullptr, "Import", "", "Import", nullptr,
         &TfrmHolderSetup::btnImportClick},
        {&btnDelete, &mnuDelete, "btnDelete", "mnuDelete", "Delete", "&Delete", "Delete", mnuData,
         &TfrmHolderSetup::btnDeleteClick},
        {&btnFirst, &mnuFirst, "btnFirst", "mnuFirst", "First", "&First", "First", mnuData,
         &TfrmHolderSetup::btnFirstClick},
        {&btnPrev, &mnuPrev, "btnPrev", "mnuPrev", "Prev", "&Prev", "Prior", mnuData,
         &TfrmHolderSetup::btnPrevClick},
        {&btnNext, &mnuNext, "btnNext", "mnuNext", "Next", "&Next", "Next", mnuData,
         &TfrmHolderSetup::btnNextClick},
        {&btnLast, &mnuLast, "btnLast", "mnuLast", "Last", "&Last", "Last", mnuData,
         &TfrmHolderSetup::btnLastClick},
        {&btnOk, &mnuOk, "btnOk", "mnuOk", "Ok", "&OK", "OK", mnuFunction,
         &TfrmHolderSetup::btnOkClick},
        {&btnCancel, &mnuCancel, "btnCancel", "mnuCancel", "Cancel", "&Cancel", "Cancel",
         mnuFunction, &TfrmHolderSetup::btnCancelClick},
        {&btnExit, &mnuExit, "btnExit", "mnuExit", "Exit", "&Exit", "Exit", nullptr,
         &TfrmHolderSetup::btnExitClick},
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
        if (!c.itemName) continue;

        QAction* item = nullptr;
        if (c.menu) {
            if (name == "btnFirst") c.menu->addSeparator();
            item = c.menu->addAction(c.caption);
        } else {
            item = mnuMain->addAction(c.caption);
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

    dgdHolder = new QTableView(this);
    dgdHolder->setObjectName("dgdHolder");
    dgdHolder->setAccessibleName("Holders");
    dgdHolder->setSelectionBehavior(QAbstractItemView::SelectRows);
    dgdHolder->setSelectionMode(QAbstractItemView::SingleSelection);
    dgdHolder->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dgdHolder->verticalHeader()->setDefaultSectionSize(24);
    dgdHolder->setMinimumWidth(260);
    dgdHolderModel = new DatasetModel(&adqHolderData, {"HolderNo", "HolderName"}, this);
    dgdHolderModel->setTitles({"編號", "姓名"});
    dgdHolder->setModel(dgdHolderModel);
    dgdHolder->setColumnWidth(0, 100);
    dgdHolder->setColumnWidth(1, 130);
    body->addWidget(dgdHolder);
    OnEvent(dgdHolder, &QTableView::clicked, this, &TfrmHolderSetup::dgdHolderCellClick);

    pnlEdit = new TPanel(this);
    pnlEdit->setObjectName("pnlEdit");
    SetTag(pnlEdit, 1);
    pnlEdit->setMinimumSize(350, 300);
    body->addWidget(pnlEdit, 1);
    labHolderNo = Place(new QLabel("編號", pnlEdit), "labHolderNo", 12, 16, 80, 24);
    edtHolderNo = Place(new QLineEdit(pnlEdit), "edtHolderNo", 96, 14, 130, 26);
    labHolderName = Place(new QLabel("姓名", pnlEdit), "labHolderName", 12, 52, 80, 24);
    edtHolderName = Place(new QLineEdit(pnlEdit), "edtHolderName", 96, 50, 130, 26);
    labCardID = Place(new QLabel("卡片內碼:", pnlEdit), "labCardID", 12, 88, 80, 24);
    edtCardID = Place(new QLineEdit(pnlEdit), "edtCardID", 96, 86, 160, 26);
    edtCardID->installEventFilter(new TypingLimit(kCardIdTypingLimit, edtCardID));
    btnCardIDFromCtl =
        Place(new QPushButton("控制器", pnlEdit), "btnCardIDFromCtl", 96, 120, 78, 28);
    btnCardIDFromFP =
        Place(new QPushButton("指紋機", pnlEdit), "btnCardIDFromFP", 178, 120, 78, 28);
    imgHolder = Place(new TImage(pnlEdit), "imgHolder", 266, 14, 76, 96);
    imgHolder->setFrameShape(QFrame::Box);
    imgHolder->Stretch = true;
    for (QLabel* label : {labHolderNo, labHolderName, labCardID}) SetTag(label, 1);
    labHolderNo->setBuddy(edtHolderNo);
    labHolderName->setBuddy(edtHolderName);
    labCardID->setBuddy(edtCardID);
    for (QWidget* w : {static_cast<QWidget*>(edtHolderNo), static_cast<QWidget*>(edtHolderName),
                       static_cast<QWidget*>(edtCardID), static_cast<QWidget*>(imgHolder)})
        SetTag(w, 2);
    SetTag(btnCardIDFromCtl, 3);
    SetTag(btnCardIDFromFP, 3);
    OnEvent(btnCardIDFromCtl, &QPushButton::clicked, this, &TfrmHolderSetup::btnCardIDFromCtlClick);
    OnEvent(btnCardIDFromFP, &QPushButton::clicked, this, &TfrmHolderSetup::btnCardIDFromFPClick);
    OnEvent(imgHolder, &TImage::clicked, this, &TfrmHolderSetup::imgHolderClick);

    stbComm = new QStatusBar(this);
    stbComm->setObjectName("stbComm");
    stbComm->setSizeGripEnabled(false);
    stbCommPanel1 = new QLabel(stbComm);
    stbCommPanel1->setObjectName("stbCommPanel1");
    stbCommPanel1->setMinimumWidth(100);
    stbCommPanel1->setAlignment(Qt::AlignCenter);
    stbCommPanel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    stbCommPanel2 = new QLabel(stbComm);
    stbCommPanel2->setFixedWidth(50);
    stbCommPanel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    stbComm->addWidget(stbCommPanel1);
    stbComm->addWidget(stbCommPanel2);
    layout->addWidget(stbComm);

    actDeleteHolder = new QAction(this);
    actDeleteHolder->setObjectName("actDeleteHolder");

    setTabOrder(edtHolderNo, edtHolderName);
    setTabOrder(edtHolderName, edtCardID);
    // The exchanges let the interface run while they wait.
    SetLinkIdleHandler([] { QCoreApplication::processEvents(); });
    frmHolderSetup = this;
    RunHandler([this] { FormCreate(); });
}

TfrmHolderSetup::~TfrmHolderSetup() {
    if (frmHolderSetup == this) frmHolderSetup = nullptr;
}

void TfrmHolderSetup::FormCreate() {
    OpenTableOrdered(adqHolderData, "HolderData", "HolderNo");
    GridFollowsQuery();
    SetEditing(false);
}

void TfrmHolderSetup::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (activated_) return;
    activated_ = true;
    RunHandler([this] { FormActivate(); });
}

void TfrmHolderSetup::FormActivate() {
    RunHandler([this] { TranslateWindow(this); });
    SetGridTitles(dgdHolderModel, "frmHolderSetup", GridKeys(2));
    UpdateAccessibleNames(this);
    ShowCurrentHolder();
}

void TfrmHolderSetup::SetEditing(bool editing) {
    editing_ = editing;
    for (QToolButton* b : {btnAppend, btnEdit, btnDelete, btnFirst, btnPrev, btnNext, btnLast})
        b->setEnabled(!editing);
    for (QAction* a : {mnuAppend, mnuEdit, mnuDelete, mnuFirst, mnuPrev, mnuNext, mnuLast})
        a->setEnabled(!editing);
    for (QToolButton* b : {btnOk, btnCancel}) b->setEnabled(editing);
    for (QAction* a : {mnuOk, mnuCancel}) a->setEnabled(editing);
    pnlEdit->setEnabled(editing);
    imgHolder->setCursor(editing ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void TfrmHolderSetup::ShowCurrentHolder() {
    photoPath_.clear();
    if (!HasRows()) {
        edtHolderNo->clear();
        edtHolderName->clear();
        edtCardID->clear();
        imgHolder->clear();
        return;
    }
    edtHolderNo->setText(adqHolderData.FieldText("HolderNo"));
    edtHolderName->setText(adqHolderData.FieldText("HolderName"));
    edtCardID->setText(adqHolderData.FieldText("CardID"));
    if (dgdHolder->currentIndex().row() != adqHolderData.RecNo())
        dgdHolder->selectRow(adqHolderData.RecNo());
    imgHolder->clear();
    // A photo that is no picture at all goes to the standard error box; the texts stand.
    imgHolder->setPicture(LoadPictureFromBlob(adqHolderData.FieldBytes("HolderPhoto")));
}

void TfrmHolderSetup::GridFollowsQuery() {
    dgdHolderModel->reset();
    if (HasRows()) dgdHolder->selectRow(adqHolderData.RecNo());
}

void TfrmHolderSetup::btnAppendClick() {
    appendMode_ = true;
    SetEditing(true);
    edtHolderNo->clear();
    edtHolderName->clear();
    edtCardID->clear();
    edtHolderNo->setFocus();
}

void TfrmHolderSetup::btnEditClick() {
    // Without a holder there is no row to edit.
    if (!HasRows()) return;
    appendMode_ = false;
    SetEditing(true);
    edtHolderNo->setFocus();
}

void TfrmHolderSetup::btnOkClick() {
    if (!editing_) return;
    if (edtHolderNo->text().trimmed().isEmpty() || edtHolderName->text().trimmed().isEmpty()) {
        ShowInfo(frmSysLib->MessageText("FieldEmpty", "Necessary Fields is empty!"));
        return;
    }
    if (appendMode_) {
        const int current = adqHolderData.RecNo();
        if (adqHolderData.Locate("HolderNo", edtHolderNo->text(),
                                 frmSysLib->LookupCaseInsensitive)) {
            adqHolderData.MoveTo(current);
            ShowInfo(frmSysLib->MessageText("RecordExists", "This Record Number is exist!"));
            return;
        }
        adqHolderData.Append();
    } else {
        adqHolderData.Edit();
    }
    try {
        adqHolderData.SetField("HolderNo", edtHolderNo->text().trimmed());
        adqHolderData.SetField("HolderName", edtHolderName->text().trimmed());
        adqHolderData.SetField("CardID", edtCardID->text().trimmed());
        if (!photoPath_.isEmpty()) {
            if (photoPath_.right(3) == "bmp") {
                StorePictureToBlob(imgHolder->picture(), adqHolderData, "HolderPhoto",
                                   frmSysLib->BaseDir);
            } else {
                QFile file(photoPath_);
                if (!file.open(QIODevice::ReadOnly))
                    throw CvbioError(QObject::tr("Cannot open %1").arg(photoPath_));
                adqHolderData.SetField("HolderPhoto", file.readAll());
            }
        }
        adqHolderData.Post();
    } catch (...) {
        // The row is not posted; the operator stays in editing with the texts typed.
        adqHolderData.Cancel();
        GridFollowsQuery();
        throw;
    }
    GridFollowsQuery();
    SetEditing(false);
    ShowCurrentHolder();
}

void TfrmHolderSetup::btnCancelClick() {
    SetEditing(false);
    ShowCurrentHolder();
}

void TfrmHolderSetup::imgHolderClick() {
    if (!editing_) return;
    photoPath_.clear();
    const QString fileName = Ui().OpenFileName(kPhotoFilter, "");
    if (fileName.isEmpty()) return;
    QImage picture;
    QFile file(fileName);
    if (file.open(QIODevice::ReadOnly)) {
        try {
            picture = LoadPictureFromBlob(file.readAll());
        } catch (const CvbioError&) {
            picture = QImage();
        }
    }
    if (picture.isNull()) {
        ShowInfo(frmSysLib->MessageText("InvalidPhotoType", "Invalid Photo Type!"));
        return;
    }
    imgHolder->setPicture(picture);
    photoPath_ = fileName;
}

void TfrmHolderSetup::btnDeleteClick() {
    if (!HasRows()) return;
    if (AskOkCancel(frmSysLib->MessageText("DeleteRecord", "Delete this Record ?")) != 1) return;
    RunProgress(
        this, frmSysLib->MessageText("actTrans", "Trans the Finger information,please wait..."), 0,
        [this](TfrmProgress& progress) { RunHandler([&] { actDeleteHolderExecute(progress); }); });
    GridFollowsQuery();
    ShowCurrentHolder();
}

void TfrmHolderSetup::actDeleteHolderExecute(TfrmProgress& progress) {
    if (!HasRows()) return;
    const QString holderNo = adqHolderData.FieldText("HolderNo");
    frmSysLib->ReloadLinkedReaders();
    const QVector<LinkedReader> readers = frmSysLib->LinkedReaders;
    OpenTableWhere(adqSearch, "FingerData", "HolderNo", holderNo);

    LinkSession link;
    if (!adqSearch.IsEmpty()) {
        const int32_t opened =
            OpenLink(frmSysLib->SystemIni, frmSysLib->ComPort, frmSysLib->BaudRate.toStdString(),
                     frmSysLib->TimeOut, frmSysLib->RetryCount);
        if (opened != lrOk) {
            // A port that did not open leaves its link current; a busy link is another action's.
            if (opened == lrNoPort) CloseLink();
            ShowInfo(frmSysLib->MessageText("InvalidComPort", "Invalid Com Port!"));
            return;
        }
        link.open = true;
    }
    progress.cga->setMaximum(adqSearch.RecordCount() * readers.size());
    progress.cga->setValue(0);

    while (!adqSearch.IsEmpty()) {
        adqSearch.First();
        const int fingerNo = adqSearch.FieldInt("FingerNo");
        for (const LinkedReader& reader : readers) {
            const int32_t result =
                reader.ControllerNo != 0
                    ? CtlDeleteUser(reader.ControllerNo, reader.FingerPrintNo, fingerNo)
                    : DeleteUser(reader.FingerPrintNo, fingerNo);
            if (result != lrOk) {
                ShowInfo(
                    frmSysLib->MessageText("TimeOut", "Communicate was broke,Check your device!"));
                link.Close();
                return;
            }
            stbCommPanel1->setText(QString("Controller %1 FingerPrint %2 FingerNo %3 be deleted")
                                       .arg(reader.ControllerNo)
                                       .arg(reader.FingerPrintNo)
                                       .arg(fingerNo));
            LinkPause(kPauseBetweenDeletions);
            progress.cga->setValue(progress.cga->value() + 1);
        }
        // Every reader confirmed: only now the row goes.
        adqSearch.Delete();
    }
    link.Close();
    adqHolderData.Delete();
}

void TfrmHolderSetup::btnFirstClick() {
    if (HasRows()) adqHolderData.First();
    ShowCurrentHolder();
}

void TfrmHolderSetup::btnPrevClick() {
    if (HasRows()) adqHolderData.Prior();
    ShowCurrentHolder();
}

void TfrmHolderSetup::btnNextClick() {
    if (HasRows()) adqHolderData.Next();
    ShowCurrentHolder();
}

void TfrmHolderSetup::btnLastClick() {
    if (HasRows()) adqHolderData.Last();
    ShowCurrentHolder();
}

void TfrmHolderSetup::dgdHolderCellClick() {
    const QModelIndex index = dgdHolder->currentIndex();
    if (HasRows() && index.isValid()) adqHolderData.MoveTo(index.row());
    SetEditing(false);
    ShowCurrentHolder();
}

void TfrmHolderSetup::btnCardIDFromCtlClick() {
    TfrmCardIDFromCtl window(this);
    window.exec();
}

void TfrmHolderSetup::btnCardIDFromFPClick() {
    TfrmCardIDFromFP window(this);
    window.exec();
}

void TfrmHolderSetup::btnImportClick() {
    const QString fileName = Ui().OpenFileName(kCardSystemFilter, "mdb");
    if (fileName.isEmpty()) return;
    {
        TfrmImportHolder window(QFileInfo(fileName).absoluteFilePath(), this);
        window.exec();
    }
    OpenTableOrdered(adqHolderData, "HolderData", "HolderNo");
    GridFollowsQuery();
    ShowCurrentHolder();
}

void TfrmHolderSetup::btnExitClick() {
    close();
}
