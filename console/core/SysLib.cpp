#include "SysLib.h"

#include <QDir>

#include "QueryOps.h"

TfrmSysLib* frmSysLib = nullptr;

namespace {
std::string utf8(const QString& s) {
    return s.toStdString();
}
QString fromUtf8(const std::string& s) {
    return QString::fromStdString(s);
}
}  // namespace

TfrmSysLib::TfrmSysLib(const QString& currentDir) : adcMain("adcMain"), adqMain(&adcMain) {
    QString dir = currentDir.isEmpty() ? QDir::currentPath() : QDir(currentDir).absolutePath();
    BaseDir = dir.endsWith('/') ? dir : dir + "/";
    LanguageDir = BaseDir + "Language/";
    ImageDir = BaseDir + "Image/";
    adcMain.BaseDir = BaseDir;

    SystemIni.setPath(utf8(BaseDir + "system.ini"));
    LanguageCode = ReadSystemString("Language", "ENG");
    OpenLanguage(LanguageDir + "Common" + LanguageCode + ".TXT",
                 LanguageDir + "Manager" + LanguageCode + ".TXT");

    ComPort = ReadSystemInteger("ComPort", 1);
    BaudRate = ReadSystemString("BaudRate", "19200,e,8,1");
    TimeOut = ReadSystemInteger("TimeOut", 500);
    RetryCount = ReadSystemInteger("RetryCount", 3);
    SelectSource = ReadSystemInteger("SelectSource", 0);
    LookupCaseInsensitive = true;
}

TfrmSysLib::~TfrmSysLib() {
    adqMain.Close();
    adcMain.Close();
}

bool TfrmSysLib::OpenSharedConnection() {
    adcMain.Close();
    adcMain.ConnectionString = ReadSystemString("ConnectString", DefaultConnectString);
    if (!adcMain.Open()) return false;
    DatabaseOpen = true;
    return true;
}

void TfrmSysLib::OpenLanguage(const QString& commonPath, const QString& managerPath) {
    CommonIni.setPath(utf8(commonPath));
    ManagerIni.setPath(utf8(managerPath));
}

QString TfrmSysLib::MessageText(const QString& key, const QString& defaultText) const {
    return fromUtf8(CommonIni.ReadString("Message", utf8(key), utf8(defaultText)));
}

QString TfrmSysLib::FormText(const QString& window, const QString& key,
                             const QString& defaultText) const {
    return fromUtf8(ManagerIni.ReadString(utf8(window), utf8(key), utf8(defaultText)));
}

QString TfrmSysLib::ReadSystemString(const QString& key, const QString& defaultValue) const {
    return fromUtf8(SystemIni.ReadString("System", utf8(key), utf8(defaultValue)));
}

int TfrmSysLib::ReadSystemInteger(const QString& key, int defaultValue) const {
    return SystemIni.ReadInteger("System", utf8(key), defaultValue);
}

bool TfrmSysLib::WriteSystemString(const QString& key, const QString& value) {
    return SystemIni.WriteString("System", utf8(key), utf8(value));
}

bool TfrmSysLib::WriteSystemInteger(const QString& key, int value) {
    return SystemIni.WriteInteger("System", utf8(key), value);
}

void TfrmSysLib::ReloadLinkedReaders() {
    OpenSql(adqMain, "Select * From FingerPrint Where LinkFlag=1 Order By ControllerNo");
    LinkedReaders.clear();
    int count = adqMain.RecordCount();
    for (int i = 0; i < count && i < MaxLinkedReaders; ++i) {
        LinkedReaders.push_back({adqMain.FieldInt("ControllerNo"), adqMain.FieldInt("FingerPrintNo")});
        adqMain.Next();
    }
}
