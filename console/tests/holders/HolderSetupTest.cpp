// The holder window: the photo, the checks at OK, the card ID field and the holder deletion on
// every linked reader (cvt80sim on a pseudo-terminal).
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QTest>

#include "Controls.h"
#include "HoldersFixture.h"
#include "Holdersetup.h"
#include "MenuWindows.h"
#include "Progress.h"

namespace {

using Kind = UiServicesDouble::Kind;

class HolderSetupTest : public HoldersTest {
  protected:
    std::unique_ptr<TfrmHolderSetup> OpenWindow() {
        auto window = std::make_unique<TfrmHolderSetup>();
        window->show();
        return window;
    }
    QString WriteFile(const QString& name, const QByteArray& bytes) {
        const QString path = db_->baseDir() + name;
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(bytes);
        return path;
    }
};
CVBIO_HOLDERS_ENGINES(HolderSetupTest);

QImage SamplePicture() {
    QImage picture(40, 50, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) picture.setPixel(x, y, qRgb(x * 6, y * 5, 90));
    return picture;
}

QByteArray Encoded(const QImage& picture, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, format);
    return bytes;
}

struct PhotoCase {
    const char* name;
    const char* fileName;
    QByteArray content;
    enum { ByteForByte, AsJpeg, Refused } stored;
};

}  // namespace

TEST_P(HolderSetupTest, PhotoIsStoredByItsFileName) {
    const QByteArray bmp = Encoded(SamplePicture(), "BMP");
    const QByteArray png = Encoded(SamplePicture(), "PNG");
    const QByteArray jpeg = Encoded(SamplePicture(), "JPG");
    const PhotoCase cases[] = {
        {"jpeg file byte for byte", "face.jpg", jpeg, PhotoCase::ByteForByte},
        {"png file byte for byte", "face.png", png, PhotoCase::ByteForByte},
        {"upper-case BMP byte for byte", "FACE.BMP", bmp, PhotoCase::ByteForByte},
        {"lower-case bmp as JPEG", "face.bmp", bmp, PhotoCase::AsJpeg},
        {"file that is no picture", "face.jpg", "this is not a picture", PhotoCase::Refused},
        {"empty file", "empty.jpg", "", PhotoCase::Refused},
    };
    int n = 0;
    for (const PhotoCase& c : cases) {
        SCOPED_TRACE(c.name);
        ui_->Clear();
        auto window = OpenWindow();
        const QString holder = QString("P%1").arg(++n);
        window->btnAppend->click();
        window->edtHolderNo->setText(holder);
        window->edtHolderName->setText("Photo holder");
        const QString path = WriteFile(c.fileName, c.content);
        ui_->QueueFileName(path);
        emit window->imgHolder->clicked();
        if (c.stored == PhotoCase::Refused) {
            EXPECT_EQ(ui_->Texts(Kind::Info), QStringList{"Invalid Photo Type!"});
            EXPECT_TRUE(window->photoPath().isEmpty());
        } else {
            EXPECT_TRUE(ui_->Texts(Kind::Info).isEmpty());
            EXPECT_EQ(window->photoPath(), path);
            EXPECT_FALSE(window->imgHolder->picture().isNull());
        }
        window->btnOk->click();
        ASSERT_FALSE(window->editing());
        const QByteArray stored = StoredPhoto(holder);
        switch (c.stored) {
            case PhotoCase::ByteForByte:
                EXPECT_EQ(stored, c.content);
                break;
            case PhotoCase::AsJpeg: {
                EXPECT_TRUE(stored.startsWith("\xFF\xD8"));
                QFile temp(db_->baseDir() + "temp.jpg");
                ASSERT_TRUE(temp.open(QIODevice::ReadOnly));
                EXPECT_EQ(stored, temp.readAll());
                EXPECT_EQ(QImage::fromData(stored).size(), SamplePicture().size());
                break;
            }
            case PhotoCase::Refused:
                EXPECT_TRUE(stored.isEmpty());
                break;
        }
        // Shown again from the stored bytes.
        window->btnLast->click();
        window->dgdHolder->selectRow(window->adqHolderData.RecNo());
        EXPECT_EQ(window->imgHolder->picture().isNull(), c.stored == PhotoCase::Refused);
    }
    EXPECT_TRUE(ui_->Texts(Kind::Error).isEmpty()) << ui_->AllTexts().join("\n").toStdString();
}

namespace {

struct OkCase {
    const char* name;
    const char* holderNo;
    const char* holderName;
    const char* message;  // Info text, "" none
    bool errorBox;        // the database refused the row
    QStringList holdersAfter;
};

}  // namespace

TEST_P(HolderSetupTest, OkChecksTheFieldsAndTheNumber) {
    const OkCase cases[] = {
        {"empty name", "B1", "   ", "Necessary Fields is empty!", false, {"a1"}},
        {"empty number", "  ", "Bo", "Necessary Fields is empty!", false, {"a1"}},
        {"number taken in another case", "A1", "Al", "This Record Number is exist!", false, {"a1"}},
        {"number with a quote", "O'Brien", "Pat O'Brien", "", false, {"a1", "O'Brien"}},
        {"ten characters fit", "ABCDEFGHIJ", "Ten", "", false, {"a1", "ABCDEFGHIJ"}},
        {"eleven characters refused", "ABCDEFGHIJK", "Eleven", "", true, {"a1"}},
    };
    for (const OkCase& c : cases) {
        SCOPED_TRACE(c.name);
        // Each case on a table holding only a1.
        TADOQuery clean(&sys_->adcMain);
        clean.setSql("Delete From HolderData");
        clean.ExecSQL();
        AddHolder("a1", "Ann", "11");
        ui_->Clear();
        auto window = OpenWindow();
        window->btnAppend->click();
        EXPECT_TRUE(window->edtHolderNo->text().isEmpty());
        window->edtHolderNo->setText(c.holderNo);
        window->edtHolderName->setText(c.holderName);
        window->btnOk->click();
        const bool refused = *c.message || c.errorBox;
        EXPECT_EQ(window->editing(), refused);
        EXPECT_EQ(ui_->Texts(Kind::Info), *c.message ? QStringList{c.message} : QStringList{});
        EXPECT_EQ(ui_->Texts(Kind::Error).size(), c.errorBox ? 1 : 0);
        if (c.errorBox) {
            EXPECT_TRUE(ui_->Texts(Kind::Error).value(0).contains("HolderNo"))
                << ui_->Texts(Kind::Error).value(0).toStdString();
            EXPECT_EQ(window->edtHolderNo->text(), c.holderNo);  // the typing stays
        }
        QStringList stored = StoredHolders(), expected = c.holdersAfter;
        stored.sort();  // the engines order letter case differently
        expected.sort();
        EXPECT_EQ(stored, expected);
        EXPECT_EQ(window->dgdHolderModel->rowCount(), c.holdersAfter.size());
        if (!refused) {
            EXPECT_EQ(window->edtHolderNo->text(), c.holderNo);
            // Found again by its number, quote and all.
            TADOQuery q(&sys_->adcMain);
            OpenTableWhere(q, "HolderData", "HolderNo", c.holderNo);
            ASSERT_EQ(q.RecordCount(), 1);
            EXPECT_EQ(q.FieldText("HolderName"), c.holderName);
        } else {
            window->btnCancel->click();
            EXPECT_FALSE(window->editing());
            EXPECT_EQ(window->edtHolderNo->text(), "a1");
        }
    }
}

TEST_P(HolderSetupTest, EditKeepsTheFingerRowsAndTrimsTheTexts) {
    AddHolder("H1", "Old name", "AB");
    AddFinger("H1", 1, 4, TemplateText(1));
    auto window = OpenWindow();
    EXPECT_EQ(window->edtHolderName->text(), "Old name");
    EXPECT_FALSE(window->pnlEdit->isEnabled());
    window->btnEdit->click();
    EXPECT_TRUE(window->pnlEdit->isEnabled());
    EXPECT_FALSE(window->btnDelete->isEnabled());
    EXPECT_FALSE(window->mnuAppend->isEnabled());
    EXPECT_TRUE(window->btnOk->isEnabled());
    window->edtHolderNo->setText(" H2 ");
    window->edtHolderName->setText("  New name ");
    window->btnOk->click();
    EXPECT_FALSE(window->editing());
    EXPECT_EQ(StoredHolders(), QStringList{"H2"});
    EXPECT_EQ(window->edtHolderName->text(), "New name");
    EXPECT_EQ(StoredFingers(), QStringList{"H1:4"});
}

TEST_P(HolderSetupTest, CardIdTypingStopsAtSixteenButAWindowsTextStays) {
    AddHolder("H1", "Card holder");
    auto window = OpenWindow();
    window->btnEdit->click();
    window->edtCardID->setFocus();
    QTest::keyClicks(window->edtCardID, "1234567890ABCDEFGHIJ");
    EXPECT_EQ(window->edtCardID->text(), "1234567890ABCDEF");
    QTest::keyClick(window->edtCardID, Qt::Key_Backspace);
    EXPECT_EQ(window->edtCardID->text(), "1234567890ABCDE");

    window->edtCardID->setText("00112233445566778899");  // as a card ID window puts it
    window->btnOk->click();
    TADOQuery q(&sys_->adcMain);
    OpenTableWhere(q, "HolderData", "HolderNo", "H1");
    EXPECT_EQ(q.FieldText("CardID"), "00112233445566778899");
}

namespace {

struct DeletionCase {
    const char* name;
    const char* faults;
    QStringList messages;
    QStringList fingersAfter;
    QStringList holdersAfter;
    std::vector<std::string> deletions;  // the delete frames' heads, in order
};

}  // namespace

TEST_P(HolderSetupTest, DeletionGoesReaderByReaderAndStopsAtTheFirstSilence) {
    AddController(3, "Door 3");
    AddReader(0, 1);
    AddReader(3, 2);
    AddReader(0, 9, 0);  // not linked: never asked
    const DeletionCase cases[] = {
        {"two readers, three fingers",
         "",
         {},
         {"K2:9"},
         {"K2"},
         {"I01N000001", "03DDI2N000001", "I01N000002", "03DDI2N000002", "I01N000003",
          "03DDI2N000003"}},
        {"second reader silent at the second finger",
         "3.2:silent-after=1",
         {"Communicate was broke,Check your device!"},
         {"K1:2", "K1:3", "K2:9"},
         {"K1", "K2"},
         {"I01N000001", "03DDI2N000001", "I01N000002", "03DDI2N000002", "03DDI2N000002"}},
    };
    for (const DeletionCase& c : cases) {
        SCOPED_TRACE(c.name);
        TADOQuery clean(&sys_->adcMain);
        clean.setSql("Delete From FingerData");
        clean.ExecSQL();
        clean.setSql("Delete From HolderData");
        clean.ExecSQL();
        AddHolder("K1", "Three fingers");
        AddHolder("K2", "Other");
        AddFinger("K1", 1, 1, TemplateText(1));
        AddFinger("K1", 2, 2, TemplateText(2));
        AddFinger("K1", 3, 3, TemplateText(3));
        AddFinger("K2", 1, 9, TemplateText(9));
        SimProcess& sim = StartBus("0:1;3:2", c.faults);
        ui_->Clear();
        auto window = OpenWindow();
        ASSERT_EQ(window->edtHolderNo->text(), "K1");

        ProgressWatch watch;
        ui_->QueueAnswer(1);
        window->btnDelete->click();

        QStringList expected = {"Delete this Record ?"};
        expected << c.messages;
        EXPECT_EQ(ui_->AllTexts(), expected);
        EXPECT_EQ(StoredFingers(), c.fingersAfter);
        EXPECT_EQ(StoredHolders(), c.holdersAfter);
        EXPECT_EQ(watch.maximum, 6);
        EXPECT_EQ(watch.text, "Trans the Finger information,please wait...");
        EXPECT_EQ(watch.value, c.messages.isEmpty() ? 6 : 3);
        std::vector<std::string> heads;
        for (const std::string& frame : RequestsStartingWith(sim, {"I01N", "03DD"}))
            heads.push_back(frame.substr(0, frame[0] == 'I' ? 10 : 13));
        EXPECT_EQ(heads, c.deletions);
        EXPECT_TRUE(RequestsStartingWith(sim, {"I09"}).empty());
        EXPECT_EQ(window->stbCommPanel1->text(),
                  c.messages.isEmpty() ? "Controller 3 FingerPrint 2 FingerNo 3 be deleted"
                                       : "Controller 0 FingerPrint 1 FingerNo 2 be deleted");
        EXPECT_EQ(window->edtHolderNo->text(), c.holdersAfter.first());
        EXPECT_EQ(CurrentLink(), nullptr);
    }
}

TEST_P(HolderSetupTest, DeletionWithoutFingersOrWithoutPort) {
    AddReader(0, 1);
    AddHolder("N1", "No fingers");
    AddHolder("N2", "Fingers, no port");
    AddFinger("N2", 1, 5, TemplateText(5));
    auto window = OpenWindow();  // COM7 leads nowhere

    ui_->QueueAnswer(2);  // Cancel: nothing happens
    window->btnDelete->click();
    EXPECT_EQ(StoredHolders(), (QStringList{"N1", "N2"}));

    ui_->QueueAnswer(1);
    window->btnDelete->click();  // no finger rows: the port is never opened
    EXPECT_EQ(StoredHolders(), QStringList{"N2"});
    EXPECT_EQ(window->edtHolderNo->text(), "N2");

    ui_->QueueAnswer(1);
    window->btnDelete->click();
    EXPECT_EQ(ui_->AllTexts(), (QStringList{"Delete this Record ?", "Delete this Record ?",
                                            "Delete this Record ?", "Invalid Com Port!"}));
    EXPECT_EQ(StoredHolders(), QStringList{"N2"});
    EXPECT_EQ(StoredFingers(), QStringList{"N2:5"});
    EXPECT_EQ(CurrentLink(), nullptr);
}

TEST_P(HolderSetupTest, DeletionWithoutLinkedReadersSendsNothing) {
    AddReader(0, 1, 0);
    AddHolder("Q'1", "Quoted");
    AddFinger("Q'1", 1, 1, TemplateText(1));
    AddFinger("Q'1", 2, 2, TemplateText(2));
    SimProcess& sim = StartBus("0:1");
    auto window = OpenWindow();
    ui_->QueueAnswer(1);
    window->btnDelete->click();
    EXPECT_EQ(ui_->AllTexts(), QStringList{"Delete this Record ?"});
    EXPECT_TRUE(StoredHolders().isEmpty());
    EXPECT_TRUE(StoredFingers().isEmpty());
    EXPECT_TRUE(Requests(sim).empty());
    EXPECT_TRUE(window->edtHolderNo->text().isEmpty());
}

TEST_P(HolderSetupTest, MainMenuOpensTheHolderAndTransferWindows) {
    for (const char* button : {"btnHolderSetup", "btnFingerTrans"}) {
        SCOPED_TRACE(button);
        const MenuWindowFactory factory = MenuWindowFor(button);
        ASSERT_TRUE(factory);
        std::unique_ptr<QDialog> window(factory(nullptr));
        EXPECT_EQ(window->objectName(),
                  QString(button) == "btnHolderSetup" ? "frmHolderSetup" : "frmFingerTrans");
    }
}
