// The shared database connection. The stored connection string keeps its Windows format and alone
// names the engine: "Microsoft.Jet.OLEDB.4.0" opens the embedded SQLite database at its Data
// Source, "SQLOLEDB.1" reaches SQL Server through ODBC and FreeTDS, "DRIVER={MySQL}" uses Qt's
// MySQL driver (MySQL or MariaDB).
#pragma once

#include <QMap>
#include <QSqlDatabase>
#include <QString>

enum class DbEngine { None, SQLite, SqlServer, MySql };

// Key/value pairs of a connection string; keys compare case-insensitively.
struct ConnectionString {
    QMap<QString, QString> values;  // keys stored in lower case
    static ConnectionString Parse(const QString& text);
    QString value(const QString& key) const { return values.value(key.toLower()); }
    bool has(const QString& key) const { return values.contains(key.toLower()); }
};

// What a stored string maps to; `error` is set when it names nothing this program can open.
struct ConnectionTarget {
    DbEngine engine = DbEngine::None;
    QString driver;        // Qt driver name: QSQLITE, QODBC, QMYSQL
    QString databaseName;  // file path, ODBC connection text or database name
    QString host;
    int port = -1;
    QString user;
    QString password;
    QString connectOptions;
    QString error;
};

// Maps a stored string; relative Jet paths are taken from baseDir.
ConnectionTarget MapConnectionString(const QString& text, const QString& baseDir);

// Leading bytes of a Jet (Access 97-2003) or ACE (Access 2007+) database file.
bool HasAccessSignature(const QString& path);

class TADOConnection {
public:
    explicit TADOConnection(QString name);
    ~TADOConnection();
    TADOConnection(const TADOConnection&) = delete;
    TADOConnection& operator=(const TADOConnection&) = delete;

    QString ConnectionString;
    QString BaseDir;  // for relative Data Source paths

    // Connects with ConnectionString; on failure returns false and sets lastError().
    bool Open();
    void Close();
    bool Connected() const;
    DbEngine engine() const { return engine_; }
    QSqlDatabase database() const;
    const QString& lastError() const { return lastError_; }
    const QString& name() const { return name_; }

private:
    QString name_;
    DbEngine engine_ = DbEngine::None;
    QString lastError_;
};
