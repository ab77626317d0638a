#include "mainwindow/formparts.h"

#include "stats/drawstyle.h"

#include <QComboBox>
#include <QLabel>

namespace FormParts {

QLabel* label(QWidget* parent, const QString& text, const QRect& rect, Anchors anchors) {
    auto* result = new QLabel(text, parent);
    Anchoring::place(result, rect, anchors);
    return result;
}

QFont boldened(QFont font) {
    font.setBold(true);
    return font;
}

void offerNumbers(QComboBox* box, int last, bool editable) {
    box->setEditable(editable);
    box->setInsertPolicy(QComboBox::NoInsert);
    for (int n = 1; n <= last; ++n)
        box->addItem(QString::number(n));
    box->setMaxVisibleItems(std::max(last, box->maxVisibleItems()));
    box->setCurrentIndex(-1);
}

DrawStyle listStyle(const QWidget* list, bool selected, bool diagramLabels) {
    DrawStyle style = DrawStyle::fromPalette(list->palette(), list->font(), diagramLabels);
    style.selected = selected;
    return style;
}

} // namespace FormParts
