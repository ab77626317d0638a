#include "app/application.h"

#include "app/errormessage.h"

#include <exception>

ZensoriaApplication::ZensoriaApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool ZensoriaApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showErrorMessage(error);
    }
    return false;
}
