#include "widgets/buttonpictures.h"

#include "widgets/tvelaimage.h"

ButtonPictures::ButtonPictures(TVelaImage* image, const std::array<QImage, 3>& pictures)
    : ButtonPictures(image, pictures[Normal].size(),
                     [pictures](State state) { return pictures[state]; }) {}

ButtonPictures::ButtonPictures(TVelaImage* image, QSize size, Drawing draw)
    : QObject(image), image_(image), draw_(std::move(draw)) {
    connect(image, &TVelaImage::OnMouseEnter, this, [this] { show(Hover); });
    connect(image, &TVelaImage::OnMouseLeave, this, [this] { show(Normal); });
    connect(image, &ImageControl::mouseDown, this, [this] { show(Pressed); });
    connect(image, &ImageControl::mouseUp, this, [this] { show(Normal); });
    image_->setPicture(size, [this] { return picture(Normal); });
}

void ButtonPictures::show(State state) {
    state_ = state;
    image_->setPicture(picture(state));
}

const QImage& ButtonPictures::picture(State state) {
    QImage& picture = pictures_[state];
    if (picture.isNull())
        picture = draw_(state);
    return picture;
}
