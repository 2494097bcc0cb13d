#include "QueryOps.h"

#include <jpeglib.h>

#include <QFile>
#include <csetjmp>
#include <cstdio>

#include "CvbioError.h"

void OpenTable(TADOQuery& query, const QString& table) {
    query.Close();
    query.setSql("Select * From " + table);
    query.Open();
}

void OpenTableOrdered(TADOQuery& query, const QString& table, const QString& column) {
    query.Close();
    query.setSql("Select * From " + table + " Order By " + column);
    query.Open();
}

void OpenTableOrdered2(TADOQuery& query, const QString& table, const QString& column1,
                       const QString& column2) {
    query.Close();
    query.setSql("Select * From " + table + " Order By " + column1 + "," + column2);
    query.Open();
}

void OpenTableWhere(TADOQuery& query, const QString& table, const QString& column,
                    const QString& value) {
    query.setSql("Select * From " + table + " Where " + column + " =?", {value});
    query.Open();
}

void OpenSql(TADOQuery& query, const QString& sql, const QVariantList& params) {
    query.setSql(sql, params);
    query.Open();
}

void SetColumnForAll(TADOQuery& query, const QString& table, const QString& column, int number) {
    query.setSql("Update " + table + " Set " + column + " = " + QString::number(number));
    query.ExecSQL();
}

void FillChoiceListFromQuery(TADOQuery& query, ChoiceList& list, const QString& keyColumn,
                             const QString& nameColumn) {
    list.clear();
    QStringList items;
    int count = query.RecordCount();
    for (int i = 0; i < count; ++i) {
        items << query.FieldText(keyColumn).trimmed() + "=" + query.FieldText(nameColumn).trimmed();
        query.Next();
    }
    list.model()->setStringList(items);
    list.itemIndex = items.isEmpty() ? -1 : 0;
}

void FillChoiceList(TADOQuery& query, ChoiceList& list, const QString& table,
                    const QString& keyColumn, const QString& nameColumn) {
    OpenTableOrdered(query, table, keyColumn);
    FillChoiceListFromQuery(query, list, keyColumn, nameColumn);
}

namespace {

struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void jpegErrorExit(j_common_ptr info) {
    auto* manager = reinterpret_cast<JpegErrorManager*>(info->err);
    std::longjmp(manager->jump, 1);
}

void jpegSilence(j_common_ptr, int) {}

}  // namespace

QImage DecodeJpeg(const QByteArray& bytes) {
    if (bytes.size() < 4 || static_cast<unsigned char>(bytes[0]) != 0xFF ||
        static_cast<unsigned char>(bytes[1]) != 0xD8)
        return QImage();
    jpeg_decompress_struct info{};
    JpegErrorManager error{};
    info.err = jpeg_std_error(&error.base);
    error.base.error_exit = jpegErrorExit;
    error.base.emit_message = jpegSilence;
    QImage image;  // declared before setjmp so a longjmp leaves it in a defined state
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return QImage();
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = info.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&info);
    image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                   info.output_components == 1 ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return image;
}

QByteArray EncodeJpeg(const QImage& source, int quality) {
    if (source.isNull()) return QByteArray();
    QImage image = source.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct info{};
    JpegErrorManager error{};
    info.err = jpeg_std_error(&error.base);
    error.base.error_exit = jpegErrorExit;
    error.base.emit_message = jpegSilence;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        return QByteArray();
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(image.width());
    info.image_height = static_cast<JDIMENSION>(image.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(static_cast<int>(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray out(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    return out;
}

QImage LoadPictureFromBlob(const QByteArray& bytes) {
    if (bytes.isEmpty()) return QImage();
    QImage image = DecodeJpeg(bytes);
    if (!image.isNull()) return image;
    if (image.loadFromData(bytes)) return image;
    throw CvbioError(QObject::tr("The stored picture is not in a format this program can read."));
}

void StorePictureToBlob(const QImage& picture, TADOQuery& query, const QString& column,
                        const QString& baseDir) {
    QByteArray jpeg = EncodeJpeg(picture);
    if (jpeg.isEmpty()) throw CvbioError(QObject::tr("The picture could not be converted to JPEG."));
    QString path = baseDir + "temp.jpg";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(jpeg) != jpeg.size())
        throw CvbioError(QObject::tr("Cannot write %1: %2").arg(path, file.errorString()));
    file.close();
    if (!file.open(QIODevice::ReadOnly))
        throw CvbioError(QObject::tr("Cannot read %1: %2").arg(path, file.errorString()));
    query.SetField(column, file.readAll());
}

bool LocateByTwoFields(TADOQuery& query, const QString& columns, const QString& value1,
                       const QString& value2) {
    QStringList names = columns.split(';');
    if (names.size() != 2) throw CvbioError(QObject::tr("Two column names expected: %1").arg(columns));
    return query.LocateMany(names, {value1, value2}, false);
}

bool LocateText(TADOQuery& query, const QString& column, const QString& value) {
    return query.Locate(column, value, true);
}
