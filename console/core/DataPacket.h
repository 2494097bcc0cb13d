// Client datasets as XML data packets: the file format that template files use between
// installations. Written in the plain form (pure ASCII, every other character as a numeric
// character reference); read tolerantly (the UTF-8 form, a declared code page, rows carrying a
// RowState and a change log, fields in any order, unknown field types kept as text).
#pragma once

#include <QByteArray>
#include <QString>

#include "MemDataset.h"

// The packet text of a dataset: the declaration, DATAPACKET with METADATA (FIELDS, PARAMS) and
// ROWDATA with one ROW per row. A null string is left out; a null or empty blob is left out; a
// blob is Base64. Throws CvbioError for a field name that is no plain XML name.
QByteArray WriteDataPacket(const TClientDataSet& dataset);

// Writes the packet to `path`, replacing an existing file only once the new one is complete.
// Throws CvbioError when the file cannot be written.
void SaveDataPacket(const TClientDataSet& dataset, const QString& path);

// Replaces `dataset` (fields and rows) with the packet's content, the first row current. Throws
// CvbioError with a message naming the fault (not XML, truncated, no ROWDATA, a value that does
// not fit its field type, bad Base64) and leaves `dataset` as it was.
void ReadDataPacket(const QByteArray& bytes, TClientDataSet& dataset);
void LoadDataPacket(const QString& path, TClientDataSet& dataset);
