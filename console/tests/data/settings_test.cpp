// Start-up values of the shared object and the mapping of stored connection strings.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "Connection.h"
#include "SysLib.h"

namespace {

void writeFile(const QString& path, const QByteArray& content) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
}

TEST(SharedObject, WithoutSettingsFileTheDefaultsApply) {
    QTemporaryDir dir;
    TfrmSysLib sys(dir.path());
    EXPECT_EQ(sys.BaseDir, dir.path() + "/");
    EXPECT_EQ(sys.LanguageDir, dir.path() + "/Language/");
    EXPECT_EQ(sys.ImageDir, dir.path() + "/Image/");
    EXPECT_EQ(sys.LanguageCode, "ENG");
    EXPECT_EQ(sys.ComPort, 1);
    EXPECT_EQ(sys.BaudRate, "19200,e,8,1");
    EXPECT_EQ(sys.TimeOut, 500);
    EXPECT_EQ(sys.RetryCount, 3);
    EXPECT_EQ(sys.SelectSource, 0);
    EXPECT_TRUE(sys.LookupCaseInsensitive);
    EXPECT_EQ(sys.MessageText("Disconnect", "Connect Database Fail!"), "Connect Database Fail!");
    EXPECT_EQ(sys.FormText("frmMain", "Title", "0"), "0");

    // The default string opens CVBIO.mdb in the base directory through the embedded engine.
    ASSERT_TRUE(sys.OpenSharedConnection()) << sys.adcMain.lastError().toStdString();
    EXPECT_TRUE(sys.DatabaseOpen);
    EXPECT_EQ(sys.adcMain.engine(), DbEngine::SQLite);
    EXPECT_TRUE(QFile::exists(dir.path() + "/CVBIO.mdb"));
    EXPECT_FALSE(QFile::exists(dir.path() + "/system.ini"));  // nothing is written at start-up
}

TEST(SharedObject, NonNumericValuesReadAsTheirDefaults) {
    QTemporaryDir dir;
    writeFile(dir.path() + "/system.ini",
              "[System]\nTimeOut=fast\nComPort=COM2\nRetryCount=5\nLanguage=CHT\n");
    writeFile(dir.path() + "/CommonCHT.TXT", "");  // not in Language/: must not be found
    QDir(dir.path()).mkdir("Language");
    writeFile(dir.path() + "/Language/CommonCHT.TXT",
              "[System]\nLanguage=繁體中文\n[Message]\nTitle=系統訊息\n");
    TfrmSysLib sys(dir.path());
    EXPECT_EQ(sys.TimeOut, 500);
    EXPECT_EQ(sys.ComPort, 1);
    EXPECT_EQ(sys.RetryCount, 5);
    EXPECT_EQ(sys.LanguageCode, "CHT");
    EXPECT_EQ(sys.MessageText("Title", "System Information"), QString::fromUtf8("系統訊息"));
    EXPECT_EQ(sys.MessageText("TimeOut", "x"), "x");
}

TEST(SharedObject, TheBaseDirectoryIsTheCurrentDirectory) {
    QTemporaryDir dir;
    writeFile(dir.path() + "/system.ini", "[System]\nComPort=7\n");
    QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    TfrmSysLib sys;
    QDir::setCurrent(before);
    EXPECT_EQ(QDir(sys.BaseDir).canonicalPath(), QDir(dir.path()).canonicalPath());
    EXPECT_EQ(sys.ComPort, 7);
}

TEST(ConnectionStrings, StoredStringsMapToTheirEngines) {
    struct Case {
        const char* name;
        const char* text;
        DbEngine engine;
        const char* driver;
        const char* contains;  // in the database name or ODBC text
    } cases[] = {
        {"jet default", TfrmSysLib::DefaultConnectString, DbEngine::SQLite, "QSQLITE",
         "/base/CVBIO.mdb"},
        {"jet dialog form",
         "Provider=Microsoft.Jet.OLEDB.4.0;Persist Security Info=False;Mode=Share Deny None;"
         "Data Source=/data/x.mdb;User ID=Admin;Jet OLEDB:Database Password=",
         DbEngine::SQLite, "QSQLITE", "/data/x.mdb"},
        {"jet windows path", "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=db\\CVBIO.mdb",
         DbEngine::SQLite, "QSQLITE", "/base/db/CVBIO.mdb"},
        {"sql server",
         "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
         "Initial Catalog=CVBIO;Data Source=srv01;Password=pw;User ID=sa",
         DbEngine::SqlServer, "QODBC", "SERVER=srv01;DATABASE=CVBIO;UID=sa;PWD=pw"},
        {"mysql", "DRIVER={MySQL};OPTION=3;SERVER=localhost;DATABASE=CVBIO;USER=u;PASSWORD=p",
         DbEngine::MySql, "QMYSQL", "CVBIO"},
    };
    for (const Case& c : cases) {
        ConnectionTarget t = MapConnectionString(c.text, "/base/");
        EXPECT_TRUE(t.error.isEmpty()) << c.name << ": " << t.error.toStdString();
        EXPECT_EQ(t.engine, c.engine) << c.name;
        EXPECT_EQ(t.driver, c.driver) << c.name;
        EXPECT_TRUE(t.databaseName.contains(c.contains))
            << c.name << ": " << t.databaseName.toStdString();
    }
    ConnectionTarget mysql = MapConnectionString(
        "DRIVER={MySQL};OPTION=3;SERVER=localhost;DATABASE=CVBIO;USER=u;PASSWORD=p;SOCKET=/s", "");
    EXPECT_EQ(mysql.host, "localhost");
    EXPECT_EQ(mysql.user, "u");
    EXPECT_EQ(mysql.password, "p");
    EXPECT_EQ(mysql.connectOptions, "CLIENT_FOUND_ROWS=1;UNIX_SOCKET=/s");
}

TEST(ConnectionStrings, UnusableStringsFailWithAClearText) {
    const char* cases[] = {
        "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=x.accdb",
        "",
        "Provider=Microsoft.Jet.OLEDB.4.0;Persist Security Info=False",
        "Provider=SQLOLEDB.1;Integrated Security=SSPI;Initial Catalog=CVBIO;Data Source=srv;"
        "Password=;User ID=",
    };
    for (const char* text : cases) {
        TADOConnection c("unusable");
        c.ConnectionString = text;
        c.BaseDir = "/tmp/";
        EXPECT_FALSE(c.Open()) << text;
        EXPECT_FALSE(c.lastError().isEmpty()) << text;
    }
}

TEST(ConnectionStrings, AnAccessFileIsNeitherOpenedNorOverwritten) {
    QTemporaryDir dir;
    QString source = QString(CVBIO_FIXTURES_DIR) + "/CardBank.mdb";
    ASSERT_TRUE(QFile::exists(source)) << source.toStdString();
    QString target = dir.path() + "/CVBIO.mdb";
    ASSERT_TRUE(QFile::copy(source, target));
    QFile original(source);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    QByteArray before = original.readAll();

    TADOConnection c("access");
    c.BaseDir = dir.path() + "/";
    c.ConnectionString = TfrmSysLib::DefaultConnectString;
    EXPECT_FALSE(c.Open());
    EXPECT_TRUE(c.lastError().contains("Access")) << c.lastError().toStdString();
    QFile copy(target);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), before);
}

TEST(ConnectionStrings, AFileThatIsNoDatabaseFailsToConnect) {
    QTemporaryDir dir;
    writeFile(dir.path() + "/CVBIO.mdb", QByteArray(4096, 'x'));
    TADOConnection c("text");
    c.BaseDir = dir.path() + "/";
    c.ConnectionString = TfrmSysLib::DefaultConnectString;
    EXPECT_FALSE(c.Open());
    EXPECT_FALSE(c.Connected());
}

}  // namespace
