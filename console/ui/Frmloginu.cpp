#include "Frmloginu.h"

#include <QFrame>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QShowEvent>
#include <QtMath>
#include <cmath>

#include "QueryOps.h"
#include "SysLib.h"
#include "Translate.h"
#include "UiServices.h"

namespace {

const QColor kCream(255, 251, 240);
const QColor kRuleGreen(0, 128, 64);

QFrame* GreenRule(QWidget* parent, int top) {
    auto* rule = new QFrame(parent);
    rule->setGeometry(16, top, 417, 2);
    rule->setFrameShape(QFrame::NoFrame);
    rule->setAutoFillBackground(true);
    QPalette palette = rule->palette();
    palette.setColor(QPalette::Window, kRuleGreen);
    rule->setPalette(palette);
    return rule;
}

}  // namespace

QImage LoginEmblem(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor(28, 74, 122));
    sky.setColorAt(1, QColor(12, 36, 66));
    p.fillRect(image.rect(), sky);
    // A stylised print: rings around a core that drift down as they grow, with a slight wave
    // and a few ridge endings, cut to the oval of a finger tip.
    const QPointF core(width * 0.5, height * 0.46);
    const qreal rx = width * 0.34, ry = height * 0.38;
    QPainterPath finger;
    finger.addEllipse(core, rx, ry);
    p.setClipPath(finger);
    p.setPen(QPen(QColor(130, 210, 255), qMax(1.5, width / 70.0), Qt::SolidLine, Qt::RoundCap));
    const qreal spacing = rx / 8.5;
    for (int ring = 0; ring < 16; ++ring) {
        const qreal base = spacing * (ring + 0.7);
        const QPointF centre(core.x(), core.y() - ry * 0.12 + ring * spacing * 0.18);
        const qreal gapAt = std::fmod(ring * 2.39996, 2 * M_PI);  // golden-angle spread
        const qreal gapLength = ring > 2 ? 0.22 : 0.0;
        QPainterPath ridge;
        bool drawing = false;
        for (int k = 0; k <= 120; ++k) {
            const qreal theta = 2 * M_PI * k / 120;
            if (std::fmod(theta - gapAt + 4 * M_PI, 2 * M_PI) < gapLength) {
                drawing = false;
                continue;
            }
            const qreal wave = 1.0 + 0.05 * std::sin(2 * theta + ring * 0.45);
            const QPointF point(centre.x() + base * 0.80 * wave * std::cos(theta),
                                centre.y() - base * 1.05 * wave * std::sin(theta));
            if (drawing) {
                ridge.lineTo(point);
            } else {
                ridge.moveTo(point);
                drawing = true;
            }
        }
        p.drawPath(ridge);
    }
    p.setClipping(false);
    p.setPen(QPen(QColor(255, 255, 255, 160), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(core, rx, ry);
    QFont font;
    font.setPixelSize(qMax(10, height / 9));
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, height * 0.86, width, height * 0.14), Qt::AlignCenter, "CVBIO");
    return image;
}

TfrmLogin::TfrmLogin(QWidget* parent)
    : QDialog(parent), adoUser(frmSysLib ? &frmSysLib->adcMain : nullptr) {
    setObjectName("frmLogin");
    SetTag(this, 1);
    setWindowTitle("System Login");
    setFixedSize(449, 313);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    pnMain = Place(new TPanel(this), "pnMain", 0, 0, 449, 313);
    QPalette cream = pnMain->palette();
    cream.setColor(QPalette::Window, kCream);
    pnMain->setPalette(cream);

    lblTitle = Place(new QLabel("System Login", pnMain), "lblTitle", 16, 14, 417, 34);
    lblTitle->setAlignment(Qt::AlignCenter);
    SetTag(lblTitle, 1);
    GreenRule(pnMain, 54);

    pnLogo = Place(new TPanel(pnMain), "pnLogo", 24, 72, 132, 160);
    pnLogo->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    imgLogo = Place(new TImage(pnLogo), "imgLogo", 2, 2, 128, 156);
    imgLogo->setPicture(LoginEmblem(256, 312));
    imgLogo->setAccessibleName("CVBIO");

    lblLoginID = Place(new QLabel("Login ID:", pnMain), "lblLoginID", 180, 96, 92, 24);
    SetTag(lblLoginID, 1);
    edLoginID = Place(new QLineEdit(pnMain), "edLoginID", 276, 94, 150, 26);
    edLoginID->setMaxLength(20);
    SetTag(edLoginID, 2);
    lblLoginID->setBuddy(edLoginID);

    lblPassword = Place(new QLabel("Password :", pnMain), "lblPassword", 180, 148, 92, 24);
    SetTag(lblPassword, 1);
    edPassword = Place(new QLineEdit(pnMain), "edPassword", 276, 146, 150, 26);
    edPassword->setMaxLength(20);
    edPassword->setEchoMode(QLineEdit::Password);
    SetTag(edPassword, 2);
    lblPassword->setBuddy(edPassword);

    GreenRule(pnMain, 250);
    btnOk = Place(new QPushButton("&OK", pnMain), "btnOk", 246, 266, 86, 32);
    btnOk->setDefault(true);
    SetTag(btnOk, 1);
    btnCancel = Place(new QPushButton("&Cancel", pnMain), "btnCancel", 340, 266, 86, 32);
    btnCancel->setAutoDefault(false);
    SetTag(btnCancel, 1);
    OnEvent(btnOk, &QPushButton::clicked, this, &TfrmLogin::btnOkClick);
    OnEvent(btnCancel, &QPushButton::clicked, this, &TfrmLogin::btnCancelClick);

    tmrClose = new QTimer(this);
    tmrClose->setObjectName("tmrClose");
    tmrClose->setInterval(100);
    OnEvent(tmrClose, &QTimer::timeout, this, &TfrmLogin::tmrCloseTimer);

    setTabOrder(edLoginID, edPassword);
    setTabOrder(edPassword, btnOk);
    setTabOrder(btnOk, btnCancel);
}

void TfrmLogin::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) RunHandler([this] { FormShow(); });
}

void TfrmLogin::FormShow() {
    RunHandler([this] { TranslateWindow(this); });
    QFont titleFont = font();
    titleFont.setBold(true);
    titleFont.setPointSize(qMax(1, font().pointSize() + 2));
    lblTitle->setFont(titleFont);

    edLoginID->setText(frmSysLib->ReadSystemString("LoginID", ""));
    if (!edLoginID->text().isEmpty())
        edPassword->setFocus();
    else
        edLoginID->setFocus();
    LoggedIn = false;

    OpenUser(edLoginID->text());
    if (!adoUser.IsEmpty() && adoUser.FieldText("UserPassword").trimmed().isEmpty()) {
        frmSysLib->WriteSystemString("LoginID", edLoginID->text());
        LoggedIn = true;
        tmrClose->start();
    }
    adoUser.Close();
}

void TfrmLogin::OpenUser(const QString& userId) {
    adoUser.Close();
    OpenSql(adoUser, "Select * from UserData Where UserID = ?", {userId});
}

void TfrmLogin::btnOkClick() {
    if (edLoginID->text().isEmpty()) {
        ShowInfo(frmSysLib->MessageText("PleaseInputLoginID", "Please Input ID!"));
        return;
    }
    OpenUser(edLoginID->text());
    if (adoUser.IsEmpty()) {
        ShowInfo(frmSysLib->MessageText("LoginIDError", "User Not Found!"));
        return;
    }
    if (adoUser.FieldText("UserPassword").trimmed() != edPassword->text().trimmed()) {
        ShowInfo(frmSysLib->MessageText("PasswordError", "Password Error!"));
        ++wrongPasswords_;
        if (wrongPasswords_ > 4) close();
        return;
    }
    frmSysLib->WriteSystemString("LoginID", adoUser.FieldText("UserID").trimmed());
    LoggedIn = true;
    close();
}

void TfrmLogin::btnCancelClick() {
    close();
}

void TfrmLogin::tmrCloseTimer() {
    tmrClose->stop();
    close();
}

void TfrmLogin::done(int result) {
    // The window stays 100 ms after it was asked to close.
    if (closing_) return;
    closing_ = true;
    QTimer::singleShot(100, this, [this, result] { QDialog::done(result); });
}
