// The reader configuration window: finds the port and line settings on which a linked reader
// answers, shows its serial number and firmware version, and keeps the port found in
// system.ini.
#pragma once

#include <QColor>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QTimer>

#include "Dataset.h"
#include "QueryOps.h"

class TPanel;

// A filled circle: the link indicator.
class TShape : public QWidget {
    Q_OBJECT
  public:
    explicit TShape(QWidget* parent = nullptr);
    void setBrushColor(const QColor& color);
    QColor brushColor() const { return brush_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor brush_ = Qt::red;
};

class TfrmFingerSetup : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmFingerSetup(QWidget* parent = nullptr);
    ~TfrmFingerSetup() override;

    // The one line setting the search over COM1..COM16 tries (index 5 of the list).
    static constexpr const char* kSearchSettings = "19200,e,8,1";
    static constexpr int kLastSearchPort = 16;

    QGroupBox* grbIDSelect;
    QLabel* labFingerPrintNo;
    QComboBox* cmbFingerPrintNo;
    QGroupBox* grbCommPara;
    QPushButton* btnScan;
    TPanel* pnMsg;
    TShape* shComm;
    TPanel* pnSerial;
    TPanel* pnVersion;
    QPushButton* btnExit;
    QTimer* tmrBusy;
    TADOQuery adqFingerPrint;
    ChoiceList cmbFingerPrintNoItems;

    // Taken when a scan starts, and its outcome.
    int ControllerNo = 0;
    int ReaderNo = 0;
    bool Found = false;
    QString SerialNo;
    bool BusyBlink = false;

    bool busy() const { return busy_; }

    void FormCreate();
    void FormShow();
    void FormClose();
    void tmrBusyTimer();
    void btnExitClick();
    void btnScanClick();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;

  private:
    void EnterBusy();
    void LeaveBusy(const QColor& indicator);
    QString PanelText(const char* key) const;
    // The serial read of the chosen reader on the open link; true on success.
    bool ReadReaderSerial();

    bool busy_ = false;
    bool shown_ = false;
};
