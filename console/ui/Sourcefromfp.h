// Reading a template back from a reader: the window fetches the three banks a reader keeps
// under a user number and hands them to the editor's current slot; it can also start an
// enrolment on the reader itself. The reading runs in the progress dialog.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>

#include "Dataset.h"
#include "QueryOps.h"

class TfrmFingerEdit;
class TfrmProgress;

class TfrmSourceFromFP : public QDialog {
    Q_OBJECT
  public:
    // `editor` receives the template (it may be null); it is also the parent window.
    explicit TfrmSourceFromFP(TfrmFingerEdit* editor);

    static constexpr int MinFingerNo = 1;
    static constexpr int MaxFingerNo = 100;

    QLabel* labFingerPrintNo;
    QComboBox* cmbFingerPrintNo;
    QLabel* labFingerNo;
    QSpinBox* edtFingerNo;  // the edit box with its up-down arrows (updFingerNo)
    QPushButton* btnOK;
    QPushButton* btnAddFinger;
    QPushButton* btnCancel;
    QStatusBar* stbComm;
    QLabel* stbCommPanel1;

    TADOQuery adqFingerPrint;
    ChoiceList FingerPrintList;

    void FormCreate();
    void FormShow();
    void btnOKClick();
    void btnAddFingerClick();
    void btnCancelClick();
    void actReadFingerTemplateExecute(TfrmProgress& progress);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    struct Address {
        int controllerNo = 0;
        int readerNo = 0;
        int fingerNo = 0;
    };
    bool SelectedAddress(Address& address);
    void LeaveTemplateMode(const Address& address);

    TfrmFingerEdit* editor_;
    bool shown_ = false;
};
