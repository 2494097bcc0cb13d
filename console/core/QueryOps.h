// The shared query operations of the windows: each sets a query's whole statement and opens or
// runs it. Table and column names come from the program; every value is bound as a parameter, so
// a name such as O'Brien is stored and found like any other.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <QStringListModel>

#include "Dataset.h"

// "Select * From " + table (closed first, then opened).
void OpenTable(TADOQuery& query, const QString& table);
// "... Order By " + column.
void OpenTableOrdered(TADOQuery& query, const QString& table, const QString& column);
// "... Order By " + column1 + "," + column2.
void OpenTableOrdered2(TADOQuery& query, const QString& table, const QString& column1,
                       const QString& column2);
// "Select * From " + table + " Where " + column + " =?" with the value bound.
void OpenTableWhere(TADOQuery& query, const QString& table, const QString& column,
                    const QString& value);
// The statement unchanged, with optional bound values for its "?" or ":name" markers.
void OpenSql(TADOQuery& query, const QString& sql, const QVariantList& params = {});
// "Update " + table + " Set " + column + " = " + number, executed for every row.
void SetColumnForAll(TADOQuery& query, const QString& table, const QString& column, int number);

// A drop-down list's items ("key=name") and its selected index, shown through the model.
class ChoiceList {
public:
    QStringListModel* model() { return &model_; }
    QStringList items() const { return model_.stringList(); }
    int count() const { return model_.rowCount(); }
    int itemIndex = -1;
    void clear() {
        model_.setStringList({});
        itemIndex = -1;
    }
    void add(const QString& item) {
        QStringList list = model_.stringList();
        list << item;
        model_.setStringList(list);
    }
    QString selectedText() const {
        QStringList list = model_.stringList();
        return itemIndex >= 0 && itemIndex < list.size() ? list[itemIndex] : QString();
    }

private:
    QStringListModel model_;
};

void FillChoiceList(TADOQuery& query, ChoiceList& list, const QString& table,
                    const QString& keyColumn, const QString& nameColumn);
void FillChoiceListFromQuery(TADOQuery& query, ChoiceList& list, const QString& keyColumn,
                             const QString& nameColumn);

// Decodes a picture column: JPEG first, then any format Qt reads. An empty column gives a null
// image. Throws CvbioError when the bytes are no picture at all.
QImage LoadPictureFromBlob(const QByteArray& bytes);
// Encodes as JPEG into baseDir + "temp.jpg" (overwritten, left on disk) and loads the current
// row's column (in edit or insert state) from that file. Throws CvbioError on failure.
void StorePictureToBlob(const QImage& picture, TADOQuery& query, const QString& column,
                        const QString& baseDir);

// JPEG through libjpeg-turbo.
QByteArray EncodeJpeg(const QImage& image, int quality = 90);
QImage DecodeJpeg(const QByteArray& bytes);  // null image when the bytes are not a JPEG

// Both columns equal their values at once, exactly (columns given as "A;B").
bool LocateByTwoFields(TADOQuery& query, const QString& columns, const QString& value1,
                       const QString& value2);
// The column equals the value, ignoring case.
bool LocateText(TADOQuery& query, const QString& column, const QString& value);
