#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QString>

// The about dialog's banner: a gradient from blue to white at three quarters of the width
// and back to blue, the logo on it, the program icon in a frame and the three text lines.
struct BannerContent {
    QImage logo;     // the logo bitmap
    QImage logoMask; // LogoMaskOf(logo)
    QPixmap icon;
    QColor frame;    // the frame around the icon, the dialog's face colour
    QFont font;      // the dialog's font; the name is drawn in it bold
    QString name;    // "Zensoria"
    QString version; // after "Version: "
    QString period;  // after "Entwicklungszeit: "
};

// The mask that lets the logo's black show on the banner: the logo's black pixels become
// white, all others black. A monochrome image of the logo's size.
QImage LogoMaskOf(const QImage& logo);

// Paints the banner into the rectangle (0, 0) .. size. The logo goes on with bitwise
// operations, so the painter must draw on a QImage: the mask by OR (the logo's black places
// turn white), then the logo by AND (they turn black, white logo pixels keep the gradient).
void drawBanner(QPainter& painter, QSize size, const BannerContent& content);
