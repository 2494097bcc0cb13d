#include "Connection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

ConnectionString ConnectionString::Parse(const QString& text) {
    ConnectionString result;
    // key=value pairs separated by ";"; a value in braces may itself contain ";".
    int i = 0;
    const int n = text.size();
    while (i < n) {
        int eq = text.indexOf('=', i);
        if (eq < 0) break;
        QString key = text.mid(i, eq - i).trimmed().toLower();
        int j = eq + 1;
        QString value;
        if (j < n && text[j] == '{') {
            int close = text.indexOf('}', j);
            if (close < 0) close = n - 1;
            value = text.mid(j, close - j + 1);
            j = close + 1;
            int semi = text.indexOf(';', j);
            j = semi < 0 ? n : semi + 1;
        } else {
            int semi = text.indexOf(';', j);
            value = text.mid(j, (semi < 0 ? n : semi) - j);
            j = semi < 0 ? n : semi + 1;
        }
        if (!key.isEmpty()) result.values.insert(key, value);
        i = j;
    }
    return result;
}

bool HasAccessSignature(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    QByteArray head = file.read(32);
    return head.size() >= 19 &&
           (head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB");
}

namespace {

QString freeTdsDriver() {
    // The Debian package installs the driver here; a registered name works as well.
    const char* paths[] = {"/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so",
                           "/usr/lib/aarch64-linux-gnu/odbc/libtdsodbc.so",
                           "/usr/lib/odbc/libtdsodbc.so"};
    for (const char* p : paths)
        if (QFileInfo::exists(p)) return QString::fromLatin1(p);
    return "{FreeTDS}";
}

QString odbcValue(const QString& v) {
    // Braces keep ";" and "=" inside a value from ending it.
    if (v.contains(';') || v.contains('=') || v.contains('{') || v.startsWith(' ') ||
        v.endsWith(' '))
        return "{" + QString(v).replace("}", "}}") + "}";
    return v;
}

}  // namespace

ConnectionTarget MapConnectionString(const QString& text, const QString& baseDir) {
    ConnectionTarget t;
    ConnectionString cs = ConnectionString::Parse(text);
    QString provider = cs.value("provider").trimmed();
    QString driver = cs.value("driver").trimmed();

    if (provider.compare("Microsoft.Jet.OLEDB.4.0", Qt::CaseInsensitive) == 0) {
        QString source = cs.value("data source").trimmed();
        if (source.isEmpty()) {
            t.error = QObject::tr("The connection string names no Data Source file.");
            return t;
        }
        source.replace('\\', '/');
        if (QFileInfo(source).isRelative()) source = QDir(baseDir).filePath(source);
        t.engine = DbEngine::SQLite;
        t.driver = "QSQLITE";
        t.databaseName = QDir::cleanPath(source);
        return t;
    }
    if (provider.compare("SQLOLEDB.1", Qt::CaseInsensitive) == 0 ||
        provider.compare("SQLOLEDB", Qt::CaseInsensitive) == 0) {
        t.engine = DbEngine::SqlServer;
        t.driver = "QODBC";
        QString server = cs.value("data source");
        QString port;
        int comma = server.indexOf(',');
        if (comma >= 0) {
            port = server.mid(comma + 1).trimmed();
            server = server.left(comma);
        }
        // Windows authentication (SSPI) is not available through FreeTDS here: the user ID and
        // password of the string are used as SQL Server credentials.
        t.user = cs.value("user id");
        t.password = cs.value("password");
        QString odbc = "DRIVER=" + odbcValue(freeTdsDriver()) + ";SERVER=" + odbcValue(server) +
                       ";DATABASE=" + odbcValue(cs.value("initial catalog")) +
                       ";UID=" + odbcValue(t.user) + ";PWD=" + odbcValue(t.password) +
                       ";TDS_Version=7.4;ClientCharset=UTF-8";
        if (!port.isEmpty()) odbc += ";PORT=" + odbcValue(port);
        if (t.user.isEmpty())
            t.error = QObject::tr("Windows authentication is not available on this system: "
                                  "enter a SQL Server user ID and password.");
        t.databaseName = odbc;
        return t;
    }
    if (driver.compare("{MySQL}", Qt::CaseInsensitive) == 0) {
        t.engine = DbEngine::MySql;
        t.driver = "QMYSQL";
        t.host = cs.value("server").trimmed();
        t.databaseName = cs.value("database").trimmed();
        t.user = cs.value("user");
        t.password = cs.value("password");
        if (cs.has("port")) t.port = cs.value("port").toInt();
        QStringList options;
        // Bit 2 of the ODBC OPTION value reports found rather than changed rows.
        if (cs.value("option").toInt() & 2) options << "CLIENT_FOUND_ROWS=1";
        if (cs.has("socket")) options << "UNIX_SOCKET=" + cs.value("socket").trimmed();
        t.connectOptions = options.join(';');
        return t;
    }
    t.error = provider.isEmpty() && driver.isEmpty()
                  ? QObject::tr("The connection string names no provider or driver.")
                  : QObject::tr("Unknown database provider: %1").arg(provider.isEmpty() ? driver : provider);
    return t;
}

TADOConnection::TADOConnection(QString name) : name_(std::move(name)) {}

TADOConnection::~TADOConnection() {
    Close();
}

bool TADOConnection::Connected() const {
    return engine_ != DbEngine::None && QSqlDatabase::contains(name_) &&
           QSqlDatabase::database(name_, false).isOpen();
}

QSqlDatabase TADOConnection::database() const {
    return QSqlDatabase::database(name_, false);
}

void TADOConnection::Close() {
    if (QSqlDatabase::contains(name_)) {
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            if (db.isOpen()) db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }
    engine_ = DbEngine::None;
}

bool TADOConnection::Open() {
    Close();
    lastError_.clear();
    ConnectionTarget t = MapConnectionString(ConnectionString, BaseDir);
    if (!t.error.isEmpty()) {
        lastError_ = t.error;
        return false;
    }
    if (!QSqlDatabase::isDriverAvailable(t.driver)) {
        lastError_ = QObject::tr("The database driver %1 is not installed.").arg(t.driver);
        return false;
    }
    if (t.engine == DbEngine::SQLite) {
        QFileInfo info(t.databaseName);
        if (info.exists() && HasAccessSignature(t.databaseName)) {
            lastError_ = QObject::tr("%1 is a Microsoft Access database. This program keeps its "
                                     "data in an embedded database and does not open or "
                                     "overwrite Access files; choose another Data Source.")
                             .arg(t.databaseName);
            return false;
        }
        if (!info.absoluteDir().exists()) {
            lastError_ = QObject::tr("The folder of %1 does not exist.").arg(t.databaseName);
            return false;
        }
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(t.driver, name_);
        db.setDatabaseName(t.databaseName);
        if (!t.host.isEmpty()) db.setHostName(t.host);
        if (t.port > 0) db.setPort(t.port);
        if (!t.user.isEmpty()) db.setUserName(t.user);
        if (!t.password.isEmpty()) db.setPassword(t.password);
        if (!t.connectOptions.isEmpty()) db.setConnectOptions(t.connectOptions);
        if (!db.open()) {
            lastError_ = db.lastError().text();
        } else if (t.engine == DbEngine::SQLite) {
            // Opening is lazy: a file that is not a database only fails on the first read.
            QSqlQuery probe(db);
            if (!probe.exec("SELECT count(*) FROM sqlite_master")) {
                lastError_ = QObject::tr("%1 is not a database: %2")
                                 .arg(t.databaseName, probe.lastError().text());
            }
        }
    }
    if (!lastError_.isEmpty()) {
        QSqlDatabase::removeDatabase(name_);
        return false;
    }
    engine_ = t.engine;
    return true;
}
