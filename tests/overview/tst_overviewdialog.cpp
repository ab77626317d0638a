#include "support/classtests.h"

#include "overview/overviewchart.h"
#include "overview/overviewdialog.h"
#include "overview/overviewtablemodel.h"
#include "platform/helpviewer.h"
#include "platform/localeformats.h"
#include "stats/gradecolours.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QSpinBox>
#include <QTableView>
#include <QTextBrowser>
#include <QtTest>

namespace {

SubjectOverview grades() {
    using S = SubjectOverview::Subject;
    return SubjectOverview({
        S{QStringLiteral("Deutsch"),
          {classTest(7, 1, QDate(2023, 3, 1), {0, 1, 0, 0, 0, 0}, 1),
           classTest(8, 1, QDate(2023, 9, 1), {0, 0, 1, 0, 0, 0}, 4),
           classTest(8, 2, QDate(2024, 1, 9), {0, 0, 1, 0, 0, 0}, 4)}},
        S{QStringLiteral("Englisch"), {classTest(8, 1, QDate(2023, 10, 1), {0, 1, 0, 0, 0, 0}, 2)}},
        S{QStringLiteral("Kunst"), {classTest(7, 1, QDate(2023, 5, 1), {1, 0, 0, 0, 0, 0}, 1)}},
    });
}

template <typename T> T* control(const QWidget& form, const char* name) {
    T* widget = form.findChild<T*>(QString::fromLatin1(name));
    if (!widget)
        qFatal("no control %s", name);
    return widget;
}

QStringList shownSubjects(const QTableView& table) {
    QStringList names;
    for (int r = 0; r < table.model()->rowCount(); ++r)
        names.append(table.model()->index(r, 0).data().toString());
    return names;
}

} // namespace

class TestOverviewDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany)); }

    void selectSortFilterAndAsk() {
        OverviewDialog dialog(grades(), QStringLiteral("Deutsch"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* years = control<QComboBox>(dialog, "ComboBox_SchoolYear");
        auto* table = control<QTableView>(dialog, "TableView_Overview");
        auto* needed = control<QLabel>(dialog, "Label_Needed");
        auto* target = control<QDoubleSpinBox>(dialog, "SpinEdit_Target");
        auto* remaining = control<QSpinBox>(dialog, "SpinEdit_Remaining");

        // It opens on the latest school year, with the subject of the main window selected.
        QCOMPARE(years->currentText(), QStringLiteral("2023/2024"));
        QCOMPARE(years->count(), 3);
        QCOMPARE(shownSubjects(*table), QStringList({"Deutsch", "Englisch"}));
        QCOMPARE(dialog.selectedSubject(), QStringLiteral("Deutsch"));
        QCOMPARE(control<QLabel>(dialog, "Label_NeededSubject")->text(), QStringLiteral("Deutsch"));
        QCOMPARE(remaining->value(), 1);
        // Deutsch 2023/2024: 4 and 4; a 2,5 needs (8 + g) / 3 <= 2,5: nothing reaches it.
        QVERIFY2(needed->text().contains(u"nicht erreichbar"), qPrintable(needed->text()));
        target->setValue(3.5);
        QCOMPARE(needed->text(), QStringLiteral("Die nächste Arbeit braucht mindestens die Note 2 "
                                                "(Schnitt dann 3,3)."));
        remaining->setValue(2);
        QVERIFY(needed->text().startsWith(u"Jede der 2 Arbeiten braucht mindestens die Note 3"));

        // Sorted by the own grade with a click on its column's head; the selection follows.
        QHeaderView* header = table->horizontalHeader();
        const int x = header->sectionViewportPosition(4) + header->sectionSize(4) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
        QCOMPARE(header->sortIndicatorSection(), 4);
        const QStringList ranked = header->sortIndicatorOrder() == Qt::AscendingOrder
                                       ? QStringList({"Englisch", "Deutsch"})
                                       : QStringList({"Deutsch", "Englisch"});
        QCOMPARE(shownSubjects(*table), ranked);
        QCOMPARE(dialog.selectedSubject(), QStringLiteral("Deutsch"));

        // Another subject by a click on its row.
        const int englisch = ranked.indexOf(QStringLiteral("Englisch"));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                          table->visualRect(table->model()->index(englisch, 0)).center());
        QCOMPARE(dialog.selectedSubject(), QStringLiteral("Englisch"));
        // (2 + 2g) / 3 <= 3,5.
        QVERIFY(needed->text().startsWith(u"Jede der 2 Arbeiten braucht mindestens die Note 4"));

        // All years: Kunst appears, and the sorting stays.
        years->setCurrentIndex(0);
        QCOMPARE(dialog.schoolYear(), std::nullopt);
        QCOMPARE(table->model()->rowCount(), 3);
        QCOMPARE(dialog.selectedSubject(), QStringLiteral("Englisch"));
        // A screen reader hears every subject's bars with the table's figures.
        const QString spoken = control<QWidget>(dialog, "Chart_Overview")->accessibleDescription();
        const auto cell = [&](int row, int column) {
            return table->model()->index(row, column).data().toString();
        };
        for (int row = 0; row < 3; ++row)
            QVERIFY2(spoken.contains(QStringLiteral("%1: eigener Schnitt %2, Klassenschnitt %3.")
                                         .arg(cell(row, OverviewTableModel::Subject),
                                              cell(row, OverviewTableModel::OwnAverage),
                                              cell(row, OverviewTableModel::ClassAverage))),
                     qPrintable(spoken));
        QCOMPARE(table->model()->index(shownSubjects(*table).indexOf("Deutsch"), 3).data(),
                 QVariant(QStringLiteral("3")));
        // 2022/2023: Englisch has no test there; the selection moves to the first row.
        dialog.setSchoolYear(2022);
        QCOMPARE(table->model()->rowCount(), 2);
        QVERIFY(!dialog.selectedSubject().isEmpty());
        QCOMPARE(control<QLabel>(dialog, "Label_NeededSubject")->text(), dialog.selectedSubject());
    }

    void helpTopic() {
        Help::setHelpFile(QStringLiteral(ZENSORIA_SOURCE_DIR "/resources/Pultex.hlp"));
        OverviewDialog dialog(grades(), QString());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClick(&dialog, Qt::Key_F1);
        auto* viewer = dialog.findChild<HelpViewer*>();
        QVERIFY(viewer);
        QCOMPARE(viewer->browser()->source().fragment(), QStringLiteral("Overview"));
        QVERIFY(
            viewer->browser()->toPlainText().contains(QStringLiteral("Welche Note brauche ich?")));
    }

    void chartHasOneAtTheTop() {
        QCOMPARE(chartY(1, 100, 600), 100);
        QCOMPARE(chartY(6, 100, 600), 600);
        QCOMPARE(chartY(3.5L, 100, 600), 350);
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        OverviewRow row;
        row.subject = QStringLiteral("Mathematik");
        row.ownAverage = 1.0L; // a full-height bar in the colour of grade 1
        row.classAverage = 6.0L;
        drawOverviewChart(painter, image.rect(), {row}, QFont(QStringLiteral("Liberation Sans"), 9),
                          1);
        painter.end();
        // The own bar stands left of the slot's middle and reaches the top of the axis.
        int topOfBar = -1;
        for (int y = 0; y < image.height() && topOfBar < 0; ++y) {
            if (image.pixelColor(180, y) == gradeBarColour(1))
                topOfBar = y;
        }
        QVERIFY(topOfBar > 0 && topOfBar < 60);
        QCOMPARE(image.pixelColor(180, 240), gradeBarColour(1));
    }
};

QTEST_MAIN(TestOverviewDialog)
#include "tst_overviewdialog.moc"
