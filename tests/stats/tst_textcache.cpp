#include "gradedata/classtest.h"
#include "platform/localeformats.h"
#include "stats/averagebarpainter.h"
#include "stats/canvas.h"
#include "stats/drawstyle.h"
#include "stats/ranking.h"
#include "stats/rankingrowpainter.h"
#include "stats/statistics.h"
#include "stats/testrowpainter.h"
#include "support/classtests.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <functional>

namespace {

QImage painted(QSize size, qreal ratio, const std::function<void(QPainter&)>& paint,
               QImage::Format format = QImage::Format_RGB32) {
    QImage image(size * ratio, format);
    image.setDevicePixelRatio(ratio);
    image.fill(QColor(0xD5FFD5));
    QPainter p(&image);
    paint(p);
    return image;
}

} // namespace

// Texts drawn and measured through a view's text cache: the same pixels and sizes as laid out
// afresh, on first use and from the cache, and the rows, the average bar and the ranking
// drawn with a cache are the rows drawn without one.
class TestTextCache : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany)); }

    void textAsLaidOutAfresh_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QFont>("font");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QPointF>("shift");
        const QFont small(QStringLiteral("Liberation Sans"), 8);
        QFont bold = small;
        bold.setBold(true);
        QFont large = small;
        large.setPointSize(18);
        const QFont other(QStringLiteral("DejaVu Sans"), 9);
        const QStringList texts = {QStringLiteral("7. Klasse (2023/2024)"),
                                   QStringLiteral("21.09.2023"),
                                   QStringLiteral("3,2"),
                                   QStringLiteral("2,6. Schulstunde"),
                                   QStringLiteral("Äpfel, Öl und Größe"),
                                   QStringLiteral("office fit"),
                                   QStringLiteral("⌀ 2,5 → 3"),
                                   QStringLiteral("Mathe (عربي)"),
                                   QStringLiteral("eins\tzwei"),
                                   QString()};
        for (const QString& text : texts) {
            const QByteArray name = text.toUtf8();
            QTest::newRow(("klein: " + name).constData()) << text << small << 1.0 << QPointF();
            QTest::newRow(("fett: " + name).constData()) << text << bold << 1.0 << QPointF(3, 5);
            QTest::newRow(("groß: " + name).constData()) << text << large << 1.0 << QPointF();
            QTest::newRow(("DejaVu: " + name).constData()) << text << other << 1.0 << QPointF();
            QTest::newRow(("1,5fach: " + name).constData()) << text << small << 1.5 << QPointF();
            QTest::newRow(("halbes Pixel: " + name).constData())
                << text << small << 1.0 << QPointF(0.5, 0.25);
        }
    }

    void textAsLaidOutAfresh() {
        QFETCH(QString, text);
        QFETCH(QFont, font);
        QFETCH(qreal, ratio);
        QFETCH(QPointF, shift);
        canvas::TextCache cache;
        const auto draw = [&](canvas::TextCache* texts) {
            return painted({160, 40}, ratio, [&](QPainter& p) {
                p.translate(shift);
                p.setFont(font);
                canvas::text(p, 4, 6, text, Qt::black, texts);
                canvas::text(p, 7, 19, text, QColor(0xFF0000), texts);
                // Widths and heights as QFontMetrics gives them, also from the cache.
                QCOMPARE(canvas::textWidth(p, text, texts),
                         p.fontMetrics().horizontalAdvance(text));
                QCOMPARE(canvas::textHeight(p, texts), p.fontMetrics().height());
            });
        };
        const QImage afresh = draw(nullptr);
        QCOMPARE(draw(&cache), afresh); // laid out into the cache
        QCOMPARE(draw(&cache), afresh); // drawn from it
    }

    // Texts put down on a plain area: the pixels of texts drawn without the cache, on first use
    // and from the images made then, in other pens, where a part of the area was drawn on
    // before, where the area is too small for the text, for texts without pixels, and on
    // devices of other pixels.
    void textOnPlainAreaAsDrawn() {
        const QColor plain(0xD5FFD5); // the colour painted() fills with
        canvas::TextCache cache;
        for (const QImage::Format format :
             {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB16})
            for (const qreal ratio : {1.0, 1.5})
                for (const QRect& area : {QRect(0, 0, 160, 40), QRect(4, 6, 30, 8)})
                    for (const QString& text :
                         {QStringLiteral("21.09.2023"), QStringLiteral("7. Klasse"),
                          QStringLiteral(" "), QString()}) {
                        const auto draw = [&](canvas::TextCache* texts) {
                            return painted(
                                {160, 40}, ratio,
                                [&](QPainter& p) {
                                    p.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
                                    const canvas::TextFont font(p, texts);
                                    canvas::DrawnSince drawn;
                                    canvas::PlainArea on(area, plain, drawn);
                                    for (const QColor pen : {QColor(Qt::black), QColor(0xFF0000)}) {
                                        p.setPen(pen);
                                        font.draw(p, 4, 6, font.text(text), on);
                                    }
                                    canvas::fill(p, 40, 20, 50, 30, Qt::blue);
                                    on.drawnOn(QRect(40, 20, 10, 10));
                                    font.draw(p, 38, 18, font.text(text), on);
                                    font.draw(p, 90, 18, font.text(text), on);
                                },
                                format);
                        };
                        const QImage without = draw(nullptr);
                        QCOMPARE(draw(&cache), without);
                        QCOMPARE(draw(&cache), without);
                    }
    }

    void viewsAsWithoutCache() {
        const QList<ClassTest> tests = {
            classTest(7, 1, QDate(2023, 9, 21), {2, 5, 9, 7, 3, 1}, 3),
            classTest(7, 2, QDate(2023, 11, 9), {4, 6, 8, 6, 2, 1}, 2),
            classTest(12, 10, QDate(2010, 2, 1), {0, 0, 0, 0, 0, 3}, 0),
            classTest(5, 3, QDate(2003, 7, 31), {0, 0, 0, 0, 0, 0}, 6),
            // Figures wider than their places, over the mark.
            classTest(9, 4, QDate(2024, 3, 4), {1234567, 88888888, 7777777, 1, 0, 2}, 2),
            classTest(9, 5, QDate(2024, 3, 5), {3, 1, 1999999999, 0, 0, 0}, 2)};
        RankedSubject ranked;
        ranked.averageText = ClassAverageText(2.8166666667L);
        ranked.shownAverage = shownClassAverage(ranked.averageText);
        ranked.subject = QStringLiteral("Mathematik");
        ranked.testCount = 4;
        canvas::TextCache cache;
        QFont font;
        const auto draw = [&](canvas::TextCache* texts, bool labels) {
            return painted({753, 30 * int(tests.size()) + 60}, 1.0, [&](QPainter& p) {
                DrawStyle style;
                style.font = font;
                style.diagramLabels = labels;
                style.texts = texts;
                for (int i = 0; i < tests.size(); ++i) {
                    style.selected = i == 1;
                    paintTestRow(p, QRect(0, 30 * i, 753, 30), tests.at(i), style);
                }
                style.selected = false;
                p.drawImage(0, 30 * int(tests.size()),
                            AverageBarImage(753, subjectSummaryOf(tests), style));
                paintRankingRow(p, QRect(0, 30 * int(tests.size()) + 30, 353, 29), ranked, 0,
                                style);
            });
        };
        // In the wider face a row's first text reaches into the next column.
        for (const QString& family :
             {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")})
            for (const bool labels : {true, false}) {
                font = QFont(family, 8);
                const QImage without = draw(nullptr, labels);
                QCOMPARE(draw(&cache, labels), without);
                QCOMPARE(draw(&cache, labels), without);
            }
    }

    // A row's background is kept as an image of its size, selection and colours, and its texts
    // as images on their columns' colours: rows drawn through one cache in other sizes and
    // colours (a highlight that is also the window's colour; rows too narrow or too low for
    // their texts) are those drawn without it.
    void rowBackgroundsFollowSizeAndColours() {
        const ClassTest test = classTest(7, 1, QDate(2023, 9, 21), {2, 5, 9, 7, 3, 1}, 3);
        canvas::TextCache cache;
        for (const int height : {30, 24, 14})
            for (const int width : {753, 600, 450})
                for (const QColor window : {QColor(Qt::white), QColor(0xE0E0FF)})
                    for (const bool selected : {false, true}) {
                        const auto draw = [&](canvas::TextCache* texts) {
                            return painted({width, height + 2}, 1.0, [&](QPainter& p) {
                                DrawStyle style;
                                style.font = QFont(QStringLiteral("Liberation Sans"), 8);
                                style.window = window;
                                style.highlight = QColor(0xE0E0FF);
                                style.selected = selected;
                                style.texts = texts;
                                paintTestRow(p, QRect(0, 1, width, height), test, style);
                            });
                        };
                        QCOMPARE(draw(&cache), draw(nullptr));
                    }
    }

    // A row's texts are kept by their numbers; with other formats the same numbers give the
    // texts of those formats, and a flood of different texts starts the cache afresh.
    void rowsAsWithoutCacheWhenTextsChange() {
        const ClassTest test = classTest(7, 1, QDate(2023, 9, 21), {2, 5, 9, 7, 3, 1}, 3);
        DrawStyle style;
        style.font = QFont(QStringLiteral("Liberation Sans"), 8);
        canvas::TextCache cache;
        const auto draw = [&](canvas::TextCache* texts, const ClassTest& row) {
            return painted({753, 30}, 1.0, [&](QPainter& p) {
                style.texts = texts;
                paintTestRow(p, QRect(0, 0, 753, 30), row, style);
            });
        };
        QCOMPARE(draw(&cache, test), draw(nullptr, test));
        LocaleFormats::setCurrent(QLocale(QLocale::English, QLocale::UnitedStates));
        const QImage english = draw(nullptr, test);
        const QImage fromCache = draw(&cache, test);
        LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(fromCache, english);
        QVERIFY(fromCache != draw(&cache, test));
        ClassTest other = test;
        for (int day = 0; day < 5000; ++day) {
            other.date = QDate(2000, 1, 1).addDays(day);
            other.counts[0] = day % 40;
            const QImage cached = draw(&cache, other);
            if (day % 1000 == 999)
                QCOMPARE(cached, draw(nullptr, other));
        }
        QCOMPARE(draw(&cache, test), draw(nullptr, test));
    }
};

QTEST_MAIN(TestTextCache)

#include "tst_textcache.moc"
