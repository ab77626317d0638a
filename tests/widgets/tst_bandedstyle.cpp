#include "widgets/bandedstyle.h"

#include <QGroupBox>
#include <QTest>

// Group boxes drawn a band of rows at a time look as the application's style draws them whole,
// at every height, the band's own and the heights around it included.
class TestBandedStyle : public QObject {
    Q_OBJECT

private slots:
    void samePixelsAsTheStyle_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QSize>("size");
        for (const QString& title : {QStringLiteral("Schul&fächer"), QString()})
            for (const QSize size :
                 {QSize(120, 30), QSize(120, FrameBandRows), QSize(120, FrameBandRows + 1),
                  QSize(90, 2 * FrameBandRows), QSize(337, 321), QSize(40, 500)})
                QTest::addRow("%s %dx%d", title.isEmpty() ? "untitled" : "titled", size.width(),
                              size.height())
                    << title << size;
    }

    void samePixelsAsTheStyle() {
        QFETCH(QString, title);
        QFETCH(QSize, size);
        QGroupBox plain(title), banded(title);
        banded.setStyle(BandedStyle::shared());
        for (QGroupBox* group : {&plain, &banded})
            group->resize(size);
        QCOMPARE(banded.grab().toImage(), plain.grab().toImage());
    }
};

QTEST_MAIN(TestBandedStyle)
#include "tst_bandedstyle.moc"
