#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QPainter>

#include <vector>

// The program icon: a blue tile with a white card that shows the grade diagram. It is drawn
// on a grid of 16 units, so that it is sharp at 16, 32, 48 ... pixels.
namespace ProgramIcon {

// Pixel sizes of the PNG files of the icon theme, and of the window icon.
const std::vector<int>& pixelSizes();

// Draws the icon into the square (0, 0) .. (size, size).
void draw(QPainter& painter, int size);
// The icon at one size, with a transparent background.
QImage image(int size);
// The icon at every size of pixelSizes(), for windows.
QIcon icon();
// The same drawing as a scalable SVG document.
QByteArray svg();

} // namespace ProgramIcon
