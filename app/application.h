#pragma once

#include <QApplication>

// The application object. Its general error handler catches an error that escapes an event
// handler (AppError and any other std::exception) and shows its text in an error message box
// captioned with the application title, instead of ending the program. The handler that
// raised the error ends; the program goes on.
class ZensoriaApplication : public QApplication {
    Q_OBJECT

public:
    ZensoriaApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};
