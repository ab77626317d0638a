#include "app/mainwindowfactory.h"

#include "mainwindow/tform1.h"
#include "printing/tform2.h"
#include "update/automaticupdate.h"
#include "widgets/tinfo.h"

#include <QApplication>

std::unique_ptr<QMainWindow> createMainWindow() {
    auto window = std::make_unique<TForm1>();
    // Another instance runs and has been brought to the front, or the update asked for the end
    // (an update-only start, a prepared installation): this one ends without a window, and
    // without writing Settings.ini.
    if (window->otherInstanceRunning() || ProgramEndRequested())
        return nullptr;
    return window;
}

static void showAbout(TInfo& about) {
    about.ShowAbout(QStringLiteral("Zensoria"), QStringLiteral("2002"), QApplication::windowIcon());
}

void connectAboutDialog(QMainWindow& window, TInfo& about) {
    auto* form = qobject_cast<TForm1*>(&window);
    if (!form)
        return;
    QObject::connect(form, &TForm1::aboutRequested, &about, [&about] { showAbout(about); });
}

void connectPrintDialog(QMainWindow& window, TForm2& print, TInfo& about) {
    auto* form = qobject_cast<TForm1*>(&window);
    if (!form)
        return;
    QObject::connect(form, &TForm1::printRequested, &print, [&print] { print.exec(); });
    QObject::connect(&print, &TForm2::aboutRequested, &about, [&about] { showAbout(about); });
}
