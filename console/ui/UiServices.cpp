#include "UiServices.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

#include "CvbioError.h"
#include "SysLib.h"

namespace {

std::unique_ptr<UiServices>& Current() {
    static std::unique_ptr<UiServices> services = std::make_unique<QtUiServices>();
    return services;
}

}  // namespace

UiServices& Ui() {
    return *Current();
}

std::unique_ptr<UiServices> SetUiServices(std::unique_ptr<UiServices> services) {
    std::unique_ptr<UiServices> previous = std::move(Current());
    Current() = services ? std::move(services) : std::make_unique<QtUiServices>();
    return previous;
}

QString MessageTitle() {
    const QString fallback = "System Information";
    return frmSysLib ? frmSysLib->MessageText("Title", fallback) : fallback;
}

void ShowInfo(const QString& text) {
    Ui().MessageBox(MessageTitle(), text, UiServices::Buttons::Ok);
}

int AskOkCancel(const QString& text) {
    return Ui().MessageBox(MessageTitle(), text, UiServices::Buttons::OkCancel) == 1 ? 1 : 2;
}

int AskYesNo(const QString& text) {
    return Ui().MessageBox(MessageTitle(), text, UiServices::Buttons::YesNo) == 6 ? 6 : 7;
}

void ShowError(const QString& text) {
    Ui().ErrorBox(MessageTitle(), text);
}

void RunHandler(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const CvbioError& error) {
        ShowError(error.message());
    } catch (const std::exception& error) {
        ShowError(QString::fromUtf8(error.what()));
    }
}

QString QtFileFilter(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        filters << QString("%1 (%2)").arg(parts[i], patterns);
    }
    return filters.isEmpty() ? filter : filters.join(";;");
}

int QtUiServices::MessageBox(const QString& title, const QString& text, Buttons buttons) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setText(text);
    box.setIcon(QMessageBox::NoIcon);
    switch (buttons) {
        case Buttons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case Buttons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case Buttons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setEscapeButton(QMessageBox::No);
            break;
    }
    const int answer = box.exec();
    switch (answer) {
        case QMessageBox::Ok:
            return 1;
        case QMessageBox::Yes:
            return 6;
        case QMessageBox::No:
            return 7;
        default:
            return buttons == Buttons::YesNo ? 7 : 2;
    }
}

void QtUiServices::ErrorBox(const QString& title, const QString& text) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setText(text);
    box.setIcon(QMessageBox::Critical);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

QString QtUiServices::OpenFileName(const QString& filter, const QString& defaultExt) {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QtFileFilter(filter));
    if (!defaultExt.isEmpty())
        dialog.setDefaultSuffix(QString(defaultExt).remove(0, defaultExt.startsWith('.') ? 1 : 0));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

QString QtUiServices::SaveFileName(const QString& filter, const QString& defaultExt) {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QtFileFilter(filter));
    if (!defaultExt.isEmpty())
        dialog.setDefaultSuffix(QString(defaultExt).remove(0, defaultExt.startsWith('.') ? 1 : 0));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

void QtUiServices::Beep(int, int) {
    // The desktop gives one system sound; pitch and length are not ours to choose here.
    QApplication::beep();
}
