#pragma once

#include <QColor>

// Colours of the bar diagrams. The screen always uses the coloured columns; a printout uses
// the grey ones when the coloured diagram is switched off.
struct GradeColourSet {
    QRgb bar;   // fills the grade's segment
    QRgb label; // colour of the count drawn inside the segment
    QRgb greyBar;
    QRgb greyLabel;
};

// Colours of grade 1 .. 6; a grade outside that range gets the colours of the nearest grade.
const GradeColourSet& gradeColours(int grade);
QColor gradeBarColour(int grade, bool coloured = true);
QColor gradeLabelColour(int grade, bool coloured = true);

// The colour at position x of a linear blend from c1 (at x = 0) to c2 (at x = w), per channel
// c1 + (c2 - c1) * x / w with the division truncating toward zero. w = 0 gives c1.
QColor BlendColour(const QColor& c1, const QColor& c2, int x, int w);
