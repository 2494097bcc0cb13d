// A read-only table model over a TADOQuery, for grids bound to a query. The grid's current row
// and the query's current row are kept together by the window (MoveTo on a click, select on
// navigation); call reset() after the query was reopened.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include "Dataset.h"

class DatasetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // `fields`: the query's columns to show, in grid order.
    DatasetModel(TADOQuery* query, QStringList fields, QObject* parent = nullptr);

    void setTitles(const QStringList& titles);
    void reset();
    TADOQuery* query() const { return query_; }
    const QStringList& fields() const { return fields_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    TADOQuery* query_;
    QStringList fields_;
    QStringList titles_;
};
