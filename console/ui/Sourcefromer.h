// Enrolment from the sensor attached to the PC: the window loads libminutix.so for its own
// lifetime, captures a finger, shows it with its core mark and, on OK, hands the rotated
// template as text and a picture of the finger panel to the editor's current slot.
#pragma once

#include <QDialog>
#include <QFrame>
#include <QImage>
#include <QPushButton>
#include <QString>
#include <QTimer>
#include <cstdint>

// Declarations only: the program never links the library, it binds these names at run time.
#include "../../library/include/minutix.h"

class TPanel;
class TfrmFingerEdit;

// The stored template text form: two upper-case hex digits per byte, high digit first.
QString TemplateText(const uint8_t* buffer, int size);

// The panel the library draws into: it owns the RGB surface that MX_Draw fills and paints it,
// bevel on top, so a grab of the panel shows exactly what the operator sees.
class TFingerPanel : public QFrame {
    Q_OBJECT
  public:
    explicit TFingerPanel(QWidget* parent = nullptr);
    // A surface of the panel's size (white), for the library to draw into.
    QImage& PrepareSurface();
    const QImage& surface() const { return surface_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage surface_;
};

class TfrmSourceFromER : public QDialog {
    Q_OBJECT
  public:
    // `editor` receives the enrolment (it may be null); it is also the parent window.
    explicit TfrmSourceFromER(TfrmFingerEdit* editor);
    ~TfrmSourceFromER() override;

    static constexpr int TemplateSize = MX_TEMPLATE_BUFFER_SIZE;

    // The library's file name; looked for next to the executable, then by the normal search.
    static QString LibraryFileName;

    TPanel* pnlStatus;
    TFingerPanel* pnlFinger;
    QPushButton* btnReInput;
    QPushButton* btnOK;
    QPushButton* btnCancel;
    QTimer* tmrOpenFinger;

    bool LibraryLoaded() const { return library_ != nullptr; }
    // True when the library and all seven entry points were found.
    bool EntryPointsBound() const { return bound_; }
    const uint8_t* TemplateBuffer() const { return buffer_; }

    void FormCreate();
    void FormActivate();
    void tmrOpenFingerTimer();
    void btnReInputClick();
    void btnOKClick();
    void btnCancelClick();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void CaptureAttempt();
    void ShowStatus(const QString& key, const QString& defaultText, const QColor* colour);
    void ReleaseLibrary();

    TfrmFingerEdit* editor_;
    bool activated_ = false;
    void* library_ = nullptr;
    bool bound_ = false;
    uint8_t buffer_[TemplateSize] = {};

    // The seven entry points, typed after the library's public header.
    decltype(&::MX_Initialize) MX_Initialize = nullptr;
    decltype(&::MX_Uninitialize) MX_Uninitialize = nullptr;
    decltype(&::MX_Enroll) MX_Enroll = nullptr;
    decltype(&::MX_Draw) MX_Draw = nullptr;
    decltype(&::MX_Capture) MX_Capture = nullptr;
    decltype(&::MX_Clear) MX_Clear = nullptr;
    decltype(&::MX_RotateTemplate) MX_RotateTemplate = nullptr;
};
