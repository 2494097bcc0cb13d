// The main menu window. Its creation brings the program up (shared object, connection, database
// setup when needed, splash with the first-run initialisation); its first showing runs the login.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QVector>
#include <QWidget>

#include "Controls.h"

class TfrmMain : public QWidget {
    Q_OBJECT
  public:
    // `currentDir`: the base directory (the process's current directory when empty).
    explicit TfrmMain(const QString& currentDir = QString(), QWidget* parent = nullptr);
    ~TfrmMain() override;

    TImage* imgMain;
    QLabel* labTitle;
    QPushButton* btnUserSetup;
    QPushButton* btnSystemSetup;
    QPushButton* btnLanguageSelect;
    QPushButton* btnHolderSetup;
    QPushButton* btnFingerSetup;
    QPushButton* btnFingerEdit;
    QPushButton* btnFingerDevice;
    QPushButton* btnFingerTrans;

    // True once start-up decided that the program ends (no database, no login).
    bool Ended() const { return ended_; }
    const QVector<QPushButton*>& MenuButtons() const { return menuButtons_; }

    void btnUserSetupClick();
    void btnSystemSetupClick();
    void btnLanguageSelectClick();
    void btnHolderSetupClick();
    void btnFingerSetupClick();
    void btnFingerEditClick();
    void btnFingerDeviceClick();
    void btnFingerTransClick();

    void setVisible(bool visible) override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void FormCreate(const QString& currentDir);
    void FormShow();
    void FormClose();
    void OpenMenuWindow(QPushButton* button);
    void EnableMenuButtons();
    void EndProgram();

    QVector<QPushButton*> menuButtons_;
    bool shown_ = false;
    bool ended_ = false;
};

// The main window of the run.
extern TfrmMain* frmMain;
