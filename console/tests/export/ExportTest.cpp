// Window tests of the template export window and the fingerprint editor's template import:
// offscreen, with the UI-services double answering the file dialogs, on SQLite and MariaDB, with
// the shipped language packs.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTimer>
#include <functional>
#include <memory>

#include "DataPacket.h"
#include "Dataset.h"
#include "DatasetModel.h"
#include "Fingeredit.h"
#include "Fingerexport.h"
#include "QueryOps.h"
#include "Schema.h"
#include "SysLib.h"
#include "TemplateFiles.h"
#include "TestDb.h"
#include "UiServicesDouble.h"

namespace {

using Kind = UiServicesDouble::Kind;

// The 768-character text of a template whose bytes follow from `seed`.
QString TemplateText(int seed) {
    QByteArray bytes(384, 0);
    uint32_t state = 2166136261u ^ static_cast<uint32_t>(seed);
    for (char& b : bytes) {
        state = state * 1664525u + 1013904223u;
        b = static_cast<char>(state >> 24);
    }
    return QString::fromLatin1(bytes.toHex().toUpper());
}

// A small JPEG, different for every seed.
QByteArray Picture(int seed) {
    QImage image(40, 48, QImage::Format_RGB32);
    image.fill(QColor((seed * 53) % 256, (seed * 97) % 256, (seed * 31) % 256));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes;
}

// Runs `step` on the first modal window of class T, polling while a modal loop runs.
template <class T>
void WhenModal(QObject* owner, std::function<void(T*)> step) {
    auto* timer = new QTimer(owner);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, step] {
        T* window = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!window) return;
        timer->stop();
        timer->deleteLater();
        step(window);
    });
    timer->start();
}

struct Finger {
    QString holderNo;
    int position;
    int fingerNo;
    QString templateText;
    QByteArray picture;
    int duress;
};

class ExportFixture {
  protected:
    void Install(TestEngine engine, const QString& language = "ENG") {
        db_ = std::make_unique<TestDb>(engine);
        ASSERT_TRUE(db_->ok());
        const QString base = db_->baseDir();
        ASSERT_TRUE(QDir().mkpath(base + "Language"));
        ASSERT_TRUE(QDir().mkpath(base + "Image"));
        const QDir packs(CVBIO_LANGUAGE_SOURCE_DIR);
        for (const QString& file : packs.entryList({"*.TXT"}))
            ASSERT_TRUE(QFile::copy(packs.filePath(file), base + "Language/" + file));
        QFile ini(base + "system.ini");
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(QString("[System]\nConnectString=%1\nLanguage=%2\nSelectSource=0\n")
                      .arg(db_->connectString(), language)
                      .toUtf8());
        ini.close();
        frmSysLib = new TfrmSysLib(base);
        ASSERT_TRUE(frmSysLib->OpenSharedConnection())
            << frmSysLib->adcMain.lastError().toStdString();
        TADOQuery init(&frmSysLib->adcMain);
        InitialiseDatabase(init);
        ui_ = std::make_unique<ScopedUiDouble>();
    }

    void Uninstall() {
        ui_.reset();
        delete frmSysLib;
        frmSysLib = nullptr;
        db_.reset();
    }

    QString FilePath(const QString& name) const { return db_->baseDir() + name; }

    void AddHolder(const QString& holderNo, const QString& name) {
        TADOQuery q(&frmSysLib->adcMain);
        OpenTable(q, "HolderData");
        q.Append();
        q.SetField("HolderNo", holderNo);
        q.SetField("HolderName", name);
        q.SetField("CardID", "00C0FFEE");
        q.Post();
    }

    void AddFinger(const Finger& f) {
        TADOQuery q(&frmSysLib->adcMain);
        OpenTable(q, "FingerData");
        q.Append();
        q.SetField("HolderNo", f.holderNo);
        q.SetField("PositionNo", f.position);
        q.SetField("FingerNo", f.fingerNo);
        q.SetField("FingerTemplate", f.templateText);
        if (!f.picture.isEmpty()) q.SetField("FingerPicture", f.picture);
        q.SetField("DuressFinger", f.duress);
        q.Post();
    }

    void Exec(const QString& sql, const QVariantList& params = {}) {
        TADOQuery q(&frmSysLib->adcMain);
        q.setSql(sql, params);
        q.ExecSQL();
    }

    // Every FingerData row, ordered, as comparable values.
    std::vector<Finger> StoredFingers() {
        TADOQuery q(&frmSysLib->adcMain);
        OpenSql(q, "Select * From FingerData Order By HolderNo, PositionNo");
        std::vector<Finger> rows;
        for (q.First(); !q.Eof(); q.Next())
            rows.push_back({q.FieldText("HolderNo").trimmed(), q.FieldInt("PositionNo"),
                            q.FieldInt("FingerNo"), q.FieldText("FingerTemplate").trimmed(),
                            q.FieldBytes("FingerPicture"), q.FieldInt("DuressFinger")});
        return rows;
    }

    UiServicesDouble& Boxes() { return **ui_; }

    std::unique_ptr<TestDb> db_;
    std::unique_ptr<ScopedUiDouble> ui_;
};

bool operator==(const Finger& a, const Finger& b) {
    return a.holderNo == b.holderNo && a.position == b.position && a.fingerNo == b.fingerNo &&
           a.templateText == b.templateText && a.picture == b.picture && a.duress == b.duress;
}

void PrintTo(const Finger& f, std::ostream* os) {
    *os << f.holderNo.toStdString() << "/" << f.position << " no " << f.fingerNo << " template "
        << f.templateText.left(8).toStdString() << " picture " << f.picture.size()
        << " bytes duress " << f.duress;
}

// Selects the holder's row in the export window's holder grid.
void SelectHolder(TfrmFingerExport& window, const QString& holderNo) {
    for (int row = 0; row < window.dgHolderModel->rowCount(); ++row)
        if (window.dgHolderModel->index(row, 0).data().toString().trimmed() == holderNo) {
            window.dgHolder->selectRow(row);
            return;
        }
    ADD_FAILURE() << "no holder " << holderNo.toStdString() << " in the list";
}

// (holder, position) of every row of the export list, in list order.
std::vector<std::pair<QString, int>> ListedFingers(TfrmFingerExport& window) {
    std::vector<std::pair<QString, int>> rows;
    TClientDataSet& list = window.cdsSelectHolder;
    for (int row = 0; row < list.RecordCount(); ++row)
        rows.emplace_back(list.Value(row, list.FieldIndex(TemplateField::HolderNo)).toString(),
                          list.Value(row, list.FieldIndex(TemplateField::PositionNo)).toInt());
    return rows;
}

class ExportWindow : public ExportFixture, public ::testing::TestWithParam<TestEngine> {
  protected:
    void SetUp() override {
        Install(GetParam());
        if (HasFatalFailure()) return;
        AddHolder("A100", "Alice");
        AddHolder("B200", "Bob");
        AddHolder("C300", "Carol");
        AddHolder("D400", "Dora");
        // Stored out of position order on purpose.
        AddFinger({"A100", 7, 17, TemplateText(17), Picture(17), 0});
        AddFinger({"A100", 2, 12, TemplateText(12), Picture(12), 1});
        AddFinger({"C300", 1, 31, "   ", {}, 0});
        AddFinger({"D400", 5, 45, TemplateText(45), {}, 0});
    }
    void TearDown() override { Uninstall(); }
};

TEST_P(ExportWindow, AddListsAHoldersTemplatesOnceInPositionOrder) {
    const QString noTemplate = "The Holder has No Finger Template !";
    struct Case {
        const char* name;
        const char* holder;
        std::vector<int> positions;
        QStringList messages;  // of both clicks together
    };
    const Case cases[] = {
        {"TemplatesInPositionOrder", "A100", {2, 7}, {}},
        {"NoFingerprintRows", "B200", {}, {noTemplate, noTemplate}},
        {"BlankTemplatesOnly", "C300", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Boxes().Clear();
        TfrmFingerExport window;
        window.show();
        SelectHolder(window, c.holder);
        window.btnAdd->click();
        window.btnAdd->click();  // a second time adds nothing
        std::vector<std::pair<QString, int>> expected;
        for (int p : c.positions) expected.emplace_back(c.holder, p);
        EXPECT_EQ(ListedFingers(window), expected);
        EXPECT_EQ(window.dgSelectHolderModel->rowCount(), int(expected.size()));
        EXPECT_EQ(Boxes().Texts(Kind::Info), c.messages);
        EXPECT_TRUE(Boxes().Texts(Kind::Error).isEmpty());
    }
}

TEST_P(ExportWindow, RemoveAndAddAllKeepEachHolderListedOnce) {
    TfrmFingerExport window;
    window.show();
    SelectHolder(window, "A100");
    window.btnAdd->click();
    window.dgSelectHolder->selectRow(0);
    window.btnRemove->click();
    const std::vector<std::pair<QString, int>> onlyPosition7 = {{"A100", 7}};
    EXPECT_EQ(ListedFingers(window), onlyPosition7);

    // A100 still has a row in the list, so neither Add nor Add all brings position 2 back.
    SelectHolder(window, "A100");
    window.btnAdd->click();
    EXPECT_EQ(ListedFingers(window), onlyPosition7);
    window.btnAddAll->click();
    const std::vector<std::pair<QString, int>> afterAddAll = {{"A100", 7}, {"D400", 5}};
    EXPECT_EQ(ListedFingers(window), afterAddAll);
    EXPECT_TRUE(Boxes().Texts(Kind::Info).isEmpty());  // B200 has no rows, but Add all says nothing
    EXPECT_EQ(window.adqHolderData.FieldText("HolderNo").trimmed(), "D400");

    window.btnRemoveAll->click();
    EXPECT_TRUE(window.cdsSelectHolder.IsEmpty());
    EXPECT_EQ(window.dgSelectHolderModel->rowCount(), 0);
}

TEST_P(ExportWindow, OkWritesTheListThroughTheSaveDialogAndStaysOpen) {
    TfrmFingerExport window;
    window.show();
    SelectHolder(window, "A100");
    window.btnAdd->click();

    const QString path = FilePath("two.xml");
    Boxes().QueueFileName(path);
    window.btnOK->click();
    EXPECT_TRUE(window.isVisible());
    ASSERT_EQ(Boxes().Texts(Kind::SaveFile), QStringList{"Finger Template File|*.xml"});
    EXPECT_TRUE(Boxes().Texts(Kind::Error).isEmpty());

    TClientDataSet file;
    LoadTemplateFile(path, file);
    ASSERT_EQ(file.RecordCount(), 2);
    file.First();
    EXPECT_EQ(file.FieldText(TemplateField::HolderNo), "A100");
    EXPECT_EQ(file.FieldText(TemplateField::HolderName), "Alice");
    EXPECT_EQ(file.FieldInt(TemplateField::PositionNo), 2);
    EXPECT_EQ(file.FieldInt(TemplateField::FingerNo), 12);
    EXPECT_EQ(file.FieldText(TemplateField::Template), TemplateText(12));
    EXPECT_EQ(file.FieldBytes(TemplateField::FingerPicture), Picture(12));

    // A cancelled dialog writes nothing and leaves the window open.
    const QByteArray before = [&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    window.btnAddAll->click();
    window.btnOK->click();
    EXPECT_EQ(Boxes().Texts(Kind::SaveFile).size(), 2);
    EXPECT_TRUE(window.isVisible());
    QFile again(path);
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), before);
}

INSTANTIATE_TEST_SUITE_P(Engines, ExportWindow,
                         ::testing::Values(TestEngine::SQLite, TestEngine::MariaDB),
                         EngineParamName());

class EditorImport : public ExportFixture, public ::testing::TestWithParam<TestEngine> {
  protected:
    void SetUp() override {
        Install(GetParam());
        if (HasFatalFailure()) return;
        for (auto [no, name] :
             {std::pair{"A100", "Alice"}, {"B200", "Bob"}, {"C300", "Carol"}, {"Z900", "Zoe"}})
            AddHolder(no, name);
        for (const Finger& f : fingers_) AddFinger(f);
    }
    void TearDown() override { Uninstall(); }

    // Exports the holders, in this order, through the editor's export button.
    void ExportThroughEditor(TfrmFingerEdit& editor, const QStringList& holders,
                             const QString& path) {
        WhenModal<TfrmFingerExport>(&editor, [this, holders, path](TfrmFingerExport* window) {
            for (const QString& holder : holders) {
                SelectHolder(*window, holder);
                window->btnAdd->click();
            }
            Boxes().QueueFileName(path);
            window->btnOK->click();
            window->btnCancel->click();
        });
        ASSERT_TRUE(editor.btnExport->isEnabled());
        editor.btnExport->click();
        ASSERT_TRUE(QFile::exists(path));
    }

    const std::vector<Finger> fingers_ = {
        {"A100", 1, 11, TemplateText(11), Picture(11), 0},
        {"A100", 3, 13, TemplateText(13), Picture(13), 1},
        {"A100", 11, 50, TemplateText(50), Picture(50), 0},  // no slot of the editor shows it
        {"B200", 2, 22, TemplateText(22), Picture(22), 1},
        {"Z900", 4, 44, TemplateText(44), Picture(44), 0},
    };
};

TEST_P(EditorImport, ExportedFingerprintsComeBackAfterTheyWereDeleted) {
    TfrmFingerEdit editor;
    editor.show();
    const QString path = FilePath("holders.xml");
    ExportThroughEditor(editor, {"B200", "A100", "Z900"}, path);
    ASSERT_TRUE(Boxes().Texts(Kind::Error).isEmpty())
        << Boxes().AllTexts().join("\n").toStdString();

    // After the export: A100 loses its fingerprints, B200's row is changed on this installation
    // and Z900 leaves the database.
    Exec("Delete From FingerData Where HolderNo='A100'");
    Exec(
        "Update FingerData Set FingerTemplate=?, FingerNo=77, FingerPicture=NULL Where "
        "HolderNo='B200'",
        {TemplateText(77)});
    Exec("Delete From FingerData Where HolderNo='Z900'");
    Exec("Delete From HolderData Where HolderNo='Z900'");
    editor.btnLast->click();  // the editor shows C300 before the import

    Boxes().QueueFileName(path);
    ASSERT_TRUE(editor.btnImport->isEnabled());
    editor.btnImport->click();

    const std::vector<Finger> expected = {
        {"A100", 1, 11, TemplateText(11), Picture(11), 0},
        {"A100", 3, 13, TemplateText(13), Picture(13), 0},  // appended: the column's default
        {"B200", 2, 22, TemplateText(22), Picture(22), 1},  // replaced: duress as it was
    };
    EXPECT_EQ(StoredFingers(), expected);
    EXPECT_EQ(Boxes().Texts(Kind::OpenFile), QStringList{"Finger Template File|*.xml"});
    EXPECT_TRUE(Boxes().Texts(Kind::Error).isEmpty())
        << Boxes().AllTexts().join("\n").toStdString();
    // The row at position 11 is reported, not stored.
    TemplateImportResult skipped;
    skipped.invalidPosition = 1;
    EXPECT_EQ(Boxes().Texts(Kind::Info), QStringList{TemplateImportNotice(skipped, *frmSysLib)});

    // The last holder of the file that exists is shown, with its fingerprints.
    EXPECT_EQ(editor.adqHolderData.FieldText("HolderNo").trimmed(), "A100");
    EXPECT_EQ(editor.dgdFingerData->currentIndex().row(), editor.adqHolderData.RecNo());
    EXPECT_EQ(editor.labFingerNo[1]->text(), "11");
    EXPECT_EQ(editor.labFingerNo[3]->text(), "13");
    EXPECT_FALSE(editor.imgFinger[3]->picture().isNull());
    EXPECT_FALSE(editor.Editing());
    // Finger numbers are given out against the imported rows.
    EXPECT_EQ(editor.adqAllFingerData.RecordCount(), int(expected.size()));
}

TEST_P(EditorImport, ARefusedFileChangesNothing) {
    TfrmFingerEdit editor;
    editor.show();
    const QString good = FilePath("good.xml");
    ExportThroughEditor(editor, {"A100", "B200"}, good);
    QFile goodFile(good);
    ASSERT_TRUE(goodFile.open(QIODevice::ReadOnly));
    const QByteArray packet = goodFile.readAll();

    TClientDataSet withoutPosition;
    withoutPosition.AddFieldDef(TemplateField::HolderNo, FieldKind::String, 20);
    withoutPosition.AddFieldDef(TemplateField::Template, FieldKind::String, 800);
    withoutPosition.AddFieldDef(TemplateField::FingerNo, FieldKind::Integer);
    withoutPosition.AddFieldDef(TemplateField::FingerPicture, FieldKind::Blob, 0, "Binary");
    withoutPosition.CreateDataSet();
    withoutPosition.AppendRow({"B200", TemplateText(5), 5, QByteArray()});
    QByteArray noRowData = packet;
    noRowData.replace(noRowData.indexOf("<ROWDATA"), noRowData.size(), "</DATAPACKET>");

    struct Case {
        const char* name;
        QByteArray content;
    };
    const Case cases[] = {
        {"Truncated", packet.left(packet.size() / 2)},
        {"NotXml", "cdfHolderNo,cdfTemplate\nB200,00\n"},
        {"NoRowData", noRowData},
        {"LacksPositionField", WriteDataPacket(withoutPosition)},
    };
    Exec("Update FingerData Set FingerTemplate=? Where HolderNo='B200'", {TemplateText(99)});
    editor.btnLast->click();
    const std::vector<Finger> before = StoredFingers();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = FilePath(QString(c.name) + ".xml");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.content);
        file.close();
        Boxes().Clear();
        Boxes().QueueFileName(path);
        editor.btnImport->click();
        const QStringList errors = Boxes().Texts(Kind::Error);
        ASSERT_EQ(errors.size(), 1);
        EXPECT_FALSE(errors[0].trimmed().isEmpty());
        EXPECT_TRUE(Boxes().Texts(Kind::Info).isEmpty());
        EXPECT_EQ(StoredFingers(), before);
        EXPECT_EQ(editor.adqHolderData.FieldText("HolderNo").trimmed(), "Z900");
    }

    // Without a file chosen nothing happens at all.
    Boxes().Clear();
    editor.btnImport->click();
    EXPECT_EQ(Boxes().AllTexts(), QStringList{});
    EXPECT_EQ(StoredFingers(), before);
}

INSTANTIATE_TEST_SUITE_P(Engines, EditorImport,
                         ::testing::Values(TestEngine::SQLite, TestEngine::MariaDB),
                         EngineParamName());

class ExportAccessibility : public ExportFixture, public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override { Install(TestEngine::SQLite, GetParam()); }
    void TearDown() override { Uninstall(); }
};

TEST_P(ExportAccessibility, EveryControlOfTheExportWindowHasAName) {
    TfrmFingerExport window;
    window.show();
    int controls = 0;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (widget->objectName().isEmpty() || widget->objectName().startsWith("qt_")) continue;
        if (!qobject_cast<QAbstractButton*>(widget) && !qobject_cast<QTableView*>(widget)) continue;
        ++controls;
        EXPECT_FALSE(widget->accessibleName().trimmed().isEmpty())
            << widget->objectName().toStdString();
    }
    EXPECT_GE(controls, 8);
    // The picture-only buttons are named by their hints from the language pack.
    EXPECT_EQ(window.btnAddAll->accessibleName(),
              frmSysLib->FormText("frmFingerExport", "btnAddAll", "").mid(1));
    EXPECT_EQ(window.windowTitle(), frmSysLib->FormText("frmFingerExport", "Title", ""));
    EXPECT_EQ(window.dgSelectHolderModel->headerData(2, Qt::Horizontal).toString(),
              frmSysLib->FormText("frmFingerExport", "dg3", ""));
}

INSTANTIATE_TEST_SUITE_P(Languages, ExportAccessibility, ::testing::Values("ENG", "CHT"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
