#pragma once

#include <QFont>
#include <QSize>

class QPainter;

// The wizard's side bar: a blend from light blue at the left edge to white at the right, drawn
// as one vertical line per pixel column (0 to the box's width inclusive), and the six step
// titles one below the other, the current step's bold and italic.
//
// font gives the face of the titles; they are written at 10 points.
void PaintWizardSideBar(QPainter& painter, const QSize& box, const QFont& font, int step);

// Where the side bar writes the title of step i (its top left corner).
QPoint WizardSideBarTitlePos(int i);
