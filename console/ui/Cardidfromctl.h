// Fetches the card ID stored under a card number from a controller, for the holder window's
// card ID field.
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

class TfrmCardIDFromCtl : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmCardIDFromCtl(QWidget* parent = nullptr);

    QLabel *labControllerNo, *labCardNo;
    QComboBox* cmbControllerNo;
    QLineEdit* edtCardNo;
    QSpinBox* updCardNo;
    QPushButton* btnGetCardID;
    TPanel* pnlCardID;
    QPushButton *btnOK, *btnCancel;
    QStatusBar* stbComm;

    TADOQuery adqFingerPrint;
    ChoiceList cmbControllerNoItems;

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
