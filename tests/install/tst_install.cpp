#include "support/testfiles.h"
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>

namespace {

// Every file and link below the folder, relative to it, sorted.
QStringList filesBelow(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::System | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

} // namespace

class TestInstall : public QObject {
    Q_OBJECT

private:
    QTemporaryDir prefix;

    QString installed(const QString& path) const { return QDir(prefix.path()).filePath(path); }

private slots:
    void initTestCase() {
        QVERIFY(prefix.isValid());
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(
            QStringLiteral(ZENSORIA_CMAKE),
            {"--install", QStringLiteral(ZENSORIA_BINARY_DIR), "--prefix", prefix.path()});
        QVERIFY(install.waitForFinished(120000));
        QVERIFY2(install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0,
                 install.readAll().constData());
    }

    void installsExactlyTheProgramsFiles() {
        QStringList expected = {"bin/zensoria",
                                "libexec/zensoria/Pultex.hlp",
                                "libexec/zensoria/zensoria",
                                "share/applications/zensoria.desktop",
                                "share/doc/zensoria/changelog.gz",
                                "share/doc/zensoria/copyright",
                                "share/icons/hicolor/scalable/apps/zensoria.svg",
                                "share/man/man1/zensoria.1.gz"};
        for (int size : {16, 32, 48, 64, 128, 256})
            expected << QStringLiteral("share/icons/hicolor/%1x%1/apps/zensoria.png").arg(size);
        expected.sort();
        QCOMPARE(filesBelow(prefix.path()), expected);
    }

    void programWithItsHelpFileBeside() {
        const QFileInfo program(installed("libexec/zensoria/zensoria"));
        QVERIFY(program.isExecutable());
        QVERIFY(!program.isSymLink());
        // The help file is found in the program's own folder.
        QCOMPARE(readBytes(program.dir().filePath("Pultex.hlp")),
                 readBytes(QStringLiteral(ZENSORIA_SOURCE_DIR "/resources/Pultex.hlp")));
        // The command is a relative link, so the prefix can move as a whole.
        const QFileInfo command(installed("bin/zensoria"));
        QVERIFY(command.isSymLink());
        QCOMPARE(command.symLinkTarget(), program.absoluteFilePath());
        QCOMPARE(QFile::symLinkTarget(command.filePath()), program.canonicalFilePath());
        QVERIFY(std::filesystem::read_symlink(QFile::encodeName(command.filePath()).constData())
                    .is_relative());
    }

    void desktopEntryWithTheIcon() {
        const QStringList lines =
            QString::fromUtf8(readBytes(installed("share/applications/zensoria.desktop")))
                .split('\n');
        QCOMPARE(lines.value(0), QStringLiteral("[Desktop Entry]"));
        for (const char* line : {"Type=Application", "Name=Zensoria", "Icon=zensoria",
                                 "Exec=\"zensoria\"", "Terminal=false"})
            QVERIFY2(lines.contains(QLatin1String(line)), line);
    }

    // What a Debian package needs beside the program: the manual page with the one argument,
    // the changelog (both compressed without a time stamp) and a machine-readable copyright.
    void manualPageChangelogAndCopyright_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("text");
        QTest::newRow("manual page") << "share/man/man1/zensoria.1.gz"
                                     << ".B /uninstall";
        QTest::newRow("changelog") << "share/doc/zensoria/changelog.gz"
                                   << "zensoria (" ZENSORIA_VERSION ") unstable; urgency=medium";
    }
    void manualPageChangelogAndCopyright() {
        QFETCH(QString, file);
        QFETCH(QString, text);
        const QByteArray packed = readBytes(installed(file));
        // gzip at its best compression (XFL 2), no time stamp, no file name.
        QVERIFY(packed.startsWith("\x1f\x8b\x08\x00\x00\x00\x00\x00\x02"));
        QProcess gunzip;
        gunzip.start(QStringLiteral("gzip"), {"-dc", installed(file)});
        QVERIFY(gunzip.waitForFinished(30000));
        QVERIFY(QString::fromUtf8(gunzip.readAllStandardOutput()).contains(text));
        const QString copyright =
            QString::fromUtf8(readBytes(installed("share/doc/zensoria/copyright")));
        QVERIFY(copyright.startsWith(
            "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"));
        QVERIFY(copyright.contains("\nFiles: *\nCopyright: "));
    }

    void iconAtEverySize() {
        for (int size : {16, 32, 48, 64, 128, 256}) {
            const QImage icon(
                installed(QStringLiteral("share/icons/hicolor/%1x%1/apps/zensoria.png").arg(size)));
            QCOMPARE(icon.size(), QSize(size, size));
            QVERIFY(icon.hasAlphaChannel());
            QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
            QCOMPARE(qAlpha(icon.pixel(size / 2, size / 2)), 255);
        }
        const QByteArray svg =
            readBytes(installed("share/icons/hicolor/scalable/apps/zensoria.svg"));
        QVERIFY(svg.startsWith("<?xml"));
        QVERIFY(svg.contains("<svg "));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
