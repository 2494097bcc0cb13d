// The holder import window: lists the card system's holders with their card numbers and card
// IDs, lets the operator pick some or all, and writes them into HolderData. The reading, the
// lists and the import are the core's (HolderImport.h); the window shows them.
#pragma once

#include <QAction>
#include <QDialog>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

#include "CardBank.h"
#include "Dataset.h"
#include "MemDataset.h"

class TfrmImportHolder : public QDialog {
    Q_OBJECT
  public:
    // `path`: the full path of the card system's database the operator chose.
    explicit TfrmImportHolder(const QString& path, QWidget* parent = nullptr);
    ~TfrmImportHolder() override;

    const QString& databasePath() const { return path_; }
    // Whether the card system was read; false after a reading failure (the window closes).
    bool cardDataRead() const { return read_; }

    QTableView *dgHolder, *dgSelectHolder;
    ClientDatasetModel *dgHolderModel, *dgSelectHolderModel;
    QToolButton *btnAddAll, *btnAdd, *btnRemove, *btnRemoveAll;
    QPushButton *btnOK, *btnCancel;
    QAction *actOpenCardData, *actImportData;

    TCardBankConnection adcCVK30;
    TClientDataSet cdsHolder;
    TClientDataSet cdsSelectHolder;
    TADOQuery adqHolderData;

    void FormShow();
    void btnAddClick();
    void btnAddAllClick();
    void btnRemoveClick();
    void btnRemoveAllClick();
    void btnOKClick();
    void btnCancelClick();

  protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

  private:
    void ListsChanged();

    QString path_;
    bool shown_ = false;
    bool read_ = false;
};
