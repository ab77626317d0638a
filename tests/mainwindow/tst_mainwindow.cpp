#include "app/mainwindowfactory.h"
#include "gradedata/commalist.h"
#include "gradedata/inistore.h"
#include "gradedata/subjectname.h"
#include "mainwindow/anchors.h"
#include "mainwindow/tabcontrol.h"
#include "mainwindow/tform1.h"
#include "platform/apperror.h"
#include "platform/helpviewer.h"
#include "platform/singleinstance.h"
#include "support/claimingkeys.h"
#include "support/mainwindowfixture.h"
#include "support/testfiles.h"
#include "widgets/pictures.h"
#include "widgets/tvelaimage.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMainWindow>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <QToolTip>
#include <QUuid>

#include <csignal>
#include <sys/resource.h>

using Counts = std::array<QString, 6>;

namespace {

const QString SettingsTab = SettingsTabName;
const std::array<const char*, 6> GradeNames = {"Eins", "Zwei", "Drei", "Vier", "Fuenf", "Sechs"};

// The lines of a file written with CR LF line ends.
QStringList fileLines(const QString& fileName) {
    QString text = QString::fromUtf8(readBytes(fileName));
    if (text.endsWith(QStringLiteral("\r\n")))
        text.chop(2);
    return text.isEmpty() ? QStringList() : text.split(QStringLiteral("\r\n"));
}

void writeLines(const QString& fileName, const QStringList& lines) {
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    const QByteArray bytes = (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
    QCOMPARE(file.write(bytes), bytes.size());
}

// The test list: a view over the rows of the subject's tests.
QModelIndex rowIndex(const QListView* list, int row) {
    return list->model()->index(row, 0);
}

QString rowText(const QListView* list, int row) {
    return rowIndex(list, row).data().toString();
}

int rowCount(const QListView* list) {
    return list->model()->rowCount();
}

QStringList texts(const QListView* list) {
    QStringList result;
    for (int row = 0; row < rowCount(list); ++row)
        result.append(rowText(list, row));
    return result;
}

QStringList tabCaptions(const TForm1& form) {
    const auto* tabs = control<TabControl>(form, "Subjects");
    QStringList result;
    for (int i = 0; i < tabs->count(); ++i)
        result.append(tabs->tabText(i));
    return result;
}

// One class test as a user types it into the form.
struct Entry {
    int level = 0; // 0: nothing chosen
    QString number;
    QDate date;
    QString lesson;
    Counts counts;
    int own = -1; // -1: no choice, 0: "nicht teilgenommen"
    QString remark;
};

} // namespace

// The main window driven as a user drives it: data file, subjects, class tests, settings,
// keyboard, help, hints and the single instance.
// A window in the design face holding a tab control and a plain tab bar set up as the
// control's own bar is, to compare the two.
struct TabBarsToCompare {
    QWidget window;
    TabControl* tabs;
    QTabBar* plain;
    // A window of the width with a tab control of 400 x 80 at the top: 100 pixels down, away
    // from the mouse, which puts all tabs into the bar when it comes over it.
    explicit TabBarsToCompare(int width, int top = 100)
        : tabs(new TabControl(&window)), plain(new QTabBar(&window)) {
        window.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
        window.resize(width, 200);
        tabs->setGeometry(0, top, 400, 80);
        plain->setDrawBase(false);
        plain->setExpanding(false);
        plain->setUsesScrollButtons(true);
        plain->setElideMode(Qt::ElideNone);
    }
    // The settings tab, then count subject tabs in front of it, on both bars.
    void addSubjectTabs(int count) {
        tabs->insertTab(0, QStringLiteral("Einstellungen"));
        plain->addTab(QStringLiteral("Einstellungen"));
        QStringList captions;
        for (int i = 1; i <= count; ++i)
            captions << QStringLiteral("Fach %1 & Kurs").arg(i);
        tabs->insertTabs(0, captions);
        for (int i = 0; i < captions.size(); ++i)
            plain->insertTab(i, QString(captions.at(i)).replace(u'&', QStringLiteral("&&")));
    }
};

class TestMainWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<MainWindowFixture> fixture_;

    ScriptedDialogService& dialogs() { return fixture_->dialogs(); }
    QList<ShownDialog> messages() { return fixture_->messages(); }
    QString settingsFile() const { return fixture_->settingsFile(); }
    QString dataFile() const { return fixture_->dataFile(); }

    void addSubject(TForm1& form, const QString& name) {
        dialogs().answerInput(name);
        clickButton(form, "Set2");
    }

    void fillForm(TForm1& form, const Entry& entry) {
        control<QComboBox>(form, "ClassNumber")->setCurrentIndex(entry.level - 1);
        // Typed key by key; text beyond ASCII, which key clicks cannot type, is pasted.
        auto typeInto = [](QWidget* field, const QString& text) {
            QLineEdit* edit = qobject_cast<QLineEdit*>(field);
            if (auto* combo = qobject_cast<QComboBox*>(field))
                edit = combo->lineEdit();
            edit->clear();
            bool ascii = true;
            for (const QChar c : text)
                ascii = ascii && c.unicode() < 0x80;
            if (ascii)
                QTest::keyClicks(edit, text);
            else
                edit->insert(text);
        };
        typeInto(control<QComboBox>(form, "Number"), entry.number);
        control<QDateEdit>(form, "TestDate")->setDate(entry.date);
        typeInto(control<QComboBox>(form, "Lesson"), entry.lesson);
        for (int g = 0; g < 6; ++g)
            typeInto(control<QLineEdit>(form, GradeNames[g]), entry.counts[g]);
        if (entry.own == 0) {
            QTest::mouseClick(control<QRadioButton>(form, "NotWritten"), Qt::LeftButton);
        } else if (entry.own > 0) {
            const QByteArray name = QByteArray(GradeNames[entry.own - 1]) + 'C';
            auto* choice = control<QRadioButton>(form, name.constData());
            QTest::mouseClick(choice, Qt::LeftButton, {}, QPoint(8, 8));
        }
        typeInto(control<QLineEdit>(form, "Notes"), entry.remark);
    }

    void store(TForm1& form, const Entry& entry, const char* button = "New") {
        fillForm(form, entry);
        clickButton(form, button);
    }

    Counts countTexts(const TForm1& form) {
        Counts result;
        for (int g = 0; g < 6; ++g)
            result[g] = control<QLineEdit>(form, GradeNames[g])->text();
        return result;
    }

    // A form on a new data file with the subjects given, showing the first of them.
    std::unique_ptr<TForm1> formWithSubjects(const QStringList& subjects) {
        auto form = fixture_->openForm();
        for (const QString& subject : subjects)
            addSubject(*form, subject);
        clickTab(*form, subjects.first());
        return form;
    }

    const Entry mathTest{5,
                         QStringLiteral("2"),
                         QDate(2002, 3, 12),
                         QStringLiteral("3"),
                         {"2", "5", "8", "6", "3", "1"},
                         3,
                         QStringLiteral("Bruchrechnung")};

private slots:
    void init() {
        fixture_ = std::make_unique<MainWindowFixture>();
        QVERIFY(fixture_->isValid());
    }

    void cleanup() {
        const QString problems = dialogs().problems();
        fixture_.reset();
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    // ----- layout

    void designGeometry_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("atDesign");
        QTest::addColumn<QRect>("grown"); // window 108 wider and 112 higher

        QTest::newRow("Subjects") << "Subjects" << QRect(8, 8, 777, 553) << QRect(8, 8, 885, 665);
        QTest::newRow("Sites") << "Sites" << QRect(4, 24, 769, 525) << QRect(4, 24, 877, 637);
        QTest::newRow("Dateiverwaltung")
            << "Dateiverwaltung" << QRect(16, 8, 337, 169) << QRect(16, 8, 337, 169);
        QTest::newRow("StandardFile")
            << "StandardFile" << QRect(16, 40, 305, 21) << QRect(16, 40, 305, 21);
        QTest::newRow("GetFileB") << "GetFileB" << QRect(152, 64, 171, 25)
                                  << QRect(152, 64, 171, 25);
        QTest::newRow("FileOK") << "FileOK" << QRect(8, 104, 315, 57) << QRect(8, 104, 315, 57);
        QTest::newRow("GroupBox1")
            << "GroupBox1" << QRect(16, 192, 337, 321) << QRect(16, 192, 337, 433);
        QTest::newRow("Set2") << "Set2" << QRect(16, 280, 129, 25) << QRect(16, 392, 129, 25);
        QTest::newRow("Set3") << "Set3" << QRect(194, 280, 129, 25) << QRect(194, 392, 129, 25);
        QTest::newRow("GroupBox3")
            << "GroupBox3" << QRect(368, 8, 385, 353) << QRect(368, 8, 493, 465);
        QTest::newRow("Set4") << "Set4" << QRect(16, 24, 353, 313) << QRect(16, 24, 461, 425);
        QTest::newRow("GroupBox4")
            << "GroupBox4" << QRect(368, 368, 385, 57) << QRect(368, 480, 493, 57);
        QTest::newRow("DiagramLabels")
            << "DiagramLabels" << QRect(8, 24, 193, 17) << QRect(8, 24, 193, 17);
        QTest::newRow("InfoP") << "InfoP" << QRect(609, 440, 142, 63) << QRect(717, 552, 142, 63);
        QTest::newRow("Panel1") << "Panel1" << QRect(8, 8, 753, 41) << QRect(8, 8, 861, 41);
        QTest::newRow("Tests") << "Tests" << QRect(8, 49, 753, 228) << QRect(8, 49, 861, 340);
        QTest::newRow("AveragePB")
            << "AveragePB" << QRect(9, 278, 751, 29) << QRect(9, 390, 859, 29);
        QTest::newRow("New") << "New" << QRect(16, 320, 49, 193) << QRect(16, 432, 49, 193);
        QTest::newRow("Change") << "Change" << QRect(72, 320, 49, 193) << QRect(72, 432, 49, 193);
        QTest::newRow("Delete") << "Delete" << QRect(128, 320, 57, 193) << QRect(128, 432, 57, 193);
        QTest::newRow("Label10") << "Label10" << QRect(200, 320, 49, 201)
                                 << QRect(200, 432, 49, 201);
        QTest::newRow("DreiC") << "DreiC" << QRect(256, 386, 17, 17) << QRect(256, 498, 17, 17);
        QTest::newRow("Sechs") << "Sechs" << QRect(288, 480, 41, 19) << QRect(288, 592, 41, 19);
        QTest::newRow("ClassNumber")
            << "ClassNumber" << QRect(408, 336, 73, 21) << QRect(408, 448, 73, 21);
        QTest::newRow("TestDate") << "TestDate" << QRect(504, 336, 185, 21)
                                  << QRect(504, 448, 185, 21);
        QTest::newRow("Lesson") << "Lesson" << QRect(504, 384, 73, 21) << QRect(504, 496, 73, 21);
        QTest::newRow("Notes") << "Notes" << QRect(408, 432, 281, 21) << QRect(408, 544, 281, 21);
        QTest::newRow("PrintBtn") << "PrintBtn" << QRect(704, 320, 57, 193)
                                  << QRect(812, 432, 57, 193);
    }

    void designGeometry() {
        QFETCH(QString, name);
        QFETCH(QRect, atDesign);
        QFETCH(QRect, grown);
        auto form = startForm();
        auto* widget = form->findChild<QWidget*>(name);
        QVERIFY(widget);
        // The page of the control shows. At 800 x 619 with the frame the window has its
        // design size.
        auto* sites = control<QStackedWidget>(*form, "Sites");
        for (int page = 0; page < sites->count(); ++page) {
            if (sites->widget(page)->isAncestorOf(widget))
                sites->setCurrentIndex(page);
        }
        form->resize(QSize(800, 619) - TForm1::FrameAllowance);
        QTRY_COMPARE(widget->geometry(), atDesign);
        form->resize(QSize(908, 731) - TForm1::FrameAllowance);
        QTRY_COMPARE(widget->geometry(), grown);
    }

    void windowBasics() {
        auto form = startForm();
        QCOMPARE(form->windowTitle(), QStringLiteral("Zensoria"));
        QCOMPARE(form->minimumSize() + TForm1::FrameAllowance, QSize(800, 423));
        QCOMPARE(form->font().pointSize(), 8);
        auto* sites = control<QStackedWidget>(*form, "Sites");
        QCOMPARE(sites->widget(0)->objectName(), QStringLiteral("Settings"));
        QCOMPARE(tabCaptions(*form), QStringList{SettingsTab});
        QCOMPARE(sites->currentIndex(), 0);
        // Column heads of the test list.
        QStringList heads;
        for (const QLabel* label : control<QWidget>(*form, "Panel1")->findChildren<QLabel*>()) {
            QVERIFY(label->font().bold());
            heads.append(label->text());
        }
        QCOMPARE(heads, (QStringList{"Schuljahr", "Nummer", "Datum", "Schulstunde",
                                     "1       2       3       4       5       6", "Teilnehmer",
                                     "Durchschnitt", "Diagramm"}));
        QCOMPARE(control<QComboBox>(*form, "ClassNumber")->count(), 13);
        QCOMPARE(control<QComboBox>(*form, "Number")->count(), 6);
        QCOMPARE(control<QComboBox>(*form, "Lesson")->count(), 10);
        // Before a file is open the subject controls are disabled.
        for (const char* name : {"Set1", "Set2", "Set3", "Set4"})
            QVERIFY2(!control<QWidget>(*form, name)->isEnabled(), name);
        QVERIFY(!control<QWidget>(*form, "Change")->isEnabled());
        QVERIFY(!control<QWidget>(*form, "Delete")->isEnabled());
    }

    void captionsNotClipped() {
        auto form = startForm();
        auto* sites = control<QStackedWidget>(*form, "Sites");
        for (int page = 0; page < sites->count(); ++page) {
            sites->setCurrentIndex(page);
            QCoreApplication::processEvents();
            for (QWidget* widget : sites->widget(page)->findChildren<QWidget*>()) {
                const auto* label = qobject_cast<QLabel*>(widget);
                const bool captioned = (label && !label->wordWrap() && !label->text().isEmpty() &&
                                        label->objectName() != QStringLiteral("InfoP")) ||
                                       qobject_cast<QRadioButton*>(widget) ||
                                       qobject_cast<QCheckBox*>(widget);
                if (captioned)
                    QVERIFY2(
                        widget->width() >= widget->sizeHint().width(),
                        qPrintable(widget->objectName() + (label ? label->text() : QString())));
            }
        }
        form->resize(QSize(800, 619) - TForm1::FrameAllowance);
        QTRY_COMPARE(control<QWidget>(*form, "NotWritten")->pos(), QPoint(256, 504));
    }

    void anchoredRects() {
        using namespace Anchoring;
        const QSize design(100, 50);
        const QSize grown(130, 40);
        const QRect rect(10, 20, 30, 10);
        QCOMPARE(anchoredRect(rect, LeftTop, design, grown), rect);
        QCOMPARE(anchoredRect(rect, AllEdges, design, grown), QRect(10, 20, 60, 0));
        QCOMPARE(anchoredRect(rect, RightBottom, design, grown), QRect(40, 10, 30, 10));
        QCOMPARE(anchoredRect(rect, LeftRightBottom, design, grown), QRect(10, 10, 60, 10));
        QCOMPARE(anchoredRect(rect, Anchors(Anchor::Right), design, grown), QRect(40, 20, 30, 10));
        // A control never gets a negative size.
        QCOMPARE(anchoredRect(rect, AllEdges, design, QSize(50, 20)).size(), QSize(0, 0));
    }

    void tabCaptionsShownLiterally() {
        TabControl tabs;
        tabs.insertTab(0, SettingsTab);
        tabs.insertTab(0, QStringLiteral("Sport & Spiel"));
        tabs.insertTab(1, QStringLiteral("A&&B"));
        // The bar shows every "&" as itself, no letter becomes a shortcut.
        QCOMPARE(tabs.tabBar()->tabText(0), QStringLiteral("Sport && Spiel"));
        QCOMPARE(tabs.tabBar()->tabText(1), QStringLiteral("A&&&&B"));
        QCOMPARE(tabs.tabText(0), QStringLiteral("Sport & Spiel"));
        QCOMPARE(tabs.tabText(1), QStringLiteral("A&&B"));
        QCOMPARE(tabs.indexOf(QStringLiteral("A&&B")), 1);
        tabs.setCurrentIndex(tabs.indexOf(QStringLiteral("Sport & Spiel")));
        QCOMPARE(tabs.currentText(), QStringLiteral("Sport & Spiel"));
        tabs.setTabText(2, QStringLiteral("&Info"));
        QCOMPARE(tabs.tabText(2), QStringLiteral("&Info"));
        QCOMPARE(tabs.indexOf(QStringLiteral("Info")), -1);
    }

    // The frame is drawn band by band: drawn in parts from any row on, it has the pixels of
    // the frame drawn whole, without a row left out or drawn twice where two bands meet.
    void tabFrameSameInParts() {
        TabControl tabs;
        tabs.insertTab(0, SettingsTab);
        for (const int height : {90, 153, 300}) {
            tabs.resize(200, height);
            QImage whole(tabs.size(), QImage::Format_RGB32), parts = whole;
            tabs.render(&whole);
            parts.fill(Qt::black);
            for (const int top : {0, 37, 101, 165, 229, 293}) {
                const QRect band(0, top, tabs.width(), 64);
                tabs.render(&parts, band.topLeft(), QRegion(band));
            }
            QCOMPARE(parts, whole);
        }
    }

    // ----- hints

    void hintsInStatusBarOnly() {
        auto form = startForm();
        auto* button = control<QPushButton>(*form, "FileOK");
        QStatusTipEvent tip(button->statusTip());
        QApplication::sendEvent(button, &tip);
        QCOMPARE(control<QStatusBar>(*form, "SB")->currentMessage(),
                 QStringLiteral("Lädt oder erstellt die angegebene Datei."));

        // Hints are no tool tips: no control of the window has a tool tip to show.
        for (const QWidget* widget : form->findChildren<QWidget*>())
            QVERIFY2(widget->toolTip().isEmpty(), qPrintable(widget->objectName()));
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), button->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(button, &help);
        QVERIFY(!QToolTip::isVisible());
    }

    void testListHintIsTheRemark() {
        auto form = formWithSubjects({QStringLiteral("Mathe")});
        store(*form, mathTest);
        auto* tests = control<QListView>(*form, "Tests");
        form->TestsMouseMove(tests->visualRect(rowIndex(tests, 0)).center());
        QCOMPARE(control<QStatusBar>(*form, "SB")->currentMessage(),
                 QStringLiteral("Bruchrechnung"));
        QCOMPARE(tests->statusTip(), QStringLiteral("Bruchrechnung"));
        form->TestsMouseMove(QPoint(5, tests->viewport()->height() - 2));
        QCOMPARE(tests->statusTip(), QString());

        // Leaving the rows for a place without a hint takes the remark from the status bar.
        form->TestsMouseMove(tests->visualRect(rowIndex(tests, 0)).center());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(tests->viewport(), &leave);
        QCOMPARE(control<QStatusBar>(*form, "SB")->currentMessage(), QString());
    }

    // ----- settings file

    void firstStartWithoutSettings() {
        {
            auto form = startForm();
            QCOMPARE(control<QLineEdit>(*form, "StandardFile")->text(),
                     QStringLiteral("(keine Datei angegeben)"));
            QCOMPARE(form->outerSize(), QSize(800, 600));
            QVERIFY(control<QCheckBox>(*form, "DiagramLabels")->isChecked());
            QVERIFY(!form->dataFile());
            control<QCheckBox>(*form, "DiagramLabels")->setChecked(false);
        }
        // Ending with no file open writes no file name.
        QCOMPARE(fileLines(settingsFile()),
                 (QStringList{"[Settings]", "Width=800", "Height=600", "DiagramLabels=0"}));
    }

    void rememberedFileReopened() {
        writeLines(dataFile(), {"[Mathe]", "5,2,12.03.2002=\"3,2,5,8,6,3,1,3,Bruchrechnung\"",
                                "[Englisch]", "5,1,01.03.2002=\"1,1,1,1,1,1,1,1,\""});
        writeLines(settingsFile(), {"[Settings]", "StandardFile=" + dataFile(), "Width=900",
                                    "Height=700", "DiagramLabels=0"});
        {
            auto form = startForm();
            QVERIFY(form->dataFile());
            QCOMPARE(form->dataFile()->fileName(), dataFile());
            QCOMPARE(texts(control<QListView>(*form, "Set1")), (QStringList{"Englisch", "Mathe"}));
            QCOMPARE(tabCaptions(*form), (QStringList{"Englisch", "Mathe", SettingsTab}));
            QCOMPARE(form->outerSize(), QSize(900, 700));
            QVERIFY(!control<QCheckBox>(*form, "DiagramLabels")->isChecked());
            form->resize(QSize(1000, 650) - TForm1::FrameAllowance);
        }
        QCOMPARE(fileLines(settingsFile()),
                 (QStringList{"[Settings]", "StandardFile=" + dataFile(), "Width=1000",
                              "Height=650", "DiagramLabels=0"}));
    }

    // The subjects page is hidden at start: it is made once the window is painted, or as soon
    // as something needs it. Made after the window took another face, its captions keep the
    // face the window is designed in, as they would made at once.
    void subjectsPageMadeWhenNeeded() {
        writeLines(dataFile(), {"[Mathe]", "5,2,12.03.2002=\"3,2,5,8,6,3,1,3,Bruchrechnung\""});
        writeLines(settingsFile(), {"[Settings]", "StandardFile=" + dataFile()});
        {
            TForm1 form;
            QVERIFY(!form.findChild<QListView*>(QStringLiteral("Tests")));
            QFont other = form.font();
            other.setFamilies({QStringLiteral("DejaVu Sans")});
            form.setFont(other);
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            QTRY_VERIFY(form.findChild<QListView*>(QStringLiteral("Tests")));
            QCOMPARE(control<QListView>(form, "Tests")->font().family(),
                     QStringLiteral("DejaVu Sans"));
            QCOMPARE(control<QWidget>(form, "Panel1")->findChild<QLabel*>()->font().family(),
                     QStringLiteral("Liberation Sans"));
            QCOMPARE(control<QLabel>(form, "Label10")->font().family(),
                     QStringLiteral("Liberation Sans"));
        }
        TForm1 form;
        auto* tabs = control<TabControl>(form, "Subjects");
        tabs->setCurrentIndex(tabs->indexOf(QStringLiteral("Mathe")));
        form.SubjectsChange();
        QCOMPARE(control<QListView>(form, "Tests")->model()->rowCount(), 1);
        QCOMPARE(control<QComboBox>(form, "ClassNumber")->currentText(), QStringLiteral("5"));
    }

    void windowSizeFromSettings_data() {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::addColumn<QSize>("size");
        QTest::newRow("narrow") << "600"
                                << "500" << QSize(800, 500);
        QTest::newRow("low") << "1000"
                             << "300" << QSize(1000, 423);
        QTest::newRow("not integers") << "breit"
                                      << "6x0" << QSize(800, 600);
        QTest::newRow("empty") << ""
                               << "" << QSize(800, 600);
        QTest::newRow("smallest integers") << "-2147483648"
                                           << "-2147483648" << QSize(800, 423);
    }

    void windowSizeFromSettings() {
        QFETCH(QString, width);
        QFETCH(QString, height);
        QFETCH(QSize, size);
        writeLines(settingsFile(), {"[Settings]", "Width=" + width, "Height=" + height});
        auto form = startForm();
        QCOMPARE(form->outerSize(), size);
    }

    void missingRememberedFileKeepsItsName() {
        const QString gone = fixture_->folders().file(QStringLiteral("weg/noten.plx"));
        writeLines(settingsFile(), {"[Settings]", "StandardFile=" + gone});
        {
            auto form = startForm();
            QCOMPARE(control<QLineEdit>(*form, "StandardFile")->text(), gone);
            QVERIFY(!form->dataFile());
            QCOMPARE(tabCaptions(*form), QStringList{SettingsTab});
        }
        QVERIFY(dialogs().shown().isEmpty());
        QCOMPARE(fileLines(settingsFile()).value(1), "StandardFile=" + gone);
    }

    // ----- data file

    void chooseAndOpenFile() {
        auto form = startForm();
        dialogs().answerFile(dataFile());
        clickButton(*form, "GetFileB");
        const ShownDialog chooser = dialogs().shown().value(0);
        QCOMPARE(chooser.kind, ShownDialog::Kind::File);
        QCOMPARE(chooser.fileOptions.title, QStringLiteral("Datei angeben"));
        QCOMPARE(chooser.fileOptions.filter, QStringLiteral("Zensoriadateien (*.plx)"));
        QCOMPARE(chooser.fileOptions.defaultSuffix, QStringLiteral("plx"));
        // Without a file in the field the dialog opens in the home folder, else in the file's.
        QCOMPARE(chooser.fileOptions.initialFileName, QDir::homePath());
        QCOMPARE(control<QLineEdit>(*form, "StandardFile")->text(), dataFile());
        QVERIFY(!form->dataFile()); // nothing is opened yet

        // Cancel keeps the name.
        dialogs().answerFile(QString());
        clickButton(*form, "GetFileB");
        QCOMPARE(dialogs().shown().value(1).fileOptions.initialFileName, dataFile());
        QCOMPARE(control<QLineEdit>(*form, "StandardFile")->text(), dataFile());

        clickButton(*form, "FileOK");
        QVERIFY(form->dataFile());
        for (const char* name : {"Set1", "Set2", "Set4"})
            QVERIFY2(control<QWidget>(*form, name)->isEnabled(), name);
        QVERIFY(!control<QWidget>(*form, "Set3")->isEnabled());
        QVERIFY(!QFile::exists(dataFile())); // created with the first test only
    }

    void invalidFileNameRefused_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("no folder") << "noten.plx";
        QTest::newRow("missing folder") << "/gibt/es/nicht/noten.plx";
        QTest::newRow("star in name") << "%1/no*ten.plx";
    }

    void invalidFileNameRefused() {
        QFETCH(QString, name);
        writeLines(dataFile(), {"[Mathe]", "5,2,12.03.2002=\"3,2,5,8,6,3,1,3,\""});
        auto form = fixture_->openForm();
        openFile(*form,
                 name.contains(QStringLiteral("%1")) ? name.arg(fixture_->folders().root()) : name);
        QCOMPARE(messages().size(), 1);
        const ShownDialog message = messages().first();
        QCOMPARE(message.icon, MessageIcon::Error);
        QCOMPARE(message.caption, QStringLiteral("Nicht existierende Datei"));
        QCOMPARE(message.text, QStringLiteral("Die angegebene Datei existiert nicht oder kann "
                                              "nicht erstellt werden."));
        // The open file, list and tabs stay.
        QCOMPARE(form->dataFile()->fileName(), dataFile());
        QCOMPARE(tabCaptions(*form), (QStringList{"Mathe", SettingsTab}));
    }

    // Settings.ini keeps a value on one line: a name with a line break is refused when it is
    // given; one with blanks at its end is remembered so that it reads back.
    void fileNamesRememberedAsOpened_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("refused");
        QTest::newRow("blanks at the ends") << " noten.plx " << false;
        QTest::newRow("line break") << "zwei\nZeilen.plx" << true;
        QTest::newRow("carriage return") << "zwei\rZeilen.plx" << true;
    }
    void fileNamesRememberedAsOpened() {
        QFETCH(QString, name);
        QFETCH(bool, refused);
        const QString path = fixture_->folders().file(name);
        writeLines(path, {"[Mathe]", "5,2,12.03.2002=\"3,2,5,8,6,3,1,3,\""});
        {
            auto form = startForm();
            // Pasted: a line break cannot be typed into the field.
            control<QLineEdit>(*form, "StandardFile")->setText(path);
            clickButton(*form, "FileOK");
            if (refused) {
                QCOMPARE(messages().size(), 1);
                QCOMPARE(messages()[0].icon, MessageIcon::Error);
                QCOMPARE(messages()[0].caption, QStringLiteral("Ungültiger Dateiname"));
                QVERIFY(!form->dataFile());
            } else {
                QCOMPARE(form->dataFile()->fileName(), path);
            }
        }
        auto again = startForm();
        QCOMPARE(control<QLineEdit>(*again, "StandardFile")->text(),
                 refused ? QStringLiteral("(keine Datei angegeben)") : path);
        QCOMPARE(again->dataFile() ? again->dataFile()->fileName() : QString(),
                 refused ? QString() : path);
    }

    void settingsSectionIsNoSubject() {
        writeLines(dataFile(),
                   {"[settings]", "a=1", "[Physik]", "5,2,12.03.2002=\"3,2,5,8,6,3,1,3,\"",
                    "[Biologie]", "5,2,12.03.2002=\"3,2,5,8,6,3,1,3,\""});
        auto form = fixture_->openForm();
        QCOMPARE(texts(control<QListView>(*form, "Set1")), (QStringList{"Biologie", "Physik"}));
        QCOMPARE(tabCaptions(*form), (QStringList{"Biologie", "Physik", SettingsTab}));
    }

    // ----- a whole session, with the file checked after every step

    // A user's session, step by step: each test below does the steps before its own without
    // looking, then checks its own step as the user meets it.
    std::unique_ptr<TForm1> sessionForm() { return fixture_->openForm(); }

    void subjectsAdded(TForm1& form) {
        addSubject(form, QStringLiteral("Mathe"));
        addSubject(form, QStringLiteral("mathe"));
        addSubject(form, QStringLiteral("Bildende Kunst"));
        dialogs().answerInputCancel();
        clickButton(form, "Set2");
    }

    void mathTestsStored(TForm1& form) {
        subjectsAdded(form);
        clickTab(form, QStringLiteral("Mathe"));
        store(form, mathTest);
        store(form, {5,
                     "3",
                     QDate(2002, 6, 20),
                     "1",
                     {"4", "6", "7", "5", "2", ""},
                     2,
                     "Lineare Gleichungen"});
        store(form, {6, "1", QDate(2002, 9, 15), "2", {"1", "3", "9", "8", "4", "0"}, 0, ""});
        store(form, {5, "1", QDate(2002, 1, 20), "4", {"", "1", "", "", "", ""}, 2, "Kurz"});
    }

    void mathTestsChanged(TForm1& form) {
        mathTestsStored(form);
        auto* tests = control<QListView>(form, "Tests");
        clickRow(tests, 1);
        auto* drei = control<QLineEdit>(form, "Drei");
        drei->clear();
        QTest::keyClicks(drei, QStringLiteral("9"));
        clickButton(form, "Change");
        control<QDateEdit>(form, "TestDate")->setDate(QDate(2002, 10, 1));
        clickButton(form, "Change");
    }

    void changeOntoOtherTestTried(TForm1& form) {
        mathTestsChanged(form);
        control<QComboBox>(form, "Number")->setEditText(QStringLiteral("3"));
        control<QDateEdit>(form, "TestDate")->setDate(QDate(2002, 6, 20));
        clickButton(form, "Change");
    }

    void mathTestDeleted(TForm1& form) {
        changeOntoOtherTestTried(form);
        clickRow(control<QListView>(form, "Tests"), 2);
        clickButton(form, "Delete");
    }

    void artTestStored(TForm1& form) {
        mathTestDeleted(form);
        clickTab(form, QStringLiteral("Bildende Kunst"));
        store(form, {5, "3", QDate(2002, 6, 20), "1", {"1", "", "", "", "", ""}, 1, ""});
    }

    void sessionAddsSubjects() {
        auto form = sessionForm();
        auto* set1 = control<QListView>(*form, "Set1");

        addSubject(*form, QStringLiteral("Mathe"));
        QCOMPARE(texts(set1), QStringList{"Mathe"});
        QCOMPARE(tabCaptions(*form), (QStringList{"Mathe", SettingsTab}));
        QCOMPARE(control<TabControl>(*form, "Subjects")->currentText(), SettingsTab);
        QVERIFY(!QFile::exists(dataFile()));

        addSubject(*form, QStringLiteral("mathe"));
        QCOMPARE(messages().size(), 1);
        const ShownDialog duplicate = messages().last();
        QCOMPARE(duplicate.icon, MessageIcon::Information);
        QCOMPARE(duplicate.caption, QStringLiteral("Fehlerhafte Angabe"));
        QCOMPARE(duplicate.text, QStringLiteral("Dieses Fach existiert bereits."));
        QCOMPARE(texts(set1), QStringList{"Mathe"});
        QCOMPARE(set1->currentIndex().row(), 0);
        QVERIFY(set1->selectionModel()->isSelected(set1->model()->index(0, 0)));

        addSubject(*form, QStringLiteral("Bildende Kunst"));
        QCOMPARE(texts(set1), (QStringList{"Bildende Kunst", "Mathe"}));
        QCOMPARE(tabCaptions(*form), (QStringList{"Bildende Kunst", "Mathe", SettingsTab}));
        QCOMPARE(control<TabControl>(*form, "Subjects")->currentText(), SettingsTab);

        // Cancel adds nothing.
        dialogs().answerInputCancel();
        clickButton(*form, "Set2");
        QCOMPARE(texts(set1).size(), 2);
    }

    void sessionStoresTests() {
        auto form = sessionForm();
        subjectsAdded(*form);

        clickTab(*form, QStringLiteral("Mathe"));
        QCOMPARE(control<QStackedWidget>(*form, "Sites")->currentIndex(), 1);
        QCOMPARE(control<QComboBox>(*form, "ClassNumber")->currentIndex(), -1);
        QCOMPARE(control<QComboBox>(*form, "Number")->currentText(), QString());
        QCOMPARE(control<QDateEdit>(*form, "TestDate")->date(), QDate(2024, 5, 10));

        store(*form, mathTest);
        QCOMPARE(fileLines(dataFile()),
                 (QStringList{"[Mathe]", "5,2,12.03.2002=\"3,2,5,8,6,3,1,3,Bruchrechnung\""}));
        auto* tests = control<QListView>(*form, "Tests");
        QCOMPARE(texts(tests), QStringList{"2002-03-12,05,2,3,2,5,8,6,3,1,3,\"Bruchrechnung\""});
        QCOMPARE(tests->currentIndex().row(), 0);
        QVERIFY(control<QWidget>(*form, "Change")->isEnabled());
        QVERIFY(control<QWidget>(*form, "Delete")->isEnabled());

        store(*form, {5,
                      "3",
                      QDate(2002, 6, 20),
                      "1",
                      {"4", "6", "7", "5", "2", ""},
                      2,
                      "Lineare Gleichungen"});
        store(*form, {6, "1", QDate(2002, 9, 15), "2", {"1", "3", "9", "8", "4", "0"}, 0, ""});
        // A test earlier than the others takes its place at the top of the list.
        store(*form, {5, "1", QDate(2002, 1, 20), "4", {"", "1", "", "", "", ""}, 2, "Kurz"});
        QCOMPARE(fileLines(dataFile()),
                 (QStringList{"[Mathe]", "5,2,12.03.2002=\"3,2,5,8,6,3,1,3,Bruchrechnung\"",
                              "5,3,20.06.2002=\"1,4,6,7,5,2,0,2,\"Lineare Gleichungen\"\"",
                              "6,1,15.09.2002=\"2,1,3,9,8,4,0,0,\"",
                              "5,1,20.01.2002=\"4,0,1,0,0,0,0,2,Kurz\""}));
        QCOMPARE(texts(tests),
                 (QStringList{"2002-01-20,05,1,4,0,1,0,0,0,0,2,\"Kurz\"",
                              "2002-03-12,05,2,3,2,5,8,6,3,1,3,\"Bruchrechnung\"",
                              "2002-06-20,05,3,1,4,6,7,5,2,0,2,\"Lineare Gleichungen\"",
                              "2002-09-15,06,1,2,1,3,9,8,4,0,0,\"\""}));
        QCOMPARE(tests->currentIndex().row(), 0); // the new entry is selected
    }

    void sessionLoadsAndChangesTests() {
        auto form = sessionForm();
        mathTestsStored(*form);
        auto* tests = control<QListView>(*form, "Tests");

        // Selecting a test loads it into the form.
        clickRow(tests, 1);
        QCOMPARE(control<QComboBox>(*form, "ClassNumber")->currentText(), QStringLiteral("5"));
        QCOMPARE(control<QComboBox>(*form, "Number")->currentText(), QStringLiteral("2"));
        QCOMPARE(control<QDateEdit>(*form, "TestDate")->date(), QDate(2002, 3, 12));
        QCOMPARE(control<QComboBox>(*form, "Lesson")->currentText(), QStringLiteral("3"));
        QCOMPARE(countTexts(*form), (Counts{"2", "5", "8", "6", "3", "1"}));
        QVERIFY(control<QRadioButton>(*form, "DreiC")->isChecked());
        QCOMPARE(control<QLineEdit>(*form, "Notes")->text(), QStringLiteral("Bruchrechnung"));

        // "Ändern" with the same grade level, number and date: new counts under the same key.
        auto* drei = control<QLineEdit>(*form, "Drei");
        drei->clear();
        QTest::keyClicks(drei, QStringLiteral("9"));
        clickButton(*form, "Change");
        QCOMPARE(
            fileLines(dataFile()),
            (QStringList{"[Mathe]", "5,3,20.06.2002=\"1,4,6,7,5,2,0,2,\"Lineare Gleichungen\"\"",
                         "6,1,15.09.2002=\"2,1,3,9,8,4,0,0,\"",
                         "5,1,20.01.2002=\"4,0,1,0,0,0,0,2,Kurz\"",
                         "5,2,12.03.2002=\"3,2,5,9,6,3,1,3,Bruchrechnung\""}));
        QCOMPARE(rowText(tests, 1),
                 QStringLiteral("2002-03-12,05,2,3,2,5,9,6,3,1,3,\"Bruchrechnung\""));
        QCOMPARE(tests->currentIndex().row(), 1);
        QCOMPARE(rowCount(tests), 4);

        // "Ändern" of the date moves the test to its new place in the list.
        control<QDateEdit>(*form, "TestDate")->setDate(QDate(2002, 10, 1));
        clickButton(*form, "Change");
        QCOMPARE(
            fileLines(dataFile()),
            (QStringList{"[Mathe]", "5,3,20.06.2002=\"1,4,6,7,5,2,0,2,\"Lineare Gleichungen\"\"",
                         "6,1,15.09.2002=\"2,1,3,9,8,4,0,0,\"",
                         "5,1,20.01.2002=\"4,0,1,0,0,0,0,2,Kurz\"",
                         "5,2,01.10.2002=\"3,2,5,9,6,3,1,3,Bruchrechnung\""}));
        QCOMPARE(tests->currentIndex().row(), 3);
        QCOMPARE(rowText(tests, tests->currentIndex().row()),
                 QStringLiteral("2002-10-01,05,2,3,2,5,9,6,3,1,3,\"Bruchrechnung\""));
        QCOMPARE(messages().size(), 1);
    }

    void sessionRefusesChangeOntoOtherTest() {
        auto form = sessionForm();
        mathTestsChanged(*form);
        auto* tests = control<QListView>(*form, "Tests");

        // "Ändern" onto the key of another test is refused.
        control<QComboBox>(*form, "Number")->setEditText(QStringLiteral("3"));
        control<QDateEdit>(*form, "TestDate")->setDate(QDate(2002, 6, 20));
        const QByteArray before = readBytes(dataFile());
        clickButton(*form, "Change");
        QCOMPARE(messages().last().caption, QStringLiteral("Arbeit existiert bereits"));
        QCOMPARE(messages().last().icon, MessageIcon::Warning);
        QCOMPARE(messages().last().text,
                 QStringLiteral("Diese Arbeit existiert bereits. Wählen Sie eine andere Nummer, "
                                "Jahrgangsstufe oder ein anderes Datum."));
        QCOMPARE(readBytes(dataFile()), before);
        QCOMPARE(rowCount(tests), 4);
    }

    void sessionDeletesTest() {
        auto form = sessionForm();
        changeOntoOtherTestTried(*form);
        auto* tests = control<QListView>(*form, "Tests");

        // "Entfernen" deletes the selected test without a question.
        const qsizetype shownBefore = dialogs().shown().size();
        clickRow(tests, 2); // 6,1,15.09.2002
        clickButton(*form, "Delete");
        QCOMPARE(dialogs().shown().size(), shownBefore);
        QCOMPARE(
            fileLines(dataFile()),
            (QStringList{"[Mathe]", "5,3,20.06.2002=\"1,4,6,7,5,2,0,2,\"Lineare Gleichungen\"\"",
                         "5,1,20.01.2002=\"4,0,1,0,0,0,0,2,Kurz\"",
                         "5,2,01.10.2002=\"3,2,5,9,6,3,1,3,Bruchrechnung\""}));
        QCOMPARE(rowCount(tests), 3);
        QVERIFY(tests->selectionModel()->selectedRows().isEmpty());
        QVERIFY(!control<QWidget>(*form, "Change")->isEnabled());
        QVERIFY(!control<QWidget>(*form, "Delete")->isEnabled());
        // The next test is proposed after the latest one: grade level 5, test 3.
        QCOMPARE(control<QComboBox>(*form, "ClassNumber")->currentText(), QStringLiteral("5"));
        QCOMPARE(control<QComboBox>(*form, "Number")->currentText(), QStringLiteral("3"));
        QCOMPARE(countTexts(*form), Counts{});
    }

    void sessionStoresSameTestInOtherSubject() {
        auto form = sessionForm();
        mathTestDeleted(*form);

        // The same test in another subject is no duplicate.
        clickTab(*form, QStringLiteral("Bildende Kunst"));
        QCOMPARE(rowCount(control<QListView>(*form, "Tests")), 0);
        store(*form, {5, "3", QDate(2002, 6, 20), "1", {"1", "", "", "", "", ""}, 1, ""});
        QCOMPARE(fileLines(dataFile()).mid(4),
                 (QStringList{"[Bildende Kunst]", "5,3,20.06.2002=\"1,1,0,0,0,0,0,1,\""}));
    }

    void sessionRemovesSubject() {
        auto form = sessionForm();
        artTestStored(*form);
        auto* set1 = control<QListView>(*form, "Set1");

        // Removing a subject: answered No, nothing changes; answered Yes, its section goes.
        QTest::keyClick(form.get(), Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(control<QStackedWidget>(*form, "Sites")->currentIndex(), 0);
        QCOMPARE(control<QLineEdit>(*form, "StandardFile")->text(), dataFile());
        clickRow(set1, 1);
        QVERIFY(control<QWidget>(*form, "Set3")->isEnabled());
        const QByteArray withMathe = readBytes(dataFile());
        dialogs().clear();
        dialogs().answerYesNo(false);
        clickButton(*form, "Set3");
        QCOMPARE(dialogs().beeps(), 1);
        const ShownDialog question = dialogs().shown(ShownDialog::Kind::Question).value(0);
        QCOMPARE(question.icon, MessageIcon::Warning);
        QCOMPARE(question.text,
                 QStringLiteral("Sollen wirklich alle Daten zum Fach Mathe gelöscht werden?"));
        QCOMPARE(readBytes(dataFile()), withMathe);
        QCOMPARE(texts(set1), (QStringList{"Bildende Kunst", "Mathe"}));

        dialogs().answerYesNo(true);
        clickButton(*form, "Set3");
        QCOMPARE(dialogs().beeps(), 2);
        QCOMPARE(fileLines(dataFile()),
                 (QStringList{"[Bildende Kunst]", "5,3,20.06.2002=\"1,1,0,0,0,0,0,1,\""}));
        QCOMPARE(texts(set1), QStringList{"Bildende Kunst"});
        QCOMPARE(tabCaptions(*form), (QStringList{"Bildende Kunst", SettingsTab}));
        QVERIFY(!control<QWidget>(*form, "Set3")->isEnabled());
    }

    // ----- entry form rules, as the user meets them

    void refusedEntries_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("number");
        QTest::addColumn<Counts>("counts");
        QTest::addColumn<int>("own");
        QTest::addColumn<Counts>("countsShown");

        QTest::newRow("all counts empty")
            << 5 << "2" << Counts{} << 0 << Counts{"0", "0", "0", "0", "0", "0"};
        QTest::newRow("count 2a") << 5 << "2" << Counts{"1", "2a", "", "", "", ""} << 1
                                  << Counts{"1", "2a", "0", "0", "0", "0"};
        QTest::newRow("count -1") << 5 << "2" << Counts{"3", "-1", "", "", "", ""} << 1
                                  << Counts{"3", "-1", "0", "0", "0", "0"};
        QTest::newRow("own grade 3 with count 0") << 5 << "2" << Counts{"4", "4", "0", "", "", ""}
                                                  << 3 << Counts{"4", "4", "0", "0", "0", "0"};
        QTest::newRow("no own grade") << 5 << "2" << Counts{"4", "4", "", "", "", ""} << -1
                                      << Counts{"4", "4", "0", "0", "0", "0"};
        QTest::newRow("no grade level") << 0 << "2" << Counts{"4", "", "", "", "", ""} << 1
                                        << Counts{"4", "0", "0", "0", "0", "0"};
        QTest::newRow("number not an integer") << 5 << "2b" << Counts{"4", "", "", "", "", ""} << 1
                                               << Counts{"4", "0", "0", "0", "0", "0"};
    }

    void refusedEntries() {
        QFETCH(int, level);
        QFETCH(QString, number);
        QFETCH(Counts, counts);
        QFETCH(int, own);
        QFETCH(Counts, countsShown);
        auto form = formWithSubjects({QStringLiteral("Mathe")});
        store(*form, {level, number, QDate(2002, 3, 12), "3", counts, own, "Thema"});
        QCOMPARE(messages().size(), 1);
        const ShownDialog message = messages().first();
        QCOMPARE(message.icon, MessageIcon::Warning);
        QCOMPARE(message.caption, QStringLiteral("Fehlerhafte Angabe"));
        QCOMPARE(message.text, QStringLiteral("Sie haben mindestens eine fehlerhafte Angabe "
                                              "gemacht. Überprüfen Sie auch, ob Sie Ihre eigene "
                                              "Zensur angegeben haben."));
        QCOMPARE(countTexts(*form), countsShown);
        QVERIFY(!QFile::exists(dataFile()));
        QCOMPARE(rowCount(control<QListView>(*form, "Tests")), 0);
    }

    void storedEntries_data() {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("lesson");
        QTest::addColumn<int>("own");
        QTest::addColumn<QString>("remark");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("remarkShown");

        QTest::newRow("not taken part") << "2"
                                        << "3" << 0 << "Thema"
                                        << "5,2,12.03.2002=\"3,1,2,0,0,0,0,0,Thema\""
                                        << "Thema";
        QTest::newRow("number 02, test 7 and lesson 12") << "02"
                                                         << "12" << 1 << ""
                                                         << "5,2,12.03.2002=\"12,1,2,0,0,0,0,1,\""
                                                         << "";
        QTest::newRow("number 7") << "7"
                                  << "3" << 2 << ""
                                  << "5,7,12.03.2002=\"3,1,2,0,0,0,0,2,\""
                                  << "";
        QTest::newRow("remark with double quotes")
            << "2"
            << "3" << 1 << "Das \"beste\" Thema"
            << "5,2,12.03.2002=\"3,1,2,0,0,0,0,1,\"Das beste Thema\"\""
            << "Das beste Thema";
        QTest::newRow("remark of one comma") << "2"
                                             << "3" << 1 << ","
                                             << "5,2,12.03.2002=\"3,1,2,0,0,0,0,1,\""
                                             << "";
        QTest::newRow("remark with comma")
            << "2"
            << "3" << 1 << "Brüche, Dezimalzahlen"
            << "5,2,12.03.2002=\"3,1,2,0,0,0,0,1,\"Brüche, Dezimalzahlen\"\""
            << "Brüche, Dezimalzahlen";
    }

    void storedEntries() {
        QFETCH(QString, number);
        QFETCH(QString, lesson);
        QFETCH(int, own);
        QFETCH(QString, remark);
        QFETCH(QString, line);
        QFETCH(QString, remarkShown);
        auto form = formWithSubjects({QStringLiteral("Mathe")});
        store(*form,
              {5, number, QDate(2002, 3, 12), lesson, {"1", "2", "", "", "", ""}, own, remark});
        QCOMPARE(messages().size(), 0);
        QCOMPARE(fileLines(dataFile()), (QStringList{"[Mathe]", line}));
        QCOMPARE(control<QLineEdit>(*form, "Notes")->text(), remarkShown);
        // Read back from the file, the test shows as it was stored.
        form->ShowSettingsExecute();
        clickTab(*form, QStringLiteral("Mathe"));
        auto* tests = control<QListView>(*form, "Tests");
        QCOMPARE(rowCount(tests), 1);
        QCOMPARE(splitCommaList(rowText(tests, 0)).value(11), remarkShown);
    }

    void remarkLosesLineBreaks() {
        auto form = formWithSubjects({QStringLiteral("Mathe")});
        fillForm(*form, {5, "2", QDate(2002, 3, 12), "3", {"1", "", "", "", "", ""}, 1, ""});
        control<QLineEdit>(*form, "Notes")->setText(QStringLiteral("Teil 1\r\nTeil 2"));
        clickButton(*form, "New");
        QCOMPARE(fileLines(dataFile()),
                 (QStringList{"[Mathe]", "5,2,12.03.2002=\"3,1,0,0,0,0,0,1,\"Teil 1 Teil 2\"\""}));
    }

    void duplicateRefusedInSameSubject() {
        auto form = formWithSubjects({QStringLiteral("Mathe"), QStringLiteral("Physik")});
        store(*form, mathTest);
        const QByteArray before = readBytes(dataFile());
        Entry again = mathTest;
        again.counts = {"1", "1", "1", "1", "1", "1"};
        again.number = QStringLiteral("02");
        store(*form, again);
        QCOMPARE(messages().size(), 1);
        QCOMPARE(messages().first().caption, QStringLiteral("Arbeit existiert bereits"));
        QCOMPARE(readBytes(dataFile()), before);
        QCOMPARE(rowCount(control<QListView>(*form, "Tests")), 1);

        // The same grade level and number on another day is another test; changing it onto the
        // first one's day is refused.
        auto* tests = control<QListView>(*form, "Tests");
        again.date = mathTest.date.addDays(1);
        store(*form, again);
        QCOMPARE(messages().size(), 1);
        clickRow(tests, 1);
        control<QDateEdit>(*form, "TestDate")->setDate(mathTest.date);
        const QByteArray both = readBytes(dataFile());
        clickButton(*form, "Change");
        QCOMPARE(messages().size(), 2);
        QCOMPARE(messages().last().caption, QStringLiteral("Arbeit existiert bereits"));
        QCOMPARE(readBytes(dataFile()), both);
        QCOMPARE(rowCount(tests), 2);
        dialogs().clear();

        clickTab(*form, QStringLiteral("Physik"));
        store(*form, again);
        QCOMPARE(messages().size(), 0);
        QCOMPARE(fileLines(dataFile()),
                 (QStringList{"[Mathe]", "5,2,12.03.2002=\"3,2,5,8,6,3,1,3,Bruchrechnung\"",
                              "5,2,13.03.2002=\"3,1,1,1,1,1,1,3,Bruchrechnung\"", "[Physik]",
                              "5,2,13.03.2002=\"3,1,1,1,1,1,1,3,Bruchrechnung\""}));
    }

    // ----- writes the file system refuses

    void refusedChangeKeepsOldTest() {
        auto form = formWithSubjects({QStringLiteral("Mathe")});
        store(*form, mathTest);
        auto* tests = control<QListView>(*form, "Tests");
        const QStringList listBefore = texts(tests);
        const QByteArray before = readBytes(dataFile());
        control<QDateEdit>(*form, "TestDate")->setDate(QDate(2002, 3, 13));
        {
            RefusedWrites refused;
            QVERIFY_THROWS_EXCEPTION(AppError,
                                     form->SetTestData(control<QPushButton>(*form, "Change")));
        }
        QCOMPARE(readBytes(dataFile()), before);
        QCOMPARE(texts(tests), listBefore);
        QCOMPARE(tests->currentIndex().row(), 0);
        {
            RefusedWrites refused;
            control<QDateEdit>(*form, "TestDate")->setDate(QDate(2002, 4, 1));
            QVERIFY_THROWS_EXCEPTION(AppError,
                                     form->SetTestData(control<QPushButton>(*form, "New")));
        }
        QCOMPARE(readBytes(dataFile()), before);
        QCOMPARE(texts(tests), listBefore);
    }

    // Keys written by hand ("05,02,1.3.2002") name the same tests as the program's own keys:
    // changing replaces the entry, deleting removes it, and a new test of that name collides.
    void handWrittenKeys() {
        writeLines(dataFile(), {"[Mathe]", "05,02,1.3.2002=\"3,2,5,8,6,3,1,3,Brüche\"",
                                "6,1,2.3.2003=\"1,1,1,1,1,1,1,1,Wurzeln\""});
        auto form = fixture_->openForm();
        clickTab(*form, QStringLiteral("Mathe"));
        auto* tests = control<QListView>(*form, "Tests");
        QCOMPARE(rowCount(tests), 2);

        Entry same{5, "2", QDate(2002, 3, 1), "3", {"2", "5", "8", "6", "3", "1"}, 3, "Brüche"};
        store(*form, same);
        QCOMPARE(messages().size(), 1);
        QCOMPARE(messages().first().caption, QStringLiteral("Arbeit existiert bereits"));

        clickRow(tests, 0);
        same.lesson = "4";
        store(*form, same, "Change");
        QCOMPARE(fileLines(dataFile()),
                 (QStringList{"[Mathe]", "6,1,2.3.2003=\"1,1,1,1,1,1,1,1,Wurzeln\"",
                              "5,2,01.03.2002=\"4,2,5,8,6,3,1,3,Brüche\""}));

        clickRow(tests, 1);
        clickButton(*form, "Delete");
        QCOMPARE(fileLines(dataFile()),
                 (QStringList{"[Mathe]", "5,2,01.03.2002=\"4,2,5,8,6,3,1,3,Brüche\""}));
        QCOMPARE(rowCount(tests), 1);
        QCOMPARE(messages().size(), 1);
    }

    // ----- subjects

    void refusedSubjectNames_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("Settings") << "Settings";
        QTest::newRow("settings") << "settings";
        QTest::newRow("settings tab") << "Einstellungen (Strg+E)";
        QTest::newRow("bracket") << "Mathe]";
        QTest::newRow("leading blank") << " Mathe";
        QTest::newRow("trailing blank") << "Mathe ";
        QTest::newRow("control character") << "Ma\tthe";
    }

    void refusedSubjectNames() {
        QFETCH(QString, name);
        auto form = fixture_->openForm();
        addSubject(*form, name);
        QCOMPARE(messages().size(), 1);
        const ShownDialog message = messages().first();
        QCOMPARE(message.icon, MessageIcon::Information);
        QCOMPARE(message.caption, QStringLiteral("Fehlerhafte Angabe"));
        QCOMPARE(message.text,
                 QStringLiteral("Dieser Name kann nicht als Schulfach verwendet werden."));
        QCOMPARE(control<QListView>(*form, "Set1")->model()->rowCount(), 0);
        QCOMPARE(tabCaptions(*form), QStringList{SettingsTab});
    }

    void subjectWithoutTestsGoneAfterReopening() {
        auto form = fixture_->openForm();
        addSubject(*form, QStringLiteral("Mathe"));
        addSubject(*form, QStringLiteral("Physik"));
        clickTab(*form, QStringLiteral("Physik"));
        store(*form, mathTest);
        QTest::keyClick(form.get(), Qt::Key_E, Qt::ControlModifier);
        clickButton(*form, "FileOK");
        QCOMPARE(texts(control<QListView>(*form, "Set1")), QStringList{"Physik"});
    }

    // A subject whose last test was deleted keeps only its heading in the file; removing the
    // subject takes that too, so it does not come back when the file is opened again.
    void removedSubjectStaysGone() {
        auto form = formWithSubjects({QStringLiteral("Mathe"), QStringLiteral("Physik")});
        store(*form, mathTest);
        clickRow(control<QListView>(*form, "Tests"), 0);
        clickButton(*form, "Delete");
        QCOMPARE(fileLines(dataFile()), QStringList{"[Mathe]"});
        QTest::keyClick(form.get(), Qt::Key_E, Qt::ControlModifier);
        clickRow(control<QListView>(*form, "Set1"), 0);
        dialogs().answerYesNo(true);
        clickButton(*form, "Set3");
        QCOMPARE(fileLines(dataFile()), QStringList{});
        clickButton(*form, "FileOK");
        QCOMPARE(texts(control<QListView>(*form, "Set1")), QStringList{});
    }

    void doubleClicksOpenSubjects() {
        writeLines(dataFile(), {"[Bildende Kunst]", "5,2,12.03.2002=\"3,2,5,8,6,3,1,3,\"",
                                "[Mathe]", "10,6,12.03.2002=\"3,2,5,8,6,3,1,3,\"",
                                "10,5,01.03.2002=\"3,2,5,8,6,3,1,3,\""});
        auto form = fixture_->openForm();
        auto* set1 = control<QListView>(*form, "Set1");
        doubleClickRow(set1, 1);
        QCOMPARE(control<TabControl>(*form, "Subjects")->currentText(), QStringLiteral("Mathe"));
        QCOMPARE(control<QStackedWidget>(*form, "Sites")->currentIndex(), 1);
        // The next test after test 6 of grade level 10 is test 7 of grade level 10.
        QCOMPARE(control<QComboBox>(*form, "ClassNumber")->currentText(), QStringLiteral("10"));
        QCOMPARE(control<QComboBox>(*form, "Number")->currentText(), QStringLiteral("7"));
        QCOMPARE(rowCount(control<QListView>(*form, "Tests")), 2);

        // The ranking, rebuilt when the settings tab shows: equal class averages are ordered
        // by name, and an entry keeps a name with a blank whole.
        form->ShowSettingsExecute();
        auto* set4 = control<QListView>(*form, "Set4");
        QCOMPARE(texts(set4), (QStringList{"\"3,2400000000\",\"Bildende Kunst\",1",
                                           "\"3,2400000000\",Mathe,2"}));
        doubleClickRow(set4, 0);
        QCOMPARE(control<TabControl>(*form, "Subjects")->currentText(),
                 QStringLiteral("Bildende Kunst"));
        QCOMPARE(rowCount(control<QListView>(*form, "Tests")), 1);
    }

    void statisticsViews() {
        auto form = formWithSubjects({QStringLiteral("Mathe")});
        auto* tests = control<QListView>(*form, "Tests");
        QCOMPARE(form->averageBarImage().size(), QSize(tests->width(), 29));
        const QImage emptyBar = form->averageBarImage();
        store(*form, mathTest);
        QVERIFY(form->averageBarImage() != emptyBar);
        // The bar follows the width of the list.
        form->resize(form->size() + QSize(100, 0));
        QTRY_COMPARE(form->averageBarImage().width(), tests->width());

        // Rows are owner-drawn: an unselected row shows its tinted first column.
        tests->clearSelection();
        const QImage rows = tests->viewport()->grab().toImage();
        QCOMPARE(QColor(rows.pixel(113, 5)), QColor(0xFF, 0xFF, 0xD5));
        QCOMPARE(tests->visualRect(rowIndex(tests, 0)).height(), 30);
        // The average bar's columns stand under those of the rows: its x = 405 under x = 404.
        auto* bar = control<QWidget>(*form, "AveragePB");
        QCOMPARE(tests->viewport()->mapTo(form.get(), QPoint(404, 0)).x(),
                 bar->mapTo(form.get(), QPoint(405, 0)).x());

        // Removing the subject empties the ranking.
        QTest::keyClick(form.get(), Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(control<QListView>(*form, "Set4")->model()->rowCount(), 1);
        clickRow(control<QListView>(*form, "Set1"), 0);
        dialogs().answerYesNo(true);
        clickButton(*form, "Set3");
        QCOMPARE(control<QListView>(*form, "Set4")->model()->rowCount(), 0);
    }

    void faultyEntryStopsLoading() {
        writeLines(dataFile(),
                   {"[Mathe]", "5,2,12.03.2002=\"3,2,5,8,6,3,1,3,\"",
                    "5,x,13.03.2002=\"3,2,5,8,6,3,1,3,\"", "5,4,14.03.2002=\"3,2,5,8,6,3,1,3,\"",
                    "[Physik]", "6,1,01.03.2003=\"1,9,1,1,1,1,1,2,\""});
        auto form = fixture_->openForm();
        const QByteArray before = readBytes(dataFile());
        auto* tabs = control<TabControl>(*form, "Subjects");
        // Coming from a subject with a selected test: after the error the page shows only what
        // was read, with nothing selected and the bar of the tests in the list.
        tabs->setCurrentIndex(tabs->indexOf(QStringLiteral("Physik")));
        form->SubjectsChange();
        clickRow(control<QListView>(*form, "Tests"), 0);
        QVERIFY(control<QWidget>(*form, "Change")->isEnabled());
        const QImage physicsBar = form->averageBarImage();
        tabs->setCurrentIndex(tabs->indexOf(QStringLiteral("Mathe")));
        QVERIFY_THROWS_EXCEPTION(AppError, form->SubjectsChange());
        QCOMPARE(rowCount(control<QListView>(*form, "Tests")), 1);
        QVERIFY(!control<QWidget>(*form, "Change")->isEnabled());
        QVERIFY(!control<QWidget>(*form, "Delete")->isEnabled());
        QVERIFY(form->averageBarImage() != physicsBar);
        QCOMPARE(control<QLineEdit>(*form, "Eins")->text(), QString());
        QCOMPARE(readBytes(dataFile()), before);
    }

    // ----- keyboard and help

    void keyboardThroughTheForm() {
        auto form = formWithSubjects({QStringLiteral("Mathe")});
        store(*form, mathTest);
        store(*form, {5, "3", QDate(2002, 6, 20), "1", {"1", "", "", "", "", ""}, 0, "Wurzeln"});
        // Arrow keys in the list load the test they select, as a click does.
        auto* tests = control<QListView>(*form, "Tests");
        tests->setFocus();
        QTest::keyClick(tests, Qt::Key_Up);
        QCOMPARE(tests->currentIndex().row(), 0);
        QCOMPARE(control<QLineEdit>(*form, "Notes")->text(), QStringLiteral("Bruchrechnung"));
        QVERIFY(control<QRadioButton>(*form, "DreiC")->isChecked());
        QTest::keyClick(tests, Qt::Key_Down);
        QCOMPARE(control<QLineEdit>(*form, "Notes")->text(), QStringLiteral("Wurzeln"));
        QVERIFY(control<QRadioButton>(*form, "NotWritten")->isChecked());
        QVERIFY(control<QWidget>(*form, "Change")->isEnabled());

        // Tab leads from the list through the test's data, counts and own grade to the buttons,
        // one control at a time.
        QStringList order;
        for (int i = 0; i < 15; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* focus = QApplication::focusWidget();
            while (focus && focus->objectName().isEmpty())
                focus = focus->parentWidget(); // the edit field of a combo box
            order.append(focus ? focus->objectName() : QString());
        }
        QCOMPARE(order, (QStringList{"ClassNumber", "Number", "TestDate", "Lesson", "Notes", "Eins",
                                     "Zwei", "Drei", "Vier", "Fuenf", "Sechs", "NotWritten", "New",
                                     "Change", "Delete"}));
    }

    // Text fields claim some keys for editing before shortcuts see them (on X11 Ctrl+E moves
    // to the end of the line); the window's Ctrl+E and F1 must still work from every field.
    void shortcutsWorkFromTextFields() {
        ClaimingKeys claim;
        auto form = formWithSubjects({QStringLiteral("Mathe")});
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        auto* sites = control<QStackedWidget>(*form, "Sites");
        for (const char* name : {"Notes", "Eins", "Number", "Lesson", "TestDate"}) {
            clickTab(*form, QStringLiteral("Mathe"));
            QCOMPARE(sites->currentIndex(), 1);
            control<QWidget>(*form, name)->setFocus();
            QWidget* focus = QApplication::focusWidget();
            QVERIFY2(focus, name);
            focus->installEventFilter(&claim);
            QTest::keyClick(focus, Qt::Key_E, Qt::ControlModifier);
            focus->removeEventFilter(&claim);
            QVERIFY2(sites->currentIndex() == 0, name);
        }
    }

    void helpTopics() {
        QVERIFY(QFile::copy(QStringLiteral(ZENSORIA_SOURCE_DIR "/resources/Pultex.hlp"),
                            fixture_->folders().programFile(QStringLiteral("Pultex.hlp"))));
        auto form = formWithSubjects({QStringLiteral("Mathe")});
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QTest::keyClick(form.get(), Qt::Key_F1);
        auto* viewer = form->findChild<HelpViewer*>();
        QVERIFY(viewer);
        QCOMPARE(viewer->topic(), QStringLiteral("Subjects"));
        QCOMPARE(viewer->browser()->source().fragment(), QStringLiteral("Subjects"));
        QVERIFY(viewer->browser()->toPlainText().contains(QStringLiteral("Eine Arbeit eintragen")));

        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QTest::keyClick(form.get(), Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(control<QStackedWidget>(*form, "Sites")->currentIndex(), 0);
        QTest::keyClick(form.get(), Qt::Key_F1);
        QCOMPARE(viewer->topic(), QStringLiteral("Settings"));
        QCOMPARE(form->findChildren<HelpViewer*>().size(), 1);
        QCOMPARE(messages().size(), 0);

        // The help file holds every topic of the program, the print dialog's too.
        const QString help = QString::fromUtf8(readBytes(Help::helpFile()));
        for (const char* topic : {"Settings", "Subjects", "Print", "Features", "Backups", "Trend",
                                  "CsvExport", "Update"})
            QVERIFY2(help.contains(QStringLiteral("name=\"%1\"").arg(QLatin1String(topic))), topic);
    }

    // ----- print button and logo

    void printButtonPictures() {
        auto form = formWithSubjects({QStringLiteral("Mathe")});
        auto* button = control<TVelaImage>(*form, "PrintBtn");
        QVERIFY(button && button->isVisible());
        const std::array<QImage, 3> pictures = printButtonImages();
        auto shown = [&] {
            for (int i = 0; i < 3; ++i)
                if (button->picture() == pictures[i])
                    return i;
            return -1;
        };
        QCOMPARE(shown(), 0);
        QSignalSpy printing(form.get(), &TForm1::printRequested);

        // Enter, press, release, leave: pictures 1, 2, 0, 0, and one print request.
        QList<int> seen;
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), button->mapToGlobal(QPointF(5, 5)));
        QApplication::sendEvent(button, &enter);
        seen << shown();
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(20, 90));
        seen << shown();
        QCOMPARE(printing.size(), 0);
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(20, 90));
        seen << shown();
        QCOMPARE(printing.size(), 1);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button, &leave);
        seen << shown();
        QCOMPARE(seen, QList<int>({1, 2, 0, 0}));
        QCOMPARE(printing.size(), 1);
        // A press taken off the button before release prints nothing.
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(20, 90));
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(-40, 90));
        QCOMPARE(printing.size(), 1);
        QCOMPARE(shown(), 0);
        // What shows on screen is the picture.
        QCOMPARE(button->grab().toImage().convertToFormat(QImage::Format_RGB32),
                 pictures[0].convertToFormat(QImage::Format_RGB32));
    }

    // The print button's pictures are drawn when the subjects page is first shown; before,
    // the button answers as it does then: its size, its picture, what it paints.
    void printButtonBeforeTheSubjectsPageShows() {
        auto form = startForm();
        auto* button = control<TVelaImage>(*form, "PrintBtn");
        QVERIFY(!button->isVisible());
        const std::array<QImage, 3> pictures = printButtonImages();
        QCOMPARE(button->sizeHint(), QSize(57, 193));
        QCOMPARE(button->grab().toImage().convertToFormat(QImage::Format_RGB32),
                 pictures[0].convertToFormat(QImage::Format_RGB32));
        QCOMPARE(button->picture(), pictures[0]);
        openFile(*form, dataFile());
        addSubject(*form, QStringLiteral("Mathe"));
        clickTab(*form, QStringLiteral("Mathe"));
        QVERIFY(button->isVisible());
        QCOMPARE(button->picture(), pictures[0]);
        QCOMPARE(button->grab().toImage().convertToFormat(QImage::Format_RGB32),
                 pictures[0].convertToFormat(QImage::Format_RGB32));
    }

    // The subject list shows the grade book's names through a model of its own: it looks exactly
    // like a list of items with the same names, also with a row selected.
    void subjectListPaintsAsAListOfItems() {
        auto form = fixture_->openForm();
        for (const char* name : {"Mathe", "Bildende Kunst", "Physik & Chemie"})
            addSubject(*form, QString::fromUtf8(name));
        form->ShowSettingsExecute();
        auto* set1 = control<QListView>(*form, "Set1");
        auto* items = new QListWidget(set1->parentWidget());
        items->setGeometry(set1->geometry());
        items->addItems(texts(set1));
        items->show();
        QCOMPARE(set1->grab().toImage(), items->grab().toImage());
        set1->setCurrentIndex(set1->model()->index(1, 0));
        items->setCurrentRow(1);
        QCOMPARE(set1->grab().toImage(), items->grab().toImage());
    }

    // With more tabs than the bar has room for, the bar looks exactly like a plain tab bar
    // with the same tabs, wherever it is scrolled to.
    void manyTabsPaintAsAPlainTabBar() {
        TabBarsToCompare bars(500, 0);
        auto& [window, tabs, plain] = bars;
        QStringList captions;
        for (int i = 1; i <= 60; ++i)
            captions << QStringLiteral("Fach %1 & Kurs").arg(i);
        tabs->insertTabs(0, captions);
        for (QString caption : captions)
            plain->addTab(caption.replace(u'&', QStringLiteral("&&")));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        plain->setGeometry(tabs->tabBar()->geometry().translated(0, 80));
        QCOMPARE(plain->size(), QSize(396, 24));
        for (int index : {0, 1, 30, 58, 59, 12}) {
            tabs->setCurrentIndex(index);
            plain->setCurrentIndex(index);
            QCOMPARE(tabs->tabBar()->grab().toImage(), plain->grab().toImage());
        }
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(13).center());
        QTest::mouseClick(plain, Qt::LeftButton, {}, plain->tabRect(13).center());
        QCOMPARE(tabs->currentIndex(), 13);
        QCOMPARE(tabs->tabBar()->grab().toImage(), plain->grab().toImage());

        // Tabs taken out and put in by the dozen, on the shown bar, leave it as the plain bar
        // with the same changes made one by one while it is hidden: the same places and the
        // same pixels.
        tabs->removeTabs(5, 20);
        plain->hide();
        for (int i = 0; i < 20; ++i)
            plain->removeTab(5);
        plain->show();
        QStringList more;
        for (int i = 1; i <= 15; ++i)
            more << QStringLiteral("Neu %1").arg(i);
        tabs->insertTabs(3, more);
        plain->hide();
        for (int i = 0; i < more.size(); ++i)
            plain->insertTab(3 + i, more.at(i));
        plain->show();
        QCOMPARE(tabs->count(), 55);
        QCOMPARE(tabs->currentText(), plain->tabText(plain->currentIndex()).replace("&&", "&"));
        for (int i = 0; i < tabs->count(); ++i)
            QCOMPARE(tabs->tabBar()->tabRect(i), plain->tabRect(i));
        QCOMPARE(tabs->tabBar()->grab().toImage(), plain->grab().toImage());
        // In a larger face the captions are measured anew.
        window.setFont(QFont(QStringLiteral("Liberation Sans"), 10));
        for (int i : {0, 3, 54})
            QCOMPARE(tabs->tabBar()->tabRect(i), plain->tabRect(i));
        tabs->removeTabs(0, 54);
        plain->hide();
        for (int i = 0; i < 54; ++i)
            plain->removeTab(0);
        plain->show();
        QCOMPARE(tabs->tabBar()->tabRect(0), plain->tabRect(0));
        QCOMPARE(tabs->tabBar()->grab().toImage(), plain->grab().toImage());
    }

    // A bar of more tabs than it holds at once: at the end it looks like the plain bar with all
    // tabs; a current tab at the front, or the user's first press, puts all tabs into it.
    void thousandsOfTabsLookAsAPlainTabBar() {
        TabBarsToCompare bars(500);
        auto& [window, tabs, plain] = bars;
        bars.addSubjectTabs(1000);
        QCOMPARE(tabs->waitingTabs(), 1001 - TabControl::HeldTabs);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        plain->setGeometry(tabs->tabBar()->geometry().translated(0, 20));
        QCOMPARE(tabs->count(), 1001);
        QCOMPARE(tabs->currentIndex(), 1000);
        QCOMPARE(tabs->tabText(2), QStringLiteral("Fach 3 & Kurs"));
        QCOMPARE(tabs->indexOf(QStringLiteral("Fach 999 & Kurs")), 998);
        QCOMPARE(tabs->tabBar()->grab().toImage(), plain->grab().toImage());
        // Taken out and put in before the bar's tabs, they still wait.
        tabs->removeTabs(10, 5);
        tabs->insertTab(10, QStringLiteral("Neu"));
        QCOMPARE(tabs->count(), 997);
        QCOMPARE(tabs->indexOf(QStringLiteral("Fach 16 & Kurs")), 11);
        QVERIFY(tabs->waitingTabs() > 0);
        tabs->insertTabs(
            10, QStringList{QStringLiteral("Fach 11 & Kurs"), QStringLiteral("Fach 12 & Kurs"),
                            QStringLiteral("Fach 13 & Kurs"), QStringLiteral("Fach 14 & Kurs"),
                            QStringLiteral("Fach 15 & Kurs")});
        tabs->removeTab(tabs->indexOf(QStringLiteral("Neu")));
        tabs->setCurrentIndex(990);
        plain->setCurrentIndex(990);
        QVERIFY(tabs->waitingTabs() > 0);
        QCOMPARE(tabs->tabBar()->grab().toImage(), plain->grab().toImage());
        tabs->setCurrentIndex(1000);
        plain->setCurrentIndex(1000);
        // The user's click on the scroll button scrolls the bar with all its tabs.
        auto* scrollLeft = tabs->tabBar()->findChildren<QToolButton*>().constFirst();
        auto* plainLeft = plain->findChildren<QToolButton*>().constFirst();
        QCOMPARE(tabs->tabBar()->grab().toImage(), plain->grab().toImage());
        QTest::mouseClick(scrollLeft, Qt::LeftButton);
        QTest::mouseClick(plainLeft, Qt::LeftButton);
        QCOMPARE(tabs->waitingTabs(), 0);
        QCOMPARE(tabs->count(), 1001);
        for (int i : {0, 14, 500, 1000})
            QCOMPARE(tabs->tabBar()->tabRect(i), plain->tabRect(i));
        QCOMPARE(tabs->tabBar()->grab().toImage(), plain->grab().toImage());
        tabs->setCurrentIndex(3);
        plain->setCurrentIndex(3);
        QCOMPARE(tabs->tabBar()->grab().toImage(), plain->grab().toImage());
        QCOMPARE(tabs->currentText(), QStringLiteral("Fach 4 & Kurs"));
    }

    // Widened past what its held tabs fill, the bar takes all its tabs and looks like the
    // plain bar of the same width.
    void aWiderBarTakesTheWaitingTabs() {
        TabBarsToCompare bars(3000);
        auto& [window, tabs, plain] = bars;
        bars.addSubjectTabs(100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(tabs->waitingTabs() > 0);
        tabs->resize(2800, 80);
        plain->setGeometry(tabs->tabBar()->geometry().translated(0, -100));
        QCOMPARE(tabs->waitingTabs(), 0);
        QCOMPARE(tabs->tabBar()->grab().toImage(), plain->grab().toImage());
    }

    void logoAndInfoShowTheAboutDialog() {
        auto form = startForm();
        auto* logo = control<TVelaImage>(*form, "InfoP");
        QVERIFY(logo && logo->isVisible());
        QCOMPARE(logo->picture(), logoBitmap());
        // The page shows through the logo's white.
        QVERIFY(logo->transparent());
        const QImage page = control<QWidget>(*form, "Settings")->grab().toImage();
        QCOMPARE(page.pixelColor(logo->geometry().bottomLeft() + QPoint(1, -1)),
                 control<QWidget>(*form, "Settings")->palette().color(QPalette::Window));

        QSignalSpy about(form.get(), &TForm1::aboutRequested);
        QTest::mouseClick(logo, Qt::LeftButton, {}, QPoint(70, 30));
        QCOMPARE(about.size(), 1);
        QTest::mouseClick(logo, Qt::RightButton, {}, QPoint(70, 30));
        QCOMPARE(about.size(), 1);
        control<QAction>(*form, "InfoAction")->trigger();
        QCOMPARE(about.size(), 2);
        QCOMPARE(control<QAction>(*form, "InfoAction")->text(), QStringLiteral("&Info"));
    }

    void missingHelpFileReported() {
        auto form = startForm();
        form->HelpExecute();
        QCOMPARE(messages().size(), 1);
        QCOMPARE(messages().first().icon, MessageIcon::Error);
        QVERIFY(messages().first().text.contains(QStringLiteral("Pultex.hlp")));
        QVERIFY(!form->findChild<HelpViewer*>());
    }

    // ----- single instance

    void singleInstance() {
        const QString name = QStringLiteral("ZensoriaTest ") + QUuid::createUuid().toString();
        auto first = std::make_unique<SingleInstance>(name);
        QVERIFY(first->claim());
        QSignalSpy raised(first.get(), &SingleInstance::raiseRequested);
        SingleInstance second(name);
        QVERIFY(!second.claim());
        QTRY_COMPARE(raised.size(), 1);
        first.reset();
        // The name is free again once the first instance has gone.
        SingleInstance third(name);
        QVERIFY(third.claim());
    }

    void unusableLockFileKeepsNoStartBack() {
        const QString name = QStringLiteral("ZensoriaTest ") + QUuid::createUuid().toString();
        const QString lock = SingleInstance::lockFilePath(name);
        QTemporaryDir elsewhere;
        const QString target = elsewhere.filePath(QStringLiteral("ziel"));
        // A link in the lock file's place is not followed, a folder cannot be opened: the
        // program starts all the same.
        QVERIFY(QFile::link(target, lock));
        QVERIFY(SingleInstance(name).claim());
        QVERIFY(!QFile::exists(target));
        QVERIFY(QFile::remove(lock));
        QVERIFY(QDir().mkdir(lock));
        QVERIFY(SingleInstance(name).claim());
        QVERIFY(QDir().rmdir(lock));
    }

    void crashedInstanceLeavesNoLock() {
        const QString name = QStringLiteral("ZensoriaTest ") + QUuid::createUuid().toString();
        // A child process takes the name and dies without cleaning up.
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--crash-holding"), name});
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QVERIFY(QFile::exists(SingleInstance::lockFilePath(name)));
        SingleInstance next(name);
        QVERIFY(next.claim());
        QSignalSpy raised(&next, &SingleInstance::raiseRequested);
        SingleInstance later(name);
        QVERIFY(!later.claim());
        QTRY_COMPARE(raised.size(), 1);
    }

    void secondWindowEndsAndRaisesFirst() {
        writeLines(settingsFile(), {"[Settings]", "Width=900", "Height=650"});
        auto first = std::make_unique<TForm1>();
        QVERIFY(!first->otherInstanceRunning());
        first->showMinimized();
        const QByteArray settings = readBytes(settingsFile());
        {
            TForm1 second;
            QVERIFY(second.otherInstanceRunning());
        }
        QTRY_VERIFY(first->isVisible() && !first->isMinimized());
        // A maximized window comes back in its normal size too.
        first->showMaximized();
        {
            TForm1 second;
            QVERIFY(second.otherInstanceRunning());
        }
        QTRY_VERIFY(!first->isMaximized() && !first->isMinimized());
        // The second instance wrote nothing.
        QCOMPARE(readBytes(settingsFile()), settings);
        // The program's start creates no window at all for it.
        QVERIFY(!createMainWindow());
        QCOMPARE(readBytes(settingsFile()), settings);
        first.reset();
        QVERIFY(readBytes(settingsFile()) != settings);
        // Once the first has ended, the program starts a window again.
        const std::unique_ptr<QMainWindow> again = createMainWindow();
        QVERIFY(qobject_cast<TForm1*>(again.get()));
    }
};

int main(int argc, char** argv) {
    // Child process of crashedInstanceLeavesNoLock: hold the name, then crash.
    if (argc == 3 && qstrcmp(argv[1], "--crash-holding") == 0) {
        QCoreApplication app(argc, argv);
        SingleInstance instance(QString::fromLocal8Bit(argv[2]));
        if (!instance.claim())
            return 1;
        std::signal(SIGKILL, SIG_DFL);
        ::raise(SIGKILL);
    }
    QApplication app(argc, argv);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
