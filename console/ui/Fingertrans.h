// The transfer window: the operator marks linked readers and holders, and the transfer writes
// every template of every marked holder, with its card ID and duress flag, into every marked
// reader under the template's finger number.
#pragma once

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>

#include "Dataset.h"

class DatasetModel;
class TImage;
class TfrmProgress;

class TfrmFingerTrans : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmFingerTrans(QWidget* parent = nullptr);

    // The linked readers shown; the marked linked readers and the marked holders' templates
    // the transfer takes.
    static const char* const kReaderGridSql;
    static const char* const kTransReaderSql;
    static const char* const kTransTemplateSql;

    QTableView* dgdFingerPrint;
    QTableView* dgdHolderData;
    DatasetModel* dgdFingerPrintModel;
    DatasetModel* dgdHolderDataModel;
    QPushButton *btnFingerSelectAll, *btnFingerCancelAll, *btnHolderSelectAll, *btnHolderCancelAll,
        *btnTrans, *btnExit;
    QStatusBar* stbComm;
    QLabel* stbCommPanel1;
    TImage *imgOK, *imgCancel;
    QAction* actComToFP;

    TADOQuery adqFingerPrint;
    TADOQuery adqHolderData;
    TADOQuery adqSearch;
    TADOQuery adqTransReader;
    TADOQuery adqTransFinger;

    void FormCreate();
    void FormShow();
    void btnExitClick();
    void btnTransClick();
    void actComToFPExecute(TfrmProgress& progress);
    void dgdFingerPrintCellClick();
    void dgdHolderDataCellClick();
    void btnFingerSelectAllClick();
    void btnFingerCancelAllClick();
    void btnHolderSelectAllClick();
    void btnHolderCancelAllClick();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void ReopenReaders();
    void ReopenHolders();

    bool shown_ = false;
};
