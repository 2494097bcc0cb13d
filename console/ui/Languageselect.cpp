#include "Languageselect.h"

#include <QDir>

#include "Controls.h"
#include "IniFile.h"
#include "Main.h"
#include "MenuWindows.h"
#include "SysLib.h"
#include "Translate.h"
#include "UiServices.h"

CVBIO_MENU_WINDOW(btnLanguageSelect, TfrmLanguageSelect)

TfrmLanguageSelect::TfrmLanguageSelect(QWidget* parent) : QDialog(parent) {
    setObjectName("frmLanguageSelect");
    setWindowTitle("Language Select");
    setFixedSize(317, 301);

    grbLanguage = Place(new QGroupBox("Language Files", this), "grbLanguage", 8, 6, 301, 176);
    lstLanguage = Place(new QListWidget(grbLanguage), "lstLanguage", 10, 24, 281, 142);
    lstLanguage->setAccessibleName("Language Files");
    grbCurrent =
        Place(new QGroupBox("Current Select Language", this), "grbCurrent", 8, 188, 301, 62);
    labCurrent = Place(new QLabel(grbCurrent), "labCurrent", 12, 24, 277, 28);
    btnOk = Place(new QPushButton("OK", this), "btnOk", 138, 260, 80, 32);
    btnOk->setDefault(true);
    btnCancel = Place(new QPushButton("Cancel", this), "btnCancel", 226, 260, 80, 32);
    btnCancel->setAutoDefault(false);
    OnEvent(btnOk, &QPushButton::clicked, this, &TfrmLanguageSelect::btnOkClick);
    OnEvent(btnCancel, &QPushButton::clicked, this, &TfrmLanguageSelect::btnCancelClick);
    connect(lstLanguage, &QListWidget::itemActivated, btnOk, &QPushButton::click);
}

void TfrmLanguageSelect::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (activated_) return;
    activated_ = true;
    RunHandler([this] { FormActivate(); });
    lstLanguage->setFocus();
}

void TfrmLanguageSelect::FormActivate() {
    labCurrent->setText(
        QString::fromStdString(frmSysLib->CommonIni.ReadString("System", "Language", "")));
    lstLanguage->clear();
    CommonFiles.clear();
    ManagerFiles.clear();
    Codes.clear();

    // Name order, as the desktop's own directory search gives it.
    QDir dir(frmSysLib->LanguageDir);
    dir.setNameFilters({"Common*.TXT"});
    dir.setFilter(QDir::Files | QDir::Hidden | QDir::System);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    int current = -1;
    for (const QString& name : dir.entryList()) {
        if (CommonFiles.size() >= MaxLanguages) break;
        const QString code = name.mid(6, 3);
        const QString common = frmSysLib->LanguageDir + name;
        const QString manager = frmSysLib->LanguageDir + "Manager" + code + ".TXT";
        const IniFile file(common.toStdString());
        const QString display = QString::fromStdString(file.ReadString("System", "Language", ""));
        if (display == labCurrent->text()) current = CommonFiles.size();
        CommonFiles << common;
        ManagerFiles << manager;
        Codes << code;
        lstLanguage->addItem(display);
    }
    if (current >= 0) lstLanguage->setCurrentRow(current);
    InitialIndex = current;
    UpdateAccessibleNames(this);
}

int TfrmLanguageSelect::SelectedIndex() const {
    const QModelIndexList selected = lstLanguage->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void TfrmLanguageSelect::btnOkClick() {
    const int selected = SelectedIndex();
    if (selected != InitialIndex && selected >= 0 && selected < Codes.size()) {
        frmSysLib->WriteSystemString("Language", Codes[selected]);
        frmSysLib->LanguageCode = Codes[selected];
        frmSysLib->OpenLanguage(CommonFiles[selected], ManagerFiles[selected]);
        if (frmMain) TranslateWindow(frmMain);
    }
    close();
}

void TfrmLanguageSelect::btnCancelClick() {
    close();
}
