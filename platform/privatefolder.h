#pragma once

#include <QString>

// Folders that belong to the user alone, for what must not lie in the shared temporary folder
// (where another user could plant a link or a file of the same name first).

// The user's runtime folder ($XDG_RUNTIME_DIR, which the system makes private to the user)
// when it is set, else the folder "zensoria" in the user's cache folder.
QString userPrivateFolder();

// Makes folder if it is missing and checks that it is a real folder (not a link) owned by this
// user, closing it to everyone else (mode 0700) if it is not yet. False when it is not such a
// folder or cannot be made one.
bool makePrivateFolder(const QString& folder);
