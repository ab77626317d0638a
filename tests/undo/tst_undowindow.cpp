#include "gradedata/inistore.h"
#include "gradedata/subjectname.h"
#include "gradedata/testform.h"
#include "mainwindow/classtestform.h"
#include "mainwindow/tabcontrol.h"
#include "mainwindow/tform1.h"
#include "support/classtests.h"
#include "support/mainwindowfixture.h"
#include "support/testfiles.h"
#include "undo/edithistory.h"

#include <QLineEdit>
#include <QListView>
#include <QStatusBar>
#include <QTest>

namespace {

const QByteArray Example = "[Mathe]\r\n"
                           "7,1,21.09.2023=\"3,2,5,9,7,3,1,3,Bruchrechnung\"\r\n"
                           "7,2,09.11.2023=\"2,4,6,8,6,2,1,2,\"\r\n";

QStringList texts(const QListView* list) {
    QStringList result;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        result.append(list->model()->index(row, 0).data().toString());
    return result;
}

QStringList tabs(const TForm1& form) {
    const auto* tabs = control<TabControl>(form, "Subjects");
    QStringList result;
    for (int i = 0; i < tabs->count() - 1; ++i)
        result.append(tabs->tabText(i));
    return result;
}

} // namespace

// Strg+Z and Strg+Y in the main window after each kind of change, as a user makes them.
class TestUndoWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<MainWindowFixture> fixture_;

    QString statusText(TForm1& form) { return form.statusBar()->currentMessage(); }

    // Stores test in the subject shown, through the entry form and "Neu".
    void store(TForm1& form, const ClassTest& test) {
        control<ClassTestForm>(form, "ClassTestForm")->show(testFormFromTest(test));
        clickButton(form, "New");
    }

    // The key pressed where the focus is, as a user presses it; the window's text afterwards.
    QString press(TForm1& form, Qt::Key key) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : &form, key, Qt::ControlModifier);
        return statusText(form);
    }

private slots:
    void init() {
        fixture_ = std::make_unique<MainWindowFixture>();
        QVERIFY(fixture_->isValid());
        QVERIFY(writeBytes(fixture_->dataFile(), Example));
    }

    void cleanup() { fixture_.reset(); }

    void eachKindOfChangeUndoneAndRedone() {
        auto form = fixture_->openForm();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        auto* subjectList = control<QListView>(*form, "Set1");
        auto* ranking = control<QListView>(*form, "Set4");
        auto* tests = control<QListView>(*form, "Tests");
        QCOMPARE(press(*form, Qt::Key_Z), QStringLiteral("Es gibt nichts rückgängig zu machen."));

        fixture_->dialogs().answerInput(QStringLiteral("Physik"));
        clickButton(*form, "Set2");
        clickTab(*form, QStringLiteral("Physik"));
        store(*form, classTest(7, 1, QDate(2023, 10, 2), {1, 1, 1, 1, 1, 1}, 0));
        control<QLineEdit>(*form, "Eins")->setText(QStringLiteral("4"));
        clickButton(*form, "Change");
        clickTab(*form, QStringLiteral("Mathe"));
        clickRow(tests, 1);
        clickButton(*form, "Delete");
        clickTab(*form, SettingsTabName);
        clickRow(subjectList, 0);
        fixture_->dialogs().answerYesNo(true);
        clickButton(*form, "Set3");
        const QByteArray changed = readBytes(fixture_->dataFile());
        QCOMPARE(texts(subjectList), QStringList{"Physik"});

        const QStringList steps{"Schulfach Mathe mit allen Arbeiten entfernt",
                                "Arbeit 2 der Klasse 7 vom 09.11.2023 in Mathe entfernt",
                                "Arbeit 1 der Klasse 7 vom 02.10.2023 in Physik geändert",
                                "Arbeit 1 der Klasse 7 vom 02.10.2023 in Physik eingetragen",
                                "Schulfach Physik hinzugefügt"};
        for (const QString& step : steps)
            QCOMPARE(press(*form, Qt::Key_Z), QStringLiteral("Rückgängig: ") + step);
        QCOMPARE(readBytes(fixture_->dataFile()), Example);
        QCOMPARE(texts(subjectList), QStringList{"Mathe"});
        QCOMPARE(tabs(*form), QStringList{"Mathe"});
        QCOMPARE(ranking->model()->rowCount(), 1);
        clickTab(*form, QStringLiteral("Mathe"));
        QCOMPARE(tests->model()->rowCount(), 2);

        // Redone one by one; the page of a subject that the step takes away gives way to the
        // settings page.
        for (qsizetype i = steps.size() - 1; i >= 0; --i)
            QCOMPARE(press(*form, Qt::Key_Y), QStringLiteral("Wiederholt: ") + steps.at(i));
        QCOMPARE(readBytes(fixture_->dataFile()), changed);
        QCOMPARE(tabs(*form), QStringList{"Physik"});
        QCOMPARE(control<TabControl>(*form, "Subjects")->currentText(), SettingsTabName);
        QCOMPARE(ranking->model()->rowCount(), 1);
        QCOMPARE(press(*form, Qt::Key_Y), QStringLiteral("Es gibt nichts zu wiederholen."));

        // A text field with typing of its own takes that back first; once the fields are filled
        // afresh, Strg+Z is the window's again.
        clickTab(*form, QStringLiteral("Physik"));
        store(*form, classTest(7, 2, QDate(2023, 11, 2)));
        auto* notes = control<QLineEdit>(*form, "Notes");
        notes->setFocus();
        QTest::keyClicks(notes, QStringLiteral("x"));
        press(*form, Qt::Key_Z);
        QCOMPARE(notes->text(), QString());
        QCOMPARE(form->editHistory()->undoCount(), 6);

        // Another program changes Physik: the step is refused, the file left as it is.
        IniStore(fixture_->dataFile())
            .WriteString(QStringLiteral("Physik"), QStringLiteral("8,1,01.02.2024"),
                         QStringLiteral("\"1,1,1,1,1,1,1,1,\""));
        const QByteArray outside = readBytes(fixture_->dataFile());
        press(*form, Qt::Key_Z);
        QCOMPARE(fixture_->messages().size(), 1);
        QVERIFY(fixture_->messages().last().text.contains(QStringLiteral("nicht überschrieben")));
        QCOMPARE(readBytes(fixture_->dataFile()), outside);

        // A file opened afresh starts without steps.
        openFile(*form, fixture_->dataFile());
        QCOMPARE(press(*form, Qt::Key_Z), QStringLiteral("Es gibt nichts rückgängig zu machen."));
    }
};

QTEST_MAIN(TestUndoWindow)
#include "tst_undowindow.moc"
