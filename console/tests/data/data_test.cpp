// The data layer against each engine: the same tests on SQLite and on a real MariaDB server.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSqlQuery>
#include <QSqlRecord>

#include "Connection.h"
#include "CvbioError.h"
#include "Dataset.h"
#include "QueryOps.h"
#include "Schema.h"
#include "SysLib.h"
#include "TestDb.h"

namespace {

class DataLayer : public ::testing::TestWithParam<TestEngine> {
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
    }
    void TearDown() override {
        sys_.reset();
        db_.reset();
    }
    void initialise() {
        TADOQuery adqInit(&sys_->adcMain);
        InitialiseDatabase(adqInit);
    }
    int count(const QString& table) {
        TADOQuery q(&sys_->adcMain);
        OpenTable(q, table);
        return q.RecordCount();
    }
    QStringList columns(const QString& table) {
        TADOQuery q(&sys_->adcMain);
        OpenTable(q, table);
        return q.FieldNames();
    }
    void addReader(int controller, int reader, int link) {
        TADOQuery q(&sys_->adcMain);
        OpenTable(q, "FingerPrint");
        q.Append();
        q.SetField("FingerPrintNo", reader);
        q.SetField("FingerPrintName", QString("Reader %1/%2").arg(controller).arg(reader));
        q.SetField("ControllerNo", controller);
        q.SetField("LinkFlag", link);
        q.Post();
    }

    std::unique_ptr<TestDb> db_;
    std::unique_ptr<TfrmSysLib> sys_;
};

TEST_P(DataLayer, FirstStartCreatesTheFiveTablesWithTheirSeedRows) {
    initialise();
    EXPECT_EQ(columns("ControllerData"), QStringList({"ControllerNo", "ControllerName", "ModuleNo"}));
    EXPECT_EQ(columns("FingerData"),
              QStringList({"DataNo", "HolderNo", "PositionNo", "FingerNo", "FingerTemplate",
                           "FingerPicture", "DuressFinger", "ToReceive"}));
    EXPECT_EQ(columns("FingerPrint"), QStringList({"DataNo", "FingerPrintNo", "FingerPrintName",
                                                   "ControllerNo", "LinkFlag", "SelectFlag"}));
    EXPECT_EQ(columns("HolderData"),
              QStringList({"DataNo", "HolderNo", "HolderName", "HolderPIN", "DepartmentNo",
                           "OccuNo", "CardID", "APB", "HolderPhoto", "SelectFlag"}));
    EXPECT_EQ(columns("UserData"), QStringList({"UserID", "UserName", "UserPassword", "Supervisor"}));

    TADOQuery q(&sys_->adcMain);
    OpenTable(q, "ControllerData");
    ASSERT_EQ(q.RecordCount(), 1);
    EXPECT_EQ(q.FieldInt("ControllerNo"), 0);
    EXPECT_EQ(q.FieldText("ControllerName").trimmed(), "Not Connect");
    EXPECT_EQ(q.FieldText("ModuleNo").trimmed(), "");
    OpenTable(q, "UserData");
    ASSERT_EQ(q.RecordCount(), 1);
    EXPECT_EQ(q.FieldText("UserID").trimmed(), "admin");
    EXPECT_EQ(q.FieldText("UserName").trimmed(), "Administrator");
    EXPECT_EQ(q.FieldText("UserPassword").trimmed(), "");
    EXPECT_EQ(q.FieldText("Supervisor"), "");
    EXPECT_EQ(count("FingerData") + count("FingerPrint") + count("HolderData"), 0);
}

TEST_P(DataLayer, SecondStartCreatesAndSeedsNothing) {
    initialise();
    initialise();
    EXPECT_EQ(count("ControllerData"), 1);
    EXPECT_EQ(count("UserData"), 1);
}

TEST_P(DataLayer, ExistingTablesAreLeftAsTheyAre) {
    // An empty ControllerData gets no seed; a UserData with other columns stays as it is.
    ASSERT_TRUE(db_->exec(DialectStatement(CreateStatementLines("ControllerData").join("\n"),
                                           sys_->adcMain.engine())));
    ASSERT_TRUE(db_->exec("CREATE TABLE UserData (Login CHAR(5), Extra INT)"));
    initialise();
    EXPECT_EQ(count("ControllerData"), 0);
    EXPECT_EQ(columns("UserData"), QStringList({"Login", "Extra"}));
    EXPECT_EQ(count("UserData"), 0);
    EXPECT_EQ(count("HolderData"), 0);  // the tables after them were still created
}

TEST_P(DataLayer, AFailedCreationStopsTheFirstRunWithTheEnginesText) {
    // FingerPrint exists as a view over a dropped table: its select fails, so the first run
    // tries to create it, and that fails because the name is taken.
    ASSERT_TRUE(db_->exec("CREATE TABLE Dummy (A INT)"));
    ASSERT_TRUE(db_->exec("CREATE VIEW FingerPrint AS SELECT A FROM Dummy"));
    ASSERT_TRUE(db_->exec("DROP TABLE Dummy"));
    TADOQuery adqInit(&sys_->adcMain);
    try {
        InitialiseDatabase(adqInit);
        FAIL() << "the creation of FingerPrint should have failed";
    } catch (const CvbioError& e) {
        EXPECT_FALSE(e.message().isEmpty());
    }
    EXPECT_EQ(count("ControllerData"), 1);
    EXPECT_EQ(count("FingerData"), 0);
    EXPECT_THROW(count("HolderData"), CvbioError);  // not examined in this run
}

TEST_P(DataLayer, InsertsAreNumberedByTheDatabase) {
    initialise();
    TADOQuery q(&sys_->adcMain);
    OpenTable(q, "HolderData");
    for (const char* no : {"A1", "A2"}) {
        q.Append();
        q.SetField("HolderNo", no);
        q.SetField("HolderName", "x");
        q.Post();
    }
    OpenTableOrdered(q, "HolderData", "HolderNo");
    ASSERT_EQ(q.RecordCount(), 2);
    int first = q.FieldInt("DataNo");
    q.Next();
    EXPECT_GT(q.FieldInt("DataNo"), first);
    EXPECT_EQ(q.FieldInt("SelectFlag"), 0);  // the column default
    EXPECT_EQ(q.FieldInt("APB"), 0);
}

TEST_P(DataLayer, StatementTextsKeepTheirShape) {
    initialise();
    TADOQuery q(&sys_->adcMain);
    OpenTableWhere(q, "FingerData", "HolderNo", "A1");
    EXPECT_EQ(q.sql(), "Select * From FingerData Where HolderNo =?");
    EXPECT_EQ(q.params(), QVariantList({"A1"}));
    OpenTableOrdered2(q, "FingerData", "HolderNo", "PositionNo");
    EXPECT_EQ(q.sql(), "Select * From FingerData Order By HolderNo,PositionNo");
    OpenTableOrdered(q, "HolderData", "HolderNo");
    EXPECT_EQ(q.sql(), "Select * From HolderData Order By HolderNo");
    OpenTable(q, "UserData");
    EXPECT_EQ(q.sql(), "Select * From UserData");
    SetColumnForAll(q, "HolderData", "SelectFlag", 0);
    EXPECT_EQ(q.sql(), "Update HolderData Set SelectFlag = 0");
}

TEST_P(DataLayer, OrderedOpensSortByBothColumns) {
    initialise();
    TADOQuery q(&sys_->adcMain);
    OpenTable(q, "FingerData");
    const std::pair<const char*, int> rows[] = {{"B", 2}, {"A", 3}, {"B", 1}, {"A", 1}};
    for (auto [holder, position] : rows) {
        q.Append();
        q.SetField("HolderNo", holder);
        q.SetField("PositionNo", position);
        q.Post();
    }
    OpenTableOrdered2(q, "FingerData", "HolderNo", "PositionNo");
    QStringList order;
    for (; !q.Eof(); q.Next()) order << q.FieldText("HolderNo").trimmed() + q.FieldText("PositionNo");
    EXPECT_EQ(order, QStringList({"A1", "A3", "B1", "B2"}));
}

TEST_P(DataLayer, QuotesInValuesAreStoredAndFound) {
    initialise();
    TADOQuery q(&sys_->adcMain);
    OpenTable(q, "HolderData");
    q.Append();
    q.SetField("HolderNo", "O'B");
    q.SetField("HolderName", "O'Brien");
    q.Post();
    OpenTableWhere(q, "HolderData", "HolderNo", "O'B");
    ASSERT_EQ(q.RecordCount(), 1);
    EXPECT_EQ(q.FieldText("HolderName").trimmed(), "O'Brien");
    q.Edit();
    q.SetField("HolderName", "D'Arcy '--");
    q.Post();
    OpenSql(q, "Select * From HolderData Where HolderName = ?", {"D'Arcy '--"});
    EXPECT_EQ(q.RecordCount(), 1);
    q.Delete();
    EXPECT_EQ(count("HolderData"), 0);
}

TEST_P(DataLayer, ChoiceListsComeFromTheKeyAndNameColumns) {
    initialise();
    TADOQuery q(&sys_->adcMain);
    ChoiceList list;
    FillChoiceList(q, list, "ControllerData", "ControllerNo", "ControllerName");
    EXPECT_EQ(list.items(), QStringList({"0=Not Connect"}));
    EXPECT_EQ(list.itemIndex, 0);
    FillChoiceList(q, list, "HolderData", "HolderNo", "HolderName");
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.itemIndex, -1);
}

TEST_P(DataLayer, SetColumnForAllMarksEveryRow) {
    initialise();
    addReader(0, 1, 1);
    addReader(1, 2, 0);
    TADOQuery q(&sys_->adcMain);
    SetColumnForAll(q, "FingerPrint", "SelectFlag", 1);
    OpenTable(q, "FingerPrint");
    for (; !q.Eof(); q.Next()) EXPECT_EQ(q.FieldInt("SelectFlag"), 1);
}

TEST_P(DataLayer, LinkedReadersAreOrderedByController) {
    initialise();
    sys_->ReloadLinkedReaders();
    EXPECT_EQ(sys_->LinkedReaderCount(), 0);
    addReader(2, 7, 1);
    addReader(0, 2, 1);
    addReader(3, 9, 0);
    addReader(1, 5, 1);
    sys_->ReloadLinkedReaders();
    ASSERT_EQ(sys_->LinkedReaderCount(), 3);
    EXPECT_EQ(sys_->LinkedReaders[0].ControllerNo, 0);
    EXPECT_EQ(sys_->LinkedReaders[0].FingerPrintNo, 2);
    EXPECT_EQ(sys_->LinkedReaders[1].ControllerNo, 1);
    EXPECT_EQ(sys_->LinkedReaders[1].FingerPrintNo, 5);
    EXPECT_EQ(sys_->LinkedReaders[2].ControllerNo, 2);
    EXPECT_EQ(sys_->LinkedReaders[2].FingerPrintNo, 7);
}

TEST_P(DataLayer, LocateFindsRowsAndLeavesTheCurrentRowOtherwise) {
    initialise();
    TADOQuery q(&sys_->adcMain);
    OpenTable(q, "FingerPrint");
    for (int c : {0, 1, 2}) {
        q.Append();
        q.SetField("ControllerNo", c);
        q.SetField("FingerPrintNo", 5);
        q.SetField("FingerPrintName", c == 2 ? "Gate" : "Door");
        q.Post();
    }
    OpenTableOrdered(q, "FingerPrint", "ControllerNo");
    EXPECT_TRUE(LocateByTwoFields(q, "FingerPrintNo;ControllerNo", "5", "1"));
    EXPECT_EQ(q.RecNo(), 1);
    EXPECT_FALSE(LocateByTwoFields(q, "FingerPrintNo;ControllerNo", "5", "9"));
    EXPECT_EQ(q.RecNo(), 1);
    EXPECT_TRUE(LocateText(q, "FingerPrintName", "gATE"));
    EXPECT_EQ(q.RecNo(), 2);
    EXPECT_THROW(LocateText(q, "NoSuchColumn", "x"), CvbioError);
}

TEST_P(DataLayer, PicturesRoundTripAsJpegThroughTempJpg) {
    initialise();
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::white);
    {
        QPainter p(&picture);
        p.fillRect(8, 8, 24, 16, Qt::black);
    }
    TADOQuery q(&sys_->adcMain);
    OpenTable(q, "HolderData");
    q.Append();
    q.SetField("HolderNo", "P1");
    StorePictureToBlob(picture, q, "HolderPhoto", sys_->BaseDir);
    q.Post();
    QFile temp(sys_->BaseDir + "temp.jpg");
    ASSERT_TRUE(temp.open(QIODevice::ReadOnly));
    QByteArray onDisk = temp.readAll();

    OpenTableWhere(q, "HolderData", "HolderNo", "P1");
    QByteArray stored = q.FieldBytes("HolderPhoto");
    EXPECT_EQ(stored, onDisk);
    EXPECT_EQ(static_cast<unsigned char>(stored[0]), 0xFF);
    QImage back = LoadPictureFromBlob(stored);
    ASSERT_EQ(back.size(), picture.size());
    EXPECT_LT(qGray(back.pixel(16, 12)), 60);
    EXPECT_GT(qGray(back.pixel(50, 40)), 200);

    // An empty column clears the picture; bytes that are no picture are an error.
    EXPECT_TRUE(LoadPictureFromBlob(QByteArray()).isNull());
    EXPECT_THROW(LoadPictureFromBlob(QByteArray("not a picture")), CvbioError);
    // Another format Qt reads is accepted by the second attempt.
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
    }
    EXPECT_EQ(LoadPictureFromBlob(png).size(), picture.size());
}

TEST_P(DataLayer, LongTextsAndPicturesFit) {
    initialise();
    QString longText(1 << 20, QChar('A'));
    QByteArray bigBlob(3 << 20, '\x5a');
    TADOQuery q(&sys_->adcMain);
    OpenTable(q, "FingerData");
    q.Append();
    q.SetField("HolderNo", "L1");
    q.SetField("FingerTemplate", longText);
    q.SetField("FingerPicture", bigBlob);
    q.Post();
    OpenTableWhere(q, "FingerData", "HolderNo", "L1");
    EXPECT_EQ(q.FieldText("FingerTemplate").size(), longText.size());
    EXPECT_EQ(q.FieldBytes("FingerPicture"), bigBlob);
}

TEST_P(DataLayer, TextsLongerThanTheirColumnAreRefused) {
    initialise();
    TADOQuery q(&sys_->adcMain);
    OpenTable(q, "HolderData");
    q.Append();
    q.SetField("HolderNo", "12345678901");
    EXPECT_THROW(q.Post(), CvbioError);
    q.Cancel();
    OpenTable(q, "HolderData");
    EXPECT_EQ(q.RecordCount(), 0);
    q.Append();
    q.SetField("HolderNo", "1234567890");
    q.SetField("HolderName", QString::fromUtf8("陳大文"));
    q.Post();
    OpenTable(q, "HolderData");
    EXPECT_EQ(q.FieldText("HolderName").trimmed(), QString::fromUtf8("陳大文"));
}

TEST_P(DataLayer, BrokenStatementsRaiseTheEnginesError) {
    TADOQuery q(&sys_->adcMain);
    EXPECT_THROW(OpenTable(q, "NoSuchTable"), CvbioError);
    EXPECT_FALSE(q.Active());
}

INSTANTIATE_TEST_SUITE_P(Engines, DataLayer,
                         ::testing::Values(TestEngine::SQLite, TestEngine::MariaDB),
                         EngineParamName());

}  // namespace
