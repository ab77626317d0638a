#include "widgets/uniformrows.h"

#include <QListView>
#include <QScrollBar>
#include <QStringListModel>
#include <QTest>

// A list that measures one row for all shows the pixels of one that measures every row, and
// does so only where that holds.
class TestUniformRows : public QObject {
    Q_OBJECT

private slots:
    void samePixelsAsRowsMeasuredOneByOne_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("part"); // rows measured at a time
        QTest::addColumn<bool>("uniform");
        QTest::addColumn<bool>("shownFirst"); // else filled while hidden, as the window does
        QStringList many;
        for (int i = 0; i < 40; ++i)
            many << QStringLiteral("Fach %1").arg(i);
        const QStringList wide{"Naturwissenschaftliches Arbeiten", "Deutsch"};
        QTest::newRow("short names, scrolled") << many << 305 << 1000 << true << true;
        QTest::newRow("umlauts") << QStringList{"Französisch", "Erdkunde", "Ökologie"} << 305
                                 << 1000 << true << true;
        QTest::newRow("a name wider than the list") << wide << 120 << 1000 << false << true;
        QTest::newRow("a character of another face")
            << QStringList{"Deutsch", "漢字"} << 305 << 1000 << false << true;
        QTest::newRow("a tab") << QStringList{"Deutsch", "Mathe\tLK"} << 305 << 1000 << false
                               << true;
        QTest::newRow("more rows than one part") << many << 305 << 10 << false << true;
        QTest::newRow("short names, filled while hidden") << many << 305 << 1000 << true << false;
        QTest::newRow("a wide name, filled while hidden") << wide << 120 << 1000 << false << false;
    }

    void samePixelsAsRowsMeasuredOneByOne() {
        QFETCH(QStringList, names);
        QFETCH(int, width);
        QFETCH(int, part);
        QFETCH(bool, uniform);
        QFETCH(bool, shownFirst);
        QStringListModel model(shownFirst ? names : QStringList());
        QListView plain, kept;
        for (QListView* list : {&plain, &kept}) {
            // As the subjects list is: measured a part at a time.
            list->setLayoutMode(QListView::Batched);
            list->setBatchSize(part);
            list->setFont(QFont(QStringLiteral("Liberation Sans"), 8));
            list->setModel(&model);
            list->resize(width, 150);
            if (shownFirst)
                list->show();
        }
        UniformRows::keep(&kept);
        if (!shownFirst) {
            model.setStringList(names);
            plain.show();
            kept.show();
        }
        const auto compare = [&] {
            // The parts after the first are measured between other work.
            for (int i = 0; i < 10; ++i)
                QCoreApplication::processEvents();
            QCOMPARE(kept.grab().toImage(), plain.grab().toImage());
            QCOMPARE(kept.horizontalScrollBar()->maximum(), plain.horizontalScrollBar()->maximum());
        };
        QCOMPARE(kept.uniformItemSizes(), uniform);
        compare();

        // Narrowed until no name fits, and widened again.
        for (const int narrower : {40, width}) {
            for (QListView* list : {&plain, &kept})
                list->resize(narrower, 150);
            QCOMPARE(kept.uniformItemSizes(), uniform && narrower == width);
            compare();
        }
    }
};

QTEST_MAIN(TestUniformRows)
#include "tst_uniformrows.moc"
