// The template export window: the operator collects the fingerprints of chosen holders into a
// list and writes the list to a template file. The list and the file are the core's
// (TemplateFiles.h); the window shows them and asks for the file name.
#pragma once

#include <QDialog>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

#include "Dataset.h"
#include "MemDataset.h"

class DatasetModel;

class TfrmFingerExport : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmFingerExport(QWidget* parent = nullptr);
    ~TfrmFingerExport() override;

    // The file dialog's filter and default extension.
    static const QString FileFilter;
    static const QString FileExt;

    QTableView *dgHolder, *dgSelectHolder;
    DatasetModel* dgHolderModel;
    ClientDatasetModel* dgSelectHolderModel;
    QToolButton *btnAddAll, *btnAdd, *btnRemove, *btnRemoveAll;
    QPushButton *btnOK, *btnCancel;

    TADOQuery adqHolderData;
    TADOQuery adqFingerData;
    TClientDataSet cdsSelectHolder;

    void FormCreate();
    void FormActivate();
    void btnAddClick();
    void btnAddAllClick();
    void btnRemoveClick();
    void btnRemoveAllClick();
    void btnOKClick();
    void btnCancelClick();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void ListsChanged();

    bool activated_ = false;
};
