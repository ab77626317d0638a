#include "widgets/buttonpictures.h"

#include "widgets/tvelaimage.h"

ButtonPictures::ButtonPictures(TVelaImage* image, const std::array<QImage, 3>& pictures)
    : QObject(image), image_(image), pictures_(pictures) {
    connect(image, &TVelaImage::OnMouseEnter, this, [this] { show(Hover); });
    connect(image, &TVelaImage::OnMouseLeave, this, [this] { show(Normal); });
    connect(image, &ImageControl::mouseDown, this, [this] { show(Pressed); });
    connect(image, &ImageControl::mouseUp, this, [this] { show(Normal); });
    show(Normal);
}

void ButtonPictures::show(State state) {
    state_ = state;
    image_->setPicture(pictures_[state]);
}
