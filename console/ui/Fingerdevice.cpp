#include "Fingerdevice.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <memory>

#include "Controllersetup.h"
#include "Controls.h"
#include "CvbioError.h"
#include "DatasetModel.h"
#include "Glyphs.h"
#include "MenuWindows.h"
#include "SysLib.h"
#include "TextOps.h"
#include "Translate.h"
#include "UiServices.h"

CVBIO_MENU_WINDOW(btnFingerDevice, TfrmFingerDevice)

const char* const TfrmFingerDevice::kViewSql =
    "SELECT ControllerData.*, FingerPrint.FingerPrintNo, FingerPrint.FingerPrintName, "
    "FingerPrint.LinkFlag FROM ControllerData INNER JOIN FingerPrint ON "
    "ControllerData.ControllerNo = FingerPrint.ControllerNo Order By ControllerData.ControllerNo";

namespace {

// Draws LinkFlag as one of the two pictures instead of the number: stretched to the cell's
// height at the picture's own width, its left edge 13 pixels left of the cell's centre.
class LinkFlagDelegate : public QStyledItemDelegate {
  public:
    LinkFlagDelegate(const TImage* on, const TImage* off, QObject* parent)
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

QImage GlyphPicture(const char* name) {
    return Glyph(name).pixmap(24, 24).toImage();
}

}  // namespace

TfrmFingerDevice::TfrmFingerDevice(QWidget* parent)
    : QDialog(parent),
      adqFingerPrint(frmSysLib ? &frmSysLib->adcMain : nullptr),
      adqReader(frmSysLib ? &frmSysLib->adcMain : nullptr),
      adqControllerNo(frmSysLib ? &frmSysLib->adcMain : nullptr) {
    setObjectName("frmFingerDevice");
    SetTag(this, 1);
    setWindowTitle("指紋機裝置");
    resize(620, 440);
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

    auto on = [this](void (TfrmFingerDevice::*handler)()) {
        return [this, handler] { (this->*handler)(); };
    };
    BuildRecordCommands(
        mnuMain, tbEdit,
        {
            {&btnAppend, &mnuAppend, "Append", "Add", "&Append", "Append",
             on(&TfrmFingerDevice::btnAppendClick)},
            {&btnEdit, &mnuEdit, "Edit", "Edit", "&Edit", "Edit",
             on(&TfrmFingerDevice::btnEditClick)},
            {&btnDelete, &mnuDelete, "Delete", "Delete", "&Delete", "Delete",
             on(&TfrmFingerDevice::btnDeleteClick)},
            {&btnFirst, &mnuFirst, "First", "First", "&First", "First",
             on(&TfrmFingerDevice::btnFirstClick)},
            {&btnPrev, &mnuPrev, "Prev", "Prev", "&Prev", "Prior",
             on(&TfrmFingerDevice::btnPrevClick)},
            {&btnNext, &mnuNext, "Next", "Next", "&Next", "Next",
             on(&TfrmFingerDevice::btnNextClick)},
            {&btnLast, &mnuLast, "Last", "Last", "&Last", "Last",
             on(&TfrmFingerDevice::btnLastClick)},
            {&btnOk, &mnuOk, "Ok", "Ok", "&OK", "OK", on(&TfrmFingerDevice::btnOkClick)},
            {&btnCancel, &mnuCancel, "Cancel", "Cancel", "&Cancel", "Cancel",
             on(&TfrmFingerDevice::btnCancelClick)},
            {&btnExit, &mnuExit, "Exit", "Exit", "&Exit", "Exit",
             on(&TfrmFingerDevice::btnExitClick)},
        });

    pnlDataEdit = new TPanel(this);
    pnlDataEdit->setObjectName("pnlDataEdit");
    pnlDataEdit->setFixedHeight(118);
    layout->addWidget(pnlDataEdit);
    labControllerNo = Place(new QLabel("控制器", pnlDataEdit), "labControllerNo", 16, 12, 100, 24);
    labFingerNo = Place(new QLabel("指紋機編號", pnlDataEdit), "labFingerNo", 16, 46, 100, 24);
    labFingerName = Place(new QLabel("指紋機名稱", pnlDataEdit), "labFingerName", 16, 80, 100, 24);
    cmbControllerNo = Place(new QComboBox(pnlDataEdit), "cmbControllerNo", 124, 12, 260, 24);
    cmbControllerNo->setEditable(true);
    cmbControllerNo->setInsertPolicy(QComboBox::NoInsert);
    cmbControllerNo->setModel(cmbControllerNoItems.model());
    btnControllerNo =
        Place(new QPushButton("...", pnlDataEdit), "btnControllerNo", 390, 12, 32, 24);
    btnControllerNo->setToolTip("Controllers");
    SetTag(btnControllerNo, 2);
    edtFingerNo = Place(new QLineEdit(pnlDataEdit), "edtFingerNo", 124, 46, 80, 24);
    edtFingerNo->setMaxLength(10);
    edtFingerName = Place(new QLineEdit(pnlDataEdit), "edtFingerName", 124, 80, 320, 24);
    edtFingerName->setMaxLength(50);
    for (QLabel* label : {labControllerNo, labFingerNo, labFingerName}) SetTag(label, 1);
    for (QWidget* edit :
         std::initializer_list<QWidget*>{cmbControllerNo, edtFingerNo, edtFingerName})
        SetTag(edit, 2);
    labControllerNo->setBuddy(cmbControllerNo);
    labFingerNo->setBuddy(edtFingerNo);
    labFingerName->setBuddy(edtFingerName);
    OnEvent(btnControllerNo, &QPushButton::clicked, this, &TfrmFingerDevice::btnControllerNoClick);
    connect(cmbControllerNo, &QComboBox::activated, this,
            [this] { RunHandler([this] { cmbControllerNoCloseUp(); }); });

    imgOK = Place(new TImage(this), "imgOK", 0, 0, 24, 24);
    imgCancel = Place(new TImage(this), "imgCancel", 0, 0, 24, 24);
    imgOK->setPicture(GlyphPicture("Ok"));
    imgCancel->setPicture(GlyphPicture("Cancel"));
    imgOK->hide();
    imgCancel->hide();

    dgdFingerPrint = new QTableView(this);
    dgdFingerPrint->setObjectName("dgdFingerPrint");
    dgdFingerPrint->setAccessibleName("Readers");
    dgdFingerPrint->setSelectionBehavior(QAbstractItemView::SelectRows);
    dgdFingerPrint->setSelectionMode(QAbstractItemView::SingleSelection);
    dgdFingerPrint->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dgdFingerPrint->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    dgdFingerPrint->horizontalHeader()->setStretchLastSection(true);
    dgdFingerPrint->verticalHeader()->setDefaultSectionSize(24);
    layout->addWidget(dgdFingerPrint, 1);
    dgdFingerPrintModel = new DatasetModel(
        &adqFingerPrint,
        {"ControllerNo", "ControllerName", "LinkFlag", "FingerPrintNo", "FingerPrintName"}, this);
    dgdFingerPrintModel->setTitles(
        {"控制器編號", "控制器名稱", "連線", "指紋機編號", "指紋機名稱"});
    dgdFingerPrint->setModel(dgdFingerPrintModel);
    dgdFingerPrint->setItemDelegateForColumn(kLinkFlagColumn,
                                             new LinkFlagDelegate(imgOK, imgCancel, this));
    const int widths[] = {90, 150, 60, 90};
    for (int i = 0; i < 4; ++i) dgdFingerPrint->setColumnWidth(i, widths[i]);
    dgdFingerPrint->installEventFilter(this);
    OnEvent(dgdFingerPrint, &QTableView::clicked, this, &TfrmFingerDevice::dgdFingerPrintCellClick);
    connect(dgdFingerPrint->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                // Keyboard moves in the grid move the current row too, as a click elsewhere
                // than on LinkFlag does.
                if (!current.isValid() || current.row() == adqFingerPrint.RecNo()) return;
                RunHandler([this, current] {
                    if (HasRows()) adqFingerPrint.MoveTo(current.row());
                    SetMode(Mode::Browse);
                    ShowCurrentRow();
                });
            });

    setTabOrder(cmbControllerNo, btnControllerNo);
    setTabOrder(btnControllerNo, edtFingerNo);
    setTabOrder(edtFingerNo, edtFingerName);
    setTabOrder(edtFingerName, dgdFingerPrint);
    UpdateAccessibleNames(this);
}

void TfrmFingerDevice::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (activated_) return;
    activated_ = true;
    RunHandler([this] { FormActivate(); });
}

bool TfrmFingerDevice::eventFilter(QObject* watched, QEvent* event) {
    // Space on a LinkFlag cell toggles it, as a click does.
    if (watched == dgdFingerPrint && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
        const QModelIndex index = dgdFingerPrint->currentIndex();
        if (index.isValid() && index.column() == kLinkFlagColumn) {
            RunHandler([this, index] { ToggleLinkFlag(index.row()); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmFingerDevice::done(int result) {
    if (!closed_) {
        closed_ = true;
        RunHandler([this] { FormClose(); });
    }
    QDialog::done(result);
}

void TfrmFingerDevice::FormActivate() {
    RunHandler([this] { TranslateWindow(this); });
    SetGridTitles(dgdFingerPrintModel, "frmFingerDevice", GridKeys(5));
    OpenView();
    GridChanged();
    FillControllerList();
    SetMode(Mode::Browse);
    ShowCurrentRow();
}

void TfrmFingerDevice::FormClose() {
    frmSysLib->ReloadLinkedReaders();
}

void TfrmFingerDevice::OpenView() {
    OpenSql(adqFingerPrint, kViewSql);
}

void TfrmFingerDevice::GridChanged() {
    dgdFingerPrintModel->reset();
    if (HasRows()) dgdFingerPrint->selectRow(adqFingerPrint.RecNo());
}

void TfrmFingerDevice::FillControllerList() {
    FillChoiceList(adqControllerNo, cmbControllerNoItems, "ControllerData", "ControllerNo",
                   "ControllerName");
    cmbControllerNo->setCurrentIndex(cmbControllerNoItems.itemIndex);
}

void TfrmFingerDevice::SetMode(Mode mode) {
    mode_ = mode;
    const bool browsing = mode == Mode::Browse;
    for (QToolButton* b : {btnAppend, btnEdit, btnDelete, btnFirst, btnPrev, btnNext, btnLast})
        b->setEnabled(browsing);
    for (QAction* a : {mnuAppend, mnuEdit, mnuDelete, mnuFirst, mnuPrev, mnuNext, mnuLast})
        a->setEnabled(browsing);
    for (QToolButton* b : {btnOk, btnCancel}) b->setEnabled(!browsing);
    for (QAction* a : {mnuOk, mnuCancel}) a->setEnabled(!browsing);
    pnlDataEdit->setEnabled(!browsing);
    if (browsing) dgdFingerPrint->setFocus();
}

void TfrmFingerDevice::ShowCurrentRow() {
    if (!HasRows()) {
        if (mode_ == Mode::Browse) {
            edtFingerNo->clear();
            edtFingerName->clear();
        }
        return;
    }
    edtFingerNo->setText(adqFingerPrint.FieldText("FingerPrintNo"));
    edtFingerName->setText(adqFingerPrint.FieldText("FingerPrintName").trimmed());
    cmbControllerNo->setEditText(adqFingerPrint.FieldText("ControllerNo"));
    if (dgdFingerPrint->currentIndex().row() != adqFingerPrint.RecNo())
        dgdFingerPrint->selectRow(adqFingerPrint.RecNo());
}

bool TfrmFingerDevice::FindReader(int controllerNo, int readerNo) {
    OpenSql(adqReader, "Select * From FingerPrint Where ControllerNo=? and FingerPrintNo=?",
            {controllerNo, readerNo});
    return !adqReader.IsEmpty();
}

bool TfrmFingerDevice::LocateInView(int controllerNo, int readerNo) {
    if (!HasRows()) return false;
    return adqFingerPrint.LocateMany({"ControllerNo", "FingerPrintNo"},
                                     {QString::number(controllerNo), QString::number(readerNo)},
                                     false);
}

void TfrmFingerDevice::btnAppendClick() {
    newRecord_ = true;
    SetMode(Mode::Edit);
    edtFingerNo->clear();
    edtFingerName->clear();
    cmbControllerNo->setFocus();
}

void TfrmFingerDevice::btnEditClick() {
    if (!HasRows()) return;
    newRecord_ = false;
    SetMode(Mode::Edit);
    ShowCurrentRow();
    oldControllerNo_ = adqFingerPrint.FieldInt("ControllerNo");
    oldFingerNo_ = adqFingerPrint.FieldInt("FingerPrintNo");
    oldFingerName_ = edtFingerName->text();
    cmbControllerNo->setFocus();
}

void TfrmFingerDevice::btnOkClick() {
    if (mode_ != Mode::Edit) return;
    if (edtFingerNo->text().trimmed().isEmpty()) {
        ShowInfo(frmSysLib->MessageText("FieldEmpty", "Necessary Fields is empty!"));
        edtFingerNo->setFocus();
        return;
    }
    const QString controllerText =
        QString::fromStdString(TextBefore(cmbControllerNo->currentText().toStdString(), "="));
    // A number left as it was stands even if an old row holds one outside 0-99; a number
    // typed anew must be one the bus can address.
    auto number = [this](const QString& text, int old, int& value) {
        if (!newRecord_ && text.trimmed() == QString::number(old)) {
            value = old;
            return true;
        }
        return ParseDeviceNumber(text, value);
    };
    int controllerNo = 0, fingerNo = 0;
    if (!number(controllerText, oldControllerNo_, controllerNo)) {
        ShowInfo(InvalidDeviceNumberText());
        cmbControllerNo->setFocus();
        return;
    }
    if (!number(edtFingerNo->text(), oldFingerNo_, fingerNo)) {
        ShowInfo(InvalidDeviceNumberText());
        edtFingerNo->setFocus();
        return;
    }
    const bool pairChanged =
        newRecord_ || controllerNo != oldControllerNo_ || fingerNo != oldFingerNo_;
    if (pairChanged && FindReader(controllerNo, fingerNo)) {
        ShowInfo(frmSysLib->MessageText("RecordExists", "This Record Number is exist!"));
        edtFingerNo->setFocus();
        return;
    }
    if (newRecord_) {
        adqReader.Append();  // LinkFlag and SelectFlag keep their default 0
    } else {
        if (!FindReader(oldControllerNo_, oldFingerNo_))
            throw CvbioError(QString("The reader %1 of controller %2 is no longer in the "
                                     "database; nothing was written.")
                                 .arg(oldFingerNo_)
                                 .arg(oldControllerNo_));
        adqReader.Edit();
    }
    adqReader.SetField("ControllerNo", controllerNo);
    adqReader.SetField("FingerPrintNo", fingerNo);
    adqReader.SetField("FingerPrintName", edtFingerName->text());
    try {
        adqReader.Post();
    } catch (...) {
        adqReader.Cancel();
        throw;
    }
    adqReader.Close();
    SetMode(Mode::Browse);
    const int position = adqFingerPrint.RecNo();
    OpenView();
    // Stand on the row just written; it is not shown when its controller has no row.
    if (!LocateInView(controllerNo, fingerNo) && HasRows()) adqFingerPrint.MoveTo(position);
    GridChanged();
    ShowCurrentRow();
}

void TfrmFingerDevice::btnCancelClick() {
    SetMode(Mode::Browse);
    ShowCurrentRow();
}

void TfrmFingerDevice::btnDeleteClick() {
    if (!HasRows()) return;
    if (AskOkCancel(frmSysLib->MessageText("DeleteRecord", "Delete this Record ?")) != 1) return;
    const int position = adqFingerPrint.RecNo();
    if (FindReader(adqFingerPrint.FieldInt("ControllerNo"),
                   adqFingerPrint.FieldInt("FingerPrintNo")))
        adqReader.Delete();
    adqReader.Close();
    OpenView();
    if (HasRows()) adqFingerPrint.MoveTo(qMin(position, adqFingerPrint.RecordCount() - 1));
    GridChanged();
    ShowCurrentRow();
}

void TfrmFingerDevice::dgdFingerPrintCellClick() {
    const QModelIndex index = dgdFingerPrint->currentIndex();
    if (!HasRows() || !index.isValid()) return;
    if (index.column() == kLinkFlagColumn) {
        ToggleLinkFlag(index.row());
        return;
    }
    adqFingerPrint.MoveTo(index.row());
    SetMode(Mode::Browse);
    ShowCurrentRow();
}

void TfrmFingerDevice::ToggleLinkFlag(int row) {
    if (!HasRows() || row < 0 || row >= adqFingerPrint.RecordCount()) return;
    adqFingerPrint.MoveTo(row);
    const int controllerNo = adqFingerPrint.FieldInt("ControllerNo");
    const int fingerNo = adqFingerPrint.FieldInt("FingerPrintNo");
    if (!FindReader(controllerNo, fingerNo)) return;
    adqReader.Edit();
    adqReader.SetField("LinkFlag", adqReader.FieldInt("LinkFlag") != 0 ? 0 : 1);
    try {
        adqReader.Post();
    } catch (...) {
        adqReader.Cancel();
        throw;
    }
    adqReader.Close();
    OpenView();
    if (!LocateInView(controllerNo, fingerNo) && HasRows())
        adqFingerPrint.MoveTo(qMin(row, adqFingerPrint.RecordCount() - 1));
    GridChanged();
    dgdFingerPrint->setCurrentIndex(
        dgdFingerPrintModel->index(adqFingerPrint.RecNo(), kLinkFlagColumn));
    if (mode_ == Mode::Browse) ShowCurrentRow();
}

void TfrmFingerDevice::btnControllerNoClick() {
    auto picker = std::make_unique<TfrmControllerSetup>(this);
    QString picked;
    connect(picker.get(), &TfrmControllerSetup::ControllersChanged, this,
            &TfrmFingerDevice::ControllersChanged);
    connect(picker.get(), &TfrmControllerSetup::ControllerPicked, this,
            [&picked](const QString& controllerNo) { picked = controllerNo; });
    picker->exec();
    picker.reset();
    if (!picked.isEmpty()) cmbControllerNo->setEditText(picked);
    cmbControllerNo->setFocus();
}

void TfrmFingerDevice::ControllersChanged() {
    RunHandler([this] {
        // The grid and the list follow the controller table; an edit in progress stays.
        const QString typed = cmbControllerNo->currentText();
        const int position = adqFingerPrint.RecNo();
        const bool hadRows = HasRows();
        const int controllerNo = hadRows ? adqFingerPrint.FieldInt("ControllerNo") : 0;
        const int fingerNo = hadRows ? adqFingerPrint.FieldInt("FingerPrintNo") : 0;
        OpenView();
        if (!(hadRows && LocateInView(controllerNo, fingerNo)) && HasRows())
            adqFingerPrint.MoveTo(qBound(0, position, adqFingerPrint.RecordCount() - 1));
        GridChanged();
        FillControllerList();
        cmbControllerNo->setEditText(typed);
        if (mode_ == Mode::Browse) ShowCurrentRow();
    });
}

void TfrmFingerDevice::cmbControllerNoCloseUp() {}

void TfrmFingerDevice::btnFirstClick() {
    if (HasRows()) adqFingerPrint.First();
    ShowCurrentRow();
}

void TfrmFingerDevice::btnPrevClick() {
    if (HasRows()) adqFingerPrint.Prior();
    ShowCurrentRow();
}

void TfrmFingerDevice::btnNextClick() {
    if (HasRows()) adqFingerPrint.Next();
    ShowCurrentRow();
}

void TfrmFingerDevice::btnLastClick() {
    if (HasRows()) adqFingerPrint.Last();
    ShowCurrentRow();
}

void TfrmFingerDevice::btnExitClick() {
    close();
}
