// Template files and the holder import against each engine: export, import and the card
// system's CardBank.mdb into a real database.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QImage>

#include "CvbioError.h"
#include "DataPacket.h"
#include "HolderImport.h"
#include "QueryOps.h"
#include "Schema.h"
#include "SysLib.h"
#include "TemplateFiles.h"
#include "TestDb.h"

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

// A template in its stored text form: 768 upper-case hexadecimal characters.
QString templateText(int seed) {
    QByteArray bytes(384, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((seed * 131 + i * 7) & 0xFF);
    return QString::fromLatin1(bytes.toHex().toUpper());
}

QByteArray picture(int seed) {
    QImage image(16, 12, QImage::Format_Grayscale8);
    image.fill(seed * 37 % 256);
    return EncodeJpeg(image);
}

class FilesTest : public ::testing::TestWithParam<TestEngine> {
  protected:
    void SetUp() override {
        db_ = std::make_unique<TestDb>(GetParam());
        ASSERT_TRUE(db_->ok());
        QFile ini(db_->baseDir() + "system.ini");
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[System]\nConnectString=" + db_->connectString().toUtf8() + "\n");
        ini.close();
        sys_ = std::make_unique<TfrmSysLib>(db_->baseDir());
        ASSERT_TRUE(sys_->OpenSharedConnection()) << sys_->adcMain.lastError().toStdString();
        TADOQuery adqInit(&sys_->adcMain);
        InitialiseDatabase(adqInit);
    }

    void addHolder(const QString& no, const QString& name, const QString& cardId = {},
                   const QByteArray& photo = {}) {
        TADOQuery q(&sys_->adcMain);
        OpenTable(q, "HolderData");
        q.Append();
        q.SetField("HolderNo", no);
        q.SetField("HolderName", name);
        q.SetField("CardID", cardId);
        q.SetField("HolderPIN", "4711");
        if (!photo.isEmpty()) q.SetField("HolderPhoto", photo);
        q.Post();
    }
    void addFinger(const QString& holder, int position, int fingerNo, const QString& text,
                   const QByteArray& pic, int duress = 0) {
        TADOQuery q(&sys_->adcMain);
        OpenTable(q, "FingerData");
        q.Append();
        q.SetField("HolderNo", holder);
        q.SetField("PositionNo", position);
        q.SetField("FingerNo", fingerNo);
        q.SetField("FingerTemplate", text);
        if (!pic.isEmpty()) q.SetField("FingerPicture", pic);
        q.SetField("DuressFinger", duress);
        q.Post();
    }
    // Every column of every row, ordered by DataNo; pictures as a digest.
    QStringList table(const QString& name) {
        TADOQuery q(&sys_->adcMain);
        OpenTableOrdered(q, name, "DataNo");
        QStringList rows;
        for (int r = 0; r < q.RecordCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < q.FieldNames().size(); ++c) {
                QVariant v = q.Value(r, c);
                QString column = q.FieldNames()[c];
                QString text =
                    column.endsWith("Picture") || column.endsWith("Photo")
                        ? QString::fromLatin1(
                              QCryptographicHash::hash(v.toByteArray(), QCryptographicHash::Md5)
                                  .toHex())
                        : v.toString().trimmed();
                cells << column + "=" + text;
            }
            rows << cells.join("|");
        }
        return rows;
    }
    QString path(const QString& name) const { return db_->baseDir() + name; }

    // Two holders with fingerprints, one without any, one with only an empty template row.
    void fillHolders() {
        addHolder("A1", "Alice");
        addHolder("B2", QString::fromUtf8("陳大文"));
        addHolder("C3", "No Fingers");
        addHolder("D4", "Blank Only");
        addFinger("A1", 7, 3, templateText(1), picture(1), 1);
        addFinger("A1", 2, 1, templateText(2), picture(2));
        addFinger("A1", 5, 9, "   ", {});
        addFinger("B2", 1, 2, templateText(3), {});
        addFinger("D4", 4, 4, "", {});
    }

    std::unique_ptr<TestDb> db_;
    std::unique_ptr<TfrmSysLib> sys_;
};

QStringList listed(const TClientDataSet& list) {
    QStringList rows;
    for (int r = 0; r < list.RecordCount(); ++r)
        rows << QString("%1/%2/%3")
                    .arg(list.Value(r, list.FieldIndex(TemplateField::HolderNo)).toString())
                    .arg(list.Value(r, list.FieldIndex(TemplateField::PositionNo)).toInt())
                    .arg(list.Value(r, list.FieldIndex(TemplateField::FingerNo)).toInt());
    return rows;
}

TEST_P(FilesTest, ExportListAddsEachHolderOnceInPositionOrder) {
    fillHolders();
    TADOQuery adqHolderData(&sys_->adcMain);
    TADOQuery adqFingerData(&sys_->adcMain);
    OpenTableOrdered(adqHolderData, "HolderData", "HolderNo");
    OpenTableOrdered2(adqFingerData, "FingerData", "HolderNo", "PositionNo");
    TClientDataSet cdsSelectHolder;
    DefineTemplateFields(cdsSelectHolder);

    EXPECT_EQ(AddHolderTemplates(cdsSelectHolder, adqFingerData, "A1", "Alice"),
              AddHolderResult::Added);
    EXPECT_EQ(listed(cdsSelectHolder), QStringList({"A1/2/1", "A1/7/3"}));  // blank one passed
    EXPECT_EQ(cdsSelectHolder.Value(1, 1).toString(), "Alice");
    EXPECT_EQ(cdsSelectHolder.Value(1, 2).toString(), templateText(1));
    EXPECT_EQ(cdsSelectHolder.Value(1, 5).toByteArray(), picture(1));
    EXPECT_EQ(AddHolderTemplates(cdsSelectHolder, adqFingerData, "a1", "Alice"),
              AddHolderResult::AlreadyListed);
    EXPECT_EQ(AddHolderTemplates(cdsSelectHolder, adqFingerData, "C3", "No Fingers"),
              AddHolderResult::HolderNoFingerTemplate);
    EXPECT_EQ(AddHolderTemplates(cdsSelectHolder, adqFingerData, "D4", "Blank Only"),
              AddHolderResult::Added);  // no row and no message
    EXPECT_EQ(cdsSelectHolder.RecordCount(), 2);

    cdsSelectHolder.MoveTo(0);
    RemoveTemplateRow(cdsSelectHolder);
    EXPECT_EQ(AddHolderTemplates(cdsSelectHolder, adqFingerData, "A1", "Alice"),
              AddHolderResult::AlreadyListed);  // still has a row in the list
    EXPECT_EQ(listed(cdsSelectHolder), QStringList({"A1/7/3"}));

    AddAllHolderTemplates(cdsSelectHolder, adqHolderData, adqFingerData);
    EXPECT_EQ(listed(cdsSelectHolder), QStringList({"A1/7/3", "B2/1/2"}));
    EXPECT_EQ(adqHolderData.FieldText("HolderNo").trimmed(), "D4");  // ends on the last holder
    RemoveAllTemplateRows(cdsSelectHolder);
    AddAllHolderTemplates(cdsSelectHolder, adqHolderData, adqFingerData);
    EXPECT_EQ(listed(cdsSelectHolder), QStringList({"A1/2/1", "A1/7/3", "B2/1/2"}));
}

TEST_P(FilesTest, ExportThenImportRewritesTheSameRows) {
    fillHolders();
    TADOQuery adqHolderData(&sys_->adcMain);
    TADOQuery adqFingerData(&sys_->adcMain);
    OpenTableOrdered(adqHolderData, "HolderData", "HolderNo");
    OpenTableOrdered2(adqFingerData, "FingerData", "HolderNo", "PositionNo");
    TClientDataSet cdsSelectHolder;
    DefineTemplateFields(cdsSelectHolder);
    AddAllHolderTemplates(cdsSelectHolder, adqHolderData, adqFingerData);
    SaveTemplateFile(cdsSelectHolder, path("two holders.xml"));

    const QStringList before = table("FingerData");
    TClientDataSet cdsImportFinger;
    DefineTemplateFields(cdsImportFinger);
    LoadTemplateFile(path("two holders.xml"), cdsImportFinger);
    TADOQuery adqEditorFinger(&sys_->adcMain);
    TemplateImportResult result = ImportTemplates(cdsImportFinger, adqHolderData, adqEditorFinger);
    EXPECT_EQ(result.rows, 3);
    EXPECT_EQ(result.written, 3);
    EXPECT_EQ(table("FingerData"), before);

    // Deleting a holder's fingerprints and importing brings them back with the file's values.
    TADOQuery del(&sys_->adcMain);
    OpenSql(del, "Select * From FingerData Where HolderNo=? Order By PositionNo", {"A1"});
    while (!del.IsEmpty()) del.Delete();
    ImportTemplates(cdsImportFinger, adqHolderData, adqEditorFinger);
    TADOQuery back(&sys_->adcMain);
    OpenSql(back, "Select * From FingerData Where HolderNo=? Order By PositionNo", {"A1"});
    ASSERT_EQ(back.RecordCount(), 2);
    EXPECT_EQ(back.FieldInt("PositionNo"), 2);
    EXPECT_EQ(back.FieldInt("FingerNo"), 1);
    EXPECT_EQ(back.FieldText("FingerTemplate"), templateText(2));
    EXPECT_EQ(back.FieldBytes("FingerPicture"), picture(2));
    back.Next();
    EXPECT_EQ(back.FieldText("FingerTemplate"), templateText(1));
    EXPECT_EQ(back.FieldInt("DuressFinger"), 0);  // not in the file: the column's default
}

TEST_P(FilesTest, ImportReplacesAPositionKeepsDuressAndCountsSkippedRows) {
    addHolder("H1", "Holder One");
    addHolder("H2", "Holder Two");
    addFinger("H1", 3, 5, templateText(10), picture(10), 1);
    addFinger("H1", 4, 6, templateText(11), picture(11), 1);

    TClientDataSet file;
    DefineTemplateFields(file);
    auto row = [&](const QString& holder, int position, int fingerNo, const QString& text,
                   const QByteArray& pic) {
        file.AppendRow({holder, "x", text, position, fingerNo, pic.isEmpty() ? QVariant() : pic});
    };
    row("h1", 3, 9, templateText(20), picture(20));  // replaces position 3 of H1
    row("H1", 4, 6, templateText(21), {});           // an empty picture replaces the old one
    row("NOBODY", 1, 7, templateText(22), picture(22));
    row("H1", 11, 8, templateText(23), {});
    row("H1", 0, 8, templateText(23), {});
    row("H2", 1, 9, templateText(24), {});  // the last holder of the file that exists
    row("NOBODY2", 2, 3, templateText(25), {});
    SaveTemplateFile(file, path("in.xml"));

    TClientDataSet cdsImportFinger;
    LoadTemplateFile(path("in.xml"), cdsImportFinger);
    TADOQuery adqHolderData(&sys_->adcMain);
    OpenTableOrdered(adqHolderData, "HolderData", "HolderNo");
    TADOQuery adqFingerData(&sys_->adcMain);
    QVector<std::pair<int, int>> gauge;
    TemplateImportResult result = ImportTemplates(cdsImportFinger, adqHolderData, adqFingerData,
                                                  [&](int position, int maximum) {
                                                      gauge.push_back({position, maximum});
                                                  });
    EXPECT_EQ(result.rows, 7);
    EXPECT_EQ(result.written, 3);
    EXPECT_EQ(result.missingHolder, 2);
    EXPECT_EQ(result.invalidPosition, 2);
    EXPECT_EQ(TemplateImportNotice(result, *sys_),
              "2 fingerprint(s) of the file have a finger position outside 1 to 10 and were not "
              "imported.");
    EXPECT_TRUE(TemplateImportNotice(TemplateImportResult{}, *sys_).isEmpty());
    ASSERT_EQ(gauge.size(), 8);
    for (int i = 0; i < gauge.size(); ++i) EXPECT_EQ(gauge[i], std::make_pair(i, 7));
    EXPECT_EQ(adqHolderData.FieldText("HolderNo").trimmed(), "H2");

    TADOQuery q(&sys_->adcMain);
    OpenSql(q, "Select * From FingerData Order By HolderNo, PositionNo");
    ASSERT_EQ(q.RecordCount(), 3);
    EXPECT_EQ(q.FieldText("HolderNo").trimmed(), "H1");  // the holder's spelling, not the file's
    EXPECT_EQ(q.FieldInt("PositionNo"), 3);
    EXPECT_EQ(q.FieldInt("FingerNo"), 9);
    EXPECT_EQ(q.FieldText("FingerTemplate"), templateText(20));
    EXPECT_EQ(q.FieldBytes("FingerPicture"), picture(20));
    EXPECT_EQ(q.FieldInt("DuressFinger"), 1);
    q.Next();
    EXPECT_EQ(q.FieldText("FingerTemplate"), templateText(21));
    EXPECT_TRUE(q.FieldBytes("FingerPicture").isEmpty());
    EXPECT_EQ(q.FieldInt("DuressFinger"), 1);
    q.Next();
    EXPECT_EQ(q.FieldText("HolderNo").trimmed(), "H2");
    EXPECT_EQ(q.FieldInt("FingerNo"), 9);  // duplicates H1's finger number: imported unchanged
}

TEST_P(FilesTest, FileFromAnotherWriterImportsUnchanged) {
    addHolder("P1", "Pat");
    addHolder("P2", "Sam");
    addFinger("P1", 4, 12, templateText(30), picture(30), 1);
    // UTF-8 form, rows marked inserted, another field order, an extra field, no cdfHolderName,
    // the same finger number twice.
    const QByteArray packet =
        QString::fromUtf8(R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<DATAPACKET Version="2.0"><METADATA><FIELDS>
<FIELD attrname="cdfFingerPicture" fieldtype="bin.hex" SUBTYPE="Binary"/>
<FIELD attrname="cdfFingerNo" fieldtype="i4"/>
<FIELD attrname="cdfNote" fieldtype="string" WIDTH="30"/>
<FIELD attrname="cdfPositionNo" fieldtype="i2"/>
<FIELD attrname="cdfTemplate" fieldtype="string" WIDTH="800"/>
<FIELD attrname="cdfHolderNo" fieldtype="string.uni" WIDTH="40"/>
</FIELDS><PARAMS CHANGE_LOG="1 0 4 2 0 4"/></METADATA><ROWDATA>
<ROW RowState="4" cdfFingerPicture="/9gAAQL/2Q==" cdfFingerNo="12" cdfNote="陳 &amp; Zoë" cdfPositionNo="4" cdfTemplate="%1" cdfHolderNo="P1"/>
<ROW RowState="4" cdfFingerNo="12" cdfPositionNo="10" cdfTemplate="%2" cdfHolderNo="P2"/>
</ROWDATA></DATAPACKET>)")
            .arg(templateText(31), templateText(32))
            .toUtf8();
    QFile f(path("foreign.xml"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(packet);
    f.close();

    TClientDataSet cdsImportFinger;
    LoadTemplateFile(path("foreign.xml"), cdsImportFinger);
    TADOQuery adqHolderData(&sys_->adcMain);
    OpenTableOrdered(adqHolderData, "HolderData", "HolderNo");
    TADOQuery adqFingerData(&sys_->adcMain);
    EXPECT_EQ(ImportTemplates(cdsImportFinger, adqHolderData, adqFingerData).written, 2);

    TADOQuery q(&sys_->adcMain);
    OpenSql(q, "Select * From FingerData Order By HolderNo");
    ASSERT_EQ(q.RecordCount(), 2);
    EXPECT_EQ(q.FieldInt("FingerNo"), 12);
    EXPECT_EQ(q.FieldText("FingerTemplate"), templateText(31));
    EXPECT_EQ(q.FieldBytes("FingerPicture"), QByteArray("\xFF\xD8\x00\x01\x02\xFF\xD9", 7));
    EXPECT_EQ(q.FieldInt("DuressFinger"), 1);
    q.Next();
    EXPECT_EQ(q.FieldInt("FingerNo"), 12);
    EXPECT_EQ(q.FieldInt("PositionNo"), 10);
}

struct Damage {
    const char* name;
    std::function<QByteArray(QByteArray)> damage;
    const char* message;
};

TEST_P(FilesTest, DamagedFilesAreRefusedWithNothingChanged) {
    fillHolders();
    TADOQuery adqHolderData(&sys_->adcMain);
    TADOQuery adqFingerData(&sys_->adcMain);
    OpenTableOrdered(adqHolderData, "HolderData", "HolderNo");
    OpenTableOrdered2(adqFingerData, "FingerData", "HolderNo", "PositionNo");
    TClientDataSet list;
    DefineTemplateFields(list);
    AddAllHolderTemplates(list, adqHolderData, adqFingerData);
    for (int r = 0; r < list.RecordCount(); ++r) {  // a file that would change every row
        list.MoveTo(r);
        list.Edit();
        list.SetField(TemplateField::FingerNo, 999);
        list.Post();
    }
    const QByteArray good = WriteDataPacket(list);
    const QStringList before = table("FingerData");

    const Damage cases[] = {
        {"truncated", [](QByteArray p) { return p.left(p.size() / 2); }, "not a complete"},
        {"no ROWDATA", [](QByteArray p) { return p.replace("ROWDATA", "ROWS"); }, "ROWDATA"},
        {"missing field", [](QByteArray p) { return p.replace("cdfFingerNo", "cdfFingerNumber"); },
         "lacks the field cdfFingerNo"},
        {"bad Base64",
         [](QByteArray p) {
             int at = p.indexOf("cdfFingerPicture=\"") + 18;
             return p.replace(at, 4, "*!?#");
         },
         "not valid Base64"},
        {"position as text",
         [](QByteArray p) {
             return p.replace(R"(attrname="cdfPositionNo" fieldtype="i4")",
                              R"(attrname="cdfPositionNo" fieldtype="string" WIDTH="2")");
         },
         "cdfPositionNo of the template file is not a whole-number field"},
        {"picture as text",
         [](QByteArray p) {
             return p.replace(R"(fieldtype="bin.hex" SUBTYPE="Binary")",
                              R"(fieldtype="string" WIDTH="99")");
         },
         "cdfFingerPicture of the template file is not a binary field"},
    };
    for (const Damage& c : cases) {
        SCOPED_TRACE(c.name);
        QFile f(path("damaged.xml"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.damage(good));
        f.close();
        TClientDataSet cdsImportFinger;
        DefineTemplateFields(cdsImportFinger);
        try {
            LoadTemplateFile(path("damaged.xml"), cdsImportFinger);
            ADD_FAILURE() << "accepted";
            TADOQuery adq(&sys_->adcMain);
            ImportTemplates(cdsImportFinger, adqHolderData, adq);
        } catch (const CvbioError& e) {
            EXPECT_TRUE(e.message().contains(c.message)) << e.message().toStdString();
        }
        EXPECT_EQ(cdsImportFinger.RecordCount(), 0);
        EXPECT_EQ(cdsImportFinger.FieldDefs().size(), 6);
        EXPECT_EQ(table("FingerData"), before);
    }
}

TEST_P(FilesTest, HolderImportFromTheCardSystem) {
    // a7 exists (other letter case) with photo, PIN and fingerprints; G7 has a card to lose.
    addHolder("a7", "Old Name", "OLDCARD", picture(40));
    addFinger("a7", 1, 1, templateText(41), picture(41), 1);
    addHolder("G7", "Old G7", "G7CARD");
    const QStringList fingersBefore = table("FingerData");

    TCardBankConnection adcCVK30;
    TClientDataSet cdsHolder;
    DefineCardHolderFields(cdsHolder);
    ReadCardSystem(adcCVK30, QString(CVBIO_FIXTURES_DIR) + "/CardBank.mdb", cdsHolder);
    TClientDataSet cdsSelectHolder;
    DefineSelectHolderFields(cdsSelectHolder);
    for (const char* no : {"A7", "A7", "A7_1", "G7", "I9", "C3"}) {
        ASSERT_TRUE(LocateTextInMemory(cdsHolder, ImportField::HolderNo, no));
        AddSelectHolder(cdsHolder, cdsSelectHolder);
    }
    ASSERT_EQ(cdsSelectHolder.RecordCount(), 5);

    TADOQuery adqHolderData(&sys_->adcMain);
    QVector<std::pair<int, int>> gauge;
    EXPECT_EQ(ImportSelectedHolders(cdsSelectHolder, adqHolderData,
                                    [&](int p, int m) {
                                        gauge.push_back({p, m});
                                    }),
              5);
    EXPECT_EQ(gauge.back(), std::make_pair(5, 5));

    TADOQuery q(&sys_->adcMain);
    OpenTableOrdered(q, "HolderData", "DataNo");
    QStringList rows;
    for (int r = 0; r < q.RecordCount(); ++r, q.Next())
        rows << QStringList({q.FieldText("HolderNo").trimmed(), q.FieldText("HolderName").trimmed(),
                             q.FieldText("CardID").trimmed(), q.FieldText("HolderPIN").trimmed(),
                             QString::number(q.FieldBytes("HolderPhoto").size())})
                    .join("|");
    EXPECT_EQ(rows, QStringList({
                        QString("a7|Alice Chen|1234ABCD|4711|%1").arg(picture(40).size()),
                        "G7|" + QString::fromUtf8("李小龍") + "||4711|0",
                        "A7_1|Alice Chen|00FF00FF||0",
                        "I9|Ian O'Neil|||0",
                        "C3|" + QString::fromUtf8("陳大文") + "|||0",
                    }));
    EXPECT_EQ(table("FingerData"), fingersBefore);
}

TEST_P(FilesTest, HolderImportStopsAtADatabaseError) {
    TClientDataSet cdsSelectHolder;
    DefineSelectHolderFields(cdsSelectHolder);
    cdsSelectHolder.AppendRow({"OK1", "First", "1", "C1"});
    cdsSelectHolder.AppendRow({"ABCDEFGHIJ_1", "Too long a number", "2", "C2"});
    cdsSelectHolder.AppendRow({"OK2", "Never reached", "3", "C3"});
    TADOQuery adqHolderData(&sys_->adcMain);
    EXPECT_THROW(ImportSelectedHolders(cdsSelectHolder, adqHolderData), CvbioError);
    TADOQuery q(&sys_->adcMain);
    OpenTable(q, "HolderData");
    ASSERT_EQ(q.RecordCount(), 1);
    EXPECT_EQ(q.FieldText("HolderNo").trimmed(), "OK1");
}

INSTANTIATE_TEST_SUITE_P(Engines, FilesTest,
                         ::testing::Values(TestEngine::SQLite, TestEngine::MariaDB),
                         EngineParamName());

}  // namespace
