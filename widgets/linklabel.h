#pragma once

#include <QLabel>

// A label that works as a hyperlink: blue, underlined while the pointer is over it, red while
// a mouse button is held down on it, blue again when the button is released. A press and
// release of the left button over it is a click.
class LinkLabel : public QLabel {
    Q_OBJECT

public:
    static const QColor LinkColour;    // #0000FF
    static const QColor PressedColour; // #FF0000

    explicit LinkLabel(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // A hidden link is plain and blue again: shown again with the pointer elsewhere, it must
    // not keep the underline of the pointer that was over it when its dialog closed.
    void hideEvent(QHideEvent* event) override;

private:
    void setUnderline(bool underline);
    void setColour(const QColor& colour);

    bool leftPressed_ = false;
};
