#include "widgets/tvelaimage.h"

TVelaImage::TVelaImage(QWidget* parent) : ImageControl(parent) {}

void TVelaImage::enterEvent(QEnterEvent* event) {
    ImageControl::enterEvent(event);
    emit OnMouseEnter(this);
}

void TVelaImage::leaveEvent(QEvent* event) {
    ImageControl::leaveEvent(event);
    emit OnMouseLeave(this);
}
