#include "app/mainwindowfactory.h"

#include "mainwindow/tform1.h"

std::unique_ptr<QMainWindow> createMainWindow() {
    auto window = std::make_unique<TForm1>();
    // Another instance runs and has been brought to the front: this one ends without a
    // window, and without writing Settings.ini.
    if (window->otherInstanceRunning())
        return nullptr;
    return window;
}
