#pragma once

#include "widgets/imagecontrol.h"

// A picture control that also tells when the mouse pointer enters and leaves it. Nothing is
// connected to the two notifications by default; then it behaves exactly as a plain
// ImageControl.
class TVelaImage : public ImageControl {
    Q_OBJECT

public:
    explicit TVelaImage(QWidget* parent = nullptr);

signals:
    void OnMouseEnter(TVelaImage* sender);
    void OnMouseLeave(TVelaImage* sender);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
};
