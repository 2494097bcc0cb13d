// Fetches the card ID stored with a user number from a reader, directly or through its
// controller, for the holder window's card ID field.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>

#include "Dataset.h"
#include "QueryOps.h"

class TPanel;

class TfrmCardIDFromFP : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmCardIDFromFP(QWidget* parent = nullptr);

    QLabel *labFingerPrintNo, *labFingerNo;
    QComboBox* cmbFingerPrintNo;
    QLineEdit* edtFingerNo;
    QSpinBox* updFingerNo;
    QPushButton* btnGetCardID;
    TPanel* pnlCardID;
    QPushButton *btnOK, *btnCancel;
    QStatusBar* stbComm;

    TADOQuery adqFingerPrint;
    ChoiceList cmbFingerPrintNoItems;

    void FormCreate();
    void FormActivate();
    void btnGetCardIDClick();
    void btnOKClick();
    void btnCancelClick();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    bool activated_ = false;
};
