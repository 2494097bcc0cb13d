#include "CardBank.h"

#include <mdbtools.h>

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <memory>
#include <vector>

#include "Connection.h"  // HasAccessSignature
#include "CvbioError.h"

namespace {

MdbHandle* handle(void* p) {
    return static_cast<MdbHandle*>(p);
}

bool isNumericType(int type) {
    switch (type) {
        case MDB_BYTE:
        case MDB_INT:
        case MDB_LONGINT:
        case MDB_MONEY:
        case MDB_FLOAT:
        case MDB_DOUBLE:
        case MDB_NUMERIC:
            return true;
        default:
            return false;
    }
}

// libmdb prints fractional types with a fixed number of decimals; a card number 123 stored as a
// Double reads "123" like the text column would.
QString numberText(QString text, int type) {
    if ((type == MDB_FLOAT || type == MDB_DOUBLE || type == MDB_NUMERIC || type == MDB_MONEY) &&
        text.contains('.')) {
        while (text.endsWith('0')) text.chop(1);
        if (text.endsWith('.')) text.chop(1);
    }
    return text;
}

struct TableDeleter {
    void operator()(MdbTableDef* t) const { mdb_free_tabledef(t); }
};

}  // namespace

TCardBankConnection::~TCardBankConnection() {
    Close();
}

QString TCardBankConnection::ConnectStringFor(const QString& path) {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Persist Security Info=False;Data Source=" + path;
}

void TCardBankConnection::Open() {
    Close();
    // The path is the rest of the string up to a following "; Key=" (paths may hold ';').
    static const QRegularExpression source(R"(Data Source\s*=\s*(.*?)\s*(;\s*[A-Za-z ]+=|$))",
                                           QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch m = source.match(ConnectionString);
    QString path = m.hasMatch() ? m.captured(1) : QString();
    if (path.size() >= 2 && path.startsWith('"') && path.endsWith('"'))
        path = path.mid(1, path.size() - 2);
    if (path.isEmpty()) throw CvbioError(QObject::tr("The connection names no Data Source."));
    if (!QFileInfo(path).isFile())
        throw CvbioError(QObject::tr("The database file '%1' does not exist.").arg(path));
    // libmdb opens almost anything, a file of zeros included: look at the signature first.
    if (!HasAccessSignature(path))
        throw CvbioError(QObject::tr("'%1' is not an Access database.").arg(path));
    QByteArray native = QFile::encodeName(path);
    MdbHandle* mdb = mdb_open(native.constData(), MDB_NOFLAGS);
    if (!mdb) throw CvbioError(QObject::tr("The Access database '%1' cannot be opened.").arg(path));
    if (!mdb_read_catalog(mdb, MDB_TABLE)) {
        mdb_close(mdb);
        throw CvbioError(QObject::tr("The catalogue of '%1' cannot be read.").arg(path));
    }
    mdb_ = mdb;
}

void TCardBankConnection::Close() {
    if (mdb_) mdb_close(handle(mdb_));
    mdb_ = nullptr;
}

void TCardBankConnection::OpenTableOrdered(TClientDataSet& result, const QString& table,
                                           const QStringList& columns, const QString& orderColumn) {
    if (!mdb_) throw CvbioError(QObject::tr("The database is not connected."));
    MdbHandle* mdb = handle(mdb_);
    QByteArray tableName = table.toUtf8();
    std::unique_ptr<MdbTableDef, TableDeleter> def(
        mdb_read_table_by_name(mdb, tableName.data(), MDB_TABLE));
    if (!def) throw CvbioError(QObject::tr("The table %1 does not exist.").arg(table));
    if (!mdb_read_columns(def.get()))
        throw CvbioError(QObject::tr("The columns of table %1 cannot be read.").arg(table));

    const size_t bindSize = mdb->bind_size > 0 ? mdb->bind_size : MDB_BIND_SIZE;
    std::vector<std::vector<char>> buffers(columns.size(), std::vector<char>(bindSize + 1, 0));
    std::vector<int> lengths(columns.size(), 0);
    std::vector<int> types(columns.size(), MDB_TEXT);
    for (int c = 0; c < columns.size(); ++c) {
        int number = 0;
        for (unsigned i = 0; i < def->num_cols; ++i) {
            auto* col = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, i));
            if (QString::fromUtf8(col->name).compare(columns[c], Qt::CaseInsensitive) == 0) {
                number = static_cast<int>(i) + 1;
                types[c] = col->col_type;
                break;
            }
        }
        if (number == 0)
            throw CvbioError(QObject::tr("The table %1 has no column %2.").arg(table, columns[c]));
        mdb_bind_column(def.get(), number, buffers[c].data(), &lengths[c]);
    }
    int order = columns.indexOf(orderColumn);
    if (order < 0)
        throw CvbioError(QObject::tr("The table %1 has no column %2.").arg(table, orderColumn));

    QVector<QVector<QVariant>> rows;
    mdb_rewind_table(def.get());
    while (mdb_fetch_row(def.get())) {
        QVector<QVariant> row(columns.size());
        for (int c = 0; c < columns.size(); ++c) {
            int length = std::clamp(lengths[c], 0, static_cast<int>(bindSize));
            QString text = QString::fromUtf8(buffers[c].data(), length);
            row[c] = isNumericType(types[c]) ? numberText(text, types[c]) : text;
        }
        rows.push_back(std::move(row));
    }

    const bool numeric = isNumericType(types[order]);
    std::stable_sort(rows.begin(), rows.end(), [&](const auto& a, const auto& b) {
        QString x = a[order].toString();
        QString y = b[order].toString();
        if (x.isEmpty() || y.isEmpty()) return x.isEmpty() && !y.isEmpty();
        if (numeric) return x.toDouble() < y.toDouble();
        return x.compare(y, Qt::CaseInsensitive) < 0;
    });

    TClientDataSet data;
    for (const QString& c : columns) data.AddFieldDef(c, FieldKind::String);
    data.CreateDataSet();
    for (const auto& row : rows) data.AppendRow(row);
    data.First();
    result = std::move(data);
}
