#pragma once

#include <QImage>
#include <QObject>

#include <array>
#include <functional>

class TVelaImage;

// Makes a TVelaImage look like a button with three pictures: the normal one at the start and
// after the pointer leaves or a mouse button is released, the hover one when the pointer
// enters, and the pressed one while a mouse button is down. Releasing a button shows the
// normal picture even with the pointer still over it; the hover picture comes back only with
// the next entry. Owned by the image.
class ButtonPictures : public QObject {
    Q_OBJECT

public:
    enum State { Normal = 0, Hover = 1, Pressed = 2 };
    // Draws the picture of a state.
    using Drawing = std::function<QImage(State)>;

    ButtonPictures(TVelaImage* image, const std::array<QImage, 3>& pictures);
    // Each picture is drawn when it is first shown (see ImageControl::setPicture), so a
    // button on a page never opened draws none.
    ButtonPictures(TVelaImage* image, QSize size, Drawing draw);

    State state() const { return state_; }

private:
    void show(State state);
    const QImage& picture(State state);

    TVelaImage* image_;
    Drawing draw_;
    std::array<QImage, 3> pictures_; // those drawn so far
    State state_ = Normal;
};
