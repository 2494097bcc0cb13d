// The language selection window: lists the language packs of the Language directory and switches
// to another one at once.
#pragma once

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStringList>

class TfrmLanguageSelect : public QDialog {
    Q_OBJECT
  public:
    static constexpr int MaxLanguages = 10;

    explicit TfrmLanguageSelect(QWidget* parent = nullptr);

    QGroupBox* grbLanguage;
    QListWidget* lstLanguage;
    QGroupBox* grbCurrent;
    QLabel* labCurrent;
    QPushButton *btnOk, *btnCancel;

    // Per language found: the Common file, the Manager file and the code.
    QStringList CommonFiles, ManagerFiles, Codes;
    int InitialIndex = -1;
    // The selected entry; -1 when none (a focused list without selection counts as none).
    int SelectedIndex() const;

    void FormActivate();
    void btnOkClick();
    void btnCancelClick();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    bool activated_ = false;
};
