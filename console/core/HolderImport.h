// Holder import from the card system: its holders listed with card numbers and internal card
// numbers, the operator's pick, and the import into HolderData. The window shows the two lists,
// drives the gauge and turns a reading failure into "Connect Database Fail!".
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "CardBank.h"
#include "Dataset.h"
#include "MemDataset.h"

namespace ImportField {
inline const QString HolderNo = "cdfHolderNo";
inline const QString HolderName = "cdfHolderName";
inline const QString CardNo = "cdfCardNo";
inline const QString CardID = "cdfCardID";
}  // namespace ImportField

// Empty lists: cdsHolder (widths 20, 50, 10, 20) and cdsSelectHolder (20, 20, 20, 20).
void DefineCardHolderFields(TClientDataSet& cdsHolder);
void DefineSelectHolderFields(TClientDataSet& cdsSelectHolder);

// GetCardNo trimmed and cut at every "/"; empty pieces dropped, blanks inside a piece kept.
QStringList SplitCardNumbers(const QString& getCardNo);

// A holder is listed when its name, trimmed, is neither empty nor "0" and does not begin with
// the eleven characters "Holder Name" (the card system's placeholder for an unused number).
bool HolderNameListed(const QString& holderName);

// (position, maximum) of the gauge.
using HolderImportProgress = std::function<void(int position, int maximum)>;

// The listing from the card system's two tables: `holders` (HolderNo, HolderName, GetCardNo) in
// HolderNo order and `cards` (CardNo, CardID). One row per card number, numbered HolderNo,
// HolderNo_1, HolderNo_2, ...; one row without card for a holder without card number; the CardID
// found by CardNo ignoring letter case, empty when there is none. Appends to `cdsHolder`.
void BuildCardHolderList(TClientDataSet& holders, TClientDataSet& cards, TClientDataSet& cdsHolder,
                         const HolderImportProgress& progress = {});

// actOpenCardData: connects `adcCVK30` to `path`, reads CardData by CardNo and HolderData by
// HolderNo, and fills `cdsHolder`. Throws CvbioError (the window shows "Connect Database Fail!")
// when the file is not an Access database or lacks a table or column; `cdsHolder` is then empty.
void ReadCardSystem(TCardBankConnection& adcCVK30, const QString& path, TClientDataSet& cdsHolder,
                    const HolderImportProgress& progress = {});

// btnAdd / double click: a copy of the current row of `cdsHolder`, unless `cdsSelectHolder`
// already lists its cdfHolderNo (ignoring letter case). True when a row was added.
bool AddSelectHolder(TClientDataSet& cdsHolder, TClientDataSet& cdsSelectHolder);
// btnAddAll: AddSelectHolder for every row of `cdsHolder` from the first.
void AddAllSelectHolders(TClientDataSet& cdsHolder, TClientDataSet& cdsSelectHolder);
// btnRemove / double click (the current row, when there is one) and btnRemoveAll.
void RemoveSelectHolder(TClientDataSet& cdsSelectHolder);
void RemoveAllSelectHolders(TClientDataSet& cdsSelectHolder);

// actImportData: `adqHolderData` opened on HolderData by HolderNo; per row of `cdsSelectHolder`
// the holder found by LocateText (ignoring letter case) is edited, otherwise one is appended with
// HolderNo; HolderName and CardID are written, nothing else. Returns the rows written. Database
// errors propagate (CvbioError) and stop the import.
int ImportSelectedHolders(TClientDataSet& cdsSelectHolder, TADOQuery& adqHolderData,
                          const HolderImportProgress& progress = {});
