#include "platform/apperror.h"
#include "platform/datetime.h"
#include "platform/localeformats.h"
#include "update/downloadprogress.h"
#include "update/reminder.h"
#include "update/updatecheck.h"
#include "update/updatescript.h"
#include "update/updatesini.h"

#include <QtTest>

namespace {

double day(int y, int m, int d, int hour = 0, int minute = 0) {
    return daysSince1899(QDateTime(QDate(y, m, d), QTime(hour, minute)));
}

const LocaleFormats& german() {
    static const LocaleFormats formats(QLocale(QLocale::German, QLocale::Germany));
    return formats;
}

const ScriptFolders folders{QStringLiteral("/opt/Zensoria/"), QStringLiteral("/run/z/"),
                            QStringLiteral("/opt/Zensoria/zensoria")};

} // namespace

class TestUpdateLogic : public QObject {
    Q_OBJECT

private slots:
    void byteSizes_data() {
        QTest::addColumn<double>("count");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing") << 0.0 << "0 Byte";
        QTest::newRow("just below a KB") << 1023.0 << "1023 Byte";
        QTest::newRow("one and a half KB") << 1536.0 << "1,5 KB";
        QTest::newRow("one MB") << 1048576.0 << "1 MB";
        QTest::newRow("2 KB") << 2048.0 << "2 KB";
        QTest::newRow("a third of a GB") << 1024.0 * 1024 * 1024 / 3 << "341,3 MB";
        QTest::newRow("one TB") << std::pow(1024.0, 4) << "1 TB";
        // Beyond TB the count stays in TB.
        QTest::newRow("1024 TB") << std::pow(1024.0, 5) << "1024 TB";
        QTest::newRow("a million TB") << std::pow(1024.0, 4) * 1000000 << "1000000 TB";
    }
    void byteSizes() {
        QFETCH(double, count);
        QFETCH(QString, text);
        QCOMPARE(FormatByteSize(count, u','), text);
    }

    void byteSizeUsesTheGivenSeparator() { QCOMPARE(FormatByteSize(1536, u'.'), "1.5 KB"); }

    void progressOfAQuarterAfterTenSeconds() {
        const DownloadProgress progress{2048, 512, 10};
        QCOMPARE(progress.secondsLeft(), 30.0);
        QCOMPARE(progress.perCentText(), "25 %");
        QCOMPARE(progress.statusText(u','), "512 Byte von 2 KB gedownloadet");
        QCOMPARE(progress.timeLeftText(german()), "verbleibende Zeit: 00:00:30");
    }

    void progressWithoutKnownTotalOrBytes() {
        // Unknown total: always "100 %", and the sizes end in "von 0 Byte".
        const DownloadProgress unknown{0, 4096, 3};
        QCOMPARE(unknown.perCentText(), "100 %");
        QCOMPARE(unknown.statusText(u','), "4 KB von 0 Byte gedownloadet");
        // Before any byte has arrived there is no estimate.
        const DownloadProgress nothingYet{2048, 0, 5};
        QCOMPARE(nothingYet.secondsLeft(), 0.0);
        QCOMPARE(nothingYet.perCentText(), "0 %");
        QCOMPARE(nothingYet.timeLeftText(german()), "verbleibende Zeit: 00:00:00");
        // A crawl that would take more than a day shows the longest time of day.
        const DownloadProgress crawl{1 << 30, 1, 1};
        QCOMPARE(crawl.timeLeftText(german()), "verbleibende Zeit: 23:59:59");
    }

    void compareDays() {
        QCOMPARE(CompareDays(day(2003, 8, 8), day(2003, 8, 8, 14, 8)), 0);
        QCOMPARE(CompareDays(day(2003, 8, 9), day(2003, 8, 8, 14, 8)), 1);
        QCOMPARE(CompareDays(day(2003, 8, 7, 23, 59), day(2003, 8, 8)), -1);
        // Fractions are cut towards zero, also before 1899-12-30.
        QCOMPARE(CompareDays(-0.5, 0.25), 0);
        QCOMPARE(CompareDays(-1.5, -0.5), -1);
    }

    void joinNewsLines() {
        QCOMPARE(JoinNewsLines({}), QString());
        QCOMPARE(JoinNewsLines({"a", "b c"}), "- a\r\n- b c\r\n");
    }

    void updatesIniReading() {
        const UpdatesIni ini = UpdatesIni::parse(
            "; Kommentar\r\n[Andere]\r\nDate=01.01.2030\r\n[ zensoria ]\r\n  Date = 09.08.2003 "
            "\r\nFile=Pultex-2.zip\nDate=10.10.2010\r\nNews=\"08.08.2003: a\",\"09.08.2003: b\"\r\n"
            "[Leer]\r\n[Kaputt\r\nkein Eintrag\r\n");
        QVERIFY(ini.hasSection("Zensoria"));
        QVERIFY(ini.hasSection("ANDERE"));
        QVERIFY(!ini.hasSection("Leer"));
        QVERIFY(!ini.hasSection("Fehlt"));
        // The first key of a name wins; blanks around names and values go.
        QCOMPARE(ini.value("Zensoria", "date", "x"), "09.08.2003");
        QCOMPARE(ini.value("Zensoria", "File", "x"), "Pultex-2.zip");
        QCOMPARE(ini.value("Zensoria", "Fehlt", "x"), "x");
        // The quotes of the comma list stay for the list rules.
        QCOMPARE(ini.value("Zensoria", "News", ""), "\"08.08.2003: a\",\"09.08.2003: b\"");
        // A header's name ends at its last bracket; Windows-1252 bytes are read as such.
        const UpdatesIni other = UpdatesIni::parse("[Fach [LK]]\r\nNews=\xc4nderung\r\n");
        QCOMPARE(other.value("Fach [LK]", "News", ""), QStringLiteral("Änderung"));
    }

    // The check's values from the server's file, with their defaults.
    void checkValues() {
        const QDate today(2024, 5, 10);
        const UpdatesIni empty;
        QVERIFY(!HasUpdateSection(empty, "Zensoria"));
        QCOMPARE(ReadNews(empty, "Zensoria"), "\"keine Angaben gefunden\"");
        QCOMPARE(ReadUpdateDate(empty, "Zensoria", today, german()), day(2024, 5, 10));
        QCOMPARE(ReadUpdateFile(empty, "Zensoria"), QString());

        const UpdatesIni dated = UpdatesIni::parse("[Zensoria]\nDate=9.8.2003\nFile=a.zip\n");
        QCOMPARE(ReadUpdateDate(dated, "Zensoria", today, german()), day(2003, 8, 9));
        QCOMPARE(ReadUpdateFile(dated, "Zensoria"), "a.zip");
        const UpdatesIni notADate = UpdatesIni::parse("[Zensoria]\nDate=bald\n");
        QCOMPARE(ReadUpdateDate(notADate, "Zensoria", today, german()), day(2024, 5, 10));
        // A server's error page is no INI file with the program's section.
        const UpdatesIni errorPage = UpdatesIni::parse(
            "<html><head><title>404 Not Found</title></head>\n<body>[Zensoria] fehlt</body>");
        QVERIFY(!HasUpdateSection(errorPage, "Zensoria"));
    }

    void newsSinceTheInstalledVersion() {
        const double version = day(2003, 8, 8, 14, 8);
        const QString news = "\"07.08.2003: vorher\",\"08.08.2003: am selben Tag\","
                             "\"09.08.2003: danach\",\"ohne Datum\",\"Hinweis: kein Datum\"";
        QCOMPARE(NewsSince(news, version, german()),
                 (QStringList{"08.08.2003: am selben Tag", "09.08.2003: danach", "ohne Datum",
                              "Hinweis: kein Datum"}));
        // The default of a missing "News" loses its quotes.
        QCOMPARE(UpdateAvailableText("\"keine Angaben gefunden\"", version, german()),
                 "Es stehen neue Updates zum Download bereit.\r\n\r\nDie Updates beheben "
                 "folgende Probleme bzw. stellen folgende neue Funktionen zur Verfügung:\r\n"
                 "- keine Angaben gefunden\r\n\r\n\r\nKlicken Sie auf \"Weiter\", um die Updates "
                 "jetzt herunterzuladen.");
        // All items older: nothing between the two paragraphs.
        QCOMPARE(UpdateAvailableText("\"01.01.2000: alt\"", version, german()),
                 QString(WizardTexts[7]).replace("%s", ""));
    }

    void reminderInterval() {
        QCOMPARE(ReminderInterval(std::nullopt), 7);
        QCOMPARE(ReminderInterval(0), 7);
        QCOMPARE(ReminderInterval(-3), 7);
        QCOMPARE(ReminderInterval(1), 1);
        QCOMPARE(ReminderInterval(365), 365);
    }

    // Wizard closed on a Monday with interval 7: the limit is the following Sunday, the
    // next reminder comes at the first start on or after the following Monday.
    void reminderWeekCycle() {
        const QDate monday(2024, 5, 6);
        QCOMPARE(monday.dayOfWeek(), 1);
        const double limit = NextReminderLimit(monday, ReminderInterval(7));
        QCOMPARE(dateTimeFromDays(limit).date(), QDate(2024, 5, 12));
        ReminderState state;
        state.storedLimit = limit;
        for (QDate d = monday; d <= QDate(2024, 5, 12); d = d.addDays(1))
            QVERIFY2(!WizardDue(state, d), qPrintable(d.toString()));
        QVERIFY(WizardDue(state, QDate(2024, 5, 13)));
        QVERIFY(WizardDue(state, QDate(2024, 6, 1)));
        // An interval of 0 written by another tool counts as 7.
        QCOMPARE(NextReminderLimit(monday, ReminderInterval(0)), limit);
    }

    void reminderSwitches() {
        const QDate today(2024, 5, 10);
        ReminderState firstStart;
        QVERIFY(WizardDue(firstStart, today));
        ReminderState off;
        off.noUpdate = true;
        QVERIFY(!WizardDue(off, today));
        off.manual = true;
        QVERIFY(WizardDue(off, today));
        // Update-only mode shows the wizard despite "NoUpdate" and a limit in the future.
        ReminderState onlyUpdate;
        onlyUpdate.noUpdate = true;
        onlyUpdate.onlyUpdate = true;
        onlyUpdate.storedLimit = day(2030, 1, 1);
        QVERIFY(WizardDue(onlyUpdate, today));
        ReminderState todayIsTheLimit;
        todayIsTheLimit.storedLimit = day(2024, 5, 10);
        QVERIFY(!WizardDue(todayIsTheLimit, today));
    }

    void scriptLineFormatting() {
        QCOMPARE(FormatScriptLine("cp %sa %sb", {"/t/", "/p/"}), "cp '/t/'a '/p/'b");
        QCOMPARE(FormatScriptLine("echo 100%% fertig", {"/t/"}), "echo 100% fertig");
        QCOMPARE(FormatScriptLine("echo nichts", {"/t/", "/p/"}), "echo nichts");
        QVERIFY_THROWS_EXCEPTION(AppError, FormatScriptLine("cp %s %s %s", {"/t/", "/p/"}));
        QVERIFY_THROWS_EXCEPTION(AppError, FormatScriptLine("rm %d", {"/t/"}));
        QVERIFY_THROWS_EXCEPTION(AppError, FormatScriptLine("rm 5%", {"/t/"}));
        try {
            FormatScriptLine("rm %s%s", {"/p/"});
            QFAIL("no error");
        } catch (const AppError& error) {
            QCOMPARE(error.message(),
                     "Format 'rm %s%s' ungültig oder nicht kompatibel mit Argument");
        }
    }

    void fourLineTemplate() {
        const QStringList lines =
            FillUpdateScript({":datei1 100%", "rm -f %szensoria", "test -e %szensoria && exit 1",
                              "cp %szensoria %szensoria"},
                             folders, true);
        QCOMPARE(lines, (QStringList{":datei1 100%", "rm -f '/opt/Zensoria/'zensoria",
                                     "test -e '/opt/Zensoria/'zensoria && exit 1",
                                     "cp '/run/z/'zensoria '/opt/Zensoria/'zensoria",
                                     "'/opt/Zensoria/zensoria' &", "rm -rf -- '/run/z/'"}));
        QCOMPARE(FillUpdateScript({"#", "a", "b", "c"}, folders, false).size(), 5);
    }

    void templateWithTail() {
        // A first line beginning with a blank: every line is a tail line with the temporary
        // folder.
        QCOMPARE(FillUpdateScript({" rm -f %sa", "rm -f %sb", "echo %%"}, folders, false),
                 (QStringList{" rm -f '/run/z/'a", "rm -f '/run/z/'b", "echo %",
                              "rm -rf -- '/run/z/'"}));
        // One group, then a tail.
        QCOMPARE(FillUpdateScript({"# 1", "x %s", "y", "z %s %s", " t %s"}, folders, false),
                 (QStringList{"# 1", "x '/opt/Zensoria/'", "y", "z '/run/z/' '/opt/Zensoria/'",
                              " t '/run/z/'", "rm -rf -- '/run/z/'"}));
    }

    void brokenTemplates() {
        QVERIFY_THROWS_EXCEPTION(AppError, FillUpdateScript({}, folders, true));
        // An empty header line.
        QVERIFY_THROWS_EXCEPTION(
            AppError, FillUpdateScript({"# 1", "a", "b", "c", "", "a", "b", "c"}, folders, true));
        // An incomplete last group without a tail.
        QVERIFY_THROWS_EXCEPTION(
            AppError, FillUpdateScript({"# 1", "a", "b", "c", "# 2", "a"}, folders, true));
        // Too many placeholders in a command line of a group and of the tail.
        QVERIFY_THROWS_EXCEPTION(AppError,
                                 FillUpdateScript({"#", "%s%s", "b", "c"}, folders, true));
        QVERIFY_THROWS_EXCEPTION(AppError, FillUpdateScript({" %s %s"}, folders, true));
    }

    // A folder goes into the script as that one folder, whatever characters its name has and
    // wherever the template puts it: the shell runs the line with exactly these words.
    void scriptQuotesFolders_data() {
        QTest::addColumn<QString>("folder");
        QTest::newRow("command") << "/home/a/Zensoria $(cd;touch X) neu/";
        QTest::newRow("backticks") << "/home/a/`touch X`/";
        QTest::newRow("double quote") << "/home/a/Pro\"gramm/";
        QTest::newRow("single quote") << "/home/a/O'Neil's/";
        QTest::newRow("backslash") << "/home/a/Pro\\gramm\\/";
        QTest::newRow("blanks") << "/home/a/  Programm  mit Leer /";
        QTest::newRow("newline") << "/home/a/Zeile\nZeile; touch X/";
        QTest::newRow("umlauts") << QStringLiteral("/home/Jürgen/Programme ÄÖÜß/");
        QTest::newRow("everything") << "/h/$x ${y} \"'`\\*?[a] ~ & | ; < > #/";
    }
    void scriptQuotesFolders() {
        QFETCH(QString, folder);
        const ScriptFolders special{folder, folder + "tmp '$/", folder + "zensoria"};
        // Outside quotes, inside "…" and inside '…'.
        const QStringList templateLines{"# 1", "printf '%%s\\n' %sa", "printf '%%s\\n' \"%sb\"",
                                        "printf '%%s\\n' '%s'c", " printf '%%s\\n' \"x\"%s"};
        QStringList lines = FillUpdateScript(templateLines, special, false);
        lines.removeLast(); // the folder's removal
        // An injected command would leave X in the shell's folder or its home.
        QTemporaryDir home;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home.path());
        QProcess shell;
        shell.setProcessEnvironment(environment);
        shell.setWorkingDirectory(home.path());
        shell.start("/bin/sh", {"-c", lines.join('\n')});
        QVERIFY(shell.waitForFinished());
        QCOMPARE(shell.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(shell.readAllStandardOutput()),
                 folder + "a\n" + folder + "b\n" + special.tempDir + "c\n" + "x" + special.tempDir +
                     "\n");
        QCOMPARE(QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), {});
        // The lines the program adds quote the folders the same way.
        const QStringList added = FillUpdateScript({" :"}, special, true);
        QCOMPARE(added.at(1), ShellQuoted(special.programFile) + " &");
        QCOMPARE(added.at(2), "rm -rf -- " + ShellQuoted(special.tempDir));
        shell.start("/bin/sh", {"-c", "printf '%s' " + ShellQuoted(special.programFile)});
        QVERIFY(shell.waitForFinished());
        QCOMPARE(QString::fromUtf8(shell.readAllStandardOutput()), special.programFile);
    }

    // Where no quoting could hold, the template is refused.
    void placeholdersThatCannotBeQuoted() {
        QVERIFY_THROWS_EXCEPTION(AppError, FormatScriptLine("cp \\%s x", {"/t/"}));
        QVERIFY_THROWS_EXCEPTION(AppError, FormatScriptLine("echo $(ls %s)", {"/t/"}));
        QVERIFY_THROWS_EXCEPTION(AppError, FormatScriptLine("echo \"`ls %s`\"", {"/t/"}));
        // After a command substitution has ended, quoting holds again.
        QCOMPARE(FormatScriptLine("a=$(echo \")\"); rm %s", {"/t/"}), "a=$(echo \")\"); rm '/t/'");
        QCOMPARE(FormatScriptLine("echo \\\"%s", {"/t/"}), "echo \\\"'/t/'");
    }

    void templateFileLines() {
        QCOMPARE(TemplateLines("a\r\nb\n\nc\r\n"), (QStringList{"a", "b", "", "c"}));
        QCOMPARE(TemplateLines("a"), QStringList{"a"});
        QCOMPARE(TemplateLines(""), QStringList{});
        QCOMPARE(TemplateLines("\xfc"), QStringList{QStringLiteral("ü")});
        QCOMPARE(ScriptBytes({"a", "b"}), QByteArray("a\nb\n"));
    }
};

QTEST_GUILESS_MAIN(TestUpdateLogic)
#include "tst_updatelogic.moc"
