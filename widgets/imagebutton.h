#pragma once

#include <QString>

class ImageControl;

// Makes a picture control a button for the keyboard and for screen readers: Tab reaches it,
// Space and Enter click it, a focus frame shows over it while it has the focus (its picture is
// drawn as before), and accessibility tools see a button of this name that can be pressed.
void makeImageButton(ImageControl* control, const QString& name);
