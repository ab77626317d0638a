#include "app/mainwindowfactory.h"

#include "app/mainwindowprintsource.h"
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

PrintDialogOnDemand::PrintDialogOnDemand(QMainWindow& window, TInfo& about)
    : window_(qobject_cast<TForm1*>(&window)), about_(about) {
    if (window_)
        requested_ =
            QObject::connect(window_, &TForm1::printRequested, &about_, [this] { show(); });
}

PrintDialogOnDemand::~PrintDialogOnDemand() {
    QObject::disconnect(requested_);
}

void PrintDialogOnDemand::show() {
    if (!dialog_) {
        source_ = std::make_unique<MainWindowPrintSource>(*window_);
        dialog_ = std::make_unique<TForm2>(*source_, window_);
        QObject::connect(dialog_.get(), &TForm2::aboutRequested, &about_,
                         [this] { showAbout(about_); });
    }
    dialog_->exec();
}
