#pragma once

#include <QString>

// The program's version as its four-part version number ("1.8.1.16"), as the build set it;
// empty when the build gave none.
QString ReadFileVersion();
