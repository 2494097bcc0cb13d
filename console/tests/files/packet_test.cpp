// The in-memory dataset, the XML data packet format and the card-system listing, without a
// database of our own.
#include <gtest/gtest.h>

#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>

#include "CardBank.h"
#include "CvbioError.h"
#include "DataPacket.h"
#include "HolderImport.h"
#include "MemDataset.h"
#include "TemplateFiles.h"

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

// One line per row: "field=value" joined by "|"; blobs in hex, nulls as "~".
QStringList dump(const TClientDataSet& ds) {
    QStringList rows;
    for (int r = 0; r < ds.RecordCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < ds.FieldDefs().size(); ++c) {
            QVariant v = ds.Value(r, c);
            QString text = v.isNull()                                  ? "~"
                           : ds.FieldDefs()[c].kind == FieldKind::Blob ? v.toByteArray().toHex()
                                                                       : v.toString();
            cells << ds.FieldDefs()[c].name + "=" + text;
        }
        rows << cells.join("|");
    }
    return rows;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QString fixture(const char* name) {
    return QString(CVBIO_FIXTURES_DIR) + "/" + name;
}

}  // namespace

TEST(ClientDataSet, EditCycleNavigationAndLookup) {
    TClientDataSet ds;
    ds.AddFieldDef("Name", FieldKind::String, 5);
    ds.AddFieldDef("Number", FieldKind::Integer);
    ds.AddFieldDef("Bytes", FieldKind::Blob);
    ds.CreateDataSet();
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_EQ(ds.RecNo(), -1);

    for (auto [name, number] : {std::pair{"alpha-long", 1}, {"Beta", 2}, {"gamma", 3}}) {
        ds.Append();
        ds.SetField("name", QString(name));  // field names ignore letter case
        ds.SetField("Number", QString::number(number));
        ds.Post();
    }
    EXPECT_EQ(ds.RecordCount(), 3);
    EXPECT_EQ(ds.RecNo(), 2);  // the appended row is current
    ds.First();
    EXPECT_EQ(ds.FieldText("Name"), "alpha");  // cut to the width of 5
    EXPECT_TRUE(ds.FieldIsNull("Bytes"));
    EXPECT_EQ(ds.FieldInt("Number"), 1);

    ds.Append();
    EXPECT_THROW(ds.SetField("Number", "twelve"), CvbioError);
    EXPECT_THROW(ds.SetField("Number", "4294967296"), CvbioError);
    EXPECT_THROW(ds.SetField("Missing", 1), CvbioError);
    ds.Cancel();
    EXPECT_EQ(ds.RecordCount(), 3);

    ds.MoveTo(1);
    ds.Edit();
    ds.SetField("Bytes", QByteArray("\x00\x01", 2));
    ds.Next();  // moving posts the edit
    EXPECT_EQ(ds.RecNo(), 2);
    ds.Next();
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.RecNo(), 2);
    ds.MoveTo(1);
    EXPECT_EQ(ds.FieldBytes("Bytes"), QByteArray("\x00\x01", 2));

    EXPECT_TRUE(LocateTextInMemory(ds, "Name", "BETA"));
    EXPECT_EQ(ds.RecNo(), 1);
    ds.Last();
    EXPECT_FALSE(LocateTextInMemory(ds, "Name", "delta"));
    EXPECT_EQ(ds.RecNo(), 2);  // unchanged
    EXPECT_THROW(LocateTextInMemory(ds, "Nothing", "x"), CvbioError);

    ds.MoveTo(1);
    ds.Delete();
    EXPECT_EQ(ds.FieldText("Name"), "gamma");  // the next row becomes current
    ds.Delete();
    EXPECT_EQ(ds.FieldText("Name"), "alpha");  // then the new last one
    ds.EmptyDataSet();
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_THROW(ds.Delete(), CvbioError);
    EXPECT_THROW(ds.Edit(), CvbioError);

    ClientDatasetModel model(&ds, {"Number", "Name"});
    ds.Append();
    ds.SetField("Name", " x ");
    ds.SetField("Number", 9);
    ds.Post();
    model.reset();
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.data(model.index(0, 0)).toString(), "9");
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), "x");
}

TEST(DataPacket, WritesThePlainForm) {
    TClientDataSet ds;
    DefineTemplateFields(ds);
    ds.Append();
    ds.SetField(TemplateField::HolderNo, "A&<>\"'1");
    ds.SetField(TemplateField::HolderName, QString::fromUtf8("陳大文 Zoë"));
    ds.SetField(TemplateField::Template, "0123ABCD");
    ds.SetField(TemplateField::PositionNo, 3);
    ds.SetField(TemplateField::FingerNo, 7);
    ds.SetField(TemplateField::FingerPicture, QByteArray("\x00\x01\x02\xFF", 4));
    ds.Post();
    ds.Append();
    ds.SetField(TemplateField::HolderNo, "B2");
    ds.SetField(TemplateField::Template, "");
    ds.SetField(TemplateField::PositionNo, -1);
    ds.SetField(TemplateField::FingerNo, 0);
    ds.SetField(TemplateField::FingerPicture, QByteArray());
    ds.Post();

    EXPECT_EQ(
        WriteDataPacket(ds).toStdString(),
        R"(<?xml version="1.0" standalone="yes"?>  <DATAPACKET Version="2.0"><METADATA><FIELDS>)"
        R"(<FIELD attrname="cdfHolderNo" fieldtype="string" WIDTH="20"/>)"
        R"(<FIELD attrname="cdfHolderName" fieldtype="string" WIDTH="20"/>)"
        R"(<FIELD attrname="cdfTemplate" fieldtype="string" WIDTH="800"/>)"
        R"(<FIELD attrname="cdfPositionNo" fieldtype="i4"/>)"
        R"(<FIELD attrname="cdfFingerNo" fieldtype="i4"/>)"
        R"(<FIELD attrname="cdfFingerPicture" fieldtype="bin.hex" SUBTYPE="Binary"/>)"
        R"(</FIELDS><PARAMS/></METADATA><ROWDATA>)"
        R"(<ROW cdfHolderNo="A&amp;&lt;&gt;&quot;&apos;1" cdfHolderName="&#38515;&#22823;&#25991; Zo&#235;")"
        R"( cdfTemplate="0123ABCD" cdfPositionNo="3" cdfFingerNo="7" cdfFingerPicture="AAEC/w=="/>)"
        R"(<ROW cdfHolderNo="B2" cdfTemplate="" cdfPositionNo="-1" cdfFingerNo="0"/>)"
        R"(</ROWDATA></DATAPACKET>)");
}

TEST(DataPacket, ReadsBackWhatItWrote) {
    TClientDataSet ds;
    ds.AddFieldDef("Text", FieldKind::String, 50);
    ds.AddFieldDef("Number", FieldKind::Integer);
    ds.AddFieldDef("Picture", FieldKind::Blob, 0, "Binary");
    ds.CreateDataSet();
    const QString awkward = QString::fromUtf8("tab\tline\ncr\r 😀 <&> \"q\" 'a'  two  blanks ");
    QByteArray bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    ds.AppendRow({awkward, INT32_MIN, bytes});
    ds.AppendRow({QString(""), INT32_MAX, QVariant()});
    ds.AppendRow({QVariant(), QVariant(), QVariant()});

    TClientDataSet back;
    ReadDataPacket(WriteDataPacket(ds), back);
    ASSERT_EQ(back.FieldDefs().size(), 3);
    EXPECT_EQ(back.FieldDefs()[0].width, 50);
    EXPECT_EQ(back.FieldDefs()[2].subtype, "Binary");
    EXPECT_EQ(dump(back), dump(ds));
    EXPECT_EQ(back.RecNo(), 0);
    EXPECT_TRUE(back.Value(1, 0).toString().isEmpty() && !back.Value(1, 0).isNull());

    TClientDataSet unwritable;  // a name that cannot be an attribute of a row
    unwritable.AddFieldDef(QString::fromUtf8("姓名 two words"), FieldKind::String);
    unwritable.CreateDataSet();
    EXPECT_THROW(WriteDataPacket(unwritable), CvbioError);
}

struct ReadCase {
    const char* name;
    QByteArray packet;
    QStringList rows;
};

QByteArray utf16le(const QString& text) {
    QByteArray out("\xFF\xFE");
    out.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return out;
}

const QByteArray kFields =
    R"(<METADATA><FIELDS><FIELD attrname="id" fieldtype="i4"/><FIELD attrname="name" )"
    R"(fieldtype="string" WIDTH="20"/></FIELDS>)";

class DataPacketRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(DataPacketRead, ReadsOtherWritersFiles) {
    TClientDataSet ds;
    ASSERT_NO_THROW(ReadDataPacket(GetParam().packet, ds));
    EXPECT_EQ(dump(ds), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, DataPacketRead,
    ::testing::Values(
        ReadCase{"Utf8FormWithRawCharacters",
                 QString::fromUtf8(R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
                                   R"(<DATAPACKET Version="2.0"><METADATA><FIELDS><FIELD )"
                                   R"(attrname="name" fieldtype="string.uni" WIDTH="40"/>)"
                                   R"(</FIELDS><PARAMS/></METADATA><ROWDATA><ROW name="陳大文"/>)"
                                   R"(</ROWDATA></DATAPACKET>)")
                     .toUtf8(),
                 {QString::fromUtf8("name=陳大文")}},
        ReadCase{"DeclaredCodePage",
                 "<?xml version=\"1.0\" encoding=\"windows-1252\"?><DATAPACKET Version=\"2.0\">" +
                     kFields + "<PARAMS/></METADATA><ROWDATA><ROW id=\"1\" name=\"Zo\xEB\"/>" +
                     "</ROWDATA></DATAPACKET>",
                 {QString::fromUtf8("id=1|name=Zoë")}},
        ReadCase{"UndeclaredWesternBytes",
                 "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\">" +
                     kFields + "<PARAMS/></METADATA><ROWDATA><ROW id=\"1\" name=\"M\xFCller\"/>" +
                     "</ROWDATA></DATAPACKET>",
                 {QString::fromUtf8("id=1|name=Müller")}},
        ReadCase{"Utf16WithByteOrderMark",
                 utf16le(QString::fromUtf8("<?xml version=\"1.0\" encoding=\"UTF-16\"?>"
                                           "<DATAPACKET Version=\"2.0\">") +
                         QString::fromLatin1(kFields) +
                         QString::fromUtf8("<PARAMS/></METADATA><ROWDATA><ROW id=\"2\" "
                                           "name=\"李小龍\"/></ROWDATA></DATAPACKET>")),
                 {QString::fromUtf8("id=2|name=李小龍")}},
        ReadCase{"FreePascalStyleLayoutAndAttributes",
                 R"(<?xml version="1.0" encoding="utf-8"?>
<DATAPACKET Version="2.0">
  <METADATA>
    <FIELDS>
      <FIELD width="20" attrname="name" fieldname="name" fieldtype="string"/>
      <FIELD subtype="Binary" attrname="pic" fieldname="pic" fieldtype="bin.hex"/>
      <FIELD attrname="when" fieldtype="dateTime"/>
    </FIELDS>
    <PARAMS AUTOINCVALUE="1"/>
  </METADATA>
  <ROWDATA>
    <ROW Junk="x" pic="/9gA" name=" padded " when="20261210T11:00:00000"/>
    <ROW/>
  </ROWDATA>
</DATAPACKET>
)",
                 {"name= padded |pic=ffd800|when=20261210T11:00:00000", "name=~|pic=~|when=~"}},
        ReadCase{"ChangeLogInsertedModifiedDeleted",
                 R"(<?xml version="1.0" standalone="yes"?><DATAPACKET Version="2.0">)" + kFields +
                     R"(<PARAMS CHANGE_LOG="1 0 4 4 2 8 3 0 2"/></METADATA><ROWDATA>)"
                     R"(<ROW RowState="4" id="1" name="new row"/>)"
                     R"(<ROW RowState="1" id="2" name="before"/>)"
                     R"(<ROW RowState="2" id="3" name="deleted"/>)"
                     R"(<ROW RowState="8" name="after"/>)"
                     R"(<ROW id="5" name="kept"/>)"
                     R"(</ROWDATA></DATAPACKET>)",
                 {"id=1|name=new row", "id=2|name=after", "id=5|name=kept"}},
        ReadCase{"ModificationWithoutChangeLog",
                 R"(<?xml version="1.0"?><DATAPACKET Version="2.0">)" + kFields +
                     R"(</METADATA><ROWDATA><ROW RowState="1" id="2" name="before"/>)"
                     R"(<ROW RowState="8" name="after"/></ROWDATA></DATAPACKET>)",
                 {"id=2|name=after"}},
        ReadCase{"NoRows",
                 R"(<?xml version="1.0"?><DATAPACKET Version="2.0">)" + kFields +
                     R"(<PARAMS/></METADATA><ROWDATA/></DATAPACKET>)",
                 {}}),
    [](const auto& info) { return std::string(info.param.name); });

struct DamageCase {
    const char* name;
    QByteArray packet;
    const char* message;
};

const QByteArray kGood =
    R"(<?xml version="1.0" standalone="yes"?>  <DATAPACKET Version="2.0"><METADATA><FIELDS>)"
    R"(<FIELD attrname="id" fieldtype="i4"/><FIELD attrname="pic" fieldtype="bin.hex" )"
    R"(SUBTYPE="Binary"/></FIELDS><PARAMS/></METADATA><ROWDATA><ROW id="1" pic="AAEC"/>)"
    R"(<ROW id="2"/></ROWDATA></DATAPACKET>)";

QByteArray damaged(const char* from, const char* to) {
    QByteArray out = kGood;
    return out.replace(from, to);
}

class DataPacketDamage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DataPacketDamage, IsRefusedAndLeavesTheDatasetAlone) {
    TClientDataSet ds;
    ReadDataPacket(kGood, ds);
    const QStringList before = dump(ds);
    try {
        ReadDataPacket(GetParam().packet, ds);
        FAIL() << "accepted";
    } catch (const CvbioError& e) {
        EXPECT_TRUE(e.message().contains(GetParam().message)) << e.message().toStdString();
    }
    EXPECT_EQ(dump(ds), before);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DataPacketDamage,
    ::testing::Values(
        DamageCase{"Empty", "", "not a complete XML data packet"},
        DamageCase{"PlainText", "CardNo,CardID\n123,1234ABCD\n", "not a complete XML data packet"},
        DamageCase{"TruncatedInARow", kGood.left(kGood.indexOf("<ROW id=\"2\"") + 6),
                   "not a complete XML data packet"},
        DamageCase{"TruncatedAfterTheRows", kGood.left(kGood.indexOf("</DATAPACKET>")),
                   "not a complete XML data packet"},
        DamageCase{"OtherDocument", "<?xml version=\"1.0\"?><html><body/></html>", "no DATAPACKET"},
        DamageCase{"NoMetadata",
                   damaged("<METADATA>", "<METADATAX>").replace("</METADATA>", "</METADATAX>"),
                   "no field definitions"},
        DamageCase{"NoRowdata", damaged("ROWDATA>", "ROWS>"), "no rows (ROWDATA)"},
        DamageCase{"BadBase64", damaged("AAEC", "AA*C"), "not valid Base64"},
        DamageCase{"CutBase64", damaged("AAEC", "AAECA"), "not valid Base64"},
        DamageCase{"NotAWholeNumber", damaged("id=\"2\"", "id=\"two\""), "not a whole number"},
        DamageCase{"NumberBeyond32Bits", damaged("id=\"2\"", "id=\"4294967296\""),
                   "not a whole number"},
        DamageCase{"FieldWithoutType", damaged("fieldtype=\"i4\"", ""), "lacks its name or type"},
        DamageCase{"FieldDefinedTwice", damaged("attrname=\"pic\"", "attrname=\"ID\""),
                   "defined twice"},
        DamageCase{"UnknownEncoding", damaged("standalone=\"yes\"", "encoding=\"x-no-such-code\""),
                   "not supported"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DataPacket, SaveReplacesAFileOnlyWhenWritten) {
    QTemporaryDir dir;
    TClientDataSet ds;
    DefineTemplateFields(ds);
    const QString path = dir.path() + "/out.xml";
    writeFile(path, "old content that is longer than the new packet, much longer indeed .......");
    SaveDataPacket(ds, path);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), WriteDataPacket(ds));
    EXPECT_THROW(SaveDataPacket(ds, dir.path() + "/no/such/folder/out.xml"), CvbioError);
    EXPECT_THROW(LoadDataPacket(dir.path() + "/missing.xml", ds), CvbioError);
}

// ---- the card system --------------------------------------------------------------------

TEST(CardSystem, ListsTheFixtureHoldersAsTheImportWindowShowsThem) {
    TCardBankConnection adcCVK30;
    TClientDataSet cdsHolder;
    DefineCardHolderFields(cdsHolder);
    QVector<std::pair<int, int>> gauge;
    ReadCardSystem(adcCVK30, fixture("CardBank.mdb"), cdsHolder, [&](int position, int maximum) {
        gauge.push_back({position, maximum});
    });
    EXPECT_TRUE(adcCVK30.Connected());
    EXPECT_EQ(adcCVK30.ConnectionString,
              "Provider=Microsoft.Jet.OLEDB.4.0;Persist Security Info=False;Data Source=" +
                  fixture("CardBank.mdb"));
    // Nine card-system holders: "Holder Name 0042", "0" and a blank name are not listed; two
    // card numbers give HolderNo and HolderNo_1; empty pieces of "/789//1000/" are dropped; a
    // card number without a CardData row has no CardID; a blank inside a card number stays.
    EXPECT_EQ(
        dump(cdsHolder),
        QStringList({
            "cdfHolderNo=A7|cdfHolderName=Alice Chen|cdfCardNo=123|cdfCardID=1234ABCD",
            "cdfHolderNo=A7_1|cdfHolderName=Alice Chen|cdfCardNo=456|cdfCardID=00FF00FF",
            "cdfHolderNo=B2|cdfHolderName=Bob Lin|cdfCardNo=789|cdfCardID=ABCDEF01",
            "cdfHolderNo=B2_1|cdfHolderName=Bob Lin|cdfCardNo=1000|cdfCardID=10000000",
            QString::fromUtf8("cdfHolderNo=C3|cdfHolderName=陳大文|cdfCardNo=~|cdfCardID=~"),
            QString::fromUtf8("cdfHolderNo=G7|cdfHolderName=李小龍|cdfCardNo=999|cdfCardID=~"),
            QString::fromUtf8(
                "cdfHolderNo=H8|cdfHolderName=Zoë Müller|cdfCardNo=12 34|cdfCardID=DEADBEEF"),
            "cdfHolderNo=I9|cdfHolderName=Ian O'Neil|cdfCardNo=~|cdfCardID=~",
        }));
    ASSERT_EQ(gauge.size(), 10);
    EXPECT_EQ(gauge.front(), std::make_pair(0, 9));
    EXPECT_EQ(gauge.back(), std::make_pair(9, 9));
}

TEST(CardSystem, ReadsTablesAsTextInAccessOrder) {
    TCardBankConnection adcCVK30;
    adcCVK30.ConnectionString = TCardBankConnection::ConnectStringFor(fixture("CardBank.mdb"));
    adcCVK30.Open();
    TClientDataSet cards;
    adcCVK30.OpenTableOrdered(cards, "carddata", {"CardNo", "CardStatus"}, "CardNo");
    EXPECT_EQ(dump(cards), QStringList({"CardNo=1000|CardStatus=0", "CardNo=12 34|CardStatus=1",
                                        "CardNo=123|CardStatus=1", "CardNo=456|CardStatus=1",
                                        "CardNo=555|CardStatus=1", "CardNo=789|CardStatus=1"}));
    TClientDataSet byStatus;
    adcCVK30.OpenTableOrdered(byStatus, "CardData", {"CardStatus", "CardNo"}, "CardStatus");
    EXPECT_EQ(byStatus.Value(0, 1).toString(), "1000");  // numbers order by value

    EXPECT_THROW(adcCVK30.OpenTableOrdered(cards, "NoSuchTable", {"CardNo"}, "CardNo"), CvbioError);
    EXPECT_THROW(adcCVK30.OpenTableOrdered(cards, "CardData", {"CardNo", "Owner"}, "CardNo"),
                 CvbioError);
    EXPECT_EQ(cards.RecordCount(), 6);  // a failed read leaves the result alone
}

struct RefusedFile {
    const char* name;
    QByteArray content;  // empty: no file at all
};

class CardSystemRefusal : public ::testing::TestWithParam<RefusedFile> {};

TEST_P(CardSystemRefusal, FailsAndListsNothing) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/CardBank.mdb";
    if (!GetParam().content.isEmpty()) writeFile(path, GetParam().content);

    TCardBankConnection adcCVK30;
    TClientDataSet cdsHolder;
    DefineCardHolderFields(cdsHolder);
    ReadCardSystem(adcCVK30, fixture("CardBank.mdb"), cdsHolder);
    ASSERT_FALSE(cdsHolder.IsEmpty());
    EXPECT_THROW(ReadCardSystem(adcCVK30, path, cdsHolder), CvbioError);
    EXPECT_TRUE(cdsHolder.IsEmpty());
    EXPECT_FALSE(adcCVK30.Connected());
}

INSTANTIATE_TEST_SUITE_P(
    Files, CardSystemRefusal,
    ::testing::Values(RefusedFile{"ZeroFilled", QByteArray(64 * 1024, '\0')},
                      RefusedFile{"TextFile", "HolderNo,HolderName,GetCardNo\nA7,Alice,123\n"},
                      RefusedFile{"SignatureOnly",
                                  QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20)},
                      RefusedFile{"Missing", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CardSystem, ListingRules) {
    TClientDataSet holders;
    for (const char* f : {"HolderNo", "HolderName", "GetCardNo"})
        holders.AddFieldDef(f, FieldKind::String);
    holders.CreateDataSet();
    TClientDataSet cards;
    cards.AddFieldDef("CardNo", FieldKind::String);
    cards.AddFieldDef("CardID", FieldKind::String);
    cards.CreateDataSet();
    cards.AppendRow({"ab12", "CARD-AB"});
    cards.AppendRow({"12345678901", "LONG"});

    holders.AppendRow({"N1", "holder name x", " AB12 "});  // the placeholder test minds case
    holders.AppendRow({"N2", " Holder Name", "/ 9 /"});    // and is made on the untrimmed name
    holders.AppendRow({"N3", " 0 ", "1"});
    holders.AppendRow({"N4", "Holder Names", "2"});
    holders.AppendRow({"N5", "Long Card", "12345678901///"});
    holders.AppendRow({"N6", QVariant(), "3"});

    TClientDataSet cdsHolder;
    DefineCardHolderFields(cdsHolder);
    BuildCardHolderList(holders, cards, cdsHolder);
    EXPECT_EQ(dump(cdsHolder),
              QStringList({
                  "cdfHolderNo=N1|cdfHolderName=holder name x|cdfCardNo=AB12|cdfCardID=CARD-AB",
                  "cdfHolderNo=N2|cdfHolderName= Holder Name|cdfCardNo= 9 |cdfCardID=~",
                  // the list shows ten characters of the card number; the lookup used all
                  "cdfHolderNo=N5|cdfHolderName=Long Card|cdfCardNo=1234567890|cdfCardID=LONG",
              }));
}

TEST(CardSystem, SelectionAddsEachHolderNumberOnce) {
    TClientDataSet cdsHolder;
    DefineCardHolderFields(cdsHolder);
    cdsHolder.AppendRow({"A7", QString(50, 'n'), "123", "1234ABCD"});
    cdsHolder.AppendRow({"A7_1", "Alice", "456", "00FF00FF"});
    cdsHolder.AppendRow({"a7", "Other", "789", ""});
    TClientDataSet cdsSelectHolder;
    DefineSelectHolderFields(cdsSelectHolder);

    cdsHolder.MoveTo(0);
    EXPECT_TRUE(AddSelectHolder(cdsHolder, cdsSelectHolder));
    EXPECT_FALSE(AddSelectHolder(cdsHolder, cdsSelectHolder));
    cdsHolder.MoveTo(2);
    EXPECT_FALSE(AddSelectHolder(cdsHolder, cdsSelectHolder));  // a7 is A7
    cdsHolder.MoveTo(1);
    EXPECT_TRUE(AddSelectHolder(cdsHolder, cdsSelectHolder));
    EXPECT_EQ(cdsSelectHolder.RecordCount(), 2);
    EXPECT_EQ(cdsSelectHolder.Value(0, 1).toString(), QString(20, 'n'));  // width 20 here

    cdsSelectHolder.MoveTo(0);
    RemoveSelectHolder(cdsSelectHolder);
    EXPECT_EQ(
        dump(cdsSelectHolder),
        QStringList({"cdfHolderNo=A7_1|cdfHolderName=Alice|cdfCardNo=456|cdfCardID=00FF00FF"}));
    RemoveAllSelectHolders(cdsSelectHolder);
    RemoveSelectHolder(cdsSelectHolder);  // nothing to remove: no error
    AddAllSelectHolders(cdsHolder, cdsSelectHolder);
    EXPECT_EQ(cdsSelectHolder.RecordCount(), 2);
    EXPECT_EQ(cdsSelectHolder.Value(0, 0).toString(), "A7");
    EXPECT_EQ(cdsSelectHolder.Value(1, 0).toString(), "A7_1");
}

TEST(CardSystem, CardNumbersAndNames) {
    EXPECT_EQ(SplitCardNumbers("123/456"), QStringList({"123", "456"}));
    EXPECT_EQ(SplitCardNumbers(" /123//456/ "), QStringList({"123", "456"}));
    EXPECT_EQ(SplitCardNumbers("12 34"), QStringList({"12 34"}));
    EXPECT_TRUE(SplitCardNumbers("  ").isEmpty());
    EXPECT_TRUE(SplitCardNumbers("///").isEmpty());
    EXPECT_FALSE(HolderNameListed("Holder Name 0042"));
    EXPECT_FALSE(HolderNameListed("Holder Name"));
    EXPECT_FALSE(HolderNameListed("0"));
    EXPECT_FALSE(HolderNameListed("   "));
    EXPECT_TRUE(HolderNameListed("00"));
    EXPECT_TRUE(HolderNameListed(QString::fromUtf8("陳大文")));
}
