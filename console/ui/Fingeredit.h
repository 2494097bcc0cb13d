// The fingerprint editor: one holder at a time with ten finger slots. It enrols a finger into a
// slot from the configured source, marks duress fingers, deletes fingers from every linked
// reader and then from the database, gives out the finger numbers, which are unique over all
// holders because the readers keep templates under them, and imports and exports template files.
#pragma once

#include <QAction>
#include <QDialog>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

#include "Controls.h"
#include "Dataset.h"
#include "MemDataset.h"
#include "TemplateFiles.h"

class DatasetModel;
class TfrmProgress;

class TfrmFingerEdit : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmFingerEdit(QWidget* parent = nullptr);
    ~TfrmFingerEdit() override;

    static constexpr int SlotCount = 10;
    static constexpr int MaxFingerNo = 1000;

    enum class Mode { Enrol, Delete };

    QMenuBar* mnuMain;
    QAction *mnuEdit, *mnuDelete, *mnuFirst, *mnuPrev, *mnuNext, *mnuLast, *mnuOk, *mnuCancel,
        *mnuExit;
    QToolBar* tbEdit;
    QToolButton *btnEdit, *btnDelete, *btnImport, *btnExport, *btnFirst, *btnPrev, *btnNext,
        *btnLast, *btnOk, *btnCancel, *btnExit;
    QTableView* dgdFingerData;
    QWidget* pnlEdit;
    QGroupBox* grbSource;
    // Index 1..10 is the slot; index 0 stays null.
    QLabel* Label[SlotCount + 1] = {};
    TImage* imgFinger[SlotCount + 1] = {};
    QPushButton* btnDuressFinger[SlotCount + 1] = {};
    QLabel* labFingerNo[SlotCount + 1] = {};
    QStatusBar* stbComm;
    QLabel* stbCommPanel1;
    QLabel* stbCommPanel2;

    TADOQuery adqHolderData;
    TADOQuery adqFingerData;
    TADOQuery adqAllFingerData;
    TADOQuery adqSearch;
    DatasetModel* dgdFingerDataModel;
    // The template file being imported.
    TClientDataSet cdsImportFinger;

    // What the enrolment windows read and write.
    int CurrentSlot() const { return currentSlot_; }
    const QString& EditedHolder() const { return editedHolder_; }
    int SlotFingerNo(int slot) const { return slotFingerNo_[slot]; }
    const QString& SlotTemplate(int slot) const { return slotTemplate_[slot]; }
    bool TemplateChanged(int slot) const { return templateChanged_[slot]; }
    bool DuressChanged(int slot) const { return duressChanged_[slot]; }
    bool Modified() const { return modified_; }
    bool Editing() const { return editing_; }
    Mode EditMode() const { return mode_; }
    // A successful enrolment into the current slot: its picture, its template text, the label
    // showing the slot's finger number, and the modified mark.
    void AcceptEnrolment(const QImage& picture, const QString& templateText);
    void SetModified() { modified_ = true; }

    void FormCreate();
    void FormActivate();
    void btnEditClick();
    void btnDeleteClick();
    void btnFirstClick();
    void btnPrevClick();
    void btnNextClick();
    void btnLastClick();
    void btnOkClick();
    void btnCancelClick();
    void btnExitClick();
    void dgdFingerDataCellClick();
    void imgFingerClick(QObject* sender);
    void btnDuressFingerClick(QObject* sender);
    void actDeleteFingerExecute(TfrmProgress& progress);
    void btnImportClick();
    void btnExportClick();
    TemplateImportResult actImportExecute(TfrmProgress& progress);

    // The slot number in a component's name: the two characters after `prefixLength`, trimmed.
    static int SlotOfName(const QString& name, int prefixLength);

  protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

  private:
    void ShowHolder();
    void SetEditing(bool editing);
    void SaveQuestion();
    void DiscardPending();
    void ReopenAllFingerData();
    // The lowest finger number held by no row and no slot, or 0 when all are taken.
    int FreeFingerNo() const;
    int StoredFingerNo(const QString& holder, int slot);
    bool HasHolders() const { return adqHolderData.Active() && !adqHolderData.IsEmpty(); }
    QString CurrentHolderNo() const;
    void GridFollowsQuery();

    int currentSlot_ = 0;
    QString editedHolder_;
    Mode mode_ = Mode::Enrol;
    bool editing_ = false;
    bool modified_ = false;
    bool activated_ = false;
    bool closing_ = false;
    QString slotTemplate_[SlotCount + 1];
    int slotFingerNo_[SlotCount + 1] = {};
    bool templateChanged_[SlotCount + 1] = {};
    bool duressChanged_[SlotCount + 1] = {};
};
