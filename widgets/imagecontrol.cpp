#include "widgets/imagecontrol.h"

#include <QMouseEvent>
#include <QPainter>

ImageControl::ImageControl(QWidget* parent) : QWidget(parent) {}

const QImage& ImageControl::picture() const {
    drawPendingPicture();
    return picture_;
}

void ImageControl::setPicture(const QImage& picture) {
    draw_ = nullptr;
    picture_ = picture;
    updateShownPicture();
    if (isVisible())
        repaint();
}

void ImageControl::setPicture(QSize size, std::function<QImage()> draw) {
    draw_ = std::move(draw);
    drawnSize_ = size;
    picture_ = QImage();
    shown_ = QPixmap();
    if (isVisible()) {
        drawPendingPicture();
        repaint();
    }
}

void ImageControl::drawPendingPicture() const {
    if (!draw_)
        return;
    picture_ = std::exchange(draw_, nullptr)();
    updateShownPicture();
}

void ImageControl::setTransparent(bool transparent) {
    if (transparent_ == transparent)
        return;
    transparent_ = transparent;
    // A picture still to be drawn takes the flag into account when it is drawn.
    if (!draw_)
        updateShownPicture();
    update();
}

QSize ImageControl::sizeHint() const {
    if (draw_)
        return drawnSize_;
    return picture_.isNull() ? QWidget::sizeHint() : picture_.size();
}

void ImageControl::updateShownPicture() const {
    if (picture_.isNull()) {
        shown_ = QPixmap();
        return;
    }
    if (!transparent_) {
        shown_ = QPixmap::fromImage(picture_);
        return;
    }
    QImage image = picture_.convertToFormat(QImage::Format_ARGB32);
    const QRgb transparentColour = image.pixel(0, image.height() - 1) | 0xff000000u;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] | 0xff000000u) == transparentColour)
                line[x] = 0;
    }
    shown_ = QPixmap::fromImage(image);
}

void ImageControl::paintEvent(QPaintEvent*) {
    drawPendingPicture();
    if (shown_.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, shown_);
}

void ImageControl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        leftPressed_ = true;
    emit mouseDown(event->button(), event->position().toPoint());
}

void ImageControl::mouseReleaseEvent(QMouseEvent* event) {
    emit mouseUp(event->button(), event->position().toPoint());
    if (event->button() != Qt::LeftButton)
        return;
    // A click is a press and a release of the left button, the release over the control.
    const bool click = leftPressed_ && rect().contains(event->position().toPoint());
    leftPressed_ = false;
    if (click)
        emit clicked();
}
