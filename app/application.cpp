#include "app/application.h"

#include "platform/apperror.h"
#include "platform/dialogs.h"

ZensoriaApplication::ZensoriaApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool ZensoriaApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showErrorMessage(error);
    }
    return false;
}

void showErrorMessage(const std::exception& error) {
    const auto* appError = dynamic_cast<const AppError*>(&error);
    const QString text = appError ? appError->message() : QString::fromLocal8Bit(error.what());
    DialogService::instance().showMessage(QApplication::activeWindow(), MessageIcon::Error,
                                          QApplication::applicationDisplayName(), text);
}
