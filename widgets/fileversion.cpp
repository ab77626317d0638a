#include "widgets/fileversion.h"

QString ReadFileVersion() {
#ifdef ZENSORIA_FILE_VERSION
    return QStringLiteral(ZENSORIA_FILE_VERSION);
#else
    return QString();
#endif
}
