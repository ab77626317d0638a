#pragma once

#include <QApplication>
#include <QTranslator>

// The application object. Its general error handler catches an error that escapes an event
// handler (AppError and any other std::exception) and shows its text in an error message box
// captioned with the application title, instead of ending the program. The handler that
// raised the error ends; the program goes on.
// Qt's own texts (file dialog, context menus of text fields, calendar) are German, whatever
// the system's language, as long as Qt's translations are installed; Qt's widgets format
// dates and numbers in the program's locale. Every window has the program icon.
class ZensoriaApplication : public QApplication {
    Q_OBJECT

public:
    ZensoriaApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

private:
    QTranslator qtTexts_;
};
