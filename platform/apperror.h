#pragma once

#include <QString>
#include <exception>

// An error of a lower layer (data file, number and date conversion, registry) that ends the
// running handler. It carries the German text that the general error handler shows the user.
class AppError : public std::exception {
public:
    explicit AppError(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}

    const QString& message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};
