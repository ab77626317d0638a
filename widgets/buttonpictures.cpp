#include "widgets/buttonpictures.h"

#include "widgets/tvelaimage.h"

#include <QContextMenuEvent>
#include <QCoreApplication>

ButtonPictures::ButtonPictures(TVelaImage* image, const std::array<QImage, 3>& pictures)
    : ButtonPictures(image, pictures[Normal].size(),
                     [pictures](State state) { return pictures[state]; }) {}

ButtonPictures::ButtonPictures(TVelaImage* image, QSize size, Drawing draw)
    : QObject(image), image_(image), draw_(std::move(draw)) {
    connect(image, &TVelaImage::OnMouseEnter, this, [this] { show(Hover); });
    connect(image, &TVelaImage::OnMouseLeave, this, [this] { show(Normal); });
    connect(image, &ImageControl::mouseDown, this, [this] { show(Pressed); });
    connect(image, &ImageControl::mouseUp, this, [this](Qt::MouseButton button, QPoint position) {
        show(Normal);
        if (button != Qt::RightButton || !std::exchange(menuDue_, false))
            return;
        QContextMenuEvent menu(QContextMenuEvent::Mouse, position, image_->mapToGlobal(position));
        QCoreApplication::sendEvent(image_, &menu);
    });
    image_->installEventFilter(this);
    image_->setPicture(size, [this] { return picture(Normal); });
}

bool ButtonPictures::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ContextMenu && state_ == Pressed &&
        static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Mouse) {
        menuDue_ = true;
        event->accept();
        return true;
    }
    return QObject::eventFilter(watched, event);
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
