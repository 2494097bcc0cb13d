// The user accounts window: the list of console users with view, add and edit modes.
#pragma once

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

#include "Dataset.h"

class DatasetModel;

class TfrmUserSetup : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmUserSetup(QWidget* parent = nullptr);

    enum class Mode { View, Add, Edit };
    Mode mode() const { return mode_; }

    QToolBar* tbEdit;
    QToolButton *btnAdd, *btnEdit, *btnDelete, *btnFirst, *btnPrev, *btnNext, *btnLast, *btnOk,
        *btnCancel, *btnExit;
    QTabWidget* pcData;
    QWidget* tsData;
    QWidget* tsView;
    QLabel *labLoginID, *labUserName, *labPassword;
    QLineEdit *edUserID, *edUserName, *edUserPassword;
    QTableView* dgView;
    QStatusBar* sbMain;
    QLabel* sbMainPanel1;
    QMenuBar* mnuMain;
    QAction *mnuAdd, *mnuEdit, *mnuDelete, *mnuFirst, *mnuPrev, *mnuNext, *mnuLast, *mnuOk,
        *mnuCancel, *mnuExit;
    TADOQuery adoDB;
    TADOQuery adoChk;
    DatasetModel* dgViewModel;

    void FormCreate();
    void FormActivate();
    void btnAddClick();
    void btnEditClick();
    void btnDeleteClick();
    void btnFirstClick();
    void btnPrevClick();
    void btnNextClick();
    void btnLastClick();
    void btnOkClick();
    void btnCancelClick();
    void btnExitClick();
    void dgViewCellClick();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void SetMode(Mode mode);
    void ShowCurrentRow();
    void ClearEdits();
    void GridChanged();
    bool HasRows() const { return adoDB.Active() && !adoDB.IsEmpty(); }

    Mode mode_ = Mode::View;
    bool activated_ = false;
};
