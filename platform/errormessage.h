#pragma once

#include <exception>

// The general error handler's message box: the error's text (the German text of an
// AppError), the error icon and the application title as caption, over the active window.
void showErrorMessage(const std::exception& error);
