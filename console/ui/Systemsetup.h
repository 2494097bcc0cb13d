// The system setup dialog: serial-line settings and the source of new templates, changed in
// memory and in system.ini together.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

class TfrmSystemSetup : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmSystemSetup(QWidget* parent = nullptr);

    QGroupBox* grbCommPara;
    QLabel *labCommPort, *labBaudRate, *labTimeOut, *labTimeOutSecond, *labRetryCount;
    QComboBox *cmbCom, *cmbBaudRate;
    QLineEdit *edtTimeOut, *edtRetryCount;
    QGroupBox* grbSource;
    QRadioButton *rabEnroll, *rabCVT80R;
    QPushButton *btnOK, *btnCancel;

    void FormCreate();
    void FormActivate();
    void btnOKClick();
    void btnCancelClick();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    bool activated_ = false;
};
