#include "gradedata/settingsfile.h"
#include "platform/apperror.h"
#include "support/testfiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <climits>

namespace {} // namespace

// Settings.ini: the remembered data file, the window's size and "Diagramme beschriften".
class TestSettingsFile : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString fileName_;

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void init() {
        fileName_ = dir_.filePath(QStringLiteral("Settings.ini"));
        QFile::remove(fileName_);
    }

    void defaultsWithoutFile() {
        const SettingsFile::Values values = SettingsFile(fileName_).read();
        QCOMPARE(values.standardFile, QStringLiteral("(keine Datei angegeben)"));
        QCOMPARE(values.width, 800);
        QCOMPARE(values.height, 600);
        QCOMPARE(values.diagramLabels, true);
        QVERIFY(!QFile::exists(fileName_));
    }

    void storedValuesRead() {
        QVERIFY(writeBytes(fileName_,
                           "[Settings]\r\nStandardFile=/home/u/noten.plx\r\nWidth=1024\r\n"
                           "Height=700\r\nDiagramLabels=0\r\n"));
        const SettingsFile::Values values = SettingsFile(fileName_).read();
        QCOMPARE(values.standardFile, QStringLiteral("/home/u/noten.plx"));
        QCOMPARE(values.width, 1024);
        QCOMPARE(values.height, 700);
        QCOMPARE(values.diagramLabels, false);
    }

    void sizesKeptInRange_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("read");
        QTest::newRow("smallest integer") << QByteArray("-2147483648") << 0;
        QTest::newRow("negative") << QByteArray("-5") << 0;
        QTest::newRow("largest integer") << QByteArray("2147483647") << SettingsFile::MaximumExtent;
        QTest::newRow("beyond 32 bits") << QByteArray("99999999999") << -1;
        QTest::newRow("no integer") << QByteArray("breit") << -1;
        QTest::newRow("usual") << QByteArray("900") << 900;
    }
    // A hand-edited size can be anything; what is read stays within what a window can take
    // and can be computed with (-1: the default).
    void sizesKeptInRange() {
        QFETCH(QByteArray, stored);
        QFETCH(int, read);
        QVERIFY(writeBytes(fileName_,
                           "[Settings]\r\nWidth=" + stored + "\r\nHeight=" + stored + "\r\n"));
        const SettingsFile::Values values = SettingsFile(fileName_).read();
        QCOMPARE(values.width, read < 0 ? SettingsFile::DefaultWidth : read);
        QCOMPARE(values.height, read < 0 ? SettingsFile::DefaultHeight : read);
        QVERIFY(values.width <= INT_MAX - 100 && values.height <= INT_MAX - 100);
    }

    void writtenAndKept() {
        QVERIFY(writeBytes(fileName_,
                           "; Zensoria\r\n[Settings]\r\nStandardFile=/alt.plx\r\nWidth=900\r\n"));
        SettingsFile settings(fileName_);
        SettingsFile::Values values;
        values.standardFile = QStringLiteral("/neu.plx");
        values.width = 1000;
        values.height = 650;
        values.diagramLabels = false;
        // No data file open: the remembered one stays.
        settings.write(values, false);
        QCOMPARE(readBytes(fileName_), QByteArray("; Zensoria\r\n[Settings]\r\n"
                                                  "StandardFile=/alt.plx\r\nWidth=1000\r\n"
                                                  "Height=650\r\nDiagramLabels=0\r\n"));
        settings.write(values, true);
        QCOMPARE(SettingsFile(fileName_).read().standardFile, QStringLiteral("/neu.plx"));
        // Names that reading would trim or unquote read back as they were written; one with a
        // line break is not written.
        for (const QString& name : {QStringLiteral("'neu.plx'"), QStringLiteral("\"neu.plx\""),
                                    QStringLiteral("/neu.plx\t")}) {
            values.standardFile = name;
            settings.write(values, true);
            QCOMPARE(SettingsFile(fileName_).read().standardFile, name);
        }
        values.standardFile = QStringLiteral("/zwei\nZeilen.plx");
        settings.write(values, true);
        QCOMPARE(SettingsFile(fileName_).read().standardFile, QStringLiteral("/neu.plx\t"));
    }

    // Values the file holds already are not written again: a read-only file that holds them
    // is no error. Any other value is refused as a whole, the file stays as it was.
    void refusedWriteReported() {
        const QByteArray stored = "[Settings]\r\nWidth=900\r\nHeight=600\r\nDiagramLabels=1\r\n";
        QVERIFY(writeBytes(fileName_, stored));
        QVERIFY(QFile::setPermissions(fileName_, QFile::ReadOwner));
        SettingsFile settings(fileName_);
        SettingsFile::Values values;
        values.width = 900;
        settings.write(values, false);
        values.diagramLabels = false;
        QVERIFY_THROWS_EXCEPTION(AppError, settings.write(values, false));
        QVERIFY_THROWS_EXCEPTION(AppError, settings.write(SettingsFile::Values(), true));
        QCOMPARE(readBytes(fileName_), stored);
        QFile::setPermissions(fileName_, QFile::ReadOwner | QFile::WriteOwner);
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
