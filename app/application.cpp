#include "app/application.h"

#include "platform/errormessage.h"
#include "platform/localeformats.h"
#include "widgets/programicon.h"

#include <QLibraryInfo>
#include <QLocale>

#include <exception>

ZensoriaApplication::ZensoriaApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // Every window shows the program icon.
    setWindowIcon(ProgramIcon::icon());
    // Qt's widgets format dates and numbers as the program does (a C locale counts as German).
    QLocale::setDefault(LocaleFormats::current().locale());
    // Without the translation file Qt's texts stay English; the program runs as well.
    if (qtTexts_.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
                      QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(&qtTexts_);
}

bool ZensoriaApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showErrorMessage(error);
    }
    return false;
}
