#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

// A picture control: shows its picture unscaled at its top-left corner and reports the mouse
// buttons pressed and released on it, and clicks. With the transparent flag the pixels that
// have the colour of the picture's bottom-left pixel are left out, so that the background
// behind the control shows through them.
class ImageControl : public QWidget {
    Q_OBJECT

public:
    explicit ImageControl(QWidget* parent = nullptr);

    const QImage& picture() const { return picture_; }
    // Shows the picture; a visible control is repainted at once.
    void setPicture(const QImage& picture);

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
    void updateShownPicture();

    QImage picture_;
    QPixmap shown_; // the picture as painted, with the transparent colour left out
    bool transparent_ = false;
    bool leftPressed_ = false;
};
