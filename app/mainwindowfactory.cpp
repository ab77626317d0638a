#include "app/mainwindowfactory.h"

#include <QMainWindow>

std::unique_ptr<QMainWindow> createMainWindow() {
    auto window = std::make_unique<QMainWindow>();
    window->setObjectName(QStringLiteral("Form1"));
    window->setWindowTitle(QStringLiteral("Zensoria"));
    window->resize(640, 480);
    return window;
}
