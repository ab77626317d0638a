#pragma once

#include <QImage>
#include <QPainter>

#include <array>

// The program's own pictures, drawn in code.

// The print button: a printer above the word "Drucken", written from top to bottom.
constexpr QSize PrintButtonSize{57, 193};
enum class PrintButtonLook {
    Normal,  // pale, lighter at the top than at the bottom, raised
    Hover,   // the same, brighter overall
    Pressed, // the gradient reversed, sunken, the drawing one pixel down and right
};
// Draws the button picture into the rectangle (0, 0) .. PrintButtonSize.
void drawPrintButton(QPainter& painter, PrintButtonLook look);
// The picture of one look, and the three in the order normal, hover, pressed.
QImage printButtonImage(PrintButtonLook look);
std::array<QImage, 3> printButtonImages();

// The logo, 142 x 63 in 24-bit colour: the grade diagram and the name "Zensoria" in black on
// white. White is its background: shown transparent on a page, and letting the banner's
// gradient through in the about dialog.
constexpr QSize LogoSize{142, 63};
void drawLogo(QPainter& painter);
// The logo as drawLogo draws it, stored with the program and read at the first call only.
QImage logoBitmap();
