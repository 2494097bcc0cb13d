#include "DatasetModel.h"

DatasetModel::DatasetModel(TADOQuery* query, QStringList fields, QObject* parent)
    : QAbstractTableModel(parent), query_(query), fields_(std::move(fields)) {}

void DatasetModel::setTitles(const QStringList& titles) {
    titles_ = titles;
    emit headerDataChanged(Qt::Horizontal, 0, std::max(0, static_cast<int>(fields_.size()) - 1));
}

void DatasetModel::reset() {
    beginResetModel();
    endResetModel();
}

int DatasetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !query_->Active() ? 0 : query_->RecordCount();
}

int DatasetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : fields_.size();
}

QVariant DatasetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole || !query_->Active()) return QVariant();
    int column = query_->FieldIndex(fields_.value(index.column()));
    if (column < 0) return QVariant();
    QVariant v = query_->Value(index.row(), column);
    return v.isNull() ? QString() : v.toString().trimmed();
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return section < titles_.size() ? titles_[section] : QString();
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole) return Qt::AlignCenter;
    return QAbstractTableModel::headerData(section, orientation, role);
}
