#include "MemDataset.h"

#include <algorithm>

#include "CvbioError.h"

void TClientDataSet::AddFieldDef(const QString& name, FieldKind kind, int width,
                                 const QString& subtype) {
    if (!rows_.isEmpty())
        throw CvbioError(QObject::tr("Fields cannot be added to a dataset that holds rows."));
    if (name.isEmpty() || FieldIndex(name) >= 0)
        throw CvbioError(QObject::tr("Field name '%1' is empty or defined twice.").arg(name));
    fields_.push_back({name, kind, std::max(0, width), subtype});
}

void TClientDataSet::ClearFields() {
    fields_.clear();
    rows_.clear();
    active_ = editing_ = inserting_ = false;
    buffer_.clear();
    setCurrent(-1);
}

QStringList TClientDataSet::FieldNames() const {
    QStringList names;
    for (const TFieldDef& f : fields_) names << f.name;
    return names;
}

int TClientDataSet::FieldIndex(const QString& name) const {
    for (int i = 0; i < fields_.size(); ++i)
        if (fields_[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

void TClientDataSet::CreateDataSet() {
    rows_.clear();
    editing_ = inserting_ = false;
    buffer_.clear();
    active_ = true;
    setCurrent(-1);
}

void TClientDataSet::EmptyDataSet() {
    requireActive();
    rows_.clear();
    editing_ = inserting_ = false;
    buffer_.clear();
    setCurrent(-1);
}

DatasetState TClientDataSet::State() const {
    if (!active_) return DatasetState::Inactive;
    if (inserting_) return DatasetState::Insert;
    if (editing_) return DatasetState::Edit;
    return DatasetState::Browse;
}

void TClientDataSet::requireActive() const {
    if (!active_) throw CvbioError(QObject::tr("The dataset is closed."));
}

void TClientDataSet::setCurrent(int row) {
    if (rows_.isEmpty()) {
        current_ = -1;
        bof_ = eof_ = true;
        return;
    }
    current_ = std::clamp(row, 0, static_cast<int>(rows_.size()) - 1);
    bof_ = eof_ = false;
}

void TClientDataSet::First() {
    requireActive();
    Post();
    setCurrent(0);
    bof_ = true;
}

void TClientDataSet::Last() {
    requireActive();
    Post();
    setCurrent(rows_.size() - 1);
    eof_ = true;
}

void TClientDataSet::Next() {
    requireActive();
    Post();
    if (rows_.isEmpty()) return;
    if (current_ + 1 >= rows_.size()) {
        eof_ = true;
        return;
    }
    ++current_;
    bof_ = false;
}

void TClientDataSet::Prior() {
    requireActive();
    Post();
    if (rows_.isEmpty()) return;
    if (current_ <= 0) {
        bof_ = true;
        return;
    }
    --current_;
    eof_ = false;
}

void TClientDataSet::MoveTo(int row) {
    requireActive();
    Post();
    setCurrent(row);
}

QVariant TClientDataSet::Field(const QString& name) const {
    int column = FieldIndex(name);
    if (column < 0) throw CvbioError(QObject::tr("Field '%1' not found").arg(name));
    if (editing_ || inserting_) return buffer_[column];
    if (current_ < 0) return QVariant();
    return rows_[current_][column];
}

QString TClientDataSet::FieldText(const QString& name) const {
    QVariant v = Field(name);
    return v.isNull() ? QString() : v.toString();
}

int TClientDataSet::FieldInt(const QString& name) const {
    QVariant v = Field(name);
    return v.isNull() ? 0 : v.toInt();
}

QByteArray TClientDataSet::FieldBytes(const QString& name) const {
    QVariant v = Field(name);
    return v.isNull() ? QByteArray() : v.toByteArray();
}

bool TClientDataSet::FieldIsNull(const QString& name) const {
    return Field(name).isNull();
}

void TClientDataSet::Append() {
    requireActive();
    Cancel();
    buffer_ = QVector<QVariant>(fields_.size());
    inserting_ = true;
}

void TClientDataSet::Edit() {
    requireActive();
    if (editing_ || inserting_) return;
    if (current_ < 0) throw CvbioError(QObject::tr("There is no row to edit."));
    buffer_ = rows_[current_];
    editing_ = true;
}

QVariant TClientDataSet::convert(const TFieldDef& field, const QVariant& value) const {
    if (value.isNull()) return QVariant();
    switch (field.kind) {
        case FieldKind::String: {
            QString text = value.toString();
            if (field.width > 0 && text.size() > field.width) text.truncate(field.width);
            return text;
        }
        case FieldKind::Integer: {
            bool ok = false;
            qlonglong n = value.toLongLong(&ok);
            if (!ok) n = value.toString().trimmed().toLongLong(&ok);
            if (!ok || n < INT32_MIN || n > INT32_MAX)
                throw CvbioError(QObject::tr("'%1' is not a valid integer value for field '%2'.")
                                     .arg(value.toString(), field.name));
            return static_cast<int>(n);
        }
        case FieldKind::Blob:
            return value.toByteArray();
    }
    return value;
}

void TClientDataSet::SetField(const QString& name, const QVariant& value) {
    if (!editing_ && !inserting_)
        throw CvbioError(QObject::tr("The dataset is not in edit or insert state."));
    int column = FieldIndex(name);
    if (column < 0) throw CvbioError(QObject::tr("Field '%1' not found").arg(name));
    buffer_[column] = convert(fields_[column], value);
}

void TClientDataSet::Post() {
    if (inserting_) {
        rows_.push_back(buffer_);
        setCurrent(rows_.size() - 1);
    } else if (editing_) {
        rows_[current_] = buffer_;
    }
    editing_ = inserting_ = false;
    buffer_.clear();
}

void TClientDataSet::Cancel() {
    editing_ = inserting_ = false;
    buffer_.clear();
}

void TClientDataSet::Delete() {
    requireActive();
    if (inserting_) {
        Cancel();
        return;
    }
    Cancel();
    if (current_ < 0) throw CvbioError(QObject::tr("There is no row to delete."));
    rows_.removeAt(current_);
    setCurrent(current_);
}

void TClientDataSet::AppendRow(const QVector<QVariant>& values) {
    requireActive();
    Cancel();
    QVector<QVariant> row = values;
    row.resize(fields_.size());
    rows_.push_back(std::move(row));
    setCurrent(rows_.size() - 1);
}

bool LocateTextInMemory(TClientDataSet& dataset, const QString& column, const QString& value) {
    int index = dataset.FieldIndex(column);
    if (index < 0) throw CvbioError(QObject::tr("Field '%1' not found").arg(column));
    for (int r = 0; r < dataset.RecordCount(); ++r) {
        QVariant cell = dataset.Value(r, index);
        QString text = cell.isNull() ? QString() : cell.toString();
        if (text.compare(value, Qt::CaseInsensitive) == 0) {
            dataset.MoveTo(r);
            return true;
        }
    }
    return false;
}

ClientDatasetModel::ClientDatasetModel(TClientDataSet* dataset, QStringList fields, QObject* parent)
    : QAbstractTableModel(parent), dataset_(dataset), fields_(std::move(fields)) {}

void ClientDatasetModel::setTitles(const QStringList& titles) {
    titles_ = titles;
    emit headerDataChanged(Qt::Horizontal, 0, std::max(0, static_cast<int>(fields_.size()) - 1));
}

void ClientDatasetModel::reset() {
    beginResetModel();
    endResetModel();
}

int ClientDatasetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !dataset_->Active() ? 0 : dataset_->RecordCount();
}

int ClientDatasetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : fields_.size();
}

QVariant ClientDatasetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole || !dataset_->Active()) return QVariant();
    int column = dataset_->FieldIndex(fields_.value(index.column()));
    if (column < 0) return QVariant();
    QVariant v = dataset_->Value(index.row(), column);
    return v.isNull() ? QString() : v.toString().trimmed();
}

QVariant ClientDatasetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return section < titles_.size() ? titles_[section] : QString();
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole) return Qt::AlignCenter;
    return QAbstractTableModel::headerData(section, orientation, role);
}
