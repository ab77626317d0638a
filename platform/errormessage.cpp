#include "platform/errormessage.h"

#include "platform/apperror.h"
#include "platform/dialogs.h"

#include <QApplication>

void showErrorMessage(const std::exception& error) {
    const auto* appError = dynamic_cast<const AppError*>(&error);
    const QString text = appError ? appError->message() : QString::fromLocal8Bit(error.what());
    DialogService::instance().showMessage(QApplication::activeWindow(), MessageIcon::Error,
                                          QApplication::applicationDisplayName(), text);
}
