#include "widgets/linklabel.h"

#include <QMouseEvent>

const QColor LinkLabel::LinkColour(0x00, 0x00, 0xff);
const QColor LinkLabel::PressedColour(0xff, 0x00, 0x00);

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    setColour(LinkColour);
}

void LinkLabel::setUnderline(bool underline) {
    QFont f = font();
    f.setUnderline(underline);
    setFont(f);
}

void LinkLabel::setColour(const QColor& colour) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, colour);
    setPalette(p);
}

void LinkLabel::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    setUnderline(true);
}

void LinkLabel::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    setUnderline(false);
}

void LinkLabel::mousePressEvent(QMouseEvent* event) {
    QLabel::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        leftPressed_ = true;
    setColour(PressedColour);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    setColour(LinkColour);
    if (event->button() != Qt::LeftButton)
        return;
    const bool click = leftPressed_ && rect().contains(event->position().toPoint());
    leftPressed_ = false;
    if (click)
        emit clicked();
}

void LinkLabel::hideEvent(QHideEvent* event) {
    QLabel::hideEvent(event);
    leftPressed_ = false;
    setUnderline(false);
    setColour(LinkColour);
}
