// The controller records window: the access controllers (number and name) with browse and edit
// modes. Opened as a picker from the reader records window, to which it hands back the chosen
// controller number.
#pragma once

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVector>
#include <functional>

#include "Dataset.h"

class DatasetModel;
class TPanel;

// A controller or reader number as the operator typed it: an integer from 0 to 99 (blanks
// around it are ignored). Both record windows refuse anything else before writing.
bool ParseDeviceNumber(const QString& text, int& number);
// The message for a refused number, from the language pack.
QString InvalidDeviceNumberText();

// One command of the record windows: a tool button and a menu item that do the same thing.
struct RecordCommand {
    QToolButton** button;
    QAction** item;
    const char* name;     // "Append" gives btnAppend and mnuAppend
    const char* glyph;    // tool-bar picture
    const char* caption;  // menu caption
    const char* hint;     // tool button hint, also its accessible name
    std::function<void()> handler;
};
// The menu "&Data" (Append to Last), "&Function" (OK, Cancel) and "&Exit" on the menu bar, and
// the tool bar with the same commands, every handler run through RunHandler.
void BuildRecordCommands(QMenuBar* mnuMain, QToolBar* tbEdit,
                         const QVector<RecordCommand>& commands);

class TfrmControllerSetup : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmControllerSetup(QWidget* parent = nullptr);

    enum class Mode { Browse, Edit };
    Mode mode() const { return mode_; }
    bool newRecord() const { return newRecord_; }

    QMenuBar* mnuMain;
    QAction *mnuAppend, *mnuEdit, *mnuDelete, *mnuFirst, *mnuPrev, *mnuNext, *mnuLast, *mnuOk,
        *mnuCancel, *mnuExit;
    QToolBar* tbEdit;
    QToolButton *btnAppend, *btnEdit, *btnDelete, *btnFirst, *btnPrev, *btnNext, *btnLast, *btnOk,
        *btnCancel, *btnExit;
    TPanel* pnlDataEdit;
    QLabel *labControllerNo, *labControllerName;
    QLineEdit *edtControllerNo, *edtControllerName;
    QTableView* dgdControllerData;
    DatasetModel* dgdControllerDataModel;
    TADOQuery adqControllerData;

    void FormCreate();
    void FormActivate();
    void FormClose();
    void btnExitClick();
    void btnAppendClick();
    void btnEditClick();
    void btnDeleteClick();
    void btnOkClick();
    void btnCancelClick();
    void dgdControllerDataCellClick();
    void dgdControllerDataDblClick();
    void btnFirstClick();
    void btnPrevClick();
    void btnNextClick();
    void btnLastClick();

  signals:
    // A controller row was written or deleted: the reader grid, which joins on this table, and
    // the reader window's controller list are stale.
    void ControllersChanged();
    // Exit or a double click chose this controller number.
    void ControllerPicked(const QString& controllerNo);

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void SetMode(Mode mode);
    void ShowCurrentRow();
    void GridChanged();
    bool HasRows() const { return adqControllerData.Active() && !adqControllerData.IsEmpty(); }

    Mode mode_ = Mode::Browse;
    bool newRecord_ = false;
    bool activated_ = false;
};
