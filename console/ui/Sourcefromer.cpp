#include "Sourcefromer.h"

#include <dlfcn.h>

#include <QCoreApplication>
#include <QPainter>

#include "Controls.h"
#include "Fingeredit.h"
#include "SysLib.h"
#include "Translate.h"
#include "UiServices.h"

QString TfrmSourceFromER::LibraryFileName = "libminutix.so";

namespace {

const QColor kStatusBlue(0, 0, 160);
const QColor kStatusRed(200, 0, 0);

}  // namespace

QString TemplateText(const uint8_t* buffer, int size) {
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(buffer), size).toHex().toUpper());
}

TFingerPanel::TFingerPanel(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
}

QImage& TFingerPanel::PrepareSurface() {
    if (surface_.size() != size()) surface_ = QImage(size(), QImage::Format_RGB32);
    surface_.fill(Qt::white);
    return surface_;
}

void TFingerPanel::paintEvent(QPaintEvent* event) {
    if (!surface_.isNull()) {
        QPainter painter(this);
        painter.drawImage(0, 0, surface_);
    }
    QFrame::paintEvent(event);
}

TfrmSourceFromER::TfrmSourceFromER(TfrmFingerEdit* editor) : QDialog(editor), editor_(editor) {
    setObjectName("frmSourceFromER");
    SetTag(this, 1);
    setWindowTitle("掃描指紋");
    setFixedSize(300, 212);

    pnlStatus = Place(new TPanel(this), "pnlStatus", 0, 0, 300, 32);
    pnlStatus->setText("等待指紋輸入");
    SetTag(pnlStatus, 1);
    QFont bold = pnlStatus->font();
    bold.setBold(true);
    pnlStatus->setFont(bold);
    QPalette palette = pnlStatus->palette();
    palette.setColor(QPalette::Window, kStatusBlue);
    palette.setColor(QPalette::WindowText, Qt::white);
    pnlStatus->setPalette(palette);

    pnlFinger = Place(new TFingerPanel(this), "pnlFinger", 12, 44, 140, 154);
    pnlFinger->setAccessibleName("Finger");

    btnReInput = Place(new QPushButton("重新輸入", this), "btnReInput", 172, 58, 112, 32);
    btnReInput->setDefault(true);
    btnOK = Place(new QPushButton("確定", this), "btnOK", 172, 102, 112, 32);
    btnOK->setEnabled(false);
    btnCancel = Place(new QPushButton("取消", this), "btnCancel", 172, 146, 112, 32);
    for (QPushButton* b : {btnReInput, btnOK, btnCancel}) {
        SetTag(b, 1);
        b->setAutoDefault(false);
    }
    btnReInput->setDefault(true);
    OnEvent(btnReInput, &QPushButton::clicked, this, &TfrmSourceFromER::btnReInputClick);
    OnEvent(btnOK, &QPushButton::clicked, this, &TfrmSourceFromER::btnOKClick);
    OnEvent(btnCancel, &QPushButton::clicked, this, &TfrmSourceFromER::btnCancelClick);

    tmrOpenFinger = new QTimer(this);
    tmrOpenFinger->setObjectName("tmrOpenFinger");
    tmrOpenFinger->setInterval(100);
    OnEvent(tmrOpenFinger, &QTimer::timeout, this, &TfrmSourceFromER::tmrOpenFingerTimer);

    RunHandler([this] { FormCreate(); });
}

TfrmSourceFromER::~TfrmSourceFromER() {
    ReleaseLibrary();
}

void TfrmSourceFromER::FormCreate() {
    // Next to the executable first, so the program uses the library it shipped with.
    const QString besideProgram = QCoreApplication::applicationDirPath() + "/" + LibraryFileName;
    library_ = dlopen(besideProgram.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!library_)
        library_ = dlopen(LibraryFileName.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!library_) return;
    auto bind = [this](auto& entry, const char* name) {
        entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(dlsym(library_, name));
        return entry != nullptr;
    };
    // Every name is looked up, and the window uses the library only when all seven are there.
    bool all = bind(MX_Initialize, "MX_Initialize");
    all = bind(MX_Uninitialize, "MX_Uninitialize") && all;
    all = bind(MX_Enroll, "MX_Enroll") && all;
    all = bind(MX_Draw, "MX_Draw") && all;
    all = bind(MX_Capture, "MX_Capture") && all;
    all = bind(MX_Clear, "MX_Clear") && all;
    all = bind(MX_RotateTemplate, "MX_RotateTemplate") && all;
    bound_ = all;
}

void TfrmSourceFromER::ReleaseLibrary() {
    bound_ = false;
    MX_Initialize = nullptr;
    MX_Uninitialize = nullptr;
    MX_Enroll = nullptr;
    MX_Draw = nullptr;
    MX_Capture = nullptr;
    MX_Clear = nullptr;
    MX_RotateTemplate = nullptr;
    if (library_) dlclose(library_);
    library_ = nullptr;
}

void TfrmSourceFromER::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (activated_) return;
    activated_ = true;
    RunHandler([this] { FormActivate(); });
}

void TfrmSourceFromER::FormActivate() {
    RunHandler([this] { TranslateWindow(this); });
    tmrOpenFinger->start();
}

void TfrmSourceFromER::tmrOpenFingerTimer() {
    tmrOpenFinger->stop();
    CaptureAttempt();
}

void TfrmSourceFromER::btnReInputClick() {
    CaptureAttempt();
}

void TfrmSourceFromER::ShowStatus(const QString& key, const QString& defaultText,
                                  const QColor* colour) {
    pnlStatus->setText(frmSysLib->FormText("frmSourceFromER", key, defaultText));
    if (colour) {
        QPalette palette = pnlStatus->palette();
        palette.setColor(QPalette::Window, *colour);
        pnlStatus->setPalette(palette);
    }
}

void TfrmSourceFromER::CaptureAttempt() {
    btnOK->setEnabled(false);
    ShowStatus("WaitInput", "Wait Input...", nullptr);
    // The capture blocks the window, so the text must be on the screen before it starts.
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    if (!bound_ || MX_Initialize() != 1) {
        ShowStatus("NotConnect", "The Scanner Not Connected!", nullptr);
        return;
    }
    MX_Clear();
    if (MX_Capture() == 0) {
        ShowStatus("InputTimeOut", "Input TimeOut!", &kStatusRed);
        MX_Uninitialize();
        return;
    }
    const int32_t enrolled = MX_Enroll(buffer_, nullptr, 1);

    QImage& surface = pnlFinger->PrepareSurface();
    MX_Surface target{reinterpret_cast<uint32_t*>(surface.bits()), surface.width(),
                      surface.height(), static_cast<int32_t>(surface.bytesPerLine())};
    MX_Draw(&target, 0, 0, pnlFinger->width(), pnlFinger->height(), 1);
    pnlFinger->update();

    if (enrolled == MX_ENROLL_OK) {
        ShowStatus("InputSuccess", "Input Success!", &kStatusBlue);
        btnOK->setEnabled(true);
    } else if (enrolled == MX_ENROLL_BAD_IMAGE) {
        ShowStatus("NotGoodImage", "Not Good Finger!", &kStatusRed);
    } else {
        ShowStatus("InputFailure", "Input Failure!", &kStatusRed);
    }
    MX_Uninitialize();
}

void TfrmSourceFromER::btnOKClick() {
    if (!bound_) return;
    // What the panel shows now, bevel included, becomes the slot's picture.
    const QImage picture = pnlFinger->grab().toImage();
    MX_RotateTemplate(buffer_);
    const QString text = TemplateText(buffer_, TemplateSize);
    if (editor_) editor_->AcceptEnrolment(picture, text);
    accept();
}

void TfrmSourceFromER::btnCancelClick() {
    reject();
}
