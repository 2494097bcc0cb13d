// The splash window: its creation runs the first-run initialisation of the database; shown, it
// stays for one second.
#pragma once

#include <QDialog>
#include <QTimer>

#include "Controls.h"
#include "Dataset.h"

class TfrmLogo : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmLogo(QWidget* parent = nullptr);

    TImage* imgLogo;
    TADOQuery adqInit;
    QTimer* timLogo;

    void FormCreate();
    void FormShow();
    void timLogoTimer();
    void FormClose();

  protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
};
