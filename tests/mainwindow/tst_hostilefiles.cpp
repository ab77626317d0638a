#include "app/application.h"
#include "gradedata/inistore.h"
#include "mainwindow/tabcontrol.h"
#include "mainwindow/tform1.h"
#include "support/mainwindowfixture.h"
#include "support/testfiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QListView>
#include <QRegularExpression>
#include <QTabBar>
#include <QTest>

#include <sys/stat.h>

namespace {

// The German texts a faulty data file may bring up.
const QList<QRegularExpression> germanErrors = {
    QRegularExpression(QStringLiteral("^'.*' ist kein gültiger Integerwert$"),
                       QRegularExpression::DotMatchesEverythingOption),
    QRegularExpression(QStringLiteral("^'.*' ist kein gültiges Datum$"),
                       QRegularExpression::DotMatchesEverythingOption),
    QRegularExpression(QStringLiteral("^Listenindex überschreitet das Maximum \\(\\d+\\)$")),
    QRegularExpression(QStringLiteral("^Die Bemerkung des Tests .* ist mit \\d+ Zeichen zu lang; "
                                      "höchstens 32767 Zeichen sind möglich\\.$"),
                       QRegularExpression::DotMatchesEverythingOption),
};

bool isGermanError(const QString& text) {
    return std::any_of(germanErrors.begin(), germanErrors.end(),
                       [&](const QRegularExpression& re) { return re.match(text).hasMatch(); });
}

} // namespace

// Hostile data files opened through the main window as a user opens them, every subject page
// shown, every test selected and the ranking built: nothing crashes, a faulty entry brings up a
// German message, and the file stays byte for byte as it was.
class TestHostileFiles : public QObject {
    Q_OBJECT

    std::unique_ptr<MainWindowFixture> fixture_;

    // Opens the file and shows everything; returns the texts of the messages shown.
    QStringList showEverything(const QString& fileName) {
        auto form = startForm();
        openFile(*form, fileName);
        auto* tabs = form->findChild<TabControl*>(QStringLiteral("Subjects"));
        auto* tests = form->findChild<QListView*>(QStringLiteral("Tests"));
        // Every tab, the first one last, so that each one becomes the current tab.
        QList<int> order;
        for (int index = 1; index < tabs->count(); ++index)
            order.append(index);
        order.append(0);
        for (const int index : std::as_const(order)) {
            // Through the tab bar, as a user does: errors reach the general error handler.
            QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {},
                              tabs->tabBar()->tabRect(index).center());
            QCoreApplication::processEvents();
            const int rows = tests->model() ? tests->model()->rowCount() : 0;
            for (int row = 0; row < std::min(rows, 5); ++row) {
                const QModelIndex item = tests->model()->index(row, 0);
                tests->scrollTo(item);
                const QPoint center = tests->visualRect(item).center();
                QTest::mouseMove(tests->viewport(), center);
                QTest::mouseClick(tests->viewport(), Qt::LeftButton, {}, center);
            }
            tests->grab();
        }
        QStringList texts;
        for (const ShownDialog& shown : fixture_->messages())
            texts.append(shown.text);
        form.reset();
        fixture_->dialogs().clear();
        return texts;
    }

    void check(const QString& fileName, bool faulty) {
        const QByteArray before = readBytes(fileName);
        const QStringList messages = showEverything(fileName);
        for (const QString& text : messages)
            QVERIFY2(isGermanError(text), qPrintable(text.left(300)));
        if (faulty)
            QVERIFY2(!messages.isEmpty(), "a faulty entry went without a message");
        QVERIFY2(readBytes(fileName) == before, "the file changed");
        QCOMPARE(QDir(QFileInfo(fileName).absolutePath())
                     .entryList(QDir::Files | QDir::Hidden | QDir::System),
                 QStringList{QFileInfo(fileName).fileName()});
    }

    QString copyToDataFolder(const QString& source) {
        const QString folder = fixture_->folders().file(QStringLiteral("daten"));
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        const QString copy = folder + u'/' + QFileInfo(source).fileName();
        QFile::copy(source, copy);
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
        return copy;
    }

private slots:
    void init() {
        fixture_ = std::make_unique<MainWindowFixture>();
        QVERIFY(fixture_->isValid());
    }
    void cleanup() { fixture_.reset(); }

    void corpus_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("faulty");
        // Files whose subjects' entries all read as tests (or that have no subject at all).
        const QStringList sound{"binary-garbage.plx",
                                "bom-windows1252.plx",
                                "brackets.plx",
                                "control-characters.plx",
                                "cr-only.plx",
                                "duplicates.plx",
                                "empty.plx",
                                "key-without-value.plx",
                                "lone-bracket.plx",
                                "mixed-encodings.plx",
                                "only-settings.plx",
                                "overlong-utf8.plx",
                                "own-grade-out-of-range.plx",
                                "thousand-sections.plx"};
        QDirIterator it(QStringLiteral(ZENSORIA_SOURCE_DIR "/tests/data/hostile"), QDir::Files);
        QStringList files;
        while (it.hasNext())
            files.append(it.next());
        files.sort();
        QVERIFY(files.size() >= 15);
        for (const QString& file : files) {
            const QString name = QFileInfo(file).fileName();
            QTest::newRow(qPrintable(name)) << file << !sound.contains(name);
        }
    }
    void corpus() {
        QFETCH(QString, source);
        QFETCH(bool, faulty);
        check(copyToDataFolder(source), faulty);
    }

    // A pipe, a device or a folder given as the data file: a German message, and the file that
    // was open stays open with its subjects, its tabs and its views; nothing waits on the pipe,
    // and every way into a subject page works afterwards.
    void specialFilesRefusedByTheWindow() {
        const QString folder = fixture_->folders().file(QStringLiteral("besonders"));
        QDir().mkpath(folder + QStringLiteral("/ordner.plx"));
        const QString pipe = folder + QStringLiteral("/pipe.plx");
        QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
        const QString good = folder + QStringLiteral("/noten.plx");
        QFile file(good);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Mathe]\r\n5,1,01.10.2002=\"1,1,1,1,1,1,1,1,\"\r\n");
        file.close();

        auto form = startForm();
        auto* tabs = control<TabControl>(*form, "Subjects");
        openFile(*form, good);
        QCOMPARE(tabs->count(), 2);
        auto* tests = control<QListView>(*form, "Tests");
        const QStringList refused{pipe, QStringLiteral("/dev/null"), QStringLiteral("/dev/zero"),
                                  QStringLiteral("/dev/urandom"), folder + "/ordner.plx"};
        for (const QString& name : refused) {
            openFile(*form, name);
            QCOMPARE(control<QListView>(*form, "Set1")->model()->rowCount(), 1);
            clickTab(*form, QStringLiteral("Mathe"));
            QCOMPARE(tests->model()->rowCount(), 1);
            clickRow(tests, 0);
            form->ShowSettingsExecute();
            doubleClickRow(control<QListView>(*form, "Set1"), 0);
            QCOMPARE(form->currentSubject(), QStringLiteral("Mathe"));
            form->ShowSettingsExecute();
            doubleClickRow(control<QListView>(*form, "Set4"), 0);
            QCOMPARE(form->currentSubject(), QStringLiteral("Mathe"));
            form->ShowSettingsExecute();
        }
        QStringList texts;
        for (const ShownDialog& shown : fixture_->messages()) {
            QCOMPARE(shown.icon, MessageIcon::Error);
            texts.append(shown.text);
        }
        QCOMPARE(texts, (QStringList{
                            pipe + " ist keine gewöhnliche Datei und kann nicht verwendet werden.",
                            "/dev/null ist keine gewöhnliche Datei und kann nicht verwendet "
                            "werden.",
                            "/dev/zero ist keine gewöhnliche Datei und kann nicht verwendet "
                            "werden.",
                            "/dev/urandom ist keine gewöhnliche Datei und kann nicht verwendet "
                            "werden.",
                            folder + "/ordner.plx ist ein Ordner und keine Datei."}));
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->tabText(0), QStringLiteral("Mathe"));
        QCOMPARE(form->dataFile()->fileName(), good);
    }

    // Made here rather than kept in the project: a very long line and a remark longer than
    // the entry form can hold.
    void generated_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("faulty");
        QTest::newRow("very long line without line end")
            << "[Mathe]\r\n5,1,01.10.2002=\"1,1,1,1,1,1,1,1,\"\r\n" + QByteArray(2'000'000, 'x')
            << true;
        QTest::newRow("very long value")
            << "[Mathe]\r\n5,1,01.10.2002=\"1,1,1,1,1,1,1,1,\"\r\n5,2,01.10.2002=\"" +
                   QByteArray(1'000'000, '1') + "\"\r\n"
            << true;
        QTest::newRow("remark of 3 MB") << "[Mathe]\r\n5,1,01.10.2002=\"1,1,1,1,1,1,1,1,\"\r\n5,2,"
                                           "02.10.2002=\"1,1,1,1,1,1,1,1,\"" +
                                               QByteArray(3'000'000, 'a') + "\"\"\r\n"
                                        << true;
        QTest::newRow("longest remark the form holds")
            << "[Mathe]\r\n5,2,02.10.2002=\"1,1,1,1,1,1,1,1,\"" + QByteArray(32767, 'a') +
                   "\"\"\r\n"
            << false;
    }
    void generated() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, faulty);
        const QString folder = fixture_->folders().file(QStringLiteral("erzeugt"));
        QDir().mkpath(folder);
        const QString fileName = folder + QStringLiteral("/noten.plx");
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
        file.close();
        check(fileName, faulty);
    }
};

int main(int argc, char** argv) {
    // The program's application object, whose general error handler shows the errors that
    // the handlers raise.
    ZensoriaApplication app(argc, argv);
    TestHostileFiles test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hostilefiles.moc"
