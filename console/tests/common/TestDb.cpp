#include "TestDb.h"

#include <gtest/gtest.h>

#include <QProcessEnvironment>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <atomic>
#include <unistd.h>

#include "Connection.h"

const char* EngineName(TestEngine engine) {
    return engine == TestEngine::SQLite ? "SQLite" : "MariaDB";
}

namespace {

QString mariadbSocket() {
    return qEnvironmentVariable("CVBIO_MARIADB_SOCKET");
}

bool adminExec(const QString& sql, QString* error) {
    static std::atomic<int> counter{0};
    QString name = QString("testdb-admin-%1").arg(counter++);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QMYSQL", name);
        db.setUserName("root");
        db.setConnectOptions("UNIX_SOCKET=" + mariadbSocket());
        if (db.open()) {
            QSqlQuery q(db);
            ok = q.exec(sql);
            if (!ok && error) *error = q.lastError().text();
            db.close();
        } else if (error) {
            *error = db.lastError().text();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

}  // namespace

TestDb::TestDb(TestEngine engine) : engine_(engine) {
    if (engine == TestEngine::SQLite) {
        connectString_ =
            "Provider=Microsoft.Jet.OLEDB.4.0;Persist Security Info=False;Data Source=CVBIO.mdb";
        ok_ = dir_.isValid();
        return;
    }
    if (mariadbSocket().isEmpty()) {
        ADD_FAILURE() << "CVBIO_MARIADB_SOCKET is not set: run the tests through ctest, which "
                         "starts the MariaDB fixture";
        return;
    }
    static std::atomic<int> counter{0};
    databaseName_ = QString("cvbio_t%1_%2").arg(::getpid()).arg(counter++);
    QString error;
    if (!adminExec("CREATE DATABASE " + databaseName_ + " CHARACTER SET utf8mb4", &error)) {
        ADD_FAILURE() << "cannot create MariaDB test database: " << error.toStdString();
        return;
    }
    connectString_ = "DRIVER={MySQL};OPTION=3;SERVER=localhost;DATABASE=" + databaseName_ +
                     ";USER=root;PASSWORD=;SOCKET=" + mariadbSocket();
    ok_ = true;
}

TestDb::~TestDb() {
    if (engine_ == TestEngine::MariaDB && !databaseName_.isEmpty())
        adminExec("DROP DATABASE IF EXISTS " + databaseName_, nullptr);
}

bool TestDb::exec(const QString& sql) {
    TADOConnection connection(QString("testdb-exec-%1").arg(reinterpret_cast<quintptr>(this)));
    connection.ConnectionString = connectString_;
    connection.BaseDir = baseDir();
    if (!connection.Open()) return false;
    QSqlQuery q(connection.database());
    bool ok = q.exec(sql);
    q.finish();
    q = QSqlQuery();
    return ok;
}
