#include "gradedata/inistore.h"
#include "gradedata/readahead.h"
#include "support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <stdexcept>

// The remembered data file, read on a worker thread while the window is built.
class TestReadAhead : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString settings_;
    QString data_;

    static constexpr char DataBytes[] =
        "[Mathematik]\r\n5,1,30.08.1985=\"6,0,0,11,13,3,2,3,\"\r\n"
        "[Deutsch]\r\n5,1,02.10.1985=\"7,0,4,4,8,5,1,2,Diktat\"\r\n";

    [[nodiscard]] bool remember(const QString& fileName) {
        return writeBytes(settings_, "[Settings]\r\nStandardFile=" + fileName.toUtf8() + "\r\n");
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void init() {
        QDir(dir_.path()).removeRecursively();
        QVERIFY(QDir().mkpath(dir_.path()));
        settings_ = dir_.filePath(QStringLiteral("Settings.ini"));
        data_ = dir_.filePath(QStringLiteral("noten.plx"));
        QVERIFY(writeBytes(data_, DataBytes));
    }

    // The store handed over holds the file as read; it is handed over once, and nothing is
    // written.
    void handsOverTheRememberedFileOnce() {
        QVERIFY(remember(data_));
        DataFileReadAhead ahead(settings_);
        const std::unique_ptr<IniStore> store = ahead.take(data_);
        QVERIFY(store);
        QCOMPARE(store->fileName(), data_);
        QCOMPARE(store->ReadSections(), QStringList({"Mathematik", "Deutsch"}));
        QCOMPARE(store->ReadString("Deutsch", "5,1,02.10.1985", "-"), "7,0,4,4,8,5,1,2,Diktat");
        QVERIFY(!ahead.take(data_));
        QCOMPARE(readBytes(data_), QByteArray(DataBytes));
        QCOMPARE(readBytes(settings_), "[Settings]\r\nStandardFile=" + data_.toUtf8() + "\r\n");
    }

    // The caller's preparation sees the store as read, on the worker; one that fails leaves
    // nothing handed over.
    void preparationOnTheStoreRead() {
        QVERIFY(remember(data_));
        QStringList seen;
        DataFileReadAhead ahead(settings_,
                                [&seen](const IniStore& store) { seen = store.ReadSections(); });
        QVERIFY(ahead.take(data_));
        QCOMPARE(seen, QStringList({"Mathematik", "Deutsch"}));
        DataFileReadAhead failing(settings_,
                                  [](const IniStore&) { throw std::runtime_error("x"); });
        QVERIFY(!failing.take(data_));
    }

    // What was read ahead is no older than the file: a change made after the reading, even one
    // that keeps the file's size, is what the store reads.
    void changeAfterReadingIsSeen() {
        QVERIFY(remember(data_));
        DataFileReadAhead ahead(settings_);
        const std::unique_ptr<IniStore> store = ahead.take(data_);
        QVERIFY(store);
        QByteArray changed(DataBytes);
        changed.replace("Diktat", "Gedicht");
        QCOMPARE(changed.size(), qsizetype(sizeof(DataBytes) - 1) + 1);
        QVERIFY(writeBytes(data_, changed));
        QCOMPARE(store->ReadString("Deutsch", "5,1,02.10.1985", "-"), "7,0,4,4,8,5,1,2,Gedicht");
        QByteArray sameSize(DataBytes);
        sameSize.replace("Diktat", "Lesen!");
        QVERIFY(writeBytes(data_, sameSize));
        QCOMPARE(store->ReadString("Deutsch", "5,1,02.10.1985", "-"), "7,0,4,4,8,5,1,2,Lesen!");
    }

    // A store for another file than the one asked for is no store for it.
    void nothingForAnotherFile() {
        QVERIFY(remember(data_));
        DataFileReadAhead ahead(settings_);
        QVERIFY(!ahead.take(dir_.filePath(QStringLiteral("andere.plx"))));
        QVERIFY(!ahead.take(data_));
    }

    void nothingWithoutAFileToRead_data() {
        QTest::addColumn<QString>("situation");
        QTest::newRow("no Settings.ini") << "none";
        QTest::newRow("no file given") << "(keine Datei angegeben)";
        QTest::newRow("missing file") << "missing";
        QTest::newRow("folder of the file's name") << "folder";
        QTest::newRow("Settings.ini a folder") << "settings folder";
    }
    // Nothing to hand over, nothing thrown, nothing created: opening the file the usual way
    // meets what is wrong and reports it.
    void nothingWithoutAFileToRead() {
        QFETCH(QString, situation);
        QString asked = data_;
        if (situation == "(keine Datei angegeben)") {
            QVERIFY(remember(situation));
            asked = situation;
        } else if (situation == "missing") {
            QVERIFY(QFile::remove(data_));
            QVERIFY(remember(data_));
        } else if (situation == "folder") {
            QVERIFY(QFile::remove(data_));
            QVERIFY(QDir().mkpath(data_));
            QVERIFY(remember(data_));
        } else if (situation == "settings folder") {
            QVERIFY(QDir().mkpath(settings_));
        }
        DataFileReadAhead ahead(settings_);
        QVERIFY(!ahead.take(asked));
        if (situation == "none")
            QVERIFY(!QFile::exists(settings_));
        if (situation == "missing")
            QVERIFY(!QFile::exists(data_));
    }

    // A read ahead that nobody takes (the start ended early) is waited for and dropped.
    void untakenIsDropped() {
        QVERIFY(remember(data_));
        { DataFileReadAhead ahead(settings_); }
        QCOMPARE(readBytes(data_), QByteArray(DataBytes));
    }
};

QTEST_GUILESS_MAIN(TestReadAhead)
#include "tst_readahead.moc"
