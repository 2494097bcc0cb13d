// The holder import window over the card system's CardBank.mdb: the listing, the two lists, the
// import into HolderData, and a file that cannot be read; opened from the holder window too.
#include <QFileInfo>

#include "HolderImport.h"
#include "Holderimport.h"
#include "HoldersFixture.h"
#include "Holdersetup.h"

namespace {

const QString kCardBank = QString(CVBIO_FIXTURES_DIR) + "/CardBank.mdb";

class HolderImportTest : public HoldersTest {};
CVBIO_HOLDERS_ENGINES(HolderImportTest);

QStringList Rows(TClientDataSet& list) {
    QStringList rows;
    for (int r = 0; r < list.RecordCount(); ++r) {
        list.MoveTo(r);
        rows << QStringList{list.FieldText(ImportField::HolderNo),
                            list.FieldText(ImportField::HolderName),
                            list.FieldText(ImportField::CardNo),
                            list.FieldText(ImportField::CardID)}
                    .join("|");
    }
    return rows;
}

void Select(QTableView* grid, int row) {
    grid->setCurrentIndex(grid->model()->index(row, 0));
}

}  // namespace

TEST_P(HolderImportTest, ListsPicksAndImports) {
    ASSERT_TRUE(QFileInfo::exists(kCardBank)) << kCardBank.toStdString();
    AddHolder("A7", "Old name", "OLD");
    AddFinger("A7", 1, 3, TemplateText(3));
    {
        TADOQuery q(&sys_->adcMain);
        OpenTableWhere(q, "HolderData", "HolderNo", "A7");
        q.Edit();
        q.SetField("HolderPhoto", QByteArray("photo bytes"));
        q.Post();
    }
    TfrmImportHolder window(kCardBank);
    window.show();
    ASSERT_TRUE(WaitUntil([&] { return window.cardDataRead(); }))
        << ui_->AllTexts().join("\n").toStdString();
    const QStringList listed = {"A7|Alice Chen|123|1234ABCD",
                                "A7_1|Alice Chen|456|00FF00FF",
                                "B2|Bob Lin|789|ABCDEF01",
                                "B2_1|Bob Lin|1000|10000000",
                                "C3|陳大文||",
                                "G7|李小龍|999|",
                                "H8|Zoë Müller|12 34|DEADBEEF",
                                "I9|Ian O'Neil||"};
    EXPECT_EQ(Rows(window.cdsHolder), listed);
    EXPECT_EQ(window.dgHolderModel->rowCount(), 8);

    // The same holder twice is added once; A7_1 is another number.
    Select(window.dgHolder, 0);
    window.btnAdd->click();
    Select(window.dgHolder, 0);
    window.btnAdd->click();
    Select(window.dgHolder, 1);
    window.btnAdd->click();
    EXPECT_EQ(Rows(window.cdsSelectHolder), listed.mid(0, 2));
    Select(window.dgSelectHolder, 0);
    window.btnRemove->click();
    EXPECT_EQ(Rows(window.cdsSelectHolder), listed.mid(1, 1));
    window.btnAddAll->click();
    EXPECT_EQ(window.dgSelectHolderModel->rowCount(), 8);
    window.btnRemoveAll->click();
    EXPECT_EQ(window.dgSelectHolderModel->rowCount(), 0);
    for (int row : {0, 2, 6, 7}) {
        Select(window.dgHolder, row);
        window.btnAdd->click();
    }
    window.btnOK->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_TRUE(ui_->AllTexts().isEmpty()) << ui_->AllTexts().join("\n").toStdString();

    EXPECT_EQ(StoredHolders(), (QStringList{"A7", "B2", "H8", "I9"}));
    TADOQuery q(&sys_->adcMain);
    OpenTableWhere(q, "HolderData", "HolderNo", "A7");
    EXPECT_EQ(q.FieldText("HolderName"), "Alice Chen");
    EXPECT_EQ(q.FieldText("CardID"), "1234ABCD");
    EXPECT_EQ(q.FieldBytes("HolderPhoto"), QByteArray("photo bytes"));
    OpenTableWhere(q, "HolderData", "HolderNo", "I9");
    EXPECT_EQ(q.FieldText("HolderName"), "Ian O'Neil");
    EXPECT_EQ(q.FieldText("CardID"), "");
    EXPECT_EQ(StoredFingers(), QStringList{"A7:3"});
}

TEST_P(HolderImportTest, FromTheHolderWindow) {
    AddHolder("Z9", "Last one");
    TfrmHolderSetup holders;
    holders.show();
    EXPECT_EQ(holders.edtHolderNo->text(), "Z9");

    // Cancelled file dialog: nothing opens.
    holders.btnImportClick();
    EXPECT_EQ(holders.dgdHolderModel->rowCount(), 1);

    ui_->QueueFileName(kCardBank);
    QString path;
    WhenModal<TfrmImportHolder>([&](TfrmImportHolder* w) {
        path = w->databasePath();
        if (!WaitUntil([&] { return w->cardDataRead(); })) {
            w->reject();  // fail without hanging in the modal window
            return;
        }
        w->btnAddAll->click();
        w->btnOK->click();
    });
    holders.btnImportClick();
    EXPECT_EQ(path, QFileInfo(kCardBank).absoluteFilePath());
    EXPECT_EQ(holders.dgdHolderModel->rowCount(), 9);
    EXPECT_EQ(holders.edtHolderNo->text(), "A7");  // the first holder is shown
    EXPECT_EQ(holders.edtCardID->text(), "1234ABCD");
    EXPECT_TRUE(ui_->AllTexts().isEmpty()) << ui_->AllTexts().join("\n").toStdString();
}

TEST_P(HolderImportTest, FileThatCannotBeReadClosesTheWindow) {
    AddHolder("Z9", "Last one");
    const QString bogus = db_->baseDir() + "CardBank.mdb";
    QFile file(bogus);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not an access database");
    file.close();
    for (const QString& path : {bogus, db_->baseDir() + "missing.mdb"}) {
        SCOPED_TRACE(path.toStdString());
        ui_->Clear();
        TfrmHolderSetup holders;
        holders.show();
        ui_->QueueFileName(path);
        holders.btnImportClick();  // returns once the import window closed itself
        EXPECT_EQ(ui_->AllTexts(), QStringList{"Connect Database Fail!"});
        EXPECT_EQ(StoredHolders(), QStringList{"Z9"});
    }
}
