// The database setup dialog: the kind of database, its location and credentials; only a
// connection string that connects is stored.
#pragma once

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>

#include "Connection.h"

class TfrmDatabaseSetup : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmDatabaseSetup(QWidget* parent = nullptr);

    QStackedWidget* pagMain;
    QWidget *tabDatabase, *tabAccess, *tabSQLServer, *tabMySQL;
    QLabel* labTitle;
    QGroupBox* grbMain;
    QRadioButton *rabAccess, *rabSQLServer, *rabMySQL;
    QPushButton *btnOK, *btnCancel;
    QLabel *labAccessPath, *labAccessID, *labAccessPassword;
    QLineEdit *edtAccessPath, *edtAccessID, *edtAccessPassword;
    QPushButton *btnOpenAccess, *btnAccessOK, *btnAccessCancel;
    QLabel *labSQLPath, *labSQLID, *labSQLPassword;
    QLineEdit *edtSQLPath, *edtSQLID, *edtSQLPassword;
    QPushButton *btnSQLOK, *btnSQLCancel;
    QLabel *labMySQLPath, *labMySQLID, *labMySQLPassword;
    QLineEdit *edtMySQLPath, *edtMySQLID, *edtMySQLPassword;
    QPushButton *btnMySQLOK, *btnMySQLCancel;
    TADOConnection adcMain;

    // The three connection string templates.
    static QString AccessString(const QString& path, const QString& user, const QString& password);
    static QString SqlServerString(const QString& server, const QString& user,
                                   const QString& password);
    static QString MySqlString(const QString& user, const QString& password);

    void FormActivate();
    void btnOKClick();
    void btnCancelClick();
    void btnOpenAccessClick();
    void btnAccessOKClick();
    void btnSQLOKClick();
    void btnMySQLOKClick();
    void OpenDatabase(const QString& connectString);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void ShowPage(QWidget* page);
    bool activated_ = false;
};
