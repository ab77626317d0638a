#include "platform/apperror.h"
#include "platform/atomicfile.h"
#include "platform/localeformats.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestAtomicFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany)); }

    // Also when the program runs as root, who may write any file.
    void readOnlyFileIsRefusedAndKept() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString fileName = dir.filePath("noten.plx");
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Mathe]\r\n");
        file.close();
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

        try {
            writeFileAtomically(fileName, "[Deutsch]\r\n");
            QFAIL("a read-only file was replaced");
        } catch (const AppError& error) {
            QCOMPARE(error.message(),
                     QStringLiteral("In %1 kann nicht geschrieben werden").arg(fileName));
        }
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("[Mathe]\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestAtomicFile)
#include "tst_atomicfile.moc"
