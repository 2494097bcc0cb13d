// Another implementation of the data packet format, Free Pascal's TBufDataset (the packetpeer
// program built beside this test), reads the template files we write, and we read its files.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "DataPacket.h"
#include "TemplateFiles.h"

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

QStringList runPeer(const QString& mode, const QString& file) {
    QProcess peer;
    peer.start(PACKET_PEER, {mode, file});
    EXPECT_TRUE(peer.waitForFinished(30000));
    EXPECT_EQ(peer.exitCode(), 0) << peer.readAllStandardError().toStdString();
    return QString::fromUtf8(peer.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

QString templateText(int seed) {
    QByteArray bytes(384, '\0');
    for (int i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(seed + i * 13);
    return QString::fromLatin1(bytes.toHex().toUpper());
}

class PacketPeer : public ::testing::Test {
  protected:
    void SetUp() override {
        DefineTemplateFields(list_);
        list_.AppendRow({"A&<1>", QString::fromUtf8("陳大文 Zoë \"O'N\""), templateText(1), 3, 17,
                         QByteArray("\xFF\xD8\x00\x01\x02\xFF\xD9", 7)});
        list_.AppendRow({"B2", QVariant(), templateText(2), 10, 1000, QVariant()});
        path_ = dir_.path() + "/export.xml";
        SaveTemplateFile(list_, path_);
    }

    // What the peer prints for our list; `pictureType` and `pictures` as it can read them.
    QStringList expected(const QString& pictureType, bool pictures) const {
        QStringList lines = {"FIELD cdfHolderNo String 20",
                             "FIELD cdfHolderName String 20",
                             "FIELD cdfTemplate String 800",
                             "FIELD cdfPositionNo Integer 0",
                             "FIELD cdfFingerNo Integer 0",
                             "FIELD cdfFingerPicture " + pictureType + " 0",
                             QString("ROWS %1").arg(list_.RecordCount())};
        for (int r = 0; r < list_.RecordCount(); ++r) {
            lines << "ROW";
            for (int c = 0; c < list_.FieldDefs().size(); ++c) {
                const QString& name = list_.FieldDefs()[c].name;
                QVariant v = list_.Value(r, c);
                if (v.isNull())
                    lines << name + " NULL";
                else if (list_.FieldDefs()[c].kind == FieldKind::Blob)
                    lines << name + " HEX " +
                                 (pictures ? QString::fromLatin1(v.toByteArray().toHex().toUpper())
                                           : QString());
                else
                    lines << name + " = " + v.toString();
            }
        }
        return lines;
    }

    QTemporaryDir dir_;
    TClientDataSet list_;
    QString path_;
};

// The peer's reader looks for a lower-case "subtype" attribute only, so it takes the picture
// field as written ("bin.hex" with SUBTYPE="Binary") for a byte field of size 0 and keeps none
// of its bytes. Everything else it reads as written.
TEST_F(PacketPeer, ReadsOurFileExceptThePictureBytes) {
    EXPECT_EQ(runPeer("read", path_), expected("Bytes", false));
}

// With nothing changed but the case of that one attribute name, it reads the pictures too: our
// Base64 is what its decoder expects.
TEST_F(PacketPeer, ReadsThePicturesWhenTheSubtypeIsSpelledItsWay) {
    QFile in(path_);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    QByteArray packet = in.readAll();
    ASSERT_EQ(packet.count("SUBTYPE=\"Binary\""), 1);
    packet.replace("SUBTYPE=\"Binary\"", "subtype=\"Binary\"");
    QFile out(dir_.path() + "/lower.xml");
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(packet);
    out.close();
    EXPECT_EQ(runPeer("read", out.fileName()), expected("Blob", true));
}

TEST_F(PacketPeer, WeReadItsTemplateFile) {
    const QString file = dir_.path() + "/peer.xml";
    runPeer("write", file);
    TClientDataSet cdsImportFinger;
    LoadTemplateFile(file, cdsImportFinger);
    ASSERT_EQ(cdsImportFinger.RecordCount(), 2);
    EXPECT_EQ(cdsImportFinger.FieldText(TemplateField::HolderNo), "P1");
    EXPECT_EQ(cdsImportFinger.FieldInt(TemplateField::FingerNo), 12);
    EXPECT_EQ(cdsImportFinger.FieldInt(TemplateField::PositionNo), 4);
    EXPECT_EQ(cdsImportFinger.FieldText(TemplateField::Template), "ABCDEF0123");
    EXPECT_EQ(cdsImportFinger.FieldBytes(TemplateField::FingerPicture),
              QByteArray("\xFF\xD8\x00\x01\x02\xFF\xD9", 7));
    EXPECT_EQ(cdsImportFinger.FieldText("cdfNote"), QString::fromUtf8("陳 & <Zoë>"));
    cdsImportFinger.Next();
    EXPECT_EQ(cdsImportFinger.FieldText(TemplateField::HolderNo), "P2");
    EXPECT_EQ(cdsImportFinger.FieldInt(TemplateField::PositionNo), 10);
    EXPECT_TRUE(cdsImportFinger.FieldIsNull(TemplateField::FingerPicture));
}

}  // namespace
