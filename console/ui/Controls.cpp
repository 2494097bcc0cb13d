#include "Controls.h"

#include <QMouseEvent>
#include <QPainter>
#include <QVariant>

TImage::TImage(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::NoFrame);
}

bool TImage::LoadFromFile(const QString& path) {
    QImage loaded(path);
    setPicture(loaded);
    return !loaded.isNull();
}

void TImage::setPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void TImage::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (picture_.isNull()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect area = contentsRect();
    if (Stretch) {
        painter.drawImage(area, picture_);
    } else {
        painter.drawImage(area.topLeft(), picture_);
    }
}

void TImage::mouseReleaseEvent(QMouseEvent* event) {
    QFrame::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

TPanel::TPanel(QWidget* parent) : QLabel(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
}

void SetTag(QObject* object, int tag) {
    object->setProperty("tag", tag);
}

int Tag(const QObject* object) {
    bool ok = false;
    const int tag = object->property("tag").toInt(&ok);
    return ok ? tag : 0;
}
