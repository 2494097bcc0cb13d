#include "TemplateFiles.h"

#include "CvbioError.h"
#include "DataPacket.h"
#include "QueryOps.h"
#include "SysLib.h"

namespace {

constexpr int HolderNoWidth = 20;
constexpr int HolderNameWidth = 20;
constexpr int TemplateWidth = 800;
constexpr int FirstPosition = 1;
constexpr int LastPosition = 10;

// CHAR columns may come back padded; a holder number never ends in blanks.
bool sameHolder(const QString& stored, const QString& holderNo) {
    return stored.trimmed().compare(holderNo, Qt::CaseInsensitive) == 0;
}

void requireField(const TClientDataSet& file, const QString& name, FieldKind kind) {
    int index = file.FieldIndex(name);
    if (index < 0) throw CvbioError(QObject::tr("The template file lacks the field %1.").arg(name));
    if (file.FieldDefs()[index].kind != kind) {
        QString expected = kind == FieldKind::String    ? QObject::tr("text")
                           : kind == FieldKind::Integer ? QObject::tr("whole-number")
                                                        : QObject::tr("binary");
        throw CvbioError(QObject::tr("The field %1 of the template file is not a %2 field.")
                             .arg(name, expected));
    }
}

}  // namespace

void DefineTemplateFields(TClientDataSet& dataset) {
    dataset.ClearFields();
    dataset.AddFieldDef(TemplateField::HolderNo, FieldKind::String, HolderNoWidth);
    dataset.AddFieldDef(TemplateField::HolderName, FieldKind::String, HolderNameWidth);
    dataset.AddFieldDef(TemplateField::Template, FieldKind::String, TemplateWidth);
    dataset.AddFieldDef(TemplateField::PositionNo, FieldKind::Integer);
    dataset.AddFieldDef(TemplateField::FingerNo, FieldKind::Integer);
    dataset.AddFieldDef(TemplateField::FingerPicture, FieldKind::Blob, 0, "Binary");
    dataset.CreateDataSet();
}

AddHolderResult AddHolderTemplates(TClientDataSet& cdsSelectHolder, TADOQuery& adqFingerData,
                                   const QString& holderNo, const QString& holderName) {
    const QString holder = holderNo.trimmed();
    if (LocateTextInMemory(cdsSelectHolder, TemplateField::HolderNo, holder))
        return AddHolderResult::AlreadyListed;
    if (!LocateText(adqFingerData, "HolderNo", holder))
        return AddHolderResult::HolderNoFingerTemplate;
    while (!adqFingerData.Eof() && sameHolder(adqFingerData.FieldText("HolderNo"), holder)) {
        QString templateText = adqFingerData.FieldText("FingerTemplate");
        if (!templateText.trimmed().isEmpty()) {
            cdsSelectHolder.Append();
            cdsSelectHolder.SetField(TemplateField::HolderNo, holder);
            cdsSelectHolder.SetField(TemplateField::HolderName, holderName.trimmed());
            cdsSelectHolder.SetField(TemplateField::FingerNo, adqFingerData.FieldInt("FingerNo"));
            cdsSelectHolder.SetField(TemplateField::PositionNo,
                                     adqFingerData.FieldInt("PositionNo"));
            cdsSelectHolder.SetField(TemplateField::Template, templateText);
            cdsSelectHolder.SetField(TemplateField::FingerPicture,
                                     adqFingerData.FieldBytes("FingerPicture"));
            cdsSelectHolder.Post();
        }
        adqFingerData.Next();
    }
    return AddHolderResult::Added;
}

void AddAllHolderTemplates(TClientDataSet& cdsSelectHolder, TADOQuery& adqHolderData,
                           TADOQuery& adqFingerData) {
    if (adqHolderData.IsEmpty()) return;
    adqHolderData.First();
    while (true) {
        AddHolderTemplates(cdsSelectHolder, adqFingerData, adqHolderData.FieldText("HolderNo"),
                           adqHolderData.FieldText("HolderName"));
        adqHolderData.Next();
        if (adqHolderData.Eof()) break;
    }
}

void RemoveTemplateRow(TClientDataSet& cdsSelectHolder) {
    if (!cdsSelectHolder.IsEmpty()) cdsSelectHolder.Delete();
}

void RemoveAllTemplateRows(TClientDataSet& cdsSelectHolder) {
    cdsSelectHolder.EmptyDataSet();
}

void SaveTemplateFile(const TClientDataSet& cdsSelectHolder, const QString& path) {
    SaveDataPacket(cdsSelectHolder, path);
}

void LoadTemplateFile(const QString& path, TClientDataSet& cdsImportFinger) {
    TClientDataSet file;
    LoadDataPacket(path, file);
    requireField(file, TemplateField::HolderNo, FieldKind::String);
    requireField(file, TemplateField::Template, FieldKind::String);
    requireField(file, TemplateField::PositionNo, FieldKind::Integer);
    requireField(file, TemplateField::FingerNo, FieldKind::Integer);
    requireField(file, TemplateField::FingerPicture, FieldKind::Blob);
    cdsImportFinger = std::move(file);
}

TemplateImportResult ImportTemplates(TClientDataSet& cdsImportFinger, TADOQuery& adqHolderData,
                                     TADOQuery& adqFingerData,
                                     const TemplateImportProgress& progress) {
    TemplateImportResult result;
    result.rows = cdsImportFinger.RecordCount();
    if (progress) progress(0, result.rows);
    OpenTableOrdered(adqFingerData, "FingerData", "HolderNo");

    for (int row = 0; row < result.rows; ++row) {
        cdsImportFinger.MoveTo(row);
        const QString holderNo = cdsImportFinger.FieldText(TemplateField::HolderNo).trimmed();
        const int position = cdsImportFinger.FieldInt(TemplateField::PositionNo);
        if (holderNo.isEmpty() || !LocateText(adqHolderData, "HolderNo", holderNo)) {
            ++result.missingHolder;
        } else if (position < FirstPosition || position > LastPosition) {
            // The editor has no slot for it; storing it would leave a row nobody can see or delete.
            ++result.invalidPosition;
        } else {
            // The holder's own spelling of its number, so the row is found by the editor's exact
            // lookups even when the file wrote the number in another letter case.
            const QString stored = adqHolderData.FieldText("HolderNo").trimmed();
            if (LocateByTwoFields(adqFingerData, "HolderNo;PositionNo", stored,
                                  QString::number(position)))
                adqFingerData.Edit();
            else
                adqFingerData.Append();
            QByteArray picture = cdsImportFinger.FieldBytes(TemplateField::FingerPicture);
            adqFingerData.SetField("HolderNo", stored);
            adqFingerData.SetField("FingerNo", cdsImportFinger.FieldInt(TemplateField::FingerNo));
            adqFingerData.SetField("PositionNo", position);
            adqFingerData.SetField("FingerTemplate",
                                   cdsImportFinger.FieldText(TemplateField::Template));
            adqFingerData.SetField("FingerPicture",
                                   picture.isEmpty() ? QVariant() : QVariant(picture));
            adqFingerData.Post();
            ++result.written;
        }
        if (progress) progress(row + 1, result.rows);
    }
    return result;
}

QString TemplateImportNotice(const TemplateImportResult& result, const TfrmSysLib& sysLib) {
    if (result.invalidPosition == 0) return QString();
    return sysLib
        .MessageText("InvalidFingerPosition",
                     "%1 fingerprint(s) of the file have a finger position outside 1 to 10 and "
                     "were not imported.")
        .arg(result.invalidPosition);
}
