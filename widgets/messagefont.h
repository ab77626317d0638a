#pragma once

#include <QFont>

// Gives every window that exists now and uses an 8-point font the face of the system's
// message font; size and style stay. Controls with a font of their own keep it, controls
// that take their window's font follow. Windows created later keep their own font.
void AdoptSystemMessageFont(const QFont& messageFont);
// The same with the message font as Qt reports it for the desktop (the font of message
// boxes; where the desktop names none, the application's font).
void AdoptSystemMessageFont();
