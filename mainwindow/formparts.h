#pragma once

#include "mainwindow/anchors.h"

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>

class QComboBox;
class QLabel;
class QWidget;
struct DrawStyle;

// Small pieces the main window's pages are built from.
namespace FormParts {

// Both pages are designed at this size; rows of the owner-drawn lists are this high.
inline constexpr QSize PageDesignSize(769, 525);
inline constexpr int RowHeight = 30;

template <typename W> W* named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

// A control's hint; the window shows it in the status bar, never as a tool tip. Screen readers
// speak it as the control's description.
template <typename W> W* hinted(W* widget, const QString& hint) {
    widget->setStatusTip(hint);
    widget->setAccessibleDescription(hint);
    return widget;
}

QLabel* label(QWidget* parent, const QString& text, const QRect& rect,
              Anchors anchors = Anchoring::LeftTop);
QFont boldened(QFont font);

// Offers the numbers 1 .. last, all visible at once when the list drops down; nothing chosen.
// An editable box takes other numbers too, without adding them to its list.
void offerNumbers(QComboBox* box, int last, bool editable);

// What the painters of an owner-drawn list need: its colours and font, the row's selection
// and whether the bars carry their figures.
DrawStyle listStyle(const QWidget* list, bool selected, bool diagramLabels);

} // namespace FormParts
