#pragma once

#include <QFont>

// The face the windows are designed for: Liberation Sans (a sans-serif face where it is
// missing) at 8 points.
QFont designFont();

// Gives every window that exists now and uses an 8-point font the face of the system's
// message font; size and style stay. Controls with a font of their own keep it, controls
// that take their window's font follow. Windows created later keep their own font.
// The windows are laid out to the pixel for their own face, so a face that writes wider
// than it at the window's size is not taken: the captions and list texts would overrun
// their places (on Linux the desktop's usual faces, DejaVu Sans for one, are some 13 %
// wider than the Arial-sized face the windows are drawn for).
void AdoptSystemMessageFont(const QFont& messageFont);
// The same with the message font as Qt reports it for the desktop (the font of message
// boxes; where the desktop names none, the application's font).
void AdoptSystemMessageFont();
