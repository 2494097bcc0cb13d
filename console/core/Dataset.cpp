#include "Dataset.h"

#include <QRegularExpression>
#include <algorithm>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>

#include "Connection.h"
#include "CvbioError.h"
#include "Schema.h"

namespace {

QSqlDatabase databaseOf(TADOConnection* connection) {
    if (!connection || !connection->Connected())
        throw CvbioError(QObject::tr("The database is not connected."));
    return connection->database();
}

void bindAll(QSqlQuery& q, const QVariantList& params) {
    for (int i = 0; i < params.size(); ++i) q.bindValue(i, params[i]);
}

QString engineError(const QSqlQuery& q) {
    QSqlError e = q.lastError();
    QString text = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    return text.isEmpty() ? QObject::tr("The database refused the statement.") : text;
}

}  // namespace

void TADOQuery::setSql(const QString& sql, const QVariantList& params) {
    Close();
    sql_ = sql;
    params_ = params;
}

void TADOQuery::Close() {
    state_ = DatasetState::Inactive;
    fields_.clear();
    rows_.clear();
    current_ = -1;
    bof_ = eof_ = true;
    editBuffer_.clear();
    editChanged_.clear();
}

void TADOQuery::Open() {
    Close();
    QSqlDatabase db = databaseOf(connection_);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql_)) throw CvbioError(engineError(q));
    bindAll(q, params_);
    if (!q.exec()) throw CvbioError(engineError(q));
    QSqlRecord record = q.record();
    for (int i = 0; i < record.count(); ++i) fields_ << record.fieldName(i);
    while (q.next()) {
        QVector<QVariant> row(fields_.size());
        for (int i = 0; i < fields_.size(); ++i) row[i] = q.value(i);
        rows_.push_back(std::move(row));
    }
    state_ = DatasetState::Browse;
    setCurrent(rows_.isEmpty() ? -1 : 0);
}

int TADOQuery::ExecSQL() {
    Close();
    QSqlDatabase db = databaseOf(connection_);
    QSqlQuery q(db);
    if (!q.prepare(sql_)) throw CvbioError(engineError(q));
    bindAll(q, params_);
    if (!q.exec()) throw CvbioError(engineError(q));
    return q.numRowsAffected();
}

void TADOQuery::setCurrent(int row) {
    if (rows_.isEmpty()) {
        current_ = -1;
        bof_ = eof_ = true;
        return;
    }
    current_ = std::clamp(row, 0, static_cast<int>(rows_.size()) - 1);
    bof_ = eof_ = false;
}

void TADOQuery::requireActive() const {
    if (state_ == DatasetState::Inactive) throw CvbioError(QObject::tr("The dataset is closed."));
}

void TADOQuery::First() {
    requireActive();
    setCurrent(0);
    bof_ = true;
}

void TADOQuery::Last() {
    requireActive();
    setCurrent(rows_.size() - 1);
    eof_ = rows_.isEmpty();
}

void TADOQuery::Next() {
    requireActive();
    if (rows_.isEmpty()) return;
    if (current_ + 1 >= rows_.size()) {
        eof_ = true;
        return;
    }
    ++current_;
    bof_ = false;
}

void TADOQuery::Prior() {
    requireActive();
    if (rows_.isEmpty()) return;
    if (current_ <= 0) {
        bof_ = true;
        return;
    }
    --current_;
    eof_ = false;
}

void TADOQuery::MoveTo(int row) {
    requireActive();
    setCurrent(row);
}

int TADOQuery::FieldIndex(const QString& name) const {
    for (int i = 0; i < fields_.size(); ++i)
        if (fields_[i].compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

QVariant TADOQuery::Field(const QString& name) const {
    int column = FieldIndex(name);
    if (column < 0) throw CvbioError(QObject::tr("Field '%1' not found").arg(name));
    if (state_ == DatasetState::Edit || state_ == DatasetState::Insert) return editBuffer_[column];
    if (current_ < 0) return QVariant();
    return rows_[current_][column];
}

QString TADOQuery::FieldText(const QString& name) const {
    QVariant v = Field(name);
    return v.isNull() ? QString() : v.toString();
}

int TADOQuery::FieldInt(const QString& name) const {
    QVariant v = Field(name);
    bool ok = false;
    int n = v.toString().trimmed().toInt(&ok);
    return ok ? n : 0;
}

QByteArray TADOQuery::FieldBytes(const QString& name) const {
    QVariant v = Field(name);
    return v.isNull() ? QByteArray() : v.toByteArray();
}

void TADOQuery::Edit() {
    requireActive();
    if (state_ == DatasetState::Edit || state_ == DatasetState::Insert) return;
    if (current_ < 0) throw CvbioError(QObject::tr("There is no row to edit."));
    editBuffer_ = rows_[current_];
    editChanged_ = QVector<bool>(fields_.size(), false);
    state_ = DatasetState::Edit;
}

void TADOQuery::Append() {
    requireActive();
    if (state_ == DatasetState::Edit || state_ == DatasetState::Insert) Cancel();
    editBuffer_ = QVector<QVariant>(fields_.size());
    editChanged_ = QVector<bool>(fields_.size(), false);
    state_ = DatasetState::Insert;
}

void TADOQuery::SetField(const QString& name, const QVariant& value) {
    if (state_ != DatasetState::Edit && state_ != DatasetState::Insert)
        throw CvbioError(QObject::tr("The dataset is not in edit or insert state."));
    int column = FieldIndex(name);
    if (column < 0) throw CvbioError(QObject::tr("Field '%1' not found").arg(name));
    editBuffer_[column] = value;
    editChanged_[column] = true;
}

void TADOQuery::Cancel() {
    if (state_ == DatasetState::Edit || state_ == DatasetState::Insert) state_ = DatasetState::Browse;
    editBuffer_.clear();
    editChanged_.clear();
}

QString TADOQuery::TableName() const {
    static const QRegularExpression from(R"(\bfrom\s+\[?([A-Za-z_][A-Za-z0-9_]*)\]?)",
                                         QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch m = from.match(sql_);
    return m.hasMatch() ? m.captured(1) : QString();
}

QString TADOQuery::PrimaryKey() const {
    QString table = TableName();
    QString key = PrimaryKeyOf(table);
    if (!key.isEmpty()) return key;
    if (connection_ && connection_->Connected()) {
        QSqlIndex index = connection_->database().primaryIndex(table);
        if (!index.isEmpty()) return index.fieldName(0);
    }
    return QString();
}

void TADOQuery::Post() {
    if (state_ != DatasetState::Edit && state_ != DatasetState::Insert) return;
    QString table = TableName();
    QString key = PrimaryKey();
    if (table.isEmpty() || key.isEmpty())
        throw CvbioError(QObject::tr("This dataset cannot be updated: no table or key."));
    int keyColumn = FieldIndex(key);
    if (keyColumn < 0) throw CvbioError(QObject::tr("Field '%1' not found").arg(key));

    QStringList columns;
    QVariantList values;
    for (int i = 0; i < fields_.size(); ++i) {
        if (!editChanged_[i]) continue;
        columns << fields_[i];
        values << editBuffer_[i];
    }
    if (connection_ && connection_->engine() == DbEngine::SQLite) {
        // The server engines refuse a text longer than its column; the embedded one would not.
        for (int i = 0; i < columns.size(); ++i) {
            int width = ColumnWidth(table, columns[i]);
            if (width > 0 && !values[i].isNull() &&
                values[i].toString().toUcs4().size() > width)
                throw CvbioError(QObject::tr("Data too long for column '%1' (at most %2 characters)")
                                     .arg(columns[i])
                                     .arg(width));
        }
    }

    QSqlDatabase db = databaseOf(connection_);
    QSqlQuery q(db);
    if (state_ == DatasetState::Edit) {
        if (!columns.isEmpty()) {
            QStringList sets;
            for (const QString& c : columns) sets << c + "=?";
            QString sql = "UPDATE " + table + " SET " + sets.join(", ") + " WHERE " + key + "=?";
            if (!q.prepare(sql)) throw CvbioError(engineError(q));
            bindAll(q, values);
            q.bindValue(values.size(), rows_[current_][keyColumn]);
            if (!q.exec()) throw CvbioError(engineError(q));
        }
        rows_[current_] = editBuffer_;
    } else {
        QString sql;
        if (columns.isEmpty()) {
            sql = "INSERT INTO " + table + " DEFAULT VALUES";
        } else {
            QStringList marks;
            for (int i = 0; i < columns.size(); ++i) marks << "?";
            sql = "INSERT INTO " + table + " (" + columns.join(", ") + ") VALUES (" +
                  marks.join(", ") + ")";
        }
        if (!q.prepare(sql)) throw CvbioError(engineError(q));
        bindAll(q, values);
        if (!q.exec()) throw CvbioError(engineError(q));
        if (!editChanged_[keyColumn]) {
            QVariant id = q.lastInsertId();
            if (!id.isValid() && connection_->engine() == DbEngine::SqlServer) {
                QSqlQuery identity(db);
                if (identity.exec("SELECT @@IDENTITY") && identity.next()) id = identity.value(0);
            }
            editBuffer_[keyColumn] = id;
        }
        rows_.push_back(editBuffer_);
        current_ = rows_.size() - 1;
        bof_ = eof_ = false;
    }
    state_ = DatasetState::Browse;
    editBuffer_.clear();
    editChanged_.clear();
}

void TADOQuery::Delete() {
    requireActive();
    if (state_ == DatasetState::Insert) {
        Cancel();
        return;
    }
    if (current_ < 0) throw CvbioError(QObject::tr("There is no row to delete."));
    Cancel();
    QString table = TableName();
    QString key = PrimaryKey();
    int keyColumn = FieldIndex(key);
    if (table.isEmpty() || keyColumn < 0)
        throw CvbioError(QObject::tr("This dataset cannot be updated: no table or key."));
    QSqlQuery q(databaseOf(connection_));
    if (!q.prepare("DELETE FROM " + table + " WHERE " + key + "=?"))
        throw CvbioError(engineError(q));
    q.bindValue(0, rows_[current_][keyColumn]);
    if (!q.exec()) throw CvbioError(engineError(q));
    rows_.removeAt(current_);
    setCurrent(current_);
}

bool TADOQuery::Locate(const QString& column, const QVariant& value, bool caseInsensitive) {
    return LocateMany({column}, {value}, caseInsensitive);
}

bool TADOQuery::LocateMany(const QStringList& columns, const QVariantList& values,
                           bool caseInsensitive) {
    requireActive();
    QVector<int> indexes;
    for (const QString& c : columns) {
        int i = FieldIndex(c);
        if (i < 0) throw CvbioError(QObject::tr("Field '%1' not found").arg(c));
        indexes << i;
    }
    Qt::CaseSensitivity cs = caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
    for (int r = 0; r < rows_.size(); ++r) {
        bool all = true;
        for (int k = 0; k < indexes.size() && all; ++k) {
            const QVariant& cell = rows_[r][indexes[k]];
            QString a = cell.isNull() ? QString() : cell.toString();
            QString b = values[k].isNull() ? QString() : values[k].toString();
            all = a.compare(b, cs) == 0;
        }
        if (all) {
            if (state_ == DatasetState::Edit || state_ == DatasetState::Insert) Cancel();
            setCurrent(r);
            return true;
        }
    }
    return false;
}
