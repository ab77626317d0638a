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
//
// A right press shows the pressed picture like any other button. Where the windowing system
// asks for the context menu at the press (X11), the request waits until the button is
// released, so that the menu does not take the release away from the button while it shows
// its pressed picture.
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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void show(State state);
    const QImage& picture(State state);

    TVelaImage* image_;
    Drawing draw_;
    std::array<QImage, 3> pictures_; // those drawn so far
    State state_ = Normal;
    // A context menu asked for while the right button was down, to be opened at its release.
    bool menuDue_ = false;
};
