#include "DataPacket.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QStringDecoder>
#include <pugixml.hpp>

#include "CvbioError.h"

namespace {

// Row marks of the format's change log.
constexpr int RowOriginal = 1;
constexpr int RowDeleted = 2;
constexpr int RowModified = 8;

// Attribute text in the plain form: markup characters as entities, everything outside printable
// ASCII as a decimal character reference, so the file reads the same in any code page.
void appendEscaped(QByteArray& out, const QString& text) {
    for (char32_t c : text.toUcs4()) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                if (c >= 0x20 && c < 0x7F)
                    out += static_cast<char>(c);
                else
                    out += "&#" + QByteArray::number(static_cast<quint32>(c)) + ";";
        }
    }
}

void appendAttribute(QByteArray& out, const QString& name, const QString& value) {
    out += ' ';
    appendEscaped(out, name);
    out += "=\"";
    appendEscaped(out, value);
    out += '"';
}

QByteArray fieldElement(const TFieldDef& field) {
    QByteArray out = "<FIELD";
    appendAttribute(out, "attrname", field.name);
    switch (field.kind) {
        case FieldKind::String:
            appendAttribute(out, "fieldtype", "string");
            if (field.width > 0) appendAttribute(out, "WIDTH", QString::number(field.width));
            break;
        case FieldKind::Integer:
            appendAttribute(out, "fieldtype", "i4");
            break;
        case FieldKind::Blob:
            appendAttribute(out, "fieldtype", "bin.hex");
            if (!field.subtype.isEmpty()) appendAttribute(out, "SUBTYPE", field.subtype);
            break;
    }
    out += "/>";
    return out;
}

// ---- reading ------------------------------------------------------------------------------

QString attributeCi(const pugi::xml_node& node, const char* name) {
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
        if (QString::fromUtf8(a.name()).compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return QString::fromUtf8(a.value());
    return QString();
}

// The packet as UTF-8: a byte-order mark wins, then the declared encoding; an undeclared file
// that is not valid UTF-8 was written in a Western code page by an older writer.
QByteArray toUtf8(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) return bytes.mid(3);
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE
                                                            : QStringDecoder::Utf16BE);
        QString text = decoder(bytes.mid(2));
        if (decoder.hasError()) throw CvbioError(QObject::tr("The file is not valid UTF-16."));
        return text.toUtf8();
    }
    static const QRegularExpression declared(R"(^\s*<\?xml[^>]*\bencoding\s*=\s*["']([^"']+)["'])");
    QRegularExpressionMatch m = declared.match(QString::fromLatin1(bytes.left(256)));
    QString encoding = m.hasMatch() ? m.captured(1).trimmed() : QString();
    bool utf8 = encoding.isEmpty() || encoding.compare("UTF-8", Qt::CaseInsensitive) == 0 ||
                encoding.compare("UTF8", Qt::CaseInsensitive) == 0;
    if (utf8) {
        QStringDecoder check(QStringDecoder::Utf8);
        (void)QString(check(bytes));
        if (!check.hasError()) return bytes;
        if (!encoding.isEmpty()) throw CvbioError(QObject::tr("The file is not valid UTF-8."));
        encoding = "windows-1252";
    }
    QStringDecoder decoder(encoding.toLatin1().constData());
    if (!decoder.isValid())
        throw CvbioError(QObject::tr("The file's encoding '%1' is not supported.").arg(encoding));
    QString text = decoder(bytes);
    return text.toUtf8();
}

struct PacketRow {
    int state = 0;
    QHash<QString, QString> values;  // by attribute name
};

FieldKind kindOf(const QString& fieldtype) {
    static const QSet<QString> integers = {"i1", "i2", "i4", "i8", "ui1", "ui2", "ui4", "ui8"};
    QString type = fieldtype.toLower();
    if (integers.contains(type)) return FieldKind::Integer;
    if (type == "bin.hex") return FieldKind::Blob;
    // "string", "string.uni" and the types this program does not store (dates, decimals,
    // booleans) are kept as their text.
    return FieldKind::String;
}

QVariant parseValue(const TFieldDef& field, const QString& text, int row) {
    switch (field.kind) {
        case FieldKind::String:
            return text;
        case FieldKind::Integer: {
            bool ok = false;
            qlonglong n = text.trimmed().toLongLong(&ok);
            if (!ok || n < INT32_MIN || n > INT32_MAX)
                throw CvbioError(QObject::tr("Row %1, field %2: '%3' is not a whole number.")
                                     .arg(row)
                                     .arg(field.name, text));
            return static_cast<int>(n);
        }
        case FieldKind::Blob: {
            QByteArray encoded = text.toLatin1();
            encoded.replace(' ', "").replace('\t', "").replace('\r', "").replace('\n', "");
            auto decoded = QByteArray::fromBase64Encoding(
                encoded, QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
            // A length of 4n + 1 cannot come from any encoder, padded or not: a cut value.
            if (!decoded || (encoded.size() % 4) == 1)
                throw CvbioError(QObject::tr("Row %1, field %2: the value is not valid Base64.")
                                     .arg(row)
                                     .arg(field.name));
            return decoded.decoded.isEmpty() ? QVariant() : QVariant(decoded.decoded);
        }
    }
    return text;
}

// Change-log entries "new original kind": which row holds the modification of which.
QHash<int, int> modificationsByOriginal(const QString& changeLog, const QVector<PacketRow>& rows) {
    QHash<int, int> result;
    QStringList parts = changeLog.split(' ', Qt::SkipEmptyParts);
    for (int i = 0; i + 2 < parts.size(); i += 3) {
        int entry = parts[i].toInt();
        int original = parts[i + 1].toInt();
        int kind = parts[i + 2].toInt();
        if ((kind & RowModified) && entry >= 1 && entry <= rows.size() && original >= 1 &&
            original <= rows.size() && entry != original)
            result.insert(original, entry);
    }
    if (!result.isEmpty() || !changeLog.trimmed().isEmpty()) return result;
    // Without a log, a modification follows its original row.
    QSet<int> taken;
    for (int i = 1; i <= rows.size(); ++i) {
        if ((rows[i - 1].state & (RowOriginal | RowDeleted)) != RowOriginal) continue;
        for (int j = i + 1; j <= rows.size(); ++j) {
            if ((rows[j - 1].state & RowModified) && !taken.contains(j)) {
                taken.insert(j);
                result.insert(i, j);
                break;
            }
        }
    }
    return result;
}

}  // namespace

QByteArray WriteDataPacket(const TClientDataSet& dataset) {
    const QVector<TFieldDef>& fields = dataset.FieldDefs();
    // Field names become attribute names of the rows, where no character reference can stand.
    static const QRegularExpression xmlName(R"(^[A-Za-z_][A-Za-z0-9_.\-]*$)");
    for (const TFieldDef& f : fields)
        if (!xmlName.match(f.name).hasMatch() || f.name == "RowState")
            throw CvbioError(
                QObject::tr("The field name '%1' cannot be written to a data packet.").arg(f.name));
    QByteArray out = "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\">";
    out += "<METADATA><FIELDS>";
    for (const TFieldDef& f : fields) out += fieldElement(f);
    out += "</FIELDS><PARAMS/></METADATA><ROWDATA>";
    for (int r = 0; r < dataset.RecordCount(); ++r) {
        out += "<ROW";
        for (int c = 0; c < fields.size(); ++c) {
            QVariant v = dataset.Value(r, c);
            if (v.isNull()) continue;
            switch (fields[c].kind) {
                case FieldKind::Blob: {
                    QByteArray bytes = v.toByteArray();
                    if (!bytes.isEmpty())
                        appendAttribute(out, fields[c].name, QString::fromLatin1(bytes.toBase64()));
                    break;
                }
                case FieldKind::Integer:
                    appendAttribute(out, fields[c].name, QString::number(v.toLongLong()));
                    break;
                case FieldKind::String:
                    appendAttribute(out, fields[c].name, v.toString());
                    break;
            }
        }
        out += "/>";
    }
    out += "</ROWDATA></DATAPACKET>";
    return out;
}

void SaveDataPacket(const TClientDataSet& dataset, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw CvbioError(QObject::tr("Cannot write '%1': %2").arg(path, file.errorString()));
    QByteArray packet = WriteDataPacket(dataset);
    if (file.write(packet) != packet.size() || !file.commit())
        throw CvbioError(QObject::tr("Cannot write '%1': %2").arg(path, file.errorString()));
}

void ReadDataPacket(const QByteArray& bytes, TClientDataSet& dataset) {
    QByteArray utf8 = toUtf8(bytes);
    pugi::xml_document doc;
    pugi::xml_parse_result parsed =
        doc.load_buffer(utf8.constData(), utf8.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!parsed)
        throw CvbioError(QObject::tr("The file is not a complete XML data packet (%1 at byte %2).")
                             .arg(QString::fromUtf8(parsed.description()))
                             .arg(parsed.offset));
    pugi::xml_node packet = doc.document_element();
    if (QString::fromUtf8(packet.name()) != "DATAPACKET")
        throw CvbioError(QObject::tr("The file is not an XML data packet (no DATAPACKET)."));
    pugi::xml_node metadata = packet.child("METADATA");
    pugi::xml_node fieldsNode = metadata.child("FIELDS");
    if (!metadata || !fieldsNode)
        throw CvbioError(QObject::tr("The data packet has no field definitions (METADATA)."));
    pugi::xml_node rowdata = packet.child("ROWDATA");
    if (!rowdata) throw CvbioError(QObject::tr("The data packet has no rows (ROWDATA)."));

    TClientDataSet result;
    for (pugi::xml_node f = fieldsNode.child("FIELD"); f; f = f.next_sibling("FIELD")) {
        QString name = QString::fromUtf8(f.attribute("attrname").value());
        QString type = attributeCi(f, "fieldtype");
        if (name.isEmpty() || type.isEmpty())
            throw CvbioError(QObject::tr("A field definition lacks its name or type."));
        if (result.FieldIndex(name) >= 0)
            throw CvbioError(QObject::tr("The field %1 is defined twice.").arg(name));
        FieldKind kind = kindOf(type);
        int width = attributeCi(f, "WIDTH").toInt();
        result.AddFieldDef(name, kind, kind == FieldKind::String ? width : 0,
                           kind == FieldKind::Blob ? attributeCi(f, "SUBTYPE") : QString());
    }

    QVector<PacketRow> rows;
    for (pugi::xml_node r = rowdata.child("ROW"); r; r = r.next_sibling("ROW")) {
        PacketRow row;
        for (pugi::xml_attribute a = r.first_attribute(); a; a = a.next_attribute()) {
            QString name = QString::fromUtf8(a.name());
            if (name == "RowState")
                row.state = QString::fromUtf8(a.value()).trimmed().toInt();
            else
                row.values.insert(name, QString::fromUtf8(a.value()));
        }
        rows.push_back(std::move(row));
    }
    QString changeLog = attributeCi(metadata.child("PARAMS"), "CHANGE_LOG");
    QHash<int, int> modifications = modificationsByOriginal(changeLog, rows);
    QSet<int> merged;
    for (int modification : modifications) merged.insert(modification);

    const QVector<TFieldDef>& fields = result.FieldDefs();
    result.CreateDataSet();
    for (int i = 1; i <= rows.size(); ++i) {
        const PacketRow& row = rows[i - 1];
        if ((row.state & RowDeleted) || merged.contains(i)) continue;
        QHash<QString, QString> values = row.values;
        // A modified row carries the changed values; they apply over its original.
        QSet<int> seen{i};
        for (int m = modifications.value(i); m && !seen.contains(m); m = modifications.value(m)) {
            seen.insert(m);
            for (auto it = rows[m - 1].values.cbegin(); it != rows[m - 1].values.cend(); ++it)
                values.insert(it.key(), it.value());
        }
        QVector<QVariant> record(fields.size());
        for (int c = 0; c < fields.size(); ++c) {
            auto it = values.constFind(fields[c].name);
            if (it != values.cend()) record[c] = parseValue(fields[c], it.value(), i);
        }
        result.AppendRow(record);
    }
    result.First();
    dataset = std::move(result);
}

void LoadDataPacket(const QString& path, TClientDataSet& dataset) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw CvbioError(QObject::tr("Cannot read '%1': %2").arg(path, file.errorString()));
    ReadDataPacket(file.readAll(), dataset);
}
