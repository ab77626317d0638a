#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <functional>

// A picture control: shows its picture unscaled at its top-left corner and reports the mouse
// buttons pressed and released on it, and clicks. With the transparent flag the pixels that
// have the colour of the picture's bottom-left pixel are left out, so that the background
// behind the control shows through them.
class ImageControl : public QWidget {
    Q_OBJECT

public:
    explicit ImageControl(QWidget* parent = nullptr);

    // The picture shown; one given as a drawing is drawn now if it was not yet.
    const QImage& picture() const;
    // Shows the picture; a visible control is repainted at once.
    void setPicture(const QImage& picture);
    // Shows the picture of size that draw makes. A hidden control draws it when it is first
    // painted or its picture is asked for, so that a picture that is never seen costs nothing;
    // a visible one draws it at once.
    void setPicture(QSize size, std::function<QImage()> draw);

    bool transparent() const { return transparent_; }
    void setTransparent(bool transparent);

    QSize sizeHint() const override;

signals:
    // The left button was pressed and released again over the control.
    void clicked();
    // Any mouse button went down or up over the control; position in the control's pixels.
    void mouseDown(Qt::MouseButton button, QPoint position);
    void mouseUp(Qt::MouseButton button, QPoint position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void updateShownPicture() const;
    void drawPendingPicture() const;

    // Drawn when first needed (see setPicture); until then picture_ and shown_ are empty.
    mutable std::function<QImage()> draw_;
    QSize drawnSize_;
    mutable QImage picture_;
    mutable QPixmap shown_; // the picture as painted, with the transparent colour left out
    bool transparent_ = false;
    bool leftPressed_ = false;
};
