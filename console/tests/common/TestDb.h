// Fresh databases for tests: an SQLite file in a temporary folder, or a new database on the
// private MariaDB server that the test run starts (its socket in CVBIO_MARIADB_SOCKET).
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <ostream>

enum class TestEngine { SQLite, MariaDB };

const char* EngineName(TestEngine engine);
inline void PrintTo(TestEngine engine, std::ostream* os) { *os << EngineName(engine); }

class TestDb {
public:
    // Creates an empty database; fails the calling test (ADD_FAILURE) when MariaDB is missing.
    explicit TestDb(TestEngine engine);
    ~TestDb();

    TestEngine engine() const { return engine_; }
    // A stored-format connection string for the database (relative to baseDir for SQLite).
    const QString& connectString() const { return connectString_; }
    // A scratch base directory (ends with "/") for system.ini, temp.jpg and the SQLite file.
    QString baseDir() const { return dir_.path() + "/"; }
    bool ok() const { return ok_; }
    // Runs one statement outside the program's own connection (setting up odd tables).
    bool exec(const QString& sql);

private:
    TestEngine engine_;
    QTemporaryDir dir_;
    QString connectString_;
    QString databaseName_;
    bool ok_ = false;
};

// The whole-test parameter name, for INSTANTIATE_TEST_SUITE_P.
struct EngineParamName {
    template <class ParamType>
    std::string operator()(const ParamType& info) const {
        return EngineName(info.param);
    }
};
