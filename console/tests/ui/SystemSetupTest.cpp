// The system setup dialog: what is accepted, what is refused, what reaches system.ini.
#include <gtest/gtest.h>

#include "IniFile.h"
#include "Support.h"
#include "SysLib.h"
#include "Systemsetup.h"
#include "UiServicesDouble.h"

TEST(SystemSetup, InputsAndWhatIsSaved) {
    struct Row {
        const char* name;
        QString com, baud, timeOut, retries;
        bool cvt80;
        bool saved;
        QString error;
        QStringList keys;  // ComPort, BaudRate, TimeOut, RetryCount, SelectSource as stored
    };
    const Row rows[] = {
        {"PortTwentyOutsideTheListIsAccepted",
         "20",
         "19200,e,8,1",
         "500",
         "3",
         false,
         true,
         "",
         {"20", "19200,e,8,1", "500", "3", "0"}},
        {"PortCOM2IsRefusedAndNothingSaved",
         "COM2",
         "9600,n,8,1",
         "100",
         "1",
         true,
         false,
         "'COM2' is not a valid integer value",
         {}},
        {"EmptyTimeOutIsSavedAs0",
         "2",
         "19200,e,8,1",
         "",
         "3",
         false,
         true,
         "",
         {"2", "19200,e,8,1", "0", "3", "0"}},
        {"NonNumericRetriesBecome0AndFreeBaudTextStays",
         "1",
         "2400,x",
         "250",
         "abc",
         true,
         true,
         "",
         {"1", "2400,x", "250", "0", "1"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScopedUiDouble ui;
        TestBase base;
        base.WriteSystemIni({"ComPort=5", "TimeOut=700"});
        const QByteArray before = base.ReadFile("system.ini");
        frmSysLib = new TfrmSysLib(base.path());
        {
            TfrmSystemSetup setup;
            setup.show();
            ASSERT_TRUE(WaitUntil([&] { return setup.isVisible(); }));
            EXPECT_EQ(setup.cmbCom->currentText(), "5");
            EXPECT_EQ(setup.edtTimeOut->text(), "700");
            EXPECT_TRUE(setup.rabEnroll->isChecked());
            setup.cmbCom->setEditText(row.com);
            setup.cmbBaudRate->setEditText(row.baud);
            setup.edtTimeOut->setText(row.timeOut);
            setup.edtRetryCount->setText(row.retries);
            (row.cvt80 ? setup.rabCVT80R : setup.rabEnroll)->setChecked(true);
            setup.btnOK->click();
            EXPECT_EQ(setup.isVisible(), !row.saved);
        }
        EXPECT_EQ(ui->Texts(UiServicesDouble::Kind::Error),
                  row.error.isEmpty() ? QStringList() : QStringList({row.error}));
        if (row.saved) {
            IniFile ini(base.filePath("system.ini").toStdString());
            QStringList keys;
            for (const char* key : {"ComPort", "BaudRate", "TimeOut", "RetryCount", "SelectSource"})
                keys << QString::fromStdString(ini.ReadString("System", key, "<none>"));
            EXPECT_EQ(keys, row.keys);
            EXPECT_EQ(frmSysLib->ComPort, row.keys[0].toInt());
            EXPECT_EQ(frmSysLib->BaudRate, row.keys[1]);
            EXPECT_EQ(frmSysLib->TimeOut, row.keys[2].toInt());
            EXPECT_EQ(frmSysLib->RetryCount, row.keys[3].toInt());
            EXPECT_EQ(frmSysLib->SelectSource, row.keys[4].toInt());
        } else {
            EXPECT_EQ(base.ReadFile("system.ini"), before);
            EXPECT_EQ(frmSysLib->ComPort, 5);
            EXPECT_EQ(frmSysLib->TimeOut, 700);
            EXPECT_EQ(frmSysLib->SelectSource, 0);
        }
        delete frmSysLib;
        frmSysLib = nullptr;
    }
}

TEST(SystemSetup, CancelChangesNothing) {
    ScopedUiDouble ui;
    TestBase base;
    base.WriteSystemIni({"SelectSource=1"});
    const QByteArray before = base.ReadFile("system.ini");
    frmSysLib = new TfrmSysLib(base.path());
    {
        TfrmSystemSetup setup;
        setup.show();
        EXPECT_TRUE(setup.rabCVT80R->isChecked());
        setup.cmbCom->setEditText("9");
        setup.btnCancel->click();
        EXPECT_FALSE(setup.isVisible());
    }
    EXPECT_EQ(base.ReadFile("system.ini"), before);
    EXPECT_EQ(frmSysLib->ComPort, 1);
    delete frmSysLib;
    frmSysLib = nullptr;
}
