#include "archivefixtures.h"
#include "platform/apperror.h"
#include "platform/datetime.h"
#include "support/testfiles.h"
#include "update/archive.h"
#include "update/installation.h"
#include "update/signature.h"
#include "update/updateplatform.h"
#include "update/workfolder.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sodium.h>
#include <zip.h>

namespace {

// Sets the 32-bit field at offset in every local and central header of the archive.
void patchHeaders(QByteArray& zip, int localOffset, int centralOffset, quint32 value) {
    auto put = [&zip](qsizetype at, quint32 v) {
        for (int i = 0; i < 4; ++i)
            zip[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
    };
    for (qsizetype at = zip.indexOf("PK\x03\x04"); at >= 0; at = zip.indexOf("PK\x03\x04", at + 4))
        put(at + localOffset, value);
    for (qsizetype at = zip.indexOf("PK\x01\x02"); at >= 0; at = zip.indexOf("PK\x01\x02", at + 4))
        put(at + centralOffset, value);
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(data), data.size());
}

} // namespace

class TestUpdateArchive : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(sodium_init() >= 0); }

    void entryNames() {
        QCOMPARE(ArchiveEntryFileName("a.txt"), QString("a.txt"));
        QCOMPARE(ArchiveEntryFileName("sub/dir/a.txt"), QString("a.txt"));
        QCOMPARE(ArchiveEntryFileName("sub\\a.txt"), QString("a.txt"));
        QCOMPARE(ArchiveEntryFileName("../x"), QString("x"));
        QCOMPARE(ArchiveEntryFileName("/etc/x"), QString("x"));
        QCOMPARE(ArchiveEntryFileName("sub/"), QString());
        QCOMPARE(ArchiveEntryFileName(""), std::nullopt);
        QCOMPARE(ArchiveEntryFileName(".."), std::nullopt);
        QCOMPARE(ArchiveEntryFileName("a/."), std::nullopt);
        QCOMPARE(ArchiveEntryFileName("a/b\nc"), std::nullopt);
        QCOMPARE(ArchiveEntryFileName("a\x7f"), std::nullopt);
    }

    void extractsUnderBaseNamesOnly() {
        QTemporaryDir root;
        const QString folder = root.filePath("tmp");
        QDir().mkpath(folder);
        writeFile(folder + "/alt.txt", "alt");
        const QByteArray zip = makeZip({{"sub/", ""},
                                        {"sub/neu.txt", "neu", true},
                                        {"../ausbruch", "x"},
                                        {"/etc/passwd-test", "y"},
                                        {"alt.txt", "ersetzt"}});
        QVERIFY(!zip.isEmpty());
        QCOMPARE(ExtractArchiveData(zip, folder),
                 (QStringList{"neu.txt", "ausbruch", "passwd-test", "alt.txt"}));
        QCOMPARE(filesIn(folder), (QStringList{"alt.txt", "ausbruch", "neu.txt", "passwd-test"}));
        QCOMPARE(readBytes(folder + "/neu.txt"), QByteArray("neu"));
        QCOMPARE(readBytes(folder + "/alt.txt"), QByteArray("ersetzt"));
        QCOMPARE(filesIn(root.path()), QStringList{"tmp"});

        // The same from a file.
        writeFile(root.filePath("a.zip"), zip);
        QTemporaryDir other;
        QCOMPARE(ExtractArchive(root.filePath("a.zip"), other.path()).size(), 4);
    }

    void refusedNamesWriteNothing() {
        for (const QByteArray& name : {QByteArray(".."), QByteArray("sub/.."),
                                       QByteArray("a\x01"
                                                  "b"),
                                       QByteArray("x/\x1b[2J")}) {
            QTemporaryDir folder;
            // Stored under a stand-in of the same length, then renamed in the headers, since
            // libzip will not store control characters itself.
            const QByteArray standIn = QByteArray(name).replace('\x01', '_').replace('\x1b', '_');
            QByteArray zip = makeZip({{"gut.txt", "1"}, {standIn, "2"}});
            zip.replace(standIn, name);
            QVERIFY2(zip.contains(name), name.constData());
            QVERIFY_THROWS_EXCEPTION(AppError, ExtractArchiveData(zip, folder.path()));
            QCOMPARE(filesIn(folder.path()), QStringList{});
        }
    }

    void badChecksumLeavesNoFile() {
        QByteArray zip = makeZip({{"a.txt", "Inhalt, der beschädigt wird"}});
        const qsizetype at = zip.indexOf("Inhalt");
        QVERIFY(at > 0);
        zip[at] = 'X';
        QTemporaryDir folder;
        try {
            ExtractArchiveData(zip, folder.path());
            QFAIL("no error");
        } catch (const AppError& error) {
            QVERIFY2(error.message().contains("Prüfsummenfehler"), qPrintable(error.message()));
        }
        QCOMPARE(filesIn(folder.path()), QStringList{});

        // An entry whose stated sizes were cut to 0 while its checksum is that of its contents:
        // nothing is read, so only the checksum tells that the empty file is wrong.
        QByteArray cut = makeZip({{"zensoria", "#!/bin/sh\necho neu\n"}});
        patchHeaders(cut, 18, 20, 0);
        patchHeaders(cut, 22, 24, 0);
        try {
            ExtractArchiveData(cut, folder.path());
            QFAIL("no error");
        } catch (const AppError& error) {
            QVERIFY2(error.message().contains("Prüfsummenfehler"), qPrintable(error.message()));
        }
        QCOMPARE(filesIn(folder.path()), QStringList{});
        // A truly empty entry is fine.
        QCOMPARE(ExtractArchiveData(makeZip({{"leer", ""}}), folder.path()), QStringList{"leer"});
        QCOMPARE(QFileInfo(folder.filePath("leer")).size(), 0);
    }

    void sizeLiesAreRefused() {
        const QByteArray data(100000, 'z');
        // An entry that unpacks to more than it says.
        QByteArray small = makeZip({{"a.bin", data, true}});
        patchHeaders(small, 22, 24, 1000);
        QTemporaryDir folder;
        QVERIFY_THROWS_EXCEPTION(AppError, ExtractArchiveData(small, folder.path()));
        QCOMPARE(filesIn(folder.path()), QStringList{});
        // An entry that says it is huge.
        QByteArray huge = makeZip({{"a.bin", data, true}});
        patchHeaders(huge, 22, 24, 0xfffffff0u);
        QVERIFY_THROWS_EXCEPTION(AppError, ExtractArchiveData(huge, folder.path()));
        QCOMPARE(filesIn(folder.path()), QStringList{});
        // All entries together above the cap.
        const QByteArray two = makeZip({{"a", data, true}, {"b", data, true}});
        try {
            ExtractArchiveData(two, folder.path(), ArchiveLimits{150000});
            QFAIL("no error");
        } catch (const AppError& error) {
            QCOMPARE(error.message(), QStringLiteral("Das Update-Archiv ist zu groß."));
        }
        QCOMPARE(filesIn(folder.path()), QStringList{});
        QCOMPARE(ExtractArchiveData(two, folder.path(), ArchiveLimits{200000}).size(), 2);
    }

    void notAnArchive() {
        QTemporaryDir folder;
        // The library's reason in German.
        try {
            ExtractArchiveData("<html>404</html>", folder.path());
            QFAIL("no error");
        } catch (const AppError& error) {
            QCOMPARE(error.message(),
                     "Das Update-Archiv ist beschädigt oder ungültig: keine ZIP-Datei");
        }
        QVERIFY_THROWS_EXCEPTION(AppError, ExtractArchiveData("", folder.path()));
        QVERIFY_THROWS_EXCEPTION(AppError,
                                 ExtractArchive(folder.filePath("fehlt.zip"), folder.path()));
    }

    void signatures() {
        const KeyPair keys;
        const KeyPair stranger;
        const QByteArray data = makeZip({{"a", "b"}});
        const QByteArray signature = keys.sign(data);
        QVERIFY(VerifySignature(data, signature, keys.publicKey));
        QVERIFY(!VerifySignature(data, signature, stranger.publicKey));
        QVERIFY(!VerifySignature(data, stranger.sign(data), keys.publicKey));
        QByteArray changed = data;
        changed[changed.size() / 2] = static_cast<char>(changed[changed.size() / 2] ^ 1);
        QVERIFY(!VerifySignature(changed, signature, keys.publicKey));
        QVERIFY(!VerifySignature(data, signature.left(63), keys.publicKey));
        QVERIFY(!VerifySignature(data, signature + "\n", keys.publicKey));
        QVERIFY(!VerifySignature(data, signature, QByteArray()));
        QVERIFY(!VerifySignature(data, QByteArray(), keys.publicKey));

        QCOMPARE(UpdatePlatform::publicKeyFromHex(QString::fromLatin1(keys.publicKey.toHex())),
                 keys.publicKey);
        QCOMPARE(UpdatePlatform::publicKeyFromHex("abc"), std::nullopt);
        QCOMPARE(UpdatePlatform::publicKeyFromHex(QString(64, 'g')), std::nullopt);
    }

    // The release script's signature is what the program checks.
    void releaseScriptSignsForTheProgram() {
        if (QStandardPaths::findExecutable("openssl").isEmpty())
            QSKIP("openssl is not installed");
        QTemporaryDir dir;
        const QString script = QStringLiteral(ZENSORIA_SOURCE_DIR "/scripts/sign-update.sh");
        const QString key = dir.filePath("geheim.pem");
        QProcess make;
        make.start(script, {"--new-key", key});
        QVERIFY(make.waitForFinished(20000));
        QCOMPARE(make.exitCode(), 0);
        const QString publicHex = QString::fromLatin1(make.readAllStandardOutput()).trimmed();
        const std::optional<QByteArray> publicKey = UpdatePlatform::publicKeyFromHex(publicHex);
        QVERIFY2(publicKey, qPrintable(publicHex));

        const QString archive = dir.filePath("Pultex-2.zip");
        writeFile(archive, makeZip({{"Update.bat", " true"}}));
        QProcess sign;
        sign.start(script, {key, archive, "09.08.2003"});
        QVERIFY(sign.waitForFinished(20000));
        QCOMPARE(sign.exitCode(), 0);
        QCOMPARE(QString::fromLatin1(sign.readAllStandardOutput()).trimmed(), publicHex);
        const UpdateRelease release = TestRelease("Pultex-2.zip");
        QVERIFY(VerifyArchiveSignature(archive, archive + ".sig", release, *publicKey));
        QVERIFY(!VerifyArchiveSignature(archive, archive + ".sig", release, KeyPair().publicKey));
        QVERIFY(!VerifyArchiveSignature(archive, archive + ".fehlt", release, *publicKey));
        // The signature holds for this release only.
        QVERIFY(!VerifyArchiveSignature(archive, archive + ".sig",
                                        TestRelease("Pultex-2.zip", "10.08.2003"), *publicKey));
        QVERIFY(!VerifyArchiveSignature(archive, archive + ".sig", TestRelease(), *publicKey));
    }

    // Preparation and the script's run: the script replaces the program's file in a scratch
    // program folder from the unpacked copy, starts the program again, and deletes itself.
    void preparedScriptReplacesAndRestarts() {
        QTemporaryDir root;
        const QString program = root.filePath("Programm Ä") + "/";
        const QString temp = root.filePath("tmp") + "/";
        QDir().mkpath(program);
        QDir().mkpath(temp);
        writeFile(program + "zensoria", "#!/bin/sh\necho alt\n");
        writeFile(program + "bleibt.txt", "bleibt");
        const QByteArray newProgram = "#!/bin/sh\necho neu > \"$(dirname \"$0\")/neu-gestartet\"\n";
        const QByteArray templateText =
            ":zensoria\r\n"
            "rm -f \"%szensoria\"\r\n"
            "test -e \"%szensoria\" && exit 1\r\n"
            "cp \"%szensoria\" \"%szensoria\" && chmod +x \"%szensoria\"\r\n"
            " rm -f \"%szensoria\"\r\n";
        // Four placeholders in a command line of a group: refused.
        const QByteArray brokenZip = makeZip({{"Update.bat", templateText}});
        const KeyPair keys;
        writeFile(temp + "Pultex.zip", brokenZip);
        writeFile(temp + "Pultex.zip.sig", keys.signRelease(brokenZip, TestRelease()));
        InstallationRequest request{temp + "Pultex.zip",
                                    temp + "Pultex.zip.sig",
                                    keys.publicKey,
                                    {program, temp, program + "zensoria"},
                                    true,
                                    TestRelease()};
        QVERIFY_THROWS_EXCEPTION(AppError, PrepareInstallation(request));

        const QByteArray fixed = QByteArray(templateText)
                                     .replace(" && chmod +x \"%szensoria\"", "")
                                     .replace(" rm -f", ":rechte\r\nchmod +x \"%szensoria\"\r\n"
                                                        "true\r\ntrue\r\n rm -f");
        const QByteArray zip = makeZip({{"Update.bat", fixed}, {"neu/zensoria", newProgram, true}});
        writeFile(temp + "Pultex.zip", zip);
        writeFile(temp + "Pultex.zip.sig", keys.signRelease(zip, TestRelease()));
        const QString script = PrepareInstallation(request);
        QCOMPARE(script, temp + "Update.bat");
        QVERIFY(!QFile::exists(temp + "Pultex.zip"));
        QVERIFY(!QFile::exists(temp + "Pultex.zip.sig"));
        const QByteArray scriptText = readBytes(script);
        QVERIFY2(scriptText.endsWith(
                     ("'" + program + "zensoria' &\nrm -rf -- '" + temp + "'\n").toUtf8()),
                 scriptText.constData());

        QVERIFY(UpdatePlatform::startScriptDetached(script));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(program + "neu-gestartet"), 10000);
        QCOMPARE(readBytes(program + "zensoria"), newProgram);
        QCOMPARE(readBytes(program + "bleibt.txt"), QByteArray("bleibt"));
        // The script removes the working folder with itself.
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(temp), 10000);
    }

    // Someone has put a link, a pipe or a file of their own at a name the installation writes:
    // it is replaced, never followed or opened, and the installation goes on.
    void plantedNamesAreReplaced_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        for (const QString& name : {QStringLiteral("zensoria"), QStringLiteral("Update.bat")})
            for (const QString& kind : PlantKinds())
                QTest::newRow(qPrintable(name + " " + kind)) << name << kind;
    }
    void plantedNamesAreReplaced() {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QTemporaryDir root;
        const QString temp = root.filePath("run") + "/";
        QDir().mkpath(temp);
        const QString victim = root.filePath("opfer");
        writeFile(victim, "unberührt");
        QVERIFY(PlantAt(temp + name, kind, victim));
        const KeyPair keys;
        const QByteArray zip = makeZip({{"Update.bat", " true %s"}, {"zensoria", "neu"}});
        writeFile(temp + "Pultex.zip", zip);
        writeFile(temp + "Pultex.zip.sig", keys.signRelease(zip, TestRelease()));
        const QString script = PrepareInstallation({temp + "Pultex.zip",
                                                    temp + "Pultex.zip.sig",
                                                    keys.publicKey,
                                                    {root.path() + "/", temp, victim},
                                                    false,
                                                    TestRelease()});
        QCOMPARE(readBytes(victim), QByteArray("unberührt"));
        QVERIFY(QFileInfo(temp + name).isFile() && !QFileInfo(temp + name).isSymLink());
        QCOMPARE(readBytes(temp + "zensoria"), QByteArray("neu"));
        QVERIFY(readBytes(script).startsWith(" true '" + temp.toUtf8()));
        // A pipe in place of the archive or its signature is never opened either.
        QVERIFY(PlantAt(temp + "Pultex.zip", "fifo", victim));
        QVERIFY_THROWS_EXCEPTION(AppError, PrepareInstallation({temp + "Pultex.zip",
                                                                temp + "Pultex.zip.sig",
                                                                keys.publicKey,
                                                                {temp, temp, victim},
                                                                false,
                                                                TestRelease()}));
    }

    // Each run has a private folder of its own; what a killed run left is removed by the next.
    void workFolders() {
        QTemporaryDir root;
        const QString base = root.filePath("basis");
        QDir().mkpath(base + "/" + UpdateWorkFolder::NamePrefix + "getötet/x");
        QDir().mkpath(base + "/anderes");
        QString kept;
        {
            UpdateWorkFolder first(base);
            UpdateWorkFolder second(base);
            QVERIFY(first.path() != second.path());
            QCOMPARE(QFileInfo(first.path()).permissions() & 0x0077, QFileDevice::Permissions());
            QCOMPARE(QFileInfo(base).permissions() & 0x0077, QFileDevice::Permissions());
            // A living run's folder is no stale one.
            UpdateWorkFolder::removeStale(base);
            QVERIFY(QFileInfo::exists(first.path()));
            const QString temp = first.newTempFile();
            QVERIFY(QFileInfo(temp).fileName().startsWith('$'));
            QCOMPARE(QFileInfo(temp).size(), 0);
            second.keep();
            kept = second.path();
        }
        QCOMPARE(filesIn(base), (QStringList{"anderes", QFileInfo(kept).dir().dirName()}));
        UpdateWorkFolder::removeStale(base);
        QCOMPARE(filesIn(base), QStringList{"anderes"});
        // A link in place of the base is refused.
        QVERIFY(QFile::link(root.filePath("anderswo"), root.filePath("verweis")));
        QVERIFY_THROWS_EXCEPTION(AppError, UpdateWorkFolder(root.filePath("verweis")));
    }

    void unsignedArchiveIsDeletedAndNothingPrepared() {
        QTemporaryDir root;
        const QString temp = root.path() + "/";
        const KeyPair keys;
        const QByteArray zip = makeZip({{"Update.bat", " touch /tmp/nie"}});
        const InstallationRequest request{temp + "Pultex.zip",
                                          temp + "Pultex.zip.sig",
                                          keys.publicKey,
                                          {temp, temp, temp + "zensoria"},
                                          true,
                                          TestRelease()};
        // Missing signature, a stranger's signature, and a build without a key.
        for (int round = 0; round < 3; ++round) {
            writeFile(temp + "Pultex.zip", zip);
            if (round == 1)
                writeFile(temp + "Pultex.zip.sig", KeyPair().signRelease(zip, TestRelease()));
            if (round == 2)
                writeFile(temp + "Pultex.zip.sig", keys.signRelease(zip, TestRelease()));
            InstallationRequest attempt = request;
            if (round == 2)
                attempt.publicKey.clear();
            try {
                PrepareInstallation(attempt);
                QFAIL("no error");
            } catch (const AppError& error) {
                QCOMPARE(error.message(), UnsignedArchiveText);
            }
            QCOMPARE(filesIn(temp), QStringList{});
        }
        // A signed release not newer than the installed program is refused as well.
        writeFile(temp + "Pultex.zip", zip);
        writeFile(temp + "Pultex.zip.sig", keys.signRelease(zip, TestRelease()));
        InstallationRequest installed = request;
        installed.versionDate = daysSince1899(QDate(2003, 8, 10).startOfDay());
        try {
            PrepareInstallation(installed);
            QFAIL("no error");
        } catch (const AppError& error) {
            QCOMPARE(error.message(), OutdatedArchiveText);
        }
        QCOMPARE(filesIn(temp), QStringList{});
        // Missing archive; archive without a template, leaving no script of an earlier run.
        QVERIFY_THROWS_EXCEPTION(AppError, PrepareInstallation(request));
        writeFile(temp + "Update.bat", "alt\n");
        const QByteArray noTemplate = makeZip({{"zensoria", "x"}});
        writeFile(temp + "Pultex.zip", noTemplate);
        writeFile(temp + "Pultex.zip.sig", keys.signRelease(noTemplate, TestRelease()));
        QVERIFY_THROWS_EXCEPTION(AppError, PrepareInstallation(request));
        QVERIFY(!QFile::exists(temp + "Update.bat"));
    }
};

QTEST_GUILESS_MAIN(TestUpdateArchive)
#include "tst_updatearchive.moc"
