#include "HolderImport.h"

#include "CvbioError.h"
#include "QueryOps.h"

namespace {

const QString PlaceholderName = "Holder Name";

void defineFields(TClientDataSet& dataset, int nameWidth, int cardNoWidth) {
    dataset.ClearFields();
    dataset.AddFieldDef(ImportField::HolderNo, FieldKind::String, 20);
    dataset.AddFieldDef(ImportField::HolderName, FieldKind::String, nameWidth);
    dataset.AddFieldDef(ImportField::CardNo, FieldKind::String, cardNoWidth);
    dataset.AddFieldDef(ImportField::CardID, FieldKind::String, 20);
    dataset.CreateDataSet();
}

void appendListed(TClientDataSet& list, const QString& holderNo, const QString& name,
                  const QString& cardNo, const QString& cardId) {
    // Fields without a value stay null, as on a row the engine appended.
    list.Append();
    list.SetField(ImportField::HolderNo, holderNo);
    list.SetField(ImportField::HolderName, name);
    if (!cardNo.isNull()) list.SetField(ImportField::CardNo, cardNo);
    if (!cardId.isNull()) list.SetField(ImportField::CardID, cardId);
    list.Post();
}

}  // namespace

void DefineCardHolderFields(TClientDataSet& cdsHolder) {
    defineFields(cdsHolder, 50, 10);
}

void DefineSelectHolderFields(TClientDataSet& cdsSelectHolder) {
    defineFields(cdsSelectHolder, 20, 20);
}

QStringList SplitCardNumbers(const QString& getCardNo) {
    return getCardNo.trimmed().split('/', Qt::SkipEmptyParts);
}

bool HolderNameListed(const QString& holderName) {
    QString trimmed = holderName.trimmed();
    return !trimmed.isEmpty() && trimmed != "0" && !holderName.startsWith(PlaceholderName);
}

void BuildCardHolderList(TClientDataSet& holders, TClientDataSet& cards, TClientDataSet& cdsHolder,
                         const HolderImportProgress& progress) {
    const int count = holders.RecordCount();
    if (progress) progress(0, count);
    for (int h = 0; h < count; ++h) {
        holders.MoveTo(h);
        const QString holderNo = holders.FieldText("HolderNo");
        const QString name = holders.FieldText("HolderName");
        const QStringList cardNumbers = SplitCardNumbers(holders.FieldText("GetCardNo"));
        if (HolderNameListed(name)) {
            if (cardNumbers.isEmpty())
                appendListed(cdsHolder, holderNo, name, QString(), QString());
            for (int n = 0; n < cardNumbers.size(); ++n) {
                QString cardId;
                if (LocateTextInMemory(cards, "CardNo", cardNumbers[n]))
                    cardId = cards.FieldText("CardID");
                appendListed(cdsHolder, n == 0 ? holderNo : holderNo + "_" + QString::number(n),
                             name, cardNumbers[n], cardId);
            }
        }
        if (progress) progress(h + 1, count);
    }
    if (!cdsHolder.IsEmpty()) cdsHolder.First();
}

void ReadCardSystem(TCardBankConnection& adcCVK30, const QString& path, TClientDataSet& cdsHolder,
                    const HolderImportProgress& progress) {
    // Built aside, so a failure halfway leaves the list empty rather than half filled.
    TClientDataSet listed;
    DefineCardHolderFields(listed);
    cdsHolder = listed;
    adcCVK30.Close();
    adcCVK30.ConnectionString = TCardBankConnection::ConnectStringFor(path);
    adcCVK30.Open();
    TClientDataSet adoCVK30CardData;
    TClientDataSet adqCVK30;
    adcCVK30.OpenTableOrdered(adoCVK30CardData, "CardData", {"CardNo", "CardID"}, "CardNo");
    adcCVK30.OpenTableOrdered(adqCVK30, "HolderData", {"HolderNo", "HolderName", "GetCardNo"},
                              "HolderNo");
    BuildCardHolderList(adqCVK30, adoCVK30CardData, listed, progress);
    cdsHolder = std::move(listed);
}

bool AddSelectHolder(TClientDataSet& cdsHolder, TClientDataSet& cdsSelectHolder) {
    if (cdsHolder.IsEmpty()) return false;
    const QString holderNo = cdsHolder.FieldText(ImportField::HolderNo);
    if (LocateTextInMemory(cdsSelectHolder, ImportField::HolderNo, holderNo)) return false;
    appendListed(cdsSelectHolder, holderNo, cdsHolder.FieldText(ImportField::HolderName),
                 cdsHolder.FieldText(ImportField::CardNo),
                 cdsHolder.FieldText(ImportField::CardID));
    return true;
}

void AddAllSelectHolders(TClientDataSet& cdsHolder, TClientDataSet& cdsSelectHolder) {
    for (int r = 0; r < cdsHolder.RecordCount(); ++r) {
        cdsHolder.MoveTo(r);
        AddSelectHolder(cdsHolder, cdsSelectHolder);
    }
}

void RemoveSelectHolder(TClientDataSet& cdsSelectHolder) {
    if (!cdsSelectHolder.IsEmpty()) cdsSelectHolder.Delete();
}

void RemoveAllSelectHolders(TClientDataSet& cdsSelectHolder) {
    cdsSelectHolder.EmptyDataSet();
}

int ImportSelectedHolders(TClientDataSet& cdsSelectHolder, TADOQuery& adqHolderData,
                          const HolderImportProgress& progress) {
    const int count = cdsSelectHolder.RecordCount();
    if (progress) progress(0, count);
    OpenTableOrdered(adqHolderData, "HolderData", "HolderNo");
    for (int r = 0; r < count; ++r) {
        cdsSelectHolder.MoveTo(r);
        const QString holderNo = cdsSelectHolder.FieldText(ImportField::HolderNo);
        if (LocateText(adqHolderData, "HolderNo", holderNo)) {
            adqHolderData.Edit();
        } else {
            adqHolderData.Append();
            adqHolderData.SetField("HolderNo", holderNo);
        }
        adqHolderData.SetField("HolderName", cdsSelectHolder.FieldText(ImportField::HolderName));
        adqHolderData.SetField("CardID", cdsSelectHolder.FieldText(ImportField::CardID));
        adqHolderData.Post();
        if (progress) progress(r + 1, count);
    }
    return count;
}
