#include "Fingertrans.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "Comm.h"
#include "Controls.h"
#include "Cvt80.h"
#include "DatasetModel.h"
#include "Glyphs.h"
#include "MenuWindows.h"
#include "Progress.h"
#include "QueryOps.h"
#include "SysLib.h"
#include "Translate.h"
#include "UiServices.h"

CVBIO_MENU_WINDOW(btnFingerTrans, TfrmFingerTrans)

const char* const TfrmFingerTrans::kReaderGridSql =
    "SELECT ControllerData.ControllerNo, ControllerData.ControllerName, FingerPrint.FingerPrintNo, "
    "FingerPrint.FingerPrintName, FingerPrint.LinkFlag,FingerPrint.SelectFlag FROM ControllerData "
    "INNER JOIN FingerPrint ON ControllerData.ControllerNo = FingerPrint.ControllerNo Where "
    "LinkFlag=1";
const char* const TfrmFingerTrans::kTransReaderSql =
    "SELECT ControllerData.ControllerNo, ControllerData.ControllerName, FingerPrint.FingerPrintNo, "
    "FingerPrint.FingerPrintName, FingerPrint.LinkFlag,FingerPrint.SelectFlag FROM ControllerData "
    "INNER JOIN FingerPrint ON ControllerData.ControllerNo = FingerPrint.ControllerNo Where "
    "LinkFlag=1 and SelectFlag=1 Order By ControllerData.ControllerNo";
const char* const TfrmFingerTrans::kTransTemplateSql =
    "SELECT HolderData.SelectFlag, HolderData.CardID,FingerData.* FROM HolderData INNER JOIN "
    "FingerData ON HolderData.HolderNo = FingerData.HolderNo Where SelectFlag=1 Order By "
    "HolderData.HolderNo,FingerData.FingerNo";

namespace {

constexpr int kReaderSelectColumn = 4;
constexpr int kHolderSelectColumn = 2;

// Pauses of the transfer, ms.
struct TransferPauses {
    int afterBank1, afterBank2, afterBank3, afterCard;
};
constexpr TransferPauses kDirectPauses{20, 20, 200, 20};
constexpr TransferPauses kRelayedPauses{100, 100, 300, 100};
constexpr int kAfterControllerMode = 200;
constexpr int kAfterTemplateModeOn = 2000;
constexpr int kBeforeControllerModeOff = 100;

// Draws SelectFlag as one of the two pictures instead of the number.
class SelectFlagDelegate : public QStyledItemDelegate {
  public:
    SelectFlagDelegate(const TImage* on, const TImage* off, QObject* parent)
        : QStyledItemDelegate(parent), on_(on), off_(off) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        opt.text.clear();
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        const QImage& picture = index.data().toInt() == 1 ? on_->picture() : off_->picture();
        if (picture.isNull()) return;
        const QRect cell = option.rect;
        const QRect target(cell.left() + cell.width() / 2 - 13, cell.top(), picture.width(),
                           cell.height());
        painter->save();
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        painter->drawImage(target, picture);
        painter->restore();
    }

  private:
    const TImage* on_;
    const TImage* off_;
};

QTableView* MakeGrid(QWidget* parent, const char* name, const char* accessibleName) {
    auto* grid = new QTableView(parent);
    grid->setObjectName(name);
    grid->setAccessibleName(accessibleName);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->setDefaultSectionSize(24);
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    return grid;
}

// Closes the link of the transfer however it ends.
struct LinkSession {
    bool open = false;
    ~LinkSession() {
        if (open) CloseLink();
    }
};

}  // namespace

TfrmFingerTrans::TfrmFingerTrans(QWidget* parent)
    : QDialog(parent),
      adqFingerPrint(frmSysLib ? &frmSysLib->adcMain : nullptr),
      adqHolderData(frmSysLib ? &frmSysLib->adcMain : nullptr),
      adqSearch(frmSysLib ? &frmSysLib->adcMain : nullptr),
      adqTransReader(frmSysLib ? &frmSysLib->adcMain : nullptr),
      adqTransFinger(frmSysLib ? &frmSysLib->adcMain : nullptr) {
    setObjectName("frmFingerTrans");
    SetTag(this, 1);
    setWindowTitle("指紋傳輸");
    resize(760, 440);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* body = new QHBoxLayout();
    body->setContentsMargins(6, 6, 6, 6);
    body->setSpacing(8);
    layout->addLayout(body, 1);

    imgOK = Place(new TImage(this), "imgOK", 0, 0, 24, 24);
    imgCancel = Place(new TImage(this), "imgCancel", 0, 0, 24, 24);
    imgOK->setPicture(Glyph("Ok").pixmap(24, 24).toImage());
    imgCancel->setPicture(Glyph("Cancel").pixmap(24, 24).toImage());
    imgOK->hide();
    imgCancel->hide();

    auto makeButton = [this](const char* name, const char* caption) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(name);
        button->setAutoDefault(false);
        SetTag(button, 3);
        return button;
    };

    auto* readerSide = new QVBoxLayout();
    dgdFingerPrint = MakeGrid(this, "dgdFingerPrint", "Readers");
    dgdFingerPrintModel = new DatasetModel(
        &adqFingerPrint,
        {"ControllerNo", "ControllerName", "FingerPrintNo", "FingerPrintName", "SelectFlag"}, this);
    dgdFingerPrintModel->setTitles(
        {"控制器編號", "控制器名稱", "指紋機編號", "指紋機名稱", "選擇"});
    dgdFingerPrint->setModel(dgdFingerPrintModel);
    dgdFingerPrint->setItemDelegateForColumn(kReaderSelectColumn,
                                             new SelectFlagDelegate(imgOK, imgCancel, this));
    const int readerWidths[] = {80, 110, 80, 110, 45};
    for (int c = 0; c < 5; ++c) dgdFingerPrint->setColumnWidth(c, readerWidths[c]);
    readerSide->addWidget(dgdFingerPrint, 1);
    auto* readerButtons = new QHBoxLayout();
    btnFingerSelectAll = makeButton("btnFingerSelectAll", "全選");
    btnFingerCancelAll = makeButton("btnFingerCancelAll", "取消全選");
    readerButtons->addWidget(btnFingerSelectAll);
    readerButtons->addWidget(btnFingerCancelAll);
    readerButtons->addStretch(1);
    readerSide->addLayout(readerButtons);
    body->addLayout(readerSide, 3);

    auto* holderSide = new QVBoxLayout();
    dgdHolderData = MakeGrid(this, "dgdHolderData", "Holders");
    dgdHolderDataModel =
        new DatasetModel(&adqHolderData, {"HolderNo", "HolderName", "SelectFlag"}, this);
    dgdHolderDataModel->setTitles({"工號", "姓名", "選擇"});
    dgdHolderData->setModel(dgdHolderDataModel);
    dgdHolderData->setItemDelegateForColumn(kHolderSelectColumn,
                                            new SelectFlagDelegate(imgOK, imgCancel, this));
    const int holderWidths[] = {80, 110, 45};
    for (int c = 0; c < 3; ++c) dgdHolderData->setColumnWidth(c, holderWidths[c]);
    holderSide->addWidget(dgdHolderData, 1);
    auto* holderButtons = new QHBoxLayout();
    btnHolderSelectAll = makeButton("btnHolderSelectAll", "全選");
    btnHolderCancelAll = makeButton("btnHolderCancelAll", "取消全選");
    holderButtons->addWidget(btnHolderSelectAll);
    holderButtons->addWidget(btnHolderCancelAll);
    holderButtons->addStretch(1);
    holderSide->addLayout(holderButtons);
    body->addLayout(holderSide, 2);

    auto* bottom = new QHBoxLayout();
    bottom->setContentsMargins(6, 0, 6, 6);
    bottom->addStretch(1);
    btnTrans = makeButton("btnTrans", "電腦->指紋機");
    btnTrans->setMinimumWidth(130);
    btnExit = makeButton("btnExit", "離開");
    btnExit->setDefault(true);  // Enter closes, as Esc does
    bottom->addWidget(btnTrans);
    bottom->addWidget(btnExit);
    layout->addLayout(bottom);

    stbComm = new QStatusBar(this);
    stbComm->setObjectName("stbComm");
    stbComm->setSizeGripEnabled(false);
    stbCommPanel1 = new QLabel(stbComm);
    stbCommPanel1->setObjectName("stbCommPanel1");
    stbCommPanel1->setMinimumWidth(100);
    stbCommPanel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    stbComm->addWidget(stbCommPanel1, 1);
    layout->addWidget(stbComm);

    actComToFP = new QAction(this);
    actComToFP->setObjectName("actComToFP");

    OnEvent(btnFingerSelectAll, &QPushButton::clicked, this,
            &TfrmFingerTrans::btnFingerSelectAllClick);
    OnEvent(btnFingerCancelAll, &QPushButton::clicked, this,
            &TfrmFingerTrans::btnFingerCancelAllClick);
    OnEvent(btnHolderSelectAll, &QPushButton::clicked, this,
            &TfrmFingerTrans::btnHolderSelectAllClick);
    OnEvent(btnHolderCancelAll, &QPushButton::clicked, this,
            &TfrmFingerTrans::btnHolderCancelAllClick);
    OnEvent(btnTrans, &QPushButton::clicked, this, &TfrmFingerTrans::btnTransClick);
    OnEvent(btnExit, &QPushButton::clicked, this, &TfrmFingerTrans::btnExitClick);
    OnEvent(dgdFingerPrint, &QTableView::clicked, this, &TfrmFingerTrans::dgdFingerPrintCellClick);
    OnEvent(dgdHolderData, &QTableView::clicked, this, &TfrmFingerTrans::dgdHolderDataCellClick);

    SetLinkIdleHandler([] { QCoreApplication::processEvents(); });
    RunHandler([this] { FormCreate(); });
}

void TfrmFingerTrans::FormCreate() {
    OpenSql(adqFingerPrint, kReaderGridSql);
    dgdFingerPrintModel->reset();
    OpenTableOrdered(adqHolderData, "HolderData", "HolderNo");
    dgdHolderDataModel->reset();
}

void TfrmFingerTrans::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shown_) return;
    shown_ = true;
    RunHandler([this] { FormShow(); });
}

void TfrmFingerTrans::FormShow() {
    RunHandler([this] { TranslateWindow(this); });
    SetGridTitles(dgdFingerPrintModel, "frmFingerTrans", GridKeys(5));
    SetGridTitles(dgdHolderDataModel, "frmFingerTrans", {"dg11", "dg21", "dg31"});
    UpdateAccessibleNames(this);
}

void TfrmFingerTrans::ReopenReaders() {
    const int row = adqFingerPrint.RecNo();
    OpenSql(adqFingerPrint, kReaderGridSql);
    if (row >= 0 && row < adqFingerPrint.RecordCount()) adqFingerPrint.MoveTo(row);
    dgdFingerPrintModel->reset();
    if (!adqFingerPrint.IsEmpty()) dgdFingerPrint->selectRow(adqFingerPrint.RecNo());
}

void TfrmFingerTrans::ReopenHolders() {
    OpenTableOrdered(adqHolderData, "HolderData", "HolderNo");
    dgdHolderDataModel->reset();
}

void TfrmFingerTrans::dgdFingerPrintCellClick() {
    const QModelIndex index = dgdFingerPrint->currentIndex();
    if (!index.isValid() || adqFingerPrint.IsEmpty()) return;
    adqFingerPrint.MoveTo(index.row());
    if (index.column() != kReaderSelectColumn) return;
    OpenSql(adqSearch, "Select * From FingerPrint Where ControllerNo=? and FingerPrintNo=?",
            {adqFingerPrint.FieldInt("ControllerNo"), adqFingerPrint.FieldInt("FingerPrintNo")});
    if (!adqSearch.IsEmpty()) {
        adqSearch.Edit();
        adqSearch.SetField("SelectFlag", adqSearch.FieldInt("SelectFlag") != 0 ? 0 : 1);
        adqSearch.Post();
    }
    ReopenReaders();
}

void TfrmFingerTrans::dgdHolderDataCellClick() {
    const QModelIndex index = dgdHolderData->currentIndex();
    if (!index.isValid() || adqHolderData.IsEmpty()) return;
    adqHolderData.MoveTo(index.row());
    if (index.column() != kHolderSelectColumn) return;
    adqHolderData.Edit();
    adqHolderData.SetField("SelectFlag", adqHolderData.FieldInt("SelectFlag") != 0 ? 0 : 1);
    try {
        adqHolderData.Post();
    } catch (...) {
        adqHolderData.Cancel();
        throw;
    }
    dgdHolderDataModel->reset();
    dgdHolderData->selectRow(adqHolderData.RecNo());
}

void TfrmFingerTrans::btnFingerSelectAllClick() {
    SetColumnForAll(adqSearch, "FingerPrint", "SelectFlag", 1);
    ReopenReaders();
}

void TfrmFingerTrans::btnFingerCancelAllClick() {
    SetColumnForAll(adqSearch, "FingerPrint", "SelectFlag", 0);
    ReopenReaders();
}

void TfrmFingerTrans::btnHolderSelectAllClick() {
    SetColumnForAll(adqSearch, "HolderData", "SelectFlag", 1);
    ReopenHolders();
}

void TfrmFingerTrans::btnHolderCancelAllClick() {
    SetColumnForAll(adqSearch, "HolderData", "SelectFlag", 0);
    ReopenHolders();
}

void TfrmFingerTrans::btnTransClick() {
    if (AskOkCancel(frmSysLib->MessageText("StartTrans",
                                           "Are you really want to trans to FingerPrint?")) != 1)
        return;
    RunProgress(
        this, frmSysLib->MessageText("actTrans", "Trans the Finger information,please wait..."), 0,
        [this](TfrmProgress& progress) { RunHandler([&] { actComToFPExecute(progress); }); });
}

void TfrmFingerTrans::actComToFPExecute(TfrmProgress& progress) {
    const int32_t opened =
        OpenLink(frmSysLib->SystemIni, frmSysLib->ComPort, frmSysLib->BaudRate.toStdString(),
                 frmSysLib->TimeOut, frmSysLib->RetryCount);
    if (opened != lrOk) {
        // A port that did not open leaves its link current; a busy link is another action's.
        if (opened == lrNoPort) CloseLink();
        ShowInfo(frmSysLib->MessageText("InvalidComPort", "Invalid Com Port!"));
        return;
    }
    LinkSession link{true};

    OpenSql(adqTransReader, kTransReaderSql);
    OpenSql(adqTransFinger, kTransTemplateSql);
    progress.cga->setMaximum(adqTransReader.RecordCount() * adqTransFinger.RecordCount());
    progress.cga->setValue(0);
    auto status = [this](const QString& text) { stbCommPanel1->setText(text); };

    for (adqTransReader.First(); !adqTransReader.IsEmpty() && !adqTransReader.Eof();
         adqTransReader.Next()) {
        const int32_t c = adqTransReader.FieldInt("ControllerNo");
        const int32_t r = adqTransReader.FieldInt("FingerPrintNo");
        const TransferPauses& pauses = c == 0 ? kDirectPauses : kRelayedPauses;
        const QString where = QString("Controller %1 FingerPrint %2 FingerNo ").arg(c).arg(r);

        bool ok = true;
        if (c == 0) {
            ok = TemplateMode(r, 0) == lrOk;
            if (ok) status(QString("FingerPrint %1").arg(r));
        } else {
            ok = ControllerMode(c, "0") == lrOk;
            if (ok) {
                status(QString("Controller %1").arg(c));
                LinkPause(kAfterControllerMode);
                ok = CtlTemplateMode(c, r, 0) == lrOk;
            }
            if (ok) status(QString("FingerPrint %1").arg(r));
        }
        if (ok) {
            QCoreApplication::processEvents();
            LinkPause(kAfterTemplateModeOn);
        }

        for (adqTransFinger.First(); ok && !adqTransFinger.IsEmpty() && !adqTransFinger.Eof();
             adqTransFinger.Next()) {
            const int32_t f = adqTransFinger.FieldInt("FingerNo");
            const std::string templateText =
                adqTransFinger.FieldText("FingerTemplate").toStdString();
            const QString cardId = adqTransFinger.FieldText("CardID");
            const int32_t duress = adqTransFinger.FieldInt("DuressFinger");
            const int bankPauses[3] = {pauses.afterBank1, pauses.afterBank2, pauses.afterBank3};
            for (int bank = 1; ok && bank <= 3; ++bank) {
                const std::string bankText = TemplateBankText(templateText, bank);
                ok = (c == 0 ? WriteTemplateBank(r, f, bank, bankText)
                             : CtlWriteTemplateBank(c, r, f, bank, bankText)) == lrOk;
                if (!ok) break;
                LinkPause(bankPauses[bank - 1]);
                status(where + QString("%1 BankNo %2").arg(f).arg(bank));
            }
            if (!ok) break;
            const std::string cardText = CardTextForReader(cardId.toStdString());
            ok = (c == 0 ? WriteUserCard(r, f, duress, cardText)
                         : CtlWriteUserCard(c, r, f, duress, cardText)) == lrOk;
            if (!ok) break;
            LinkPause(pauses.afterCard);
            status(where + QString("%1 CardID %2").arg(f).arg(cardId));
            progress.cga->setValue(progress.cga->value() + 1);
        }

        if (!ok)
            ShowInfo(frmSysLib->MessageText("TimeOut", "Communicate was broke,Check your device!"));
        // Template mode is left on every reader, also on the one that failed; the results of
        // these commands change nothing.
        if (c == 0) {
            TemplateMode(r, 1);
        } else {
            CtlTemplateMode(c, r, 1);
            LinkPause(kBeforeControllerModeOff);
            ControllerMode(c, "1");
        }
        if (!ok) return;  // the link closes; remaining rows and readers are not sent
    }
}

void TfrmFingerTrans::btnExitClick() {
    close();
}
