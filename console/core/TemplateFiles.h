// Template files: the export list of chosen holders' fingerprints, its file, and the import of a
// file into FingerData. The windows (export window, the editor's import) only ask for the file
// name, show the result and drive the gauge.
#pragma once

#include <QString>
#include <functional>

#include "Dataset.h"
#include "MemDataset.h"

class TfrmSysLib;

namespace TemplateField {
inline const QString HolderNo = "cdfHolderNo";
inline const QString HolderName = "cdfHolderName";
inline const QString Template = "cdfTemplate";
inline const QString PositionNo = "cdfPositionNo";
inline const QString FingerNo = "cdfFingerNo";
inline const QString FingerPicture = "cdfFingerPicture";
}  // namespace TemplateField

// The six fields of a template file, in file order, and an empty dataset over them
// (cdsSelectHolder of the export window, cdsImportFinger of the editor).
void DefineTemplateFields(TClientDataSet& dataset);

enum class AddHolderResult {
    Added,                   // the holder's rows with a template were appended (maybe none)
    AlreadyListed,           // the export list has the holder already: nothing happens
    HolderNoFingerTemplate,  // no FingerData row at all: the window shows "HolderNoFingerTemplate"
};

// btnAdd for holder `holderNo` (its name `holderName`): appends one row per FingerData row of the
// holder whose template is not blank, in the order of `adqFingerData` (opened by HolderNo,
// PositionNo). Moves `adqFingerData`.
AddHolderResult AddHolderTemplates(TClientDataSet& cdsSelectHolder, TADOQuery& adqFingerData,
                                   const QString& holderNo, const QString& holderName);

// btnAddAll: every holder of `adqHolderData`, first to last, not yet listed and with fingerprint
// rows; no message. The holder list ends on its last holder.
void AddAllHolderTemplates(TClientDataSet& cdsSelectHolder, TADOQuery& adqHolderData,
                           TADOQuery& adqFingerData);

// btnRemove (the current row, when there is one) and btnRemoveAll.
void RemoveTemplateRow(TClientDataSet& cdsSelectHolder);
void RemoveAllTemplateRows(TClientDataSet& cdsSelectHolder);

// btnOK: the list as a data packet in the plain form; an existing file is replaced.
void SaveTemplateFile(const TClientDataSet& cdsSelectHolder, const QString& path);

// Loads a template file into `cdsImportFinger`. Throws CvbioError, leaving the dataset as it was,
// when the file cannot be read or lacks one of the five fields the import uses (cdfHolderName
// may be missing) or has one of them with another type.
void LoadTemplateFile(const QString& path, TClientDataSet& cdsImportFinger);

struct TemplateImportResult {
    int rows = 0;             // rows in the file (the gauge maximum)
    int written = 0;          // FingerData rows edited or appended
    int missingHolder = 0;    // rows whose holder is not in HolderData
    int invalidPosition = 0;  // rows whose cdfPositionNo is not 1 to 10
};

// Called with (rows done, rows in the file): once with 0 before the first row, then per row.
using TemplateImportProgress = std::function<void(int position, int maximum)>;

// actImport: `adqFingerData` is opened on FingerData by HolderNo; for every file row whose holder
// LocateText finds in `adqHolderData`, the FingerData row of that holder and position is edited
// or appended with HolderNo, FingerNo, PositionNo, FingerTemplate and FingerPicture from the file;
// DuressFinger stays as it was (an appended row gets the column's default). Rows with a position
// outside 1 to 10 are skipped and counted. `adqHolderData` ends on the last holder of the file
// that exists. Database errors propagate (CvbioError).
TemplateImportResult ImportTemplates(TClientDataSet& cdsImportFinger, TADOQuery& adqHolderData,
                                     TADOQuery& adqFingerData,
                                     const TemplateImportProgress& progress = {});

// The message the editor shows after an import that skipped rows for their finger position
// (key "InvalidFingerPosition"); empty when there were none.
QString TemplateImportNotice(const TemplateImportResult& result, const TfrmSysLib& sysLib);
