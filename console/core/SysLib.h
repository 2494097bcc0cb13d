// The shared settings-and-data object of the program: directories, the settings file, the open
// language files, the serial-line and enrolment-source values, the shared connection and the list
// of linked readers. One instance lives for the whole run (frmSysLib).
#pragma once

#include <QString>
#include <QVector>
#include <memory>

#include "Connection.h"
#include "Dataset.h"
#include "IniFile.h"

struct LinkedReader {
    int ControllerNo = 0;
    int FingerPrintNo = 0;
};

class TfrmSysLib {
public:
    static constexpr const char* DefaultConnectString =
        "Provider=Microsoft.Jet.OLEDB.4.0;Persist Security Info=False;Data Source=CVBIO.mdb";
    static constexpr int MaxLinkedReaders = 99;

    // Start-up step 2: directories from `currentDir` (the process's current directory when
    // empty), the settings file, the language files and the serial and source values.
    explicit TfrmSysLib(const QString& currentDir = QString());
    ~TfrmSysLib();

    QString BaseDir;      // ends with "/"
    QString LanguageDir;  // BaseDir + "Language/"
    QString ImageDir;     // BaseDir + "Image/"
    QString LanguageCode;

    IniFile SystemIni;
    IniFile CommonIni;
    IniFile ManagerIni;

    int ComPort = 1;
    QString BaudRate = "19200,e,8,1";
    int TimeOut = 500;
    int RetryCount = 3;
    int SelectSource = 0;
    bool LookupCaseInsensitive = false;  // LookupOptions

    TADOConnection adcMain;
    TADOQuery adqMain;
    bool DatabaseOpen = false;

    // Start-up step 3: disconnect, take "System"/"ConnectString" (or the default), connect.
    // Sets DatabaseOpen on success; returns false with adcMain.lastError() otherwise.
    bool OpenSharedConnection();

    // Opens the two files of a language pack (missing files give defaults on every lookup).
    void OpenLanguage(const QString& commonPath, const QString& managerPath);

    // ("Message", key, default) in the Common file.
    QString MessageText(const QString& key, const QString& defaultText) const;
    // (window, key, default) in the Manager file.
    QString FormText(const QString& window, const QString& key, const QString& defaultText) const;

    // Settings access in QString terms.
    QString ReadSystemString(const QString& key, const QString& defaultValue) const;
    int ReadSystemInteger(const QString& key, int defaultValue) const;
    bool WriteSystemString(const QString& key, const QString& value);
    bool WriteSystemInteger(const QString& key, int value);

    // "Select * From FingerPrint Where LinkFlag=1 Order By ControllerNo" into the list (at most
    // 99 entries; entries are numbered from 1 in LinkedReaders[i - 1]).
    void ReloadLinkedReaders();
    QVector<LinkedReader> LinkedReaders;
    int LinkedReaderCount() const { return LinkedReaders.size(); }
};

// The one shared object of the run; created by the main window.
extern TfrmSysLib* frmSysLib;
