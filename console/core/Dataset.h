// A query with a static (fully fetched) result: the dataset behaviour the windows need from an
// ADO query. Rows are held in memory; edit, append, post and delete go to the table through its
// primary key. Values always travel as bound parameters.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

class TADOConnection;

enum class DatasetState { Inactive, Browse, Edit, Insert };

class TADOQuery {
public:
    explicit TADOQuery(TADOConnection* connection = nullptr) : connection_(connection) {}

    void setConnection(TADOConnection* connection) { connection_ = connection; }
    TADOConnection* connection() const { return connection_; }

    // The statement; replacing it closes the query and drops its parameters.
    void setSql(const QString& sql, const QVariantList& params = {});
    const QString& sql() const { return sql_; }
    const QVariantList& params() const { return params_; }

    // Runs the statement and fetches every row. Throws CvbioError with the engine's text.
    void Open();
    void Close();
    // Runs the statement as one without result; returns the number of rows affected.
    int ExecSQL();

    bool Active() const { return state_ != DatasetState::Inactive; }
    DatasetState State() const { return state_; }
    int RecordCount() const { return rows_.size(); }
    bool IsEmpty() const { return rows_.isEmpty(); }
    int RecNo() const { return current_; }  // 0-based index of the current row, -1 when empty
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    void First();
    void Prior();
    void Next();
    void Last();
    void MoveTo(int row);

    const QStringList& FieldNames() const { return fields_; }
    int FieldIndex(const QString& name) const;  // case-insensitive; -1 when missing
    // Value of a column of the current row; throws when the column does not exist.
    QVariant Field(const QString& name) const;
    QString FieldText(const QString& name) const;  // null becomes ""
    int FieldInt(const QString& name) const;       // null or non-numeric becomes 0
    QByteArray FieldBytes(const QString& name) const;
    QVariant Value(int row, int column) const { return rows_.value(row).value(column); }

    // Editing: Edit or Append, SetField..., Post (or Cancel). Post writes through the primary key.
    void Edit();
    void Append();
    void SetField(const QString& name, const QVariant& value);
    void Post();
    void Cancel();
    void Delete();

    // Row lookups; true when found and made current, false (current row unchanged) otherwise.
    bool Locate(const QString& column, const QVariant& value, bool caseInsensitive);
    bool LocateMany(const QStringList& columns, const QVariantList& values, bool caseInsensitive);

    // Table the statement reads ("Select * From X ..."), and its primary key.
    QString TableName() const;
    QString PrimaryKey() const;

private:
    void requireActive() const;
    void setCurrent(int row);

    TADOConnection* connection_ = nullptr;
    QString sql_;
    QVariantList params_;
    DatasetState state_ = DatasetState::Inactive;
    QStringList fields_;
    QVector<QVector<QVariant>> rows_;
    int current_ = -1;
    bool bof_ = true;
    bool eof_ = true;
    QVector<QVariant> editBuffer_;
    QVector<bool> editChanged_;
};
