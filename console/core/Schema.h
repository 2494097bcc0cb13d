// The five tables and the first-run initialisation.
#pragma once

#include <QString>
#include <QStringList>

#include "Connection.h"

class TADOQuery;

// Table names in the order the first run examines them.
const QStringList& TableNames();

// The creating statement's lines for a table, exactly as the program sends them.
const QStringList& CreateStatementLines(const QString& table);

// Rewrites a creating statement for the engine, keeping tables, column order, defaults,
// primary keys and automatic numbering.
QString DialectStatement(const QString& statement, DbEngine engine);

// For each table in order: "Select * From T"; when that fails, create it (and seed ControllerData
// and UserData). Throws CvbioError with the engine's text when a creation or seed fails; the
// tables after it are not examined.
void InitialiseDatabase(TADOQuery& adqInit);

// Primary key of one of the five tables ("" for another table).
QString PrimaryKeyOf(const QString& table);
// Declared width of a CHAR column of the five tables, 0 for other columns.
int ColumnWidth(const QString& table, const QString& column);
