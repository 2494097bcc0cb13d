#include "Schema.h"

#include <QHash>
#include <QRegularExpression>

#include "CvbioError.h"
#include "Dataset.h"
#include "QueryOps.h"

namespace {

struct TableDefinition {
    QString name;
    QStringList lines;
    QString primaryKey;
};

const QVector<TableDefinition>& definitions() {
    static const QVector<TableDefinition> tables = {
        {"ControllerData",
         {" CREATE TABLE ControllerData (", " ControllerNo SMALLINT DEFAULT '0',",
          " ControllerName CHAR(50),", " ModuleNo CHAR(20),", " PRIMARY KEY (ControllerNo))"},
         "ControllerNo"},
        {"FingerData",
         {" CREATE TABLE FingerData (", " DataNo INT identity,", " HolderNo CHAR(10),",
          " PositionNo SMALLINT DEFAULT '0',", " FingerNo SMALLINT DEFAULT '0',",
          " FingerTemplate TEXT,", " FingerPicture IMAGE,", " DuressFinger SMALLINT DEFAULT '0',",
          " ToReceive SMALLINT DEFAULT '0',", " PRIMARY KEY (DataNo))"},
         "DataNo"},
        {"FingerPrint",
         {" CREATE TABLE FingerPrint (", " DataNo INT identity,",
          " FingerPrintNo SMALLINT DEFAULT '0',", " FingerPrintName CHAR(50),",
          " ControllerNo SMALLINT DEFAULT '0',", " LinkFlag SMALLINT DEFAULT '0',",
          " SelectFlag SMALLINT DEFAULT '0',", " PRIMARY KEY (DataNo))"},
         "DataNo"},
        {"HolderData",
         {" CREATE TABLE HolderData (", " DataNo INT identity,", " HolderNo CHAR(10),",
          " HolderName CHAR(20),", " HolderPIN CHAR(10),", " DepartmentNo CHAR(10),",
          " OccuNo CHAR(10),", " CardID CHAR(20),", " APB SMALLINT DEFAULT '0',",
          " HolderPhoto IMAGE,", " SelectFlag SMALLINT DEFAULT '0',", " PRIMARY KEY (DataNo))"},
         "DataNo"},
        {"UserData",
         {" CREATE TABLE UserData (", " UserID CHAR(20),", " UserName CHAR(20),",
          " UserPassword CHAR(20),", " Supervisor SMALLINT,", " PRIMARY KEY (UserID))"},
         "UserID"},
    };
    return tables;
}

const TableDefinition* definition(const QString& table) {
    for (const TableDefinition& t : definitions())
        if (t.name.compare(table, Qt::CaseInsensitive) == 0) return &t;
    return nullptr;
}

}  // namespace

const QStringList& TableNames() {
    static const QStringList names = [] {
        QStringList n;
        for (const TableDefinition& t : definitions()) n << t.name;
        return n;
    }();
    return names;
}

const QStringList& CreateStatementLines(const QString& table) {
    static const QStringList none;
    const TableDefinition* t = definition(table);
    return t ? t->lines : none;
}

QString PrimaryKeyOf(const QString& table) {
    const TableDefinition* t = definition(table);
    return t ? t->primaryKey : QString();
}

int ColumnWidth(const QString& table, const QString& column) {
    static const QRegularExpression charColumn(R"(^\s*(\w+)\s+CHAR\((\d+)\))",
                                               QRegularExpression::CaseInsensitiveOption);
    const TableDefinition* t = definition(table);
    if (!t) return 0;
    for (const QString& line : t->lines) {
        QRegularExpressionMatch m = charColumn.match(line);
        if (m.hasMatch() && m.captured(1).compare(column, Qt::CaseInsensitive) == 0)
            return m.captured(2).toInt();
    }
    return 0;
}

QString DialectStatement(const QString& statement, DbEngine engine) {
    static const QRegularExpression identity(R"(\bINT\s+identity\b)",
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression image(R"(\bIMAGE\b)", QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression text(R"(\bTEXT\b)", QRegularExpression::CaseInsensitiveOption);
    QString s = statement;
    switch (engine) {
        case DbEngine::SQLite:
            // An INTEGER primary key is SQLite's own automatic row number.
            s.replace(identity, "INTEGER");
            s.replace(image, "BLOB");
            break;
        case DbEngine::MySql:
            // TEXT and BLOB stop at 64 KiB; pictures and long texts need more.
            s.replace(identity, "INT AUTO_INCREMENT");
            s.replace(image, "LONGBLOB");
            s.replace(text, "MEDIUMTEXT");
            s += " DEFAULT CHARSET=utf8mb4";
            break;
        case DbEngine::SqlServer:
        case DbEngine::None:
            break;
    }
    return s;
}

void InitialiseDatabase(TADOQuery& adqInit) {
    DbEngine engine =
        adqInit.connection() ? adqInit.connection()->engine() : DbEngine::None;
    for (const TableDefinition& table : definitions()) {
        try {
            OpenTable(adqInit, table.name);
            continue;  // the table exists; its rows and columns are not looked at
        } catch (const CvbioError&) {
            // Any failure of the select counts as a missing table.
        }
        adqInit.setSql(DialectStatement(table.lines.join("\n"), engine));
        adqInit.ExecSQL();
        if (table.name == "ControllerData") {
            OpenTable(adqInit, table.name);
            adqInit.Append();
            adqInit.SetField("ControllerNo", 0);
            adqInit.SetField("ControllerName", QStringLiteral("Not Connect"));
            adqInit.Post();
        } else if (table.name == "UserData") {
            OpenTable(adqInit, table.name);
            adqInit.Append();
            adqInit.SetField("UserID", QStringLiteral("admin"));
            adqInit.SetField("UserName", QStringLiteral("Administrator"));
            adqInit.Post();
        }
    }
    adqInit.Close();
}
