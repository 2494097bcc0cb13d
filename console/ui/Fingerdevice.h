// The reader records window: the fingerprint readers (bus number, name, controller, LinkFlag)
// shown through their controllers, with browse and edit modes and the LinkFlag toggle.
#pragma once

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

#include "Dataset.h"
#include "QueryOps.h"

class DatasetModel;
class TImage;
class TPanel;

class TfrmFingerDevice : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmFingerDevice(QWidget* parent = nullptr);

    enum class Mode { Browse, Edit };
    Mode mode() const { return mode_; }
    bool newRecord() const { return newRecord_; }

    // The grid's statement: readers appear only through an existing controller row.
    static const char* const kViewSql;
    // Grid column of LinkFlag (0-based).
    static constexpr int kLinkFlagColumn = 2;

    QMenuBar* mnuMain;
    QAction *mnuAppend, *mnuEdit, *mnuDelete, *mnuFirst, *mnuPrev, *mnuNext, *mnuLast, *mnuOk,
        *mnuCancel, *mnuExit;
    QToolBar* tbEdit;
    QToolButton *btnAppend, *btnEdit, *btnDelete, *btnFirst, *btnPrev, *btnNext, *btnLast, *btnOk,
        *btnCancel, *btnExit;
    TPanel* pnlDataEdit;
    QLabel *labFingerNo, *labFingerName, *labControllerNo;
    QLineEdit *edtFingerNo, *edtFingerName;
    QComboBox* cmbControllerNo;
    QPushButton* btnControllerNo;
    QTableView* dgdFingerPrint;
    DatasetModel* dgdFingerPrintModel;
    TImage *imgOK, *imgCancel;
    TADOQuery adqFingerPrint;   // the grid's view
    TADOQuery adqReader;        // one FingerPrint row, found by its number pair
    TADOQuery adqControllerNo;  // the controller list
    ChoiceList cmbControllerNoItems;

    void FormActivate();
    void FormClose();
    void btnAppendClick();
    void btnEditClick();
    void btnDeleteClick();
    void btnOkClick();
    void btnCancelClick();
    void btnExitClick();
    void btnFirstClick();
    void btnPrevClick();
    void btnNextClick();
    void btnLastClick();
    void dgdFingerPrintCellClick();
    void btnControllerNoClick();
    void cmbControllerNoCloseUp();

  public slots:
    // The controller table changed under the grid (the controller window wrote or deleted).
    void ControllersChanged();

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

  private:
    void SetMode(Mode mode);
    void ShowCurrentRow();
    void OpenView();
    void GridChanged();
    void FillControllerList();
    void ToggleLinkFlag(int row);
    // Opens adqReader on the FingerPrint rows of one number pair; true when there is one.
    bool FindReader(int controllerNo, int readerNo);
    // Makes the view row of this pair current; false (row unchanged) when it is not shown.
    bool LocateInView(int controllerNo, int readerNo);
    bool HasRows() const { return adqFingerPrint.Active() && !adqFingerPrint.IsEmpty(); }

    Mode mode_ = Mode::Browse;
    bool newRecord_ = false;
    bool activated_ = false;
    bool closed_ = false;
    // The row as it was when editing began.
    int oldControllerNo_ = 0;
    int oldFingerNo_ = 0;
    QString oldFingerName_;
};
