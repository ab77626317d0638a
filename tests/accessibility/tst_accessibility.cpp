#include "app/mainwindowprintsource.h"
#include "backup/backupdialog.h"
#include "gradedata/subjectname.h"
#include "mainwindow/tform1.h"
#include "overview/overviewdialog.h"
#include "printing/tform2.h"
#include "support/mainwindowfixture.h"
#include "trend/trenddialog.h"
#include "update/tstatusform.h"
#include "widgets/tinfo.h"
#include "widgets/tvelaimage.h"

#include <QAccessible>
#include <QFile>
#include <QListView>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabBar>
#include <QtTest>

namespace {

const std::array<QString, 6> GradeChoices = {"EinsC", "ZweiC",  "DreiC",
                                             "VierC", "FuenfC", "SechsC"};

QAccessibleInterface* accessible(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

QString accessibleName(QObject* object) {
    QAccessibleInterface* interface = accessible(object);
    return interface ? interface->text(QAccessible::Name) : QString();
}

// Shown with the window: hidden only where a page of a stacked widget waits for its turn.
bool shownWith(const QWidget* widget, const QWidget& window) {
    for (; widget && widget != &window; widget = widget->parentWidget())
        if (widget->isHidden() && !qobject_cast<QStackedWidget*>(widget->parentWidget()))
            return false;
    return true;
}

// The focusable controls among the window's shown ones that a screen reader could not name.
QStringList unnamedControls(const QWidget& window) {
    QStringList unnamed;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (shownWith(widget, window) && widget->focusPolicy() != Qt::NoFocus &&
            !widget->focusProxy() && accessibleName(widget).trimmed().isEmpty())
            unnamed.append(QStringLiteral("%1 (%2)").arg(widget->objectName(),
                                                         widget->metaObject()->className()));
    }
    return unnamed;
}

// The accessible names of the rows of a list view.
QStringList rowNames(QAbstractItemView* view) {
    QStringList names;
    QAccessibleInterface* list = accessible(view);
    for (int i = 0; i < list->childCount(); ++i) {
        QAccessibleInterface* row = list->child(i);
        if (row->role() == QAccessible::ListItem)
            names.append(row->text(QAccessible::Name));
    }
    return names;
}

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT

private slots:
    void init() {
        fixture_ =
            std::make_unique<MainWindowFixture>(QStringLiteral("Beispiel.plx"), QDate(2026, 12, 8));
        QVERIFY(fixture_->isValid());
        QVERIFY(QFile::copy(QFINDTESTDATA("../../examples/Beispiel.plx"), fixture_->dataFile()));
        QVERIFY(QFile::setPermissions(fixture_->dataFile(), QFile::ReadOwner | QFile::WriteOwner));
    }
    void cleanup() { fixture_.reset(); }

    void everyControlIsNamed() {
        auto form = fixture_->openForm();
        form->ShowSettingsExecute();
        QCOMPARE(unnamedControls(*form), QStringList());
        clickTab(*form, QStringLiteral("Mathematik"));
        QCOMPARE(unnamedControls(*form), QStringList());
        TInfo about;
        about.show();
        QCOMPARE(unnamedControls(about), QStringList());

        // Hints become descriptions.
        QCOMPARE(accessible(control<QWidget>(*form, "New"))->text(QAccessible::Description),
                 QStringLiteral("Erstellt einen neuen Eintrag mit den angegebenen Daten."));
        for (int grade = 1; grade <= 6; ++grade) {
            QWidget* choice = form->findChild<QWidget*>(GradeChoices[grade - 1]);
            QCOMPARE(accessibleName(choice), QStringLiteral("Eigene Note %1").arg(grade));
        }
        QCOMPARE(accessibleName(control<QWidget>(*form, "NotWritten")),
                 QStringLiteral("nicht teilgenommen"));
    }

    void everyDialogControlIsNamed_data() {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QByteArray>("control"); // a list or table without a label beside it
        QTest::addColumn<QString>("name");
        QTest::newRow("print") << "print" << QByteArray("TreeView_Settings") << "Layout";
        QTest::newRow("update wizard") << "update wizard" << QByteArray("SpinEdit_AutoUpdt")
                                       << "Wie oft wollen Sie zum Suchen nach Updates "
                                          "aufgefordert werden?";
        QTest::newRow("backups") << "backups" << QByteArray("Copies")
                                 << "Sicherungen von Beispiel.plx";
        QTest::newRow("trend") << "trend" << QByteArray("SavePng") << "Als PNG speichern…";
        QTest::newRow("overview") << "overview" << QByteArray("TableView_Overview") << "Übersicht";
    }

    // Each extra window built as the program builds it, on the example file's "Mathematik".
    void everyDialogControlIsNamed() {
        QFETCH(QString, dialog);
        QFETCH(QByteArray, control);
        QFETCH(QString, name);
        auto form = fixture_->openForm();
        clickTab(*form, QStringLiteral("Mathematik"));
        const MainWindowPrintSource source(*form);
        std::unique_ptr<QDialog> window;
        if (dialog == u"print") {
            window = std::make_unique<TForm2>(source);
        } else if (dialog == u"update wizard") {
            window = std::make_unique<TStatusForm>();
        } else if (dialog == u"backups") {
            window = std::make_unique<BackupDialog>(fixture_->dataFile());
        } else if (dialog == u"trend") {
            TrendData data{source.subjectName(), {}};
            for (int i = 0; i < source.testCount(); ++i)
                data.tests.append(source.test(i));
            window = std::make_unique<TrendDialog>(data);
        } else {
            window = std::make_unique<OverviewDialog>(source.allSubjects(), source.subjectName());
        }
        QCOMPARE(unnamedControls(*window).join(u", "), QString());
        QCOMPARE(accessibleName(::control<QWidget>(*window, control.constData())), name);
    }

    void drawnListsSpeakSentences() {
        auto form = fixture_->openForm();
        form->ShowSettingsExecute();
        QCOMPARE(rowNames(control<QListView>(*form, "Set4")),
                 (QStringList{"Deutsch, Rang 1, Durchschnitt 2,82, 4 Arbeiten",
                              "Englisch, Rang 2, Durchschnitt 2,96, 3 Arbeiten",
                              "Mathematik, Rang 3, Durchschnitt 3,17, 5 Arbeiten"}));

        clickTab(*form, QStringLiteral("Mathematik"));
        const QStringList tests = rowNames(control<QListView>(*form, "Tests"));
        QCOMPARE(tests.size(), 5);
        QCOMPARE(tests[0], QStringLiteral("7. Klasse, Arbeit 1, Donnerstag, 21. September 2023, "
                                          "3. Stunde, 27 Teilnehmer, Durchschnitt 3,3, "
                                          "eigene Note 3, Bruchrechnung"));
        QVERIFY(accessibleName(control<QWidget>(*form, "AveragePB"))
                    .startsWith(QStringLiteral("Durchschnitt aller Arbeiten ")));
    }

    void pictureButtonsArePressedAsButtons_data() {
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("key");
        QTest::newRow("print, space") << "Mathematik"
                                      << "Drucken" << int(Qt::Key_Space);
        QTest::newRow("logo, enter")
            << SettingsTabName << "Info über Zensoria" << int(Qt::Key_Return);
    }

    void pictureButtonsArePressedAsButtons() {
        QFETCH(QString, tab);
        QFETCH(QString, name);
        QFETCH(int, key);
        auto form = fixture_->openForm();
        clickTab(*form, tab);
        TVelaImage* button = nullptr;
        for (TVelaImage* image : form->findChildren<TVelaImage*>())
            if (image->isVisibleTo(form.get()) && accessibleName(image) == name)
                button = image;
        QVERIFY(button);
        QAccessibleInterface* interface = accessible(button);
        QCOMPARE(interface->role(), QAccessible::Button);
        QVERIFY(interface->state().focusable);
        QSignalSpy clicks(button, &TVelaImage::clicked);

        // Pressed through the accessibility action: after the request has returned.
        interface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(clicks.size(), 0);
        QTRY_COMPARE(clicks.size(), 1);

        // And by the keyboard, after Tab brought the focus there.
        button->setFocus(Qt::TabFocusReason);
        QTest::keyClick(button, Qt::Key(key));
        QTRY_COMPARE(clicks.size(), 2);
    }

    void enterOnASubjectOpensIt_data() {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("subject");
        QTest::newRow("subjects") << QByteArray("Set1") << 1 << "Englisch";
        QTest::newRow("ranking") << QByteArray("Set4") << 0 << "Deutsch";
    }

    void enterOnASubjectOpensIt() {
        QFETCH(QByteArray, list);
        QFETCH(int, row);
        QFETCH(QString, subject);
        auto form = fixture_->openForm();
        form->ShowSettingsExecute();
        auto* view = control<QListView>(*form, list.constData());
        view->setFocus(Qt::TabFocusReason);
        view->setCurrentIndex(view->model()->index(row, 0));
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(form->currentSubject(), subject);
    }

private:
    std::unique_ptr<MainWindowFixture> fixture_;
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
