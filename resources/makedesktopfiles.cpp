// Writes the files a desktop needs to show the program: the desktop entry and the program
// icon in the hicolor icon theme (one PNG per size and the scalable SVG), below the folder
// given as the only argument:
//   applications/zensoria.desktop
//   icons/hicolor/<n>x<n>/apps/zensoria.png, icons/hicolor/scalable/apps/zensoria.svg
// Run by the build; the install rules copy the result into the prefix's data folder.
#include "platform/installedprograms.h"
#include "widgets/programicon.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSaveFile>

#include <cstdio>

namespace {

bool writeFile(const QString& fileName, const QByteArray& contents) {
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    QSaveFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size() &&
           file.commit();
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const QDir root(arguments.at(1));
    bool ok = true;
    // The program in the command path starts it, as the installed link does.
    ok &= writeFile(root.filePath(QStringLiteral("applications/zensoria.desktop")),
                    DesktopEntry::contents(QStringLiteral("Zensoria"), QStringLiteral("zensoria")));
    const QString icons = QStringLiteral("icons/hicolor/%1/apps/zensoria.%2");
    for (int size : ProgramIcon::pixelSizes()) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        ok &= ProgramIcon::image(size).save(&buffer, "PNG");
        ok &= writeFile(root.filePath(icons.arg(QStringLiteral("%1x%1").arg(size), "png")), png);
    }
    ok &=
        writeFile(root.filePath(icons.arg(QStringLiteral("scalable"), "svg")), ProgramIcon::svg());
    if (!ok) {
        std::fprintf(stderr, "cannot write below %s\n", qPrintable(root.path()));
        return 1;
    }
    return 0;
}
