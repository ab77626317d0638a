#include "update/wizardsidebar.h"

#include "stats/gradecolours.h"
#include "update/updatecheck.h"

#include <QPainter>

namespace {
const QColor SideBarLeft(155, 183, 230); // #9BB7E6
const QColor SideBarRight(255, 255, 255);
} // namespace

QPoint WizardSideBarTitlePos(int i) {
    return {16, 16 + 56 * i};
}

void PaintWizardSideBar(QPainter& painter, const QSize& box, const QFont& font, int step) {
    painter.save();
    const int w = box.width();
    for (int x = 0; x <= w; ++x) {
        painter.setPen(BlendColour(SideBarLeft, SideBarRight, x, w));
        painter.drawLine(x, 0, x, box.height());
    }

    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setPen(Qt::black);
    QFont titleFont = font;
    titleFont.setPointSize(10);
    for (int i = 0; i <= 5; ++i) {
        titleFont.setBold(i == step);
        titleFont.setItalic(i == step);
        painter.setFont(titleFont);
        const QPoint at = WizardSideBarTitlePos(i);
        painter.drawText(QRect(at, QSize(w - at.x(), box.height() - at.y())),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, WizardTexts[i]);
    }
    painter.restore();
}
