// Small widget kinds the windows are built from where Qt has no class of its own: the stretched
// picture and the captioned panel. Both matter to the translation, which maps controls by kind.
#pragma once

#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QObject>
#include <QString>

class QWidget;

// A picture stretched over the control (an image: hint only, no caption).
class TImage : public QFrame {
    Q_OBJECT
  public:
    explicit TImage(QWidget* parent = nullptr);
    // Loads a picture file; false (picture cleared) when it is missing or unreadable.
    bool LoadFromFile(const QString& path);
    void setPicture(const QImage& picture);
    const QImage& picture() const { return picture_; }
    void clear() { setPicture(QImage()); }
    bool Stretch = true;

  signals:
    void clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QImage picture_;
};

// A panel: a frame with a caption centred in it; it may hold other controls.
class TPanel : public QLabel {
    Q_OBJECT
  public:
    explicit TPanel(QWidget* parent = nullptr);
};

// The translation mark of a window or component.
void SetTag(QObject* object, int tag);
int Tag(const QObject* object);

// A control named and placed at its design position (client coordinates) in one call.
template <typename T>
T* Place(T* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(name);
    widget->setGeometry(left, top, width, height);
    return widget;
}
