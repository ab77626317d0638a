#include "gradedata/inistore.h"
#include "gradedata/textencoding.h"
#include "platform/apperror.h"
#include "platform/regularfile.h"
#include "platform/writejournal.h"
#include "support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QString refusedMessage(const QString& fileName) {
    return QStringLiteral("In %1 kann nicht geschrieben werden").arg(fileName);
}

// A data file with everything a write must leave alone: a comment and a stray entry before
// the first section, comments, blank lines, lines without "=", a key that is not a test,
// a duplicate section, and the Settings section.
const QByteArray mixedFile = "; Noten von Anna\r\n"
                             "verirrt=1\r\n"
                             "[Mathe]\r\n"
                             "5,2,12.03.2002=\"3,2,5,8,6,3,1,3,Bruchrechnung\"\r\n"
                             "  Schluessel  =   'einfach'  \r\n"
                             "leer=\r\n"
                             "Zitat=\"a\"b\"\r\n"
                             "gemischt=\"a'\r\n"
                             "eins=\"\r\n"
                             "Formel = x=1 \r\n"
                             "; kommentar=1\r\n"
                             "ohne Gleichheitszeichen\r\n"
                             "\r\n"
                             "[ Deutsch ]\r\n"
                             "A=1\r\n"
                             "a=2\r\n"
                             "[Leer]\r\n"
                             "[mathe]\r\n"
                             "5,2,12.03.2002=doppelt\r\n"
                             "neu=x\r\n"
                             "[Settings]\r\n"
                             "StandardFile=/home/anna/noten.plx\r\n"
                             "Width=800\r\n";

constexpr uid_t nobody = 65534;

} // namespace

class TestIniStore : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString file(const QString& name) const { return dir_.filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        // Child processes that drop root rights must reach the test folders.
        QVERIFY(QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                       QFile::ExeOwner | QFile::ReadOther |
                                                       QFile::ExeOther));
        // Writes in place keep their journal in a folder of the user who writes.
        const QString journal = file("journal");
        QVERIFY(QDir().mkpath(journal));
        const uid_t writer = geteuid() == 0 ? nobody : geteuid();
        QCOMPARE(chown(QFile::encodeName(journal).constData(), writer, writer), 0);
        WriteJournal::setFolder(journal);
    }

    void reading() {
        const QString fileName = file("lesen.plx");
        QVERIFY(writeBytes(fileName, mixedFile));
        const IniStore store(fileName);

        QCOMPARE(store.ReadSections(), (QStringList{"Mathe", "Deutsch", "Leer", "Settings"}));
        QCOMPARE(store.ReadSection("MATHE"),
                 (QStringList{"5,2,12.03.2002", "Schluessel", "leer", "Zitat", "gemischt", "eins",
                              "Formel", "ohne Gleichheitszeichen"}));
        QCOMPARE(store.ReadString("mathe", "5,2,12.03.2002", "-"), "3,2,5,8,6,3,1,3,Bruchrechnung");
        QCOMPARE(store.ReadString("Mathe", "schluessel", "-"), "einfach");
        QCOMPARE(store.ReadString("Mathe", "leer", "-"), "");
        QCOMPARE(store.ReadString("Mathe", "Zitat", "-"), "a\"b");
        QCOMPARE(store.ReadString("Mathe", "gemischt", "-"), "\"a'");
        QCOMPARE(store.ReadString("Mathe", "eins", "-"), "\"");
        QCOMPARE(store.ReadString("Mathe", "formel", "-"), "x=1");
        QCOMPARE(store.ReadString("Mathe", "fehlt", "Vorgabe"), "Vorgabe");
        QCOMPARE(store.ReadString("Fehlt", "leer", "Vorgabe"), "Vorgabe");
        QVERIFY(!store.ValueExists("Mathe", "; kommentar"));
        // A line without "=" is a key without a value: listed, and read as the default.
        QVERIFY(store.ValueExists("Mathe", "ohne Gleichheitszeichen"));
        QCOMPARE(store.ReadString("Mathe", "ohne Gleichheitszeichen", "Vorgabe"), "Vorgabe");
        // The first section and the first key of a name are the ones found.
        QVERIFY(!store.ValueExists("Mathe", "neu"));
        QCOMPARE(store.ReadSection("deutsch"), QStringList{"A"});
        QCOMPARE(store.ReadString("Deutsch", "a", "-"), "1");
        // Entries before the first section belong to none.
        QVERIFY(!store.ValueExists("", "verirrt"));

        QVERIFY(store.SectionExists("mathe"));
        QVERIFY(!store.SectionExists("Leer"));
        QVERIFY(!store.SectionExists("Fehlt"));
        QVERIFY(store.ValueExists("MATHE", "ZITAT"));
        QCOMPARE(store.ReadString("settings", "standardfile", ""), "/home/anna/noten.plx");

        const auto values = store.ReadSectionValues("Mathe", "Vorgabe");
        QCOMPARE(values.size(), 8);
        QCOMPARE(values.front(),
                 (QPair<QString, QString>{"5,2,12.03.2002", "3,2,5,8,6,3,1,3,Bruchrechnung"}));
        QCOMPARE(values.at(6), (QPair<QString, QString>{"Formel", "x=1"}));
        QCOMPARE(values.back(), (QPair<QString, QString>{"ohne Gleichheitszeichen", "Vorgabe"}));
        QCOMPARE(readBytes(fileName), mixedFile);
    }

    // The walk over a section's entries sees what ReadSectionValues lists; what the visitor
    // throws leaves the walk.
    void forEachEntryAsReadSectionValues() {
        const QString fileName = file("besuchen.plx");
        QVERIFY(writeBytes(fileName, mixedFile));
        const IniStore store(fileName);
        const QStringList sections{"Mathe", "deutsch", "Leer", "Fehlt", "Settings"};
        QList<QList<QPair<QString, QString>>> walkedTogether(sections.size());
        store.forEachEntry(sections, u"Vorgabe",
                           [&](qsizetype i, QStringView key, QStringView value) {
                               walkedTogether[i].append({key.toString(), value.toString()});
                           });
        for (qsizetype i = 0; i < sections.size(); ++i) {
            QList<QPair<QString, QString>> walked;
            store.forEachEntry(sections.at(i), u"Vorgabe", [&](QStringView key, QStringView value) {
                walked.append({key.toString(), value.toString()});
            });
            QCOMPARE(walked, store.ReadSectionValues(sections.at(i), "Vorgabe"));
            QCOMPARE(walkedTogether.at(i), walked);
        }
        // A section of many entries, some keys repeated in another letter case.
        QByteArray many = "[Viele]\n";
        for (int i = 0; i < 40; ++i)
            many += (i < 30 ? "k" : "K") + QByteArray::number(i % 30) + "=" +
                    QByteArray::number(i) + "\n";
        QVERIFY(writeBytes(file("viele.plx"), many));
        const IniStore manyKeys(file("viele.plx"));
        qsizetype walked = 0;
        manyKeys.forEachEntry("viele", {}, [&](QStringView key, QStringView value) {
            QCOMPARE(value.toString(), key.sliced(1).toString());
            ++walked;
        });
        QCOMPARE(walked, 30);
        QCOMPARE(manyKeys.ReadSection("Viele").size(), 30);

        int visited = 0;
        QVERIFY_THROWS_EXCEPTION(AppError, store.forEachEntry("Mathe", {}, [&](auto, auto) {
            if (++visited == 2)
                throw AppError(QStringLiteral("Abbruch"));
        }));
        QCOMPARE(visited, 2);
    }

    // Each write changes its own line and nothing else.
    void writesTouchOnlyTheirLine() {
        const QString fileName = file("schreiben.plx");
        QVERIFY(writeBytes(fileName, mixedFile));
        IniStore store(fileName);
        QByteArray expected = mixedFile;

        // The key keeps its spelling and blanks; only the value changes.
        store.WriteString("mathe", "schluessel", "neu");
        expected.replace("  Schluessel  =   'einfach'  \r\n", "  Schluessel  =   neu  \r\n");
        QCOMPARE(readBytes(fileName), expected);

        store.WriteString("Mathe", "6,1,15.09.2002", "\"2,1,3,9,8,4,0,0,\"");
        expected.replace("ohne Gleichheitszeichen\r\n",
                         "ohne Gleichheitszeichen\r\n6,1,15.09.2002=\"2,1,3,9,8,4,0,0,\"\r\n");
        QCOMPARE(readBytes(fileName), expected);

        store.WriteString("Leer", "k", "v");
        expected.replace("[Leer]\r\n", "[Leer]\r\nk=v\r\n");
        QCOMPARE(readBytes(fileName), expected);

        store.WriteString("Physik", "5,1,01.10.2002", "\"1,1,1,1,1,1,1,1,\"");
        expected += "[Physik]\r\n5,1,01.10.2002=\"1,1,1,1,1,1,1,1,\"\r\n";
        QCOMPARE(readBytes(fileName), expected);

        store.DeleteKey("MATHE", "leer");
        expected.replace("leer=\r\n", "");
        QCOMPARE(readBytes(fileName), expected);

        store.EraseSection("deutsch");
        expected.replace("[ Deutsch ]\r\nA=1\r\na=2\r\n", "");
        QCOMPARE(readBytes(fileName), expected);

        // Nothing to delete: the file stays as it is.
        store.DeleteKey("Mathe", "fehlt");
        store.DeleteKey("Fehlt", "x");
        store.EraseSection("Fehlt");
        QCOMPARE(readBytes(fileName), expected);

        // The Settings section is kept, and a fresh store reads what the cache says.
        const IniStore fresh(fileName);
        QCOMPARE(fresh.ReadSections(), (QStringList{"Mathe", "Leer", "Settings", "Physik"}));
        QCOMPARE(fresh.ReadSection("Mathe"), store.ReadSection("Mathe"));
        QCOMPARE(store.ReadSection("Mathe"),
                 (QStringList{"5,2,12.03.2002", "Schluessel", "Zitat", "gemischt", "eins", "Formel",
                              "ohne Gleichheitszeichen", "6,1,15.09.2002"}));
        QCOMPARE(fresh.ReadString("Settings", "Width", ""), "800");
    }

    void replaceKey() {
        const QString fileName = file("aendern.plx");
        QVERIFY(writeBytes(fileName, "[A]\r\nalt=1\r\nb=2\r\n;Ende\r\n[B]\r\nalt=9\r\n"));
        IniStore store(fileName);
        store.ReplaceKey("a", "ALT", "neu", "3");
        QCOMPARE(readBytes(fileName), "[A]\r\nb=2\r\nneu=3\r\n;Ende\r\n[B]\r\nalt=9\r\n");
        // The old key missing: only the new one is written.
        store.ReplaceKey("B", "fehlt", "c", "4");
        QCOMPARE(readBytes(fileName), "[A]\r\nb=2\r\nneu=3\r\n;Ende\r\n[B]\r\nalt=9\r\nc=4\r\n");
        QCOMPARE(store.ReadSection("A"), (QStringList{"b", "neu"}));
        // A header ending in a lone CR before an empty line keeps its line end when the entry
        // between them is replaced, in one write or in several; so does the empty line.
        QVERIFY(writeBytes(fileName, "[A]\rx=1\n\n[B]\ry=1\nz=1\n\n"));
        store.ReplaceKey("A", "x", "y", "2");
        store.WriteEntries("B", {"y", "z"}, {{"w", "3"}});
        QCOMPARE(readBytes(fileName), "[A]\ry=2\r\n\n[B]\rw=3\r\n\n");
    }

    // A removed key uncovers a later line of the same name, as a fresh read of the file does.
    // A small section is searched line by line, a large one through its index of keys.
    void deleteUncoversDuplicateKey_data() {
        QTest::addColumn<int>("others");
        QTest::newRow("small section") << 0;
        QTest::newRow("section with an index") << 40;
    }
    void deleteUncoversDuplicateKey() {
        QFETCH(int, others);
        const QString fileName = file("doppelt.plx");
        QByteArray bytes = "[A]\r\n";
        for (int i = 0; i < others; ++i)
            bytes += "x" + QByteArray::number(i) + "=" + QByteArray::number(i) + "\r\n";
        QVERIFY(writeBytes(fileName, bytes + "k=1\r\nK=2\r\n"));
        IniStore store(fileName);
        QCOMPARE(store.ReadSection("A").size(), others + 1);
        QCOMPARE(store.ReadSectionValues("a").size(), others + 1);
        store.DeleteKey("A", "k");
        QCOMPARE(store.ReadString("A", "k", "-"), "2");
        QCOMPARE(IniStore(fileName).ReadString("A", "k", "-"), "2");
    }

    // Removing a subject removes every section of its name, so none comes back.
    void eraseRemovesEverySectionOfTheName() {
        const QString fileName = file("loeschen.plx");
        QVERIFY(writeBytes(fileName, "[Mathe]\r\na=1\r\n[Deutsch]\r\nb=2\r\n[MATHE]\r\nc=3\r\n"));
        IniStore store(fileName);
        store.EraseSection("mathe");
        QCOMPARE(readBytes(fileName), "[Deutsch]\r\nb=2\r\n");
        QCOMPARE(store.ReadSections(), QStringList{"Deutsch"});
    }

    void lineEnds_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("CR LF") << QByteArray("[A]\r\nx=1\r\n") << "A"
                               << QByteArray("[A]\r\nx=1\r\ny=2\r\n");
        QTest::newRow("LF only") << QByteArray("[A]\nx=1\n") << "A"
                                 << QByteArray("[A]\nx=1\ny=2\n");
        QTest::newRow("LF only, new section")
            << QByteArray("[A]\nx=1\n") << "B" << QByteArray("[A]\nx=1\n[B]\ny=2\n");
        QTest::newRow("mixed") << QByteArray("[A]\r\nx=1\n") << "A"
                               << QByteArray("[A]\r\nx=1\ny=2\r\n");
        QTest::newRow("last line unended")
            << QByteArray("[A]\r\nx=1") << "A" << QByteArray("[A]\r\nx=1\r\ny=2\r\n");
        QTest::newRow("LF only, last line unended")
            << QByteArray("[A]\nx=1") << "A" << QByteArray("[A]\nx=1\ny=2\n");
        QTest::newRow("unended comment stays last")
            << QByteArray("[A]\r\nx=1\r\n;Ende") << "A" << QByteArray("[A]\r\nx=1\r\ny=2\r\n;Ende");
        QTest::newRow("new section after unended comment")
            << QByteArray("[A]\r\nx=1\r\n;Ende") << "B"
            << QByteArray("[A]\r\nx=1\r\n;Ende\r\n[B]\r\ny=2\r\n");
        QTest::newRow("one unended line")
            << QByteArray(";Noten") << "B" << QByteArray(";Noten\r\n[B]\r\ny=2\r\n");
        QTest::newRow("empty file") << QByteArray() << "B" << QByteArray("[B]\r\ny=2\r\n");
        // A lone CR ends a line, as old editors wrote them.
        QTest::newRow("CR only") << QByteArray("[A]\rx=1\r[B]\rz=3\r") << "A"
                                 << QByteArray("[A]\rx=1\ry=2\r[B]\rz=3\r");
        QTest::newRow("CR only, new section")
            << QByteArray("[A]\rx=1\r") << "B" << QByteArray("[A]\rx=1\r[B]\ry=2\r");
        QTest::newRow("CR only, last line unended")
            << QByteArray("[A]\rx=1") << "A" << QByteArray("[A]\rx=1\ry=2\r");
        QTest::newRow("CR and CR LF")
            << QByteArray("[A]\rx=1\r\n") << "A" << QByteArray("[A]\rx=1\r\ny=2\r\n");
        QTest::newRow("LF CR is two line ends")
            << QByteArray("[A]\n\rx=1\n\r") << "A" << QByteArray("[A]\n\rx=1\ny=2\r\n\r");
    }
    void lineEnds() {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QByteArray, after);
        const QString fileName = file("zeilen.plx");
        QVERIFY(writeBytes(fileName, before));
        IniStore store(fileName);
        store.WriteString(section, "y", "2");
        QCOMPARE(readBytes(fileName), after);
        QCOMPARE(IniStore(fileName).ReadString(section, "y", "-"), "2");
        QCOMPARE(IniStore(fileName).ReadSections(), store.ReadSections());
    }

    // Subjects of a file with CR line ends are all found; a write joins the existing section.
    void crLineEndsKeepSections() {
        const QString fileName = file("mac.plx");
        QVERIFY(writeBytes(fileName, "[Mathe]\r5,1,01.10.2002=\"1,1,1,1,1,1,1,1,\"\r[Deutsch]\r"
                                     "5,2,02.10.2002=\"2,1,1,1,1,1,1,1,\"\r"));
        IniStore store(fileName);
        QCOMPARE(store.ReadSections(), (QStringList{"Mathe", "Deutsch"}));
        QCOMPARE(store.ReadSection("Deutsch"), QStringList{"5,2,02.10.2002"});
        store.WriteString("Mathe", "5,3,03.10.2002", "\"3,1,1,1,1,1,1,1,\"");
        QCOMPARE(
            readBytes(fileName),
            "[Mathe]\r5,1,01.10.2002=\"1,1,1,1,1,1,1,1,\"\r5,3,03.10.2002=\"3,1,1,1,1,1,1,1,\"\r"
            "[Deutsch]\r5,2,02.10.2002=\"2,1,1,1,1,1,1,1,\"\r");
    }

    // A stored key keeps its spelling and blanks when its value changes; a key alone gets "=".
    void rewrittenKeyKeepsItsText_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("rewritten");
        QTest::newRow("blanks around =")
            << QByteArray("width = 1024") << "Width" << QByteArray("width = 1008");
        QTest::newRow("quoted value")
            << QByteArray("  Wert='alt'  ") << "WERT" << QByteArray("  Wert=1008  ");
        QTest::newRow("empty value") << QByteArray("Width=") << "width" << QByteArray("Width=1008");
        QTest::newRow("blanks, empty value")
            << QByteArray("Width =  ") << "width" << QByteArray("Width =  1008");
        QTest::newRow("key alone")
            << QByteArray(" Width ") << "width" << QByteArray(" Width =1008");
        QTest::newRow("value with =")
            << QByteArray("Width=a=b") << "width" << QByteArray("Width=1008");
    }
    void rewrittenKeyKeepsItsText() {
        QFETCH(QByteArray, line);
        QFETCH(QString, key);
        QFETCH(QByteArray, rewritten);
        const QString fileName = file("schluessel.ini");
        QVERIFY(writeBytes(fileName, "[Settings]\r\n" + line + "\r\nHeight=600\r\n"));
        IniStore store(fileName);
        store.WriteString("Settings", key, "1008");
        QCOMPARE(readBytes(fileName), "[Settings]\r\n" + rewritten + "\r\nHeight=600\r\n");
        QCOMPARE(store.ReadString("Settings", key, ""), "1008");
        QCOMPARE(IniStore(fileName).ReadString("Settings", key, ""), "1008");
    }

    // A key that a line cannot hold so that it reads back as a key is refused; the file and
    // the store stay as they were, and the store agrees with a fresh read.
    void unwritableKeysRefused_data() {
        QTest::addColumn<QString>("key");
        QTest::newRow("bracket") << "[x";
        QTest::newRow("bracket after blanks") << "  [Settings]";
        QTest::newRow("semicolon") << ";x";
        QTest::newRow("empty") << "";
        QTest::newRow("blanks only") << "   ";
        QTest::newRow("line break only") << "\r\n";
    }
    void unwritableKeysRefused() {
        QFETCH(QString, key);
        const QString fileName = file("klammerschluessel.plx");
        const QByteArray before = "[A]\r\nk=1\r\n";
        QVERIFY(writeBytes(fileName, before));
        IniStore store(fileName);
        QVERIFY_THROWS_EXCEPTION(AppError, store.WriteString("A", key, "1"));
        QVERIFY_THROWS_EXCEPTION(AppError, store.WriteString("Neu", key, "1"));
        QVERIFY_THROWS_EXCEPTION(AppError, store.ReplaceKey("A", "k", key, "1"));
        QCOMPARE(readBytes(fileName), before);
        QCOMPARE(store.ReadSections(), QStringList{"A"});
        QCOMPARE(store.ReadSection("A"), QStringList{"k"});
    }

    // Keys holding "=" or a "]" read back as what the file shows, in the store as in a fresh read.
    // Lines of every length, with every line end and with ASCII, UTF-8 and Windows-1252 text
    // anywhere in them, are found by their keys in any case and read as written.
    void generatedLinesReadBack() {
        QRandomGenerator random(20261209);
        const auto letters = [&](int count) {
            QByteArray text;
            for (int i = 0; i < count; ++i)
                text += char((random.bounded(2) ? 'a' : 'A') + random.bounded(26));
            return text;
        };
        const QByteArray lineEnds[] = {"\n", "\r\n", "\r"};
        QByteArray bytes;
        QList<std::tuple<QString, QString, QString>> entries; // section, key, value
        for (const QString section : {"Mathe", "Deutsch", "Erdkunde"}) {
            bytes += "[" + section.toLatin1() + "]" + lineEnds[random.bounded(3)];
            for (int e = 0; e < 60; ++e) {
                const QByteArray key = letters(random.bounded(30)) + QByteArray::number(e);
                QByteArray value = letters(random.bounded(40));
                QString text = QString::fromLatin1(value);
                if (const int at = random.bounded(value.size() + 1); e % 3 > 0) {
                    value.insert(at, e % 3 == 1 ? QByteArray("\xC3\xA4") : QByteArray("\xE4"));
                    text.insert(at, QChar(0xE4));
                }
                bytes += key + "=" + value + lineEnds[random.bounded(3)];
                entries.append({section, QString::fromLatin1(key), text});
            }
        }
        const QString fileName = file("erzeugt.plx");
        QVERIFY(writeBytes(fileName, bytes));
        const IniStore store(fileName);
        for (const auto& [section, key, value] : entries)
            QCOMPARE(store.ReadString(section.toUpper(), key.toLower(), "-"), value);
        QCOMPARE(store.ReadSection("Deutsch").size(), 60);
    }

    void oddKeysAgreeWithAFreshRead() {
        const QString fileName = file("seltsam.plx");
        IniStore store(fileName);
        for (const char* key : {"a=b", "x]", " c ", "d[", "e;", "Settings"})
            store.WriteString("A", key, "1");
        const IniStore fresh(fileName);
        QCOMPARE(store.ReadSections(), fresh.ReadSections());
        QCOMPARE(store.ReadSectionValues("A"), fresh.ReadSectionValues("A"));
        QCOMPARE(store.ReadSection("A"), (QStringList{"a", "x]", "c", "d[", "e;", "Settings"}));
    }

    // A Windows-1252 file keeps its lines: a new entry with a character that Windows-1252 lacks
    // is written in UTF-8, and every line already there keeps its bytes.
    void encodingsNeverMix_data() {
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("remark");
        QTest::addColumn<bool>("staysWindows1252");
        QTest::newRow("square root in a new subject")
            << QString::fromUtf8("Französisch") << QString::fromUtf8("Wurzel √2") << false;
        QTest::newRow("arrow in the existing subject")
            << QString::fromUtf8("Erdkunde") << QString::fromUtf8("Pfeil →") << false;
        QTest::newRow("emoji") << QString::fromUtf8("Ökologie") << QString::fromUtf8("😀") << false;
        QTest::newRow("A with macron")
            << QString::fromUtf8("Französisch") << QString(QChar(0x100)) << false;
        QTest::newRow("l with stroke in the subject name")
            << QString::fromUtf8("Łódź") << QStringLiteral("x") << false;
        QTest::newRow("no-break space and y with diaeresis")
            << QString::fromUtf8("Französisch") << QString::fromUtf8(" ÿ") << true;
    }
    void encodingsNeverMix() {
        QFETCH(QString, subject);
        QFETCH(QString, remark);
        QFETCH(bool, staysWindows1252);
        const QString fileName = file("erdoel.plx");
        const QByteArray before = "[Erdkunde]\r\n5,1,01.10.2002=\"1,1,1,1,1,1,1,1,Erd\xF6l\"\r\n";
        QVERIFY(writeBytes(fileName, before));
        IniStore store(fileName);
        const QString value = "\"3,2,5,8,6,3,1,3,\"" + remark + "\"\"";
        store.WriteString(subject, "5,1,12.03.2002", value);

        const QByteArray after = readBytes(fileName);
        const QString erdoel = QString::fromUtf8("1,1,1,1,1,1,1,1,Erdöl");
        if (staysWindows1252) {
            QVERIFY(after.startsWith(before));
            QVERIFY(encodeWindows1252(subject));
            QCOMPARE(after.mid(before.size()), "[" + *encodeWindows1252(subject) + "]\r\n" +
                                                   "5,1,12.03.2002=" + *encodeWindows1252(value) +
                                                   "\r\n");
        } else {
            QVERIFY(after.startsWith(before));
            QVERIFY(after.endsWith(("5,1,12.03.2002=" + value + "\r\n").toUtf8()));
        }
        // The next start reads every umlaut as it was, and the next write keeps them so.
        const IniStore fresh(fileName);
        QCOMPARE(fresh.ReadString("Erdkunde", "5,1,01.10.2002", ""), erdoel);
        QCOMPARE(fresh.ReadString(subject, "5,1,12.03.2002", ""), value.mid(1, value.size() - 2));
        QVERIFY(fresh.ReadSections().contains(subject));
        IniStore next(fileName);
        next.WriteString("Erdkunde", "6,1,01.10.2003", "\"1,1,1,1,1,1,1,1,Öl\"");
        QCOMPARE(IniStore(fileName).ReadString("Erdkunde", "5,1,01.10.2002", ""), erdoel);
    }

    // Each line is read in its own encoding (well-formed UTF-8 as UTF-8, any other line as
    // Windows-1252); a changed line is written in the encoding of most lines beyond ASCII, or in
    // UTF-8 where that cannot hold it so that it reads back; every other line keeps its bytes.
    void encodingPerLine_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("oldValue");
        QTest::addColumn<QString>("newValue");
        QTest::addColumn<QByteArray>("after");
        const QByteArray utf8WithAppendix = QString::fromUtf8("[Französisch]\r\na=Übung\r\n"
                                                              "b=Grüße\r\n[Erdkunde]\r\n")
                                                .toUtf8() +
                                            "k=Erd\xF6l\r\n";
        QTest::newRow("UTF-8 file, Windows-1252 section appended")
            << utf8WithAppendix << "n"
            << "" << QString::fromUtf8("Öl") << utf8WithAppendix + "n=\xC3\x96l\r\n";
        QTest::newRow("UTF-8 file, its Windows-1252 line rewritten")
            << utf8WithAppendix << "k" << QString::fromUtf8("Erdöl") << QString::fromUtf8("Öl")
            << QByteArray(utf8WithAppendix).replace("k=Erd\xF6l", "k=\xC3\x96l");
        const QByteArray windows1252 = "[Erdkunde]\r\nk=Erd\xF6l\r\nm=M\xFCll\r\nu=\xC3\xBC\r\n";
        QTest::newRow("Windows-1252 file, one UTF-8 line")
            << windows1252 << "u" << QString::fromUtf8("ü") << QString::fromUtf8("Öl")
            << QByteArray(windows1252).replace("u=\xC3\xBC", "u=\xD6l");
        QTest::newRow("Windows-1252 file, a character it lacks") << windows1252 << "n"
                                                                 << "" << QString::fromUtf8("√2")
                                                                 << windows1252 + "n=\xE2\x88\x9A"
                                                                                  "2\r\n";
        QTest::newRow("Windows-1252 bytes that would read as UTF-8")
            << windows1252 << "n"
            << "" << QString::fromUtf8("Ã¼")
            << windows1252 + QString::fromUtf8("n=Ã¼\r\n").toUtf8();
    }
    void encodingPerLine() {
        QFETCH(QByteArray, before);
        QFETCH(QString, key);
        QFETCH(QString, oldValue);
        QFETCH(QString, newValue);
        QFETCH(QByteArray, after);
        const QString fileName = file("zeilenweise.plx");
        QVERIFY(writeBytes(fileName, before));
        IniStore store(fileName);
        QCOMPARE(store.ReadString("Erdkunde", key, ""), oldValue);
        QCOMPARE(store.ReadString("Erdkunde", "k", ""), QString::fromUtf8("Erdöl"));
        store.WriteString("erdkunde", key, newValue);
        QCOMPARE(readBytes(fileName), after);
        const IniStore fresh(fileName);
        QCOMPARE(fresh.ReadSectionValues("Erdkunde"), store.ReadSectionValues("Erdkunde"));
        QCOMPARE(fresh.ReadString("Erdkunde", key, ""), newValue);
        QCOMPARE(fresh.ReadString(QString::fromUtf8("Französisch"), "b", "-"),
                 before.startsWith("[Fr") ? QString::fromUtf8("Grüße") : QStringLiteral("-"));
    }

    // Lines without "=" that hold only NUL or other control characters (padding, a cut write of
    // another program) are no keys.
    void controlLinesAreNoKeys_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("NUL padding at the end")
            << QByteArray("[A]\r\nk=1\r\n\0\0\0\0\0\0", 16)
            << QByteArray("[A]\r\nk=1\r\nn=2\r\n\0\0\0\0\0\0", 21);
        QTest::newRow("NUL line between entries")
            << QByteArray("[A]\r\nk=1\r\n\0\0\r\nm=3\r\n", 19)
            << QByteArray("[A]\r\nk=1\r\n\0\0\r\nm=3\r\nn=2\r\n", 24);
        QTest::newRow("control characters")
            << QByteArray("[A]\r\nk=1\r\n\x01\x1F\x7F\t\x0B\r\n")
            << QByteArray("[A]\r\nk=1\r\nn=2\r\n\x01\x1F\x7F\t\x0B\r\n");
    }
    void controlLinesAreNoKeys() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        const QString fileName = file("nul.plx");
        QVERIFY(writeBytes(fileName, before));
        IniStore store(fileName);
        QCOMPARE(store.ReadSection("A"),
                 before.contains("m=3") ? (QStringList{"k", "m"}) : QStringList{"k"});
        store.WriteString("A", "n", "2");
        QCOMPARE(readBytes(fileName), after);
    }

    // A UTF-8 byte-order mark in front of Windows-1252 text (one editor saved, another added):
    // the mark is recognised and kept, the first subject stays, and no second one appears.
    void byteOrderMarkBeforeWindows1252() {
        const QString fileName = file("bom1252.plx");
        const QByteArray before = "\xEF\xBB\xBF[Erdkunde]\r\nk=Erd\xF6l\r\n";
        QVERIFY(writeBytes(fileName, before));
        IniStore store(fileName);
        QCOMPARE(store.ReadSections(), QStringList{"Erdkunde"});
        QCOMPARE(store.ReadString("Erdkunde", "k", ""), QString::fromUtf8("Erdöl"));
        store.WriteString("Erdkunde", "x", QString::fromUtf8("Äpfel"));
        QCOMPARE(readBytes(fileName), before + "x=\xC4pfel\r\n");
        QCOMPARE(IniStore(fileName).ReadSections(), QStringList{"Erdkunde"});
        // A character that Windows-1252 lacks goes in UTF-8, on its own line only.
        store.WriteString("Erdkunde", "y", QString::fromUtf8("→"));
        QCOMPARE(readBytes(fileName), before + "x=\xC4pfel\r\ny=\xE2\x86\x92\r\n");
        QCOMPARE(IniStore(fileName).ReadString("Erdkunde", "k", ""), QString::fromUtf8("Erdöl"));
    }

    // Another writer rewriting the file in place with the same size, right after the store's
    // last look (within the same tick of the file system's clock), is always seen.
    // Also under a file system that keeps whole seconds only (FAT sticks, network shares).
    void sameSizeChangesAreSeen_data() {
        QTest::addColumn<qint64>("timeStep");
        QTest::newRow("file system's own times") << qint64(0);
        QTest::newRow("whole seconds") << qint64(1'000'000'000);
    }
    void sameSizeChangesAreSeen() {
        QFETCH(qint64, timeStep);
        setFileTimeStepForTests(timeStep);
        const auto restore = qScopeGuard([] { setFileTimeStepForTests(0); });
        const QString fileName = file("schnell.plx");
        IniStore store(fileName);
        store.WriteString("A", "x", "000");
        int stale = 0;
        for (int i = 1; i <= 500; ++i) {
            const QByteArray version = QByteArray::number(1000 + i).right(3);
            QFile other(fileName);
            QVERIFY(other.open(QIODevice::ReadWrite));
            QVERIFY(other.seek(7));
            QCOMPARE(other.write(version), 3);
            other.close();
            if (store.ReadString("A", "x", "") != QString::fromLatin1(version))
                ++stale;
        }
        QCOMPARE(stale, 0);
    }

    // Only regular files: a folder, a device or a pipe is refused with a German message, and
    // nothing waits on a pipe.
    void specialFilesRefused() {
        const QString folder = file("ordner.plx");
        QVERIFY(QDir().mkpath(folder));
        try {
            IniStore store(folder);
            QFAIL("a folder was taken for a file");
        } catch (const AppError& error) {
            QCOMPARE(error.message(), folder + " ist ein Ordner und keine Datei.");
        }
        const QString pipe = file("pipe.plx");
        QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
        for (const QString& name : {pipe, QStringLiteral("/dev/null")}) {
            try {
                IniStore store(name);
                QFAIL("a special file was taken");
            } catch (const AppError& error) {
                QCOMPARE(error.message(),
                         name + " ist keine gewöhnliche Datei und kann nicht verwendet werden.");
            }
        }
        // A pipe put in place of the file later is refused as well, without blocking.
        const QString later = file("spaeter.plx");
        QVERIFY(writeBytes(later, "[A]\r\nx=1\r\n"));
        IniStore store(later);
        QCOMPARE(store.ReadSections(), QStringList{"A"});
        QVERIFY(QFile::remove(later));
        QCOMPARE(mkfifo(QFile::encodeName(later).constData(), 0644), 0);
        QVERIFY_THROWS_EXCEPTION(AppError, store.ReadSections());
        QVERIFY_THROWS_EXCEPTION(AppError, store.WriteString("A", "y", "2"));
        QVERIFY(QFileInfo(later).isFile() == false);
    }

    void newFile() {
        const QString fileName = file("neu.plx");
        IniStore store(fileName);
        QVERIFY(store.ReadSections().isEmpty());
        QVERIFY(!store.SectionExists("Mathe"));
        QVERIFY(!QFile::exists(fileName));
        store.WriteString(QString::fromUtf8("Französisch"), "5,1,01.10.2002",
                          QString::fromUtf8("\"1,1,1,1,1,1,1,1,Übung\""));
        QCOMPARE(readBytes(fileName),
                 QString::fromUtf8("[Französisch]\r\n5,1,01.10.2002=\"1,1,1,1,1,1,1,1,Übung\"\r\n")
                     .toUtf8());
    }

    void missingFolder() {
        const QString fileName = file("fehlt/neu.plx");
        IniStore store(fileName);
        try {
            store.WriteString("Mathe", "k", "v");
            QFAIL("no error");
        } catch (const AppError& error) {
            QCOMPARE(error.message(), refusedMessage(fileName));
        }
        QVERIFY(!store.SectionExists("Mathe"));
        QVERIFY(!QFile::exists(fileName));
    }

    // Files from Windows systems: read as Windows-1252 and written back in it.
    void windows1252RoundTrip() {
        const QString fileName = file("windows.plx");
        const QByteArray before = "[F\xE4"
                                  "cher]\r\n"
                                  "5,1,01.10.2002=\"1,1,1,1,1,1,1,1,Gr\xFC\xDF"
                                  "e \x80 \x81\"\r\n"
                                  "; \xC3\xBC ist hier kein UTF-8\r\n";
        QVERIFY(writeBytes(fileName, before));
        IniStore store(fileName);
        const QString subject = QString::fromUtf8("Fächer");
        QCOMPARE(store.ReadSections(), QStringList{subject});
        QCOMPARE(store.ReadString(subject, "5,1,01.10.2002", ""),
                 QString::fromUtf8("1,1,1,1,1,1,1,1,Grüße € \u0081"));

        store.WriteString(QString::fromUtf8("fÄcher"), "6,2,02.10.2002",
                          QString::fromUtf8("\"1,1,1,1,1,1,1,1,Übung\""));
        QByteArray expected = before;
        expected.replace("; ", "6,2,02.10.2002=\"1,1,1,1,1,1,1,1,\xDC"
                               "bung\"\r\n; ");
        QCOMPARE(readBytes(fileName), expected);

        // A character that Windows-1252 lacks: that line is written in UTF-8 rather than lose
        // it; the other lines keep their bytes.
        store.WriteString(subject, "7,1,03.10.2002", QString::fromUtf8("\"1,1,1,1,1,1,1,1,✓\""));
        expected.replace("; ", "7,1,03.10.2002=\"1,1,1,1,1,1,1,1,\xE2\x9C\x93\"\r\n; ");
        QCOMPARE(readBytes(fileName), expected);
        const IniStore fresh(fileName);
        QCOMPARE(fresh.ReadString(subject, "5,1,01.10.2002", ""),
                 QString::fromUtf8("1,1,1,1,1,1,1,1,Grüße € \u0081"));
        QCOMPARE(fresh.ReadString(subject, "7,1,03.10.2002", ""),
                 QString::fromUtf8("1,1,1,1,1,1,1,1,✓"));
    }

    void utf8ByteOrderMarkKept() {
        const QString fileName = file("bom.plx");
        QVERIFY(writeBytes(fileName, "\xEF\xBB\xBF[Fach]\r\nx=\xC3\xBC\r\n"));
        IniStore store(fileName);
        QCOMPARE(store.ReadSections(), QStringList{"Fach"});
        QCOMPARE(store.ReadString("Fach", "x", ""), QString::fromUtf8("ü"));
        store.WriteString("Fach", "y", QString::fromUtf8("ö"));
        QCOMPARE(readBytes(fileName), "\xEF\xBB\xBF[Fach]\r\nx=\xC3\xBC\r\ny=\xC3\xB6\r\n");
    }

    // Lines hold two- to four-byte characters and a late byte that is no UTF-8: every line's
    // text still starts and ends where its bytes do, so keys and values read whole and a write
    // changes its own line only.
    void multiByteCharactersInLines_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("remark");
        const QByteArray utf8 = QString::fromUtf8("[Fächer 😀]\r\n"
                                                  "Schlüssel=\"Grüße\"\n"
                                                  "😀=\"€ und 𝄞\"\r"
                                                  "; ä\r\n"
                                                  "letzter=ÿ")
                                    .toUtf8();
        QTest::newRow("UTF-8") << utf8 << QString::fromUtf8("Fächer 😀")
                               << QString::fromUtf8("€ und 𝄞");
        QTest::newRow("Windows-1252 after long UTF-8")
            << QByteArray("[F\xC3\xA4"
                          "cher]\r\nSchl\xC3\xBC"
                          "ssel=\"Gr\xC3\xBC\xC3\x9F"
                          "e\"\n"
                          "\xF0\x9F\x98\x80=\"\x80 und x\"\r; \xE4\r\nletzter=\xFF")
            << QString::fromUtf8("Fächer") << QString::fromUtf8("€ und x");
    }
    void multiByteCharactersInLines() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, subject);
        QFETCH(QString, remark);
        const QString fileName = file("mehrbyte.plx");
        QVERIFY(writeBytes(fileName, bytes));
        IniStore store(fileName);
        QCOMPARE(store.ReadSections(), QStringList{subject});
        const QStringList keys = store.ReadSection(subject);
        QCOMPARE(keys.size(), 3);
        QCOMPARE(keys.back(), "letzter");
        QCOMPARE(store.ReadString(subject, keys.at(1), ""), remark);
        QCOMPARE(store.ReadString(subject, "LETZTER", ""), QString::fromUtf8("ÿ"));
        store.WriteString(subject, keys.at(1), "neu");
        QByteArray expected = bytes;
        // The entry after the second line's LF.
        const qsizetype remarkAt =
            expected.indexOf("=\"", expected.indexOf('\n', expected.indexOf('\n') + 1));
        expected.replace(remarkAt + 1, expected.indexOf('\r', remarkAt) - remarkAt - 1, "neu");
        // A rewritten Windows-1252 line whose key would read as UTF-8 in Windows-1252 bytes goes
        // in UTF-8, so that it reads back as the same key.
        if (!isValidUtf8(bytes))
            expected.replace("\xF0\x9F\x98\x80=", keys.at(1).toUtf8() + '=');
        QCOMPARE(readBytes(fileName), expected);
        QCOMPARE(IniStore(fileName).ReadSectionValues(subject), store.ReadSectionValues(subject));
    }

    // A second byte-order mark right after the first stays in the file's bytes but is not
    // read as part of the first line, so the header behind it is found.
    void secondByteOrderMark() {
        const QString fileName = file("bom2.plx");
        const QByteArray before = "\xEF\xBB\xBF\xEF\xBB\xBF[Fach]\r\nx=\xC3\xBC\r\n";
        QVERIFY(writeBytes(fileName, before));
        IniStore store(fileName);
        QCOMPARE(store.ReadSections(), QStringList{"Fach"});
        QCOMPARE(store.ReadString("Fach", "x", ""), QString::fromUtf8("ü"));
        store.WriteString("Fach", "y", "1");
        QCOMPARE(readBytes(fileName), before + "y=1\r\n");
    }

    // Names match without regard to case beyond ASCII as well, folded as QString's
    // case-insensitive compare folds them: umlauts, sharp s, the Kelvin sign against "k", and
    // characters beyond the BMP. Names that compare equal must land in the same place of the
    // index, also when it has grown far past its first size.
    void namesFoldedBeyondAscii() {
        const QString fileName = file("faltung.plx");
        QVERIFY(writeBytes(fileName, QString::fromUtf8("[ÄPFEL]\r\n"
                                                       "\u212Aelvin=1\r\n"
                                                       "STRAẞE=2\r\n"
                                                       "\U00010400=3\r\n")
                                         .toUtf8()));
        IniStore store(fileName);
        QCOMPARE(store.ReadString(QString::fromUtf8("äpfel"), "kelvin", "-"), "1");
        QCOMPARE(store.ReadString(QString::fromUtf8("Äpfel"), "KELVIN", "-"), "1");
        QCOMPARE(store.ReadString(QString::fromUtf8("äPFEL"), QString::fromUtf8("straße"), "-"),
                 "2");
        QCOMPARE(store.ReadString(QString::fromUtf8("ÄPFEL"), QString::fromUtf8("\U00010428"), "-"),
                 "3");
        QVERIFY(!store.ValueExists(QString::fromUtf8("ÄPFEL"), QString::fromUtf8("\U00010401")));
        // A write in another case replaces the stored entry, whose key keeps its spelling.
        store.WriteString(QString::fromUtf8("äpfel"), "KELVIN", "4");
        store.WriteString(QString::fromUtf8("äpfel"), QString::fromUtf8("\U00010428"), "5");
        const QStringList keys{QString::fromUtf8("\u212Aelvin"), QString::fromUtf8("STRAẞE"),
                               QString::fromUtf8("\U00010400")};
        QCOMPARE(store.ReadSection(QString::fromUtf8("äpfel")), keys);
        const IniStore fresh(fileName);
        QCOMPARE(fresh.ReadSections(), QStringList{QString::fromUtf8("ÄPFEL")});
        QCOMPARE(fresh.ReadString(QString::fromUtf8("äpfel"), "kelvin", "-"), "4");
        QCOMPARE(fresh.ReadString(QString::fromUtf8("äpfel"), QString::fromUtf8("\U00010400"), "-"),
                 "5");

        // Many keys that differ from their lookups only in case, read from the file and added
        // one by one.
        QByteArray many = "[Viele]\r\n";
        for (int i = 0; i < 300; ++i)
            many += QString::fromUtf8("Schlüssel%1=%1\r\n").arg(i).toUtf8();
        QVERIFY(writeBytes(fileName, many));
        IniStore manyKeys(fileName);
        for (int i = 0; i < 150; ++i)
            manyKeys.WriteString("VIELE", QString::fromUtf8("Ärger%1").arg(i), QString::number(i));
        for (int i = 0; i < 300; ++i) {
            QCOMPARE(manyKeys.ReadString("viele", QString::fromUtf8("SCHLÜSSEL%1").arg(i), "-"),
                     QString::number(i));
        }
        for (int i = 0; i < 150; ++i) {
            QCOMPARE(manyKeys.ReadString("viele", QString::fromUtf8("äRGER%1").arg(i), "-"),
                     QString::number(i));
        }
        QCOMPARE(manyKeys.ReadSection("Viele").size(), 450);
        QCOMPARE(IniStore(fileName).ReadSectionValues("viele"),
                 manyKeys.ReadSectionValues("VIELE"));
    }

    // Reads see changes made by others, also when the size stays the same.
    void outsideChangesAreSeen() {
        const QString fileName = file("fremd.plx");
        QVERIFY(writeBytes(fileName, "[A]\r\nx=1\r\n"));
        IniStore store(fileName);
        QCOMPARE(store.ReadString("A", "x", ""), "1");
        store.WriteString("A", "y", "2");
        QCOMPARE(store.ReadString("A", "y", ""), "2");

        QVERIFY(writeBytes(fileName, "[A]\r\nx=3\r\ny=4\r\n"));
        QFile touched(fileName);
        QVERIFY(touched.open(QIODevice::ReadWrite));
        QVERIFY(touched.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                    QFileDevice::FileModificationTime));
        touched.close();
        QCOMPARE(store.ReadString("A", "x", ""), "3");
        QCOMPARE(store.ReadString("A", "y", ""), "4");

        QVERIFY(QFile::remove(fileName));
        QVERIFY(store.ReadSections().isEmpty());
        store.WriteString("B", "z", "5");
        QCOMPARE(readBytes(fileName), "[B]\r\nz=5\r\n");
    }

    // The revision grows with every change, and no two stores share one, also on one file.
    void revisionsNameWhatWasRead() {
        const QString fileName = file("revision.plx");
        QVERIFY(writeBytes(fileName, "[A]\r\nx=1\r\n"));
        IniStore store(fileName);
        const IniStore other(fileName);
        const quint64 first = store.contentsRevision();
        QCOMPARE(store.contentsRevision(), first);
        QVERIFY(other.contentsRevision() != first);
        store.WriteString("A", "x", "2");
        QVERIFY(store.contentsRevision() > first);
        QVERIFY(IniStore(fileName).contentsRevision() != store.contentsRevision());
    }

    // Long values and long key and section lists are read whole.
    void noReadLimits() {
        const QString fileName = file("gross.plx");
        QByteArray bytes;
        const QByteArray longValue(5000, 'x');
        bytes += "[Lang]\r\nwert=" + longValue + "\r\n[Viele]\r\n";
        QStringList keys;
        for (int i = 0; i < 2000; ++i) {
            keys.append(QStringLiteral("Schluessel_%1").arg(i, 4, 10, QChar(u'0')));
            bytes += keys.back().toUtf8() + "=1\r\n";
        }
        QStringList sections{"Lang", "Viele"};
        for (int i = 0; i < 1000; ++i) {
            sections.append(QStringLiteral("Abschnitt_Nummer_%1").arg(i, 4, 10, QChar(u'0')));
            bytes += '[' + sections.back().toUtf8() + "]\r\nk=v\r\n";
        }
        QVERIFY(writeBytes(fileName, bytes));
        IniStore store(fileName);
        QCOMPARE(store.ReadString("Lang", "wert", "").size(), 5000);
        QCOMPARE(store.ReadSection("Viele"), keys);
        QCOMPARE(store.ReadSectionValues("Viele").size(), keys.size());
        QCOMPARE(store.ReadSections(), sections);
        QVERIFY(keys.join(u'\0').size() > 16384);
        QVERIFY(sections.join(u'\0').size() > 16384);

        store.WriteString("Lang", "wert", QString(3000, u'y'));
        QCOMPARE(IniStore(fileName).ReadString("Lang", "wert", ""), QString(3000, u'y'));
    }

    void integersAndBooleans_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("integer");
        QTest::addColumn<bool>("boolean");
        QTest::newRow("zero") << "0" << 0 << false;
        QTest::newRow("one") << "1" << 1 << true;
        QTest::newRow("negative") << "-3" << -3 << true;
        QTest::newRow("quoted") << "\"12\"" << 12 << true;
        QTest::newRow("blanks around") << "  800  " << 800 << true;
        QTest::newRow("not a number") << "ja" << 7 << true;
        QTest::newRow("empty") << "" << 7 << true;
        QTest::newRow("too large") << "4294967296" << 7 << true;
    }
    void integersAndBooleans() {
        QFETCH(QString, text);
        QFETCH(int, integer);
        QFETCH(bool, boolean);
        const QString fileName = file("zahlen.ini");
        QVERIFY(writeBytes(fileName, "[Settings]\r\nWert=" + text.toUtf8() + "\r\n"));
        const IniStore store(fileName);
        QCOMPARE(store.ReadInteger("Settings", "Wert", 7), integer);
        QCOMPARE(store.ReadBool("Settings", "Wert", true), boolean);
        QCOMPARE(store.ReadBool("Settings", "Wert", false), integer == 7 ? false : boolean);
        QCOMPARE(store.ReadInteger("Settings", "Fehlt", 7), 7);
    }

    void writeIntegersAndBooleans() {
        const QString fileName = file("einstellungen.ini");
        IniStore store(fileName);
        store.WriteInteger("Settings", "Width", -5);
        store.WriteBool("Settings", "DiagramLabels", true);
        store.WriteBool("Settings", "Other", false);
        QCOMPARE(readBytes(fileName), "[Settings]\r\nWidth=-5\r\nDiagramLabels=1\r\nOther=0\r\n");
    }

    // Line breaks in a name or value would split the entry and could forge a section header.
    void lineBreaksStayOnOneLine() {
        const QString fileName = file("umbruch.plx");
        IniStore store(fileName);
        store.WriteString("A", "k", "x\r\n[Settings]\r\nStandardFile=y");
        QCOMPARE(readBytes(fileName), "[A]\r\nk=x  [Settings]  StandardFile=y\r\n");
        QCOMPARE(IniStore(fileName).ReadSections(), QStringList{"A"});
    }

    // A subject name holding "]" is found again, so its entries stay in one section.
    void sectionNameWithBracket() {
        const QString fileName = file("klammer.plx");
        IniStore store(fileName);
        store.WriteString("Deutsch [LK]", "a", "1");
        store.WriteString("Deutsch [LK]", "b", "2");
        QCOMPARE(readBytes(fileName), "[Deutsch [LK]]\r\na=1\r\nb=2\r\n");
        QCOMPARE(IniStore(fileName).ReadSections(), QStringList{"Deutsch [LK]"});
        QCOMPARE(IniStore(fileName).ReadSection("Deutsch [LK]"), (QStringList{"a", "b"}));
    }

    // A write the file system refuses raises the store error and leaves the file as it was.
    // It runs in a child process that gives up root rights (root writes everywhere) and may
    // carry a file-size limit.
    void refusedWrite_data() {
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<int>("fileMode");
        QTest::addColumn<int>("sizeLimit");
        QTest::newRow("read-only file") << 0755 << 0444 << 0;
        QTest::newRow("read-only file, read-only folder") << 0555 << 0444 << 0;
        QTest::newRow("file-size limit") << 0755 << 0644 << 4096;
        // Written in place there: the limit shows before anything is overwritten.
        QTest::newRow("read-only folder, file-size limit") << 0555 << 0644 << 4096;
        QTest::newRow("unreadable file") << 0755 << 0200 << 0;
    }
    void refusedWrite() {
        QFETCH(int, folderMode);
        QFETCH(int, fileMode);
        QFETCH(int, sizeLimit);
        const bool root = geteuid() == 0;
        const QString folder = file(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(QDir().mkpath(folder));
        const QString fileName = folder + "/noten.plx";
        QByteArray before = mixedFile;
        before += QByteArray(2000, 'z') + "\r\n";
        QVERIFY(writeBytes(fileName, before));
        if (root) {
            QCOMPARE(chown(QFile::encodeName(folder).constData(), nobody, nobody), 0);
            QCOMPARE(chown(QFile::encodeName(fileName).constData(), nobody, nobody), 0);
        }
        QCOMPARE(chmod(QFile::encodeName(fileName).constData(), mode_t(fileMode)), 0);
        QCOMPARE(chmod(QFile::encodeName(folder).constData(), mode_t(folderMode)), 0);

        const pid_t child = fork();
        if (child == 0) {
            if (root && (setgid(nobody) != 0 || setuid(nobody) != 0))
                _exit(10);
            if (sizeLimit > 0) {
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{rlim_t(sizeLimit), rlim_t(sizeLimit)};
                if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
                    _exit(11);
            }
            try {
                IniStore store(fileName);
                const QString old = store.ReadString("Mathe", "5,2,12.03.2002", "");
                try {
                    store.WriteString("Mathe", "6,1,15.09.2002", QString(20000, u'w'));
                    _exit(1);
                } catch (const AppError& error) {
                    if (error.message() != refusedMessage(fileName))
                        _exit(2);
                }
                // The store still holds what the file holds.
                if (store.ValueExists("Mathe", "6,1,15.09.2002") ||
                    store.ReadString("Mathe", "5,2,12.03.2002", "") != old)
                    _exit(3);
                _exit(0);
            } catch (...) {
                _exit(4);
            }
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(chmod(QFile::encodeName(folder).constData(), 0755) == 0);
        QVERIFY(chmod(QFile::encodeName(fileName).constData(), 0644) == 0);
        QVERIFY2(WIFEXITED(status), "the child ended by a signal");
        QCOMPARE(WEXITSTATUS(status), 0);
        QCOMPARE(readBytes(fileName), before);
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"noten.plx"});
    }
};

QTEST_GUILESS_MAIN(TestIniStore)
#include "tst_inistore.moc"
