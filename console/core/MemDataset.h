// An in-memory table with typed fields, a current row and the edit cycle of a dataset: the
// client dataset behind the export and import lists and the template files.
#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include "Dataset.h"  // DatasetState

enum class FieldKind {
    String,   // text of at most `width` characters; a longer text is cut, as the engine does
    Integer,  // signed 32-bit whole number
    Blob,     // raw bytes
};

struct TFieldDef {
    QString name;
    FieldKind kind = FieldKind::String;
    int width = 0;    // characters of a String field; 0 = unbounded
    QString subtype;  // of a Blob field, "Binary" for the template files
};

class TClientDataSet {
  public:
    // Field definitions; only while the dataset holds no rows.
    void AddFieldDef(const QString& name, FieldKind kind, int width = 0,
                     const QString& subtype = QString());
    void ClearFields();
    const QVector<TFieldDef>& FieldDefs() const { return fields_; }
    QStringList FieldNames() const;
    int FieldIndex(const QString& name) const;  // case-insensitive; -1 when missing

    // An empty dataset with the defined fields, in browse state.
    void CreateDataSet();
    // Drops every row (the fields stay).
    void EmptyDataSet();
    bool Active() const { return active_; }
    DatasetState State() const;

    int RecordCount() const { return rows_.size(); }
    bool IsEmpty() const { return rows_.isEmpty(); }
    int RecNo() const { return current_; }  // 0-based, -1 when empty
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    // Moving posts a pending edit first, as the engine's datasets do.
    void First();
    void Prior();
    void Next();
    void Last();
    void MoveTo(int row);

    // Values of the current row (of the edit buffer while editing). Throw for an unknown field.
    QVariant Field(const QString& name) const;
    QString FieldText(const QString& name) const;  // null becomes ""
    int FieldInt(const QString& name) const;       // null becomes 0
    QByteArray FieldBytes(const QString& name) const;
    bool FieldIsNull(const QString& name) const;
    QVariant Value(int row, int column) const { return rows_.value(row).value(column); }

    // Append (at the end) or Edit, SetField..., then Post or Cancel. SetField converts the value
    // to the field's kind and throws CvbioError when it cannot.
    void Append();
    void Edit();
    void SetField(const QString& name, const QVariant& value);
    void Post();
    void Cancel();
    // Deletes the current row; the next row (or the new last one) becomes current.
    void Delete();

    // For readers of stored files: a whole row, values already of the fields' kinds, taken as
    // they are (no cutting to width).
    void AppendRow(const QVector<QVariant>& values);

  private:
    void requireActive() const;
    void setCurrent(int row);
    QVariant convert(const TFieldDef& field, const QVariant& value) const;

    QVector<TFieldDef> fields_;
    QVector<QVector<QVariant>> rows_;
    bool active_ = false;
    bool editing_ = false;
    bool inserting_ = false;
    QVector<QVariant> buffer_;
    int current_ = -1;
    bool bof_ = true;
    bool eof_ = true;
};

// The first row whose `column` equals `value`, ignoring letter case, becomes current; false (and
// the current row unchanged) when there is none.
bool LocateTextInMemory(TClientDataSet& dataset, const QString& column, const QString& value);

// A read-only table model over a client dataset for the lists' grids; call reset() after the
// dataset changed. Texts are shown trimmed.
class ClientDatasetModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    ClientDatasetModel(TClientDataSet* dataset, QStringList fields, QObject* parent = nullptr);

    void setTitles(const QStringList& titles);
    void reset();
    TClientDataSet* dataset() const { return dataset_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    TClientDataSet* dataset_;
    QStringList fields_;
    QStringList titles_;
};
