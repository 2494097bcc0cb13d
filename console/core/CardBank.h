// The card system's Access database (CardBank.mdb), read only, through mdbtools' libmdb.
#pragma once

#include <QString>
#include <QStringList>

#include "MemDataset.h"

class TCardBankConnection {
  public:
    TCardBankConnection() = default;
    ~TCardBankConnection();
    TCardBankConnection(const TCardBankConnection&) = delete;
    TCardBankConnection& operator=(const TCardBankConnection&) = delete;

    // "Provider=Microsoft.Jet.OLEDB.4.0;Persist Security Info=False;Data Source=" + path.
    static QString ConnectStringFor(const QString& path);

    // The stored string; its "Data Source" names the file.
    QString ConnectionString;

    // Opens the file named by ConnectionString. Throws CvbioError when there is no Data Source,
    // the file does not exist, is not an Access database, or libmdb cannot read its catalogue.
    void Open();
    void Close();
    bool Connected() const { return mdb_ != nullptr; }

    // The named columns of every row of `table`, as text (numbers in decimal), ordered by
    // `orderColumn` as Access orders it (text ignoring letter case, numbers by value), into a
    // dataset of String fields with those names. Throws CvbioError when the table or a column
    // is missing.
    void OpenTableOrdered(TClientDataSet& result, const QString& table, const QStringList& columns,
                          const QString& orderColumn);

  private:
    void* mdb_ = nullptr;  // MdbHandle (an anonymous struct in libmdb's header)
};
