// The holder window: the list of holders with append, edit and delete, the photo, the card ID
// fetched from a device, and the import from the card system. Deleting a holder deletes each
// of its fingers from every linked reader before any row goes.
#pragma once

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

#include "Dataset.h"

class DatasetModel;
class TImage;
class TPanel;
class TfrmProgress;

class TfrmHolderSetup : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmHolderSetup(QWidget* parent = nullptr);
    ~TfrmHolderSetup() override;

    bool editing() const { return editing_; }
    bool appendMode() const { return appendMode_; }
    const QString& photoPath() const { return photoPath_; }

    QMenuBar* mnuMain;
    QAction *mnuAppend, *mnuEdit, *mnuDelete, *mnuFirst, *mnuPrev, *mnuNext, *mnuLast, *mnuOk,
        *mnuCancel, *mnuExit;
    QToolBar* tbEdit;
    QToolButton *btnAppend, *btnEdit, *btnImport, *btnDelete, *btnFirst, *btnPrev, *btnNext,
        *btnLast, *btnOk, *btnCancel, *btnExit;
    QTableView* dgdHolder;
    DatasetModel* dgdHolderModel;
    TPanel* pnlEdit;
    QLabel *labHolderNo, *labHolderName, *labCardID;
    QLineEdit *edtHolderNo, *edtHolderName, *edtCardID;
    QPushButton *btnCardIDFromCtl, *btnCardIDFromFP;
    TImage* imgHolder;
    QStatusBar* stbComm;
    QLabel *stbCommPanel1, *stbCommPanel2;
    QAction* actDeleteHolder;

    TADOQuery adqHolderData;
    TADOQuery adqSearch;

    void FormCreate();
    void FormActivate();
    void btnAppendClick();
    void btnEditClick();
    void btnOkClick();
    void btnCancelClick();
    void btnDeleteClick();
    void btnFirstClick();
    void btnPrevClick();
    void btnNextClick();
    void btnLastClick();
    void btnImportClick();
    void btnExitClick();
    void btnCardIDFromCtlClick();
    void btnCardIDFromFPClick();
    void imgHolderClick();
    void dgdHolderCellClick();
    void actDeleteHolderExecute(TfrmProgress& progress);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void SetEditing(bool editing);
    void ShowCurrentHolder();
    void GridFollowsQuery();
    bool HasRows() const { return adqHolderData.Active() && !adqHolderData.IsEmpty(); }

    bool editing_ = false;
    bool appendMode_ = false;
    QString photoPath_;
    bool activated_ = false;
};

// The open holder window, whose card ID field the card ID windows fill; null when none is open.
extern TfrmHolderSetup* frmHolderSetup;
