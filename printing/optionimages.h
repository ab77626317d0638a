#pragma once

#include <QIcon>
#include <QImage>

// The pictures of the print dialog's option tree, 16 x 16 pixels, drawn by the program.
namespace OptionImages {
// Image index of an option that is off, on, and of a group node.
constexpr int Off = 0, On = 1, Group = 2;
constexpr int Size = 16;

// Off: a red cross; On: a green tick; Group: a folder of two stacked sheets.
QImage image(int index);
QIcon icon(int index);
} // namespace OptionImages

// The print dialog's window icon: a printer with a sheet, 32 x 32 pixels.
QIcon printerIcon();
