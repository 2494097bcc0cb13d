#include "Databasesetup.h"

#include "Controls.h"
#include "SysLib.h"
#include "Translate.h"
#include "UiServices.h"

namespace {

struct Field {
    QLabel* label;
    QLineEdit* edit;
};

Field AddField(QWidget* page, const char* labelName, const char* caption, const char* editName,
               int top, int editWidth = 166) {
    auto* label = Place(new QLabel(caption, page), labelName, 16, top + 2, 74, 24);
    SetTag(label, 1);
    auto* edit = Place(new QLineEdit(page), editName, 92, top, editWidth, 26);
    label->setBuddy(edit);
    return {label, edit};
}

QPushButton* AddButton(QWidget* page, const char* name, const char* caption, int left) {
    auto* button = Place(new QPushButton(caption, page), name, left, 186, 80, 32);
    SetTag(button, 1);
    return button;
}

}  // namespace

QString TfrmDatabaseSetup::AccessString(const QString& path, const QString& user,
                                        const QString& password) {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Persist Security Info=False;Mode=Share Deny "
           "None;Data Source=" +
           path + ";User ID=" + user + ";Jet OLEDB:Database Password=" + password;
}

QString TfrmDatabaseSetup::SqlServerString(const QString& server, const QString& user,
                                           const QString& password) {
    return "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial "
           "Catalog=CVBIO;Data Source=" +
           server + ";Password=" + password.trimmed() + ";User ID=" + user.trimmed();
}

QString TfrmDatabaseSetup::MySqlString(const QString& user, const QString& password) {
    return "DRIVER={MySQL};OPTION=3;SERVER=localhost;DATABASE=CVBIO;USER=" + user +
           ";PASSWORD=" + password;
}

TfrmDatabaseSetup::TfrmDatabaseSetup(QWidget* parent)
    : QDialog(parent), adcMain("frmDatabaseSetup.adcMain") {
    setObjectName("frmDatabaseSetup");
    SetTag(this, 1);
    setWindowTitle("資料庫設定");
    setFixedSize(277, 231);

    pagMain = Place(new QStackedWidget(this), "pagMain", 0, 0, 277, 231);

    tabDatabase = new QWidget();
    tabDatabase->setObjectName("tabDatabase");
    pagMain->addWidget(tabDatabase);
    labTitle = Place(new QLabel("資料庫種類選擇", tabDatabase), "labTitle", 16, 10, 245, 26);
    labTitle->setAlignment(Qt::AlignCenter);
    SetTag(labTitle, 1);
    QFont titleFont = labTitle->font();
    titleFont.setBold(true);
    labTitle->setFont(titleFont);
    grbMain = Place(new QGroupBox(tabDatabase), "grbMain", 16, 40, 245, 134);
    rabAccess = Place(new QRadioButton("Access", grbMain), "rabAccess", 32, 16, 180, 30);
    rabSQLServer = Place(new QRadioButton("SQL Server", grbMain), "rabSQLServer", 32, 54, 180, 30);
    rabMySQL = Place(new QRadioButton("My SQL", grbMain), "rabMySQL", 32, 92, 180, 30);
    rabAccess->setChecked(true);
    grbMain->setAccessibleName("Database");
    btnOK = AddButton(tabDatabase, "btnOK", "確定", 48);
    btnCancel = AddButton(tabDatabase, "btnCancel", "取消", 148);

    tabAccess = new QWidget();
    tabAccess->setObjectName("tabAccess");
    pagMain->addWidget(tabAccess);
    Field f = AddField(tabAccess, "labAccessPath", "路徑", "edtAccessPath", 28, 136);
    labAccessPath = f.label;
    edtAccessPath = f.edit;
    btnOpenAccess = Place(new QPushButton("...", tabAccess), "btnOpenAccess", 230, 28, 28, 26);
    btnOpenAccess->setAutoDefault(false);
    btnOpenAccess->setAccessibleName("Browse");
    btnOpenAccess->setToolTip("Browse");
    f = AddField(tabAccess, "labAccessID", "帳號", "edtAccessID", 76);
    labAccessID = f.label;
    edtAccessID = f.edit;
    edtAccessID->setText("Admin");
    f = AddField(tabAccess, "labAccessPassword", "密碼", "edtAccessPassword", 124);
    labAccessPassword = f.label;
    edtAccessPassword = f.edit;
    edtAccessPassword->setEchoMode(QLineEdit::Password);
    btnAccessOK = AddButton(tabAccess, "btnAccessOK", "確定", 48);
    btnAccessCancel = AddButton(tabAccess, "btnAccessCancel", "取消", 148);

    tabSQLServer = new QWidget();
    tabSQLServer->setObjectName("tabSQLServer");
    pagMain->addWidget(tabSQLServer);
    f = AddField(tabSQLServer, "labSQLPath", "名稱或IP", "edtSQLPath", 28);
    labSQLPath = f.label;
    edtSQLPath = f.edit;
    f = AddField(tabSQLServer, "labSQLID", "帳號", "edtSQLID", 76);
    labSQLID = f.label;
    edtSQLID = f.edit;
    f = AddField(tabSQLServer, "labSQLPassword", "密碼", "edtSQLPassword", 124);
    labSQLPassword = f.label;
    edtSQLPassword = f.edit;
    edtSQLPassword->setEchoMode(QLineEdit::Password);
    btnSQLOK = AddButton(tabSQLServer, "btnSQLOK", "確定", 48);
    btnSQLCancel = AddButton(tabSQLServer, "btnSQLCancel", "取消", 148);

    tabMySQL = new QWidget();
    tabMySQL->setObjectName("tabMySQL");
    pagMain->addWidget(tabMySQL);
    f = AddField(tabMySQL, "labMySQLPath", "名稱或IP", "edtMySQLPath", 28);
    labMySQLPath = f.label;
    edtMySQLPath = f.edit;
    f = AddField(tabMySQL, "labMySQLID", "帳號", "edtMySQLID", 76);
    labMySQLID = f.label;
    edtMySQLID = f.edit;
    f = AddField(tabMySQL, "labMySQLPassword", "密碼", "edtMySQLPassword", 124);
    labMySQLPassword = f.label;
    edtMySQLPassword = f.edit;
    edtMySQLPassword->setEchoMode(QLineEdit::Password);
    btnMySQLOK = AddButton(tabMySQL, "btnMySQLOK", "確定", 48);
    btnMySQLCancel = AddButton(tabMySQL, "btnMySQLCancel", "取消", 148);

    OnEvent(btnOK, &QPushButton::clicked, this, &TfrmDatabaseSetup::btnOKClick);
    OnEvent(btnOpenAccess, &QPushButton::clicked, this, &TfrmDatabaseSetup::btnOpenAccessClick);
    OnEvent(btnAccessOK, &QPushButton::clicked, this, &TfrmDatabaseSetup::btnAccessOKClick);
    OnEvent(btnSQLOK, &QPushButton::clicked, this, &TfrmDatabaseSetup::btnSQLOKClick);
    OnEvent(btnMySQLOK, &QPushButton::clicked, this, &TfrmDatabaseSetup::btnMySQLOKClick);
    for (QPushButton* cancel : {btnCancel, btnAccessCancel, btnSQLCancel, btnMySQLCancel})
        OnEvent(cancel, &QPushButton::clicked, this, &TfrmDatabaseSetup::btnCancelClick);
    ShowPage(tabDatabase);
}

void TfrmDatabaseSetup::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (activated_) return;
    activated_ = true;
    RunHandler([this] { FormActivate(); });
}

void TfrmDatabaseSetup::FormActivate() {
    ShowPage(tabDatabase);
    TranslateWindow(this);
}

void TfrmDatabaseSetup::ShowPage(QWidget* page) {
    pagMain->setCurrentWidget(page);
    // On every page Cancel is the default button: Enter and Escape both leave the dialog.
    QPushButton* cancel = page == tabAccess      ? btnAccessCancel
                          : page == tabSQLServer ? btnSQLCancel
                          : page == tabMySQL     ? btnMySQLCancel
                                                 : btnCancel;
    for (QPushButton* b : page->findChildren<QPushButton*>()) b->setAutoDefault(false);
    cancel->setDefault(true);
    if (page == tabDatabase) {
        (rabAccess->isChecked()      ? rabAccess
         : rabSQLServer->isChecked() ? rabSQLServer
                                     : rabMySQL)
            ->setFocus();
    } else {
        page->findChildren<QLineEdit*>().value(0)->setFocus();
    }
}

void TfrmDatabaseSetup::btnOKClick() {
    if (rabSQLServer->isChecked())
        ShowPage(tabSQLServer);
    else if (rabMySQL->isChecked())
        ShowPage(tabMySQL);
    else
        ShowPage(tabAccess);
}

void TfrmDatabaseSetup::btnCancelClick() {
    close();
}

void TfrmDatabaseSetup::btnOpenAccessClick() {
    const QString path = Ui().OpenFileName("Access|*.mdb", QString());
    if (!path.isEmpty()) edtAccessPath->setText(path);
}

void TfrmDatabaseSetup::btnAccessOKClick() {
    OpenDatabase(
        AccessString(edtAccessPath->text(), edtAccessID->text(), edtAccessPassword->text()));
}

void TfrmDatabaseSetup::btnSQLOKClick() {
    OpenDatabase(SqlServerString(edtSQLPath->text(), edtSQLID->text(), edtSQLPassword->text()));
}

void TfrmDatabaseSetup::btnMySQLOKClick() {
    OpenDatabase(MySqlString(edtMySQLID->text(), edtMySQLPassword->text()));
}

void TfrmDatabaseSetup::OpenDatabase(const QString& connectString) {
    adcMain.Close();
    adcMain.ConnectionString = connectString;
    adcMain.BaseDir = frmSysLib->BaseDir;
    if (adcMain.Open()) {
        adcMain.Close();
        frmSysLib->WriteSystemString("ConnectString", connectString);
        frmSysLib->DatabaseOpen = true;
        close();
        return;
    }
    frmSysLib->DatabaseOpen = false;
    ShowInfo(frmSysLib->MessageText("Disconnect", "Connect Database Fail!"));
}
