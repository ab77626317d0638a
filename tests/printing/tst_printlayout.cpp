#include "paintrecorder.h"

#include "gradedata/classtest.h"
#include "platform/apperror.h"
#include "platform/localeformats.h"
#include "printing/printlayout.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

namespace {

// The preview's own parameters: a 2400 x 721 image, the table at L = T = 100, width 2200.
constexpr int L = 100, T = 100, W = 2200;
constexpr int ImageWidth = 2400, ImageHeight = 721;
const QString Title = QStringLiteral("[/home/anna/Noten.plx] - Mathematik");

int rowTop(int k) {
    return T + 1 + 104 * k;
}

ClassTest makeTest(GradeCounts counts, int ownGrade = 0, QDate date = QDate(2004, 3, 15),
                   int gradeLevel = 7) {
    ClassTest test;
    test.gradeLevel = gradeLevel;
    test.number = 2;
    test.date = date;
    test.lesson = 3;
    test.counts = counts;
    test.ownGrade = ownGrade;
    return test;
}

const GradeCounts Typical{3, 5, 8, 4, 2, 0};

PrintTestAt listOf(const QList<ClassTest>& tests) {
    return [tests](int index) { return tests.at(index); };
}

PrintTestAt repeated(const ClassTest& test) {
    return [test](int) { return test; };
}

struct Page {
    PrintLayoutOptions options;
    QString title = Title;
    int N = 1;
    int first = 0, last = 4;
    bool yAxisUp = false;
    PrintTestAt testAt = repeated(makeTest(Typical));
};

QImage drawn(const Page& page, int height = ImageHeight) {
    QImage image(ImageWidth, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    DrawPrintPage(painter, page.title, 1, L, T, W, page.N, page.first, page.last, page.yAxisUp,
                  page.options, page.testAt);
    return image;
}

std::unique_ptr<PaintRecorder> recorded(const Page& page) {
    auto recorder = std::make_unique<PaintRecorder>(ImageWidth, ImageHeight);
    QPainter painter(recorder.get());
    DrawPrintPage(painter, page.title, 1, L, T, W, page.N, page.first, page.last, page.yAxisUp,
                  page.options, page.testAt);
    return recorder;
}

bool isBlack(const QImage& image, int x, int y) {
    return image.pixelColor(x, y) == QColor(Qt::black);
}

bool isWhite(const QImage& image, int x, int y) {
    return image.pixelColor(x, y) == QColor(Qt::white);
}

bool inRow(const RecordedText& t, int k) {
    return t.topLeft.y() >= rowTop(k) && t.topLeft.y() < rowTop(k + 1);
}

// Texts of row k (0 is the head row) whose left edge lies in the column band l .. right
// (relative to L).
QStringList textsBetween(const PaintRecorder& r, int l, int right, int k = 1) {
    QStringList result;
    for (const RecordedText& t : r.texts)
        if (inRow(t, k) && t.topLeft.x() >= L + l && t.topLeft.x() < L + right)
            result.append(t.text);
    return result;
}

// The text s in row k; nullptr when there is none.
const RecordedText* findInRow(const PaintRecorder& r, const QString& s, int k = 1) {
    for (const RecordedText& t : r.texts)
        if (t.text == s && inRow(t, k))
            return &t;
    return nullptr;
}

} // namespace

class TestPrintLayout : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany)); }

    void headerAndHeadRow() {
        Page page;
        page.N = 0;
        const auto r = recorded(page);
        QCOMPARE(r->textStrings(),
                 (QStringList{Title, QStringLiteral("Seite 1"), QStringLiteral("Klassenarbeit"),
                              QStringLiteral("Datum"), QStringLiteral("1"), QStringLiteral("2"),
                              QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5"),
                              QStringLiteral("6"), QStringLiteral("Teil-"),
                              QStringLiteral("nehmer"), QStringLiteral("Diagramm")}));

        // The title: bold italic Arial of cell height 40, its bottom 10 units above the table;
        // the page number regular, on the same top, ending at L + W.
        const RecordedText* title = r->find(Title);
        QVERIFY(title->font.bold() && title->font.italic());
        QCOMPARE(title->font.family(), QStringLiteral("Arial"));
        const QFontMetrics titleMetrics(title->font);
        QVERIFY(qAbs(titleMetrics.height() - 40) <= 1);
        QCOMPARE(title->topLeft.x(), qreal(L));
        QCOMPARE(title->topLeft.y() + titleMetrics.height(), qreal(T - 10));
        const RecordedText* number = r->find(QStringLiteral("Seite 1"));
        QVERIFY(!number->font.bold() && !number->font.italic());
        QCOMPARE(number->topLeft.y(), title->topLeft.y());
        QCOMPARE(number->topLeft.x() + QFontMetrics(number->font).horizontalAdvance("Seite 1"),
                 qreal(L + W));

        // The head row: bold, cell height 50, texts at their columns.
        const RecordedText* head = r->find(QStringLiteral("Klassenarbeit"));
        QVERIFY(head->font.bold());
        const QFontMetrics headMetrics(head->font);
        QVERIFY(qAbs(headMetrics.height() - 50) <= 1);
        const int cy = rowTop(0) + 52;
        QCOMPARE(head->topLeft, QPointF(L + 2, cy - headMetrics.height() / 2));
        QCOMPARE(r->find(QStringLiteral("Datum"))->topLeft.x(), qreal(L + 502));
        QCOMPARE(r->find(QStringLiteral("Teil-"))->topLeft.y(), cy - headMetrics.height());
        QCOMPARE(r->find(QStringLiteral("nehmer"))->topLeft.y(), qreal(cy));
        const RecordedText* six = r->find(QStringLiteral("6"));
        QCOMPARE(six->topLeft.x() + QFontMetrics(six->font).horizontalAdvance("6") / 2,
                 qreal(L + 1365));

        // The average sign: a circle of pen width 8 inscribed in 1649 .. 1729 and its stroke.
        const QImage image = drawn(page);
        const int middle = L + 1689;
        QVERIFY(isBlack(image, L + 1649, rowTop(0) + 53)); // left edge of the circle
        QVERIFY(isBlack(image, L + 1729, rowTop(0) + 53)); // right edge
        QVERIFY(isBlack(image, middle, rowTop(0) + 13));   // top
        QVERIFY(isBlack(image, middle, rowTop(0) + 53));   // the stroke crosses the middle
        QVERIFY(isWhite(image, middle - 20, rowTop(0) + 33));
        bool signPen = false;
        for (const RecordedShape& s : r->shapesOf(RecordedShape::Kind::Ellipse))
            signPen |= s.pen.width() == 8 && s.rect == QRectF(L + 1649, rowTop(0) + 13, 80, 80);
        QVERIFY(signPen);
    }

    void titleFitsBeforeThePageNumber_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("maxWidth");
        QTest::addColumn<QString>("fitted");
        // Widths counted in characters.
        QTest::newRow("fits") << "[/a/b.plx] - Mathe" << 18 << "[/a/b.plx] - Mathe";
        QTest::newRow("middle of the path") << "[abcdefghij] - M" << 12 << "[abc…ij] - M";
        QTest::newRow("one character of the path") << "[abcdefghij] - M" << 8 << "[a…] - M";
        QTest::newRow("the subject stays whole")
            << "[abcdefghij] - Mathematik" << 5 << "[…] - Mathematik";
        QTest::newRow("not a data-file title")
            << "Mathematik und mehr" << 5 << "Mathematik und mehr";
    }
    void titleFitsBeforeThePageNumber() {
        QFETCH(QString, title);
        QFETCH(int, maxWidth);
        QTEST(fitPrintTitle(title, maxWidth, [](const QString& s) { return int(s.size()); }),
              "fitted");
    }

    void longDataFilePathIsShortenedOnThePage() {
        Page page;
        page.N = 0;
        QString path = QStringLiteral("/home/anna");
        while (path.size() < 400)
            path += QStringLiteral("/Unterordner");
        path += QStringLiteral("/Noten.plx");
        page.title = PrintTitle(path, QStringLiteral("Mathematik"));
        const auto r = recorded(page);
        const RecordedText& title = r->texts.at(0);
        const RecordedText* number = r->find(QStringLiteral("Seite 1"));
        QVERIFY(number);
        QVERIFY(title.text.startsWith(QStringLiteral("[/home/anna/Unter")));
        QVERIFY(title.text.endsWith(QStringLiteral("/Noten.plx] - Mathematik")));
        QCOMPARE(title.text.count(QStringLiteral("…")), 1);
        // It ends a cell height before the page number, and as close to it as a character.
        const qreal end =
            title.topLeft.x() + QFontMetrics(title.font).horizontalAdvance(title.text);
        QVERIFY(end <= number->topLeft.x() - 40);
        QVERIFY(end > number->topLeft.x() - 40 - 60);
    }

    void emptyTitleGivesNoHeaderLine() {
        Page page;
        page.title.clear();
        const auto r = recorded(page);
        QVERIFY(!r->find(QStringLiteral("Seite 1")));
        QCOMPARE(r->texts.first().text, QStringLiteral("Klassenarbeit"));
        const QImage image = drawn(page);
        for (int y = 0; y < T; ++y)
            for (int x = 0; x < ImageWidth; x += 3)
                QVERIFY2(isWhite(image, x, y), qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    }

    void columnLines() {
        for (const bool on : {true, false}) {
            for (const bool diagram : {true, false}) {
                Page page;
                page.options.ColumnLines = on;
                page.options.ShowDiagram = diagram;
                page.options.RowLines = false;
                const QImage image = drawn(page);
                for (int k = 0; k < 2; ++k) {
                    const int y = rowTop(k) + 5; // above every text of the row
                    for (int x : {500, 810, 1440, 1630})
                        QCOMPARE(isBlack(image, L + x, y), on);
                    QCOMPARE(isBlack(image, L + 1748, y), on && diagram);
                    // Nowhere between the six grade columns.
                    for (int x = 820; x < 1430; ++x)
                        QVERIFY(isWhite(image, L + x, y));
                }
            }
        }
        // Preview pen: 3 units wide; printer pen: the thinnest the device draws.
        Page page;
        for (const bool up : {false, true}) {
            page.yAxisUp = up;
            const auto r = recorded(page);
            int lines = 0;
            for (const RecordedShape& s : r->shapesOf(RecordedShape::Kind::Line)) {
                if (s.line.x1() == L + 810 && s.line.x2() == L + 810) {
                    QCOMPARE(s.pen.width(), up ? 0 : 3);
                    QCOMPARE(s.line.y2() - s.line.y1(), 104.0);
                    ++lines;
                }
            }
            QCOMPARE(lines, 2); // head row and the one test
        }
    }

    void rowLines() {
        // Five tests on a page of three slots: the head row and the first two tests are lined,
        // the test in the last slot is not.
        for (const bool diagram : {true, false}) {
            Page page;
            page.N = 5;
            page.first = 0;
            page.last = 2;
            page.options.ShowDiagram = diagram;
            page.options.ColumnLines = false;
            const QImage image = drawn(page);
            for (int k = 0; k < 4; ++k) {
                const int y = rowTop(k) + 102;
                const bool lined = k < 3;
                QCOMPARE(isBlack(image, L + 1, y), lined);
                QCOMPARE(isBlack(image, L + 1747, y), lined);
                QVERIFY(isWhite(image, L + 1748, y) != (lined && diagram));
                QCOMPARE(isBlack(image, L + W - 1, y), lined && diagram);
                QVERIFY(isWhite(image, L + W, y));
            }
        }
        // The last test of a partly filled final page is lined.
        Page page;
        page.N = 2;
        page.options.ColumnLines = false;
        QVERIFY(isBlack(drawn(page), L + 1, rowTop(2) + 102));
        // Off: no line at all.
        page.options.RowLines = false;
        QVERIFY(isWhite(drawn(page), L + 1, rowTop(0) + 102));
        QVERIFY(isWhite(drawn(page), L + 1, rowTop(1) + 102));
    }

    void tintedColumns() {
        for (const bool on : {true, false}) {
            Page page;
            page.options.ColouredColumns = on;
            page.options.ColumnLines = false;
            const QImage image = drawn(page);
            for (int k = 0; k < 2; ++k) {
                const int y = rowTop(k) + 3;
                const auto tint = [&](int x, QRgb colour) {
                    return image.pixelColor(L + x, y) == QColor(on ? colour : 0xFFFFFF);
                };
                QVERIFY(tint(1, 0xFFFFD5) && tint(499, 0xFFFFD5));
                QVERIFY(tint(500, 0xD5FFD5) && tint(809, 0xD5FFD5));
                QVERIFY(tint(1440, 0xD5D5FF) && tint(1629, 0xD5D5FF));
                QVERIFY(tint(1630, 0xFFD5D5) && tint(1747, 0xFFD5D5));
                QVERIFY(isWhite(image, L + 810, y) && isWhite(image, L + 1439, y));
                QVERIFY(isWhite(image, L + 1748, y) && isWhite(image, L + 2000, y));
            }
        }
    }

    void diagramSegments() {
        // Counts 3, 5, 8, 4, 2, 0 on W = 2200: the frame runs from 1760 to 2198; each grade
        // takes its share of the width still left.
        const int cy = rowTop(1) + 52;
        for (const bool coloured : {true, false}) {
            Page page;
            page.options.ColouredDiagram = coloured;
            page.options.BarLabels = false;
            const QImage image = drawn(page);
            int x = 1761;
            for (int g = 1; g <= 6; ++g) {
                const int count = Typical[g - 1];
                int rest = 0;
                for (int h = g; h <= 6; ++h)
                    rest += Typical[h - 1];
                const int length = rest == 0 ? 0 : int(double(count) / rest * (W - 2 - x));
                if (length > 4) {
                    const QRgb colours[2][6] = {
                        {0xFFFFFF, 0xE9E9E9, 0xD8D8D8, 0xC0C0C0, 0x9B9B9B, 0x606060},
                        {0x008000, 0x00FF00, 0xB3B300, 0xFFFF00, 0xFFB76F, 0xFF0000}};
                    QCOMPARE(image.pixelColor(L + x + length / 2, cy),
                             QColor(colours[coloured][g - 1]));
                }
                x += length;
            }
            // The last segment ends at the frame's right edge.
            QVERIFY(image.pixelColor(L + W - 5, cy) == QColor(coloured ? 0xFFB76F : 0x9B9B9B));
        }
    }

    void typicalRowTexts() {
        // 3, 5, 8, 4, 2, 0: 22 participants, average 63 / 22 shown as 2,9; labels in every
        // segment but the sixth, which has length 0.
        Page page;
        const auto r = recorded(page);
        QVERIFY(r->find(QStringLiteral("22")));
        const RecordedText* average = r->find(QStringLiteral("2,9"));
        QVERIFY(average && average->font.bold());
        QCOMPARE(average->topLeft.x() + QFontMetrics(average->font).horizontalAdvance("2,9") / 2,
                 qreal(L + 1689));
        QCOMPARE(r->find(QStringLiteral("22"))->font.bold(), false);
        QCOMPARE(textsBetween(*r, 1750, W, 0), QStringList{QStringLiteral("Diagramm")});
        QCOMPARE(textsBetween(*r, 1760, W),
                 (QStringList{QStringLiteral("3"), QStringLiteral("5"), QStringLiteral("8"),
                              QStringLiteral("4"), QStringLiteral("2")}));
        for (const RecordedText& t : r->texts) {
            if (inRow(t, 1) && t.topLeft.x() > L + 1760) {
                QVERIFY(t.font.bold());
                // Grey palette: black labels but on grade 5 and 6.
                QCOMPARE(t.colour, QColor(t.text == QStringLiteral("2") ? Qt::white : Qt::black));
            }
        }
        page.options.ColouredDiagram = true;
        const auto colouredPage = recorded(page);
        QCOMPARE(textsBetween(*colouredPage, 1760, 1800).value(0), QStringLiteral("3"));
        for (const RecordedText& t : colouredPage->texts)
            if (inRow(t, 1) && t.topLeft.x() > L + 1760)
                QCOMPARE(t.colour, QColor(t.text == QStringLiteral("3")   ? Qt::white
                                          : t.text == QStringLiteral("8") ? Qt::white
                                                                          : Qt::black));

        // Without labels, or without the diagram, nothing is written in the bar column.
        page.options.BarLabels = false;
        QVERIFY(textsBetween(*recorded(page), 1760, W).isEmpty());
        page.options.ShowDiagram = false;
        QVERIFY(textsBetween(*recorded(page), 1750, W, 0).isEmpty());
    }

    void allZeroCountsLeaveAnEmptyFrame() {
        Page page;
        page.testAt = repeated(makeTest({0, 0, 0, 0, 0, 0}));
        const QImage image = drawn(page);
        const int y0 = rowTop(1);
        QVERIFY(isBlack(image, L + 1760, y0 + 50)); // the frame's left edge
        QVERIFY(isBlack(image, L + 2000, y0 + 13)); // its top edge
        for (int x = 1766; x < W - 6; x += 7)
            QVERIFY(isWhite(image, L + x, y0 + 50));
        const auto r = recorded(page);
        QVERIFY(r->find(QStringLiteral("–")));
        QVERIFY(textsBetween(*r, 1760, W).isEmpty());
    }

    void ownGradeMark() {
        const int cy = rowTop(1) + 52;
        const auto ellipses = [](const PaintRecorder& r) {
            QList<RecordedShape> found;
            for (const RecordedShape& s : r.shapesOf(RecordedShape::Kind::Ellipse))
                if (s.pen.width() != 8) // not the average sign
                    found.append(s);
            return found;
        };
        // Own grade 3: a ring around the third count, filled red with white bold text when the
        // columns are coloured, white with black text and a preview pen of 3 otherwise.
        for (const bool coloured : {true, false}) {
            Page page;
            page.testAt = repeated(makeTest(Typical, 3));
            page.options.MarkOwnGrade = true;
            page.options.ColouredColumns = coloured;
            const auto r = recorded(page);
            const QList<RecordedShape> rings = ellipses(*r);
            QCOMPARE(rings.size(), 1);
            const QRectF ring = rings.first().rect;
            QVERIFY(ring.left() < L + 1056 && ring.right() > L + 1056);
            QVERIFY(ring.top() < cy && ring.bottom() > cy);
            QCOMPARE(rings.first().brush.color(), QColor(coloured ? 0xFF0000 : 0xFFFFFF));
            QCOMPARE(rings.first().pen.width(), coloured ? 0 : 3);
            const RecordedText* eight = nullptr;
            for (const RecordedText& t : r->texts)
                if (t.text == QStringLiteral("8") && t.topLeft.x() < L + 1200)
                    eight = &t;
            QVERIFY(eight && eight->font.bold());
            QCOMPARE(eight->colour, QColor(coloured ? Qt::white : Qt::black));
            // The other counts stay regular.
            QVERIFY(!findInRow(*r, QStringLiteral("5"))->font.bold());

            const QImage image = drawn(page);
            // The outline on the ring's left edge, around its middle.
            bool outline = false;
            for (int x = int(ring.left()) - 1; x <= int(ring.left()) + 2; ++x)
                for (int y = int(ring.center().y()) - 1; y <= int(ring.center().y()) + 1; ++y)
                    outline |= isBlack(image, x, y);
            QVERIFY(outline);
            if (coloured)
                QCOMPARE(image.pixelColor(int(ring.left()) + 5, cy), QColor(0xFF0000));

            // On paper the white ring's outline is the thinnest line.
            page.yAxisUp = true;
            QCOMPARE(ellipses(*recorded(page)).first().pen.width(), 0);
        }
        // Off, or own grade "0": no ring anywhere.
        Page page;
        page.testAt = repeated(makeTest(Typical, 3));
        QVERIFY(ellipses(*recorded(page)).isEmpty());
        page.options.MarkOwnGrade = true;
        page.testAt = repeated(makeTest(Typical, 0));
        QVERIFY(ellipses(*recorded(page)).isEmpty());
    }

    void firstAndLastRules() {
        // first = N: only the head row; first > N: only the header line.
        Page page;
        page.N = 3;
        page.first = 3;
        page.last = 6;
        auto r = recorded(page);
        QVERIFY(r->find(QStringLiteral("Klassenarbeit")));
        QVERIFY(r->textStrings().filter(QStringLiteral(". Arbeit")).isEmpty());
        page.first = 4;
        r = recorded(page);
        QCOMPARE(r->textStrings(), (QStringList{Title, QStringLiteral("Seite 1")}));

        // Tests first .. last that exist: 7 tests, slots 5 .. 9 hold tests 5 and 6.
        QList<ClassTest> tests;
        for (int i = 0; i < 7; ++i) {
            ClassTest t = makeTest(Typical);
            t.number = i + 1;
            tests.append(t);
        }
        page.N = 7;
        page.first = 5;
        page.last = 9;
        page.testAt = listOf(tests);
        const QStringList texts = recorded(page)->textStrings();
        QCOMPARE(texts.filter(QStringLiteral(". Arbeit")),
                 (QStringList{QStringLiteral("6. Arbeit"), QStringLiteral("7. Arbeit")}));
        // The first of them sits in the slot below the head row.
        const auto rows = recorded(page);
        QCOMPARE(rows->find(QStringLiteral("6. Arbeit"))->topLeft.y(), qreal(rowTop(1) + 52));
    }

    void testRowTexts_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("upper");
        QTest::addColumn<QString>("date");
        QTest::newRow("31 July") << QStringLiteral("2003-07-31,07,4,5,3,5,8,4,2,0,0,\"\"")
                                 << QStringLiteral("7. Klasse (2002/2003)")
                                 << QStringLiteral("31.07.2003");
        QTest::newRow("1 August") << QStringLiteral("2003-08-01,07,4,5,3,5,8,4,2,0,0,\"\"")
                                  << QStringLiteral("7. Klasse (2003/2004)")
                                  << QStringLiteral("01.08.2003");
        QTest::newRow("grade 12") << QStringLiteral("2010-01-11,12,1,5,3,5,8,4,2,0,0,\"\"")
                                  << QStringLiteral("12. Klasse (2009/2010)")
                                  << QStringLiteral("11.01.2010");
    }
    void testRowTexts() {
        QFETCH(QString, item);
        QFETCH(QString, upper);
        QFETCH(QString, date);
        Page page;
        page.testAt = repeated(classTestFromListItem(item));
        const auto r = recorded(page);
        const int cy = rowTop(1) + 52;
        const RecordedText* level = r->find(upper);
        QVERIFY2(level, qPrintable(r->textStrings().join(u'|')));
        QCOMPARE(level->topLeft, QPointF(L + 2, cy - QFontMetrics(level->font).height()));
        QCOMPARE(level->font.bold(), false);
        const RecordedText* dateText = r->find(date);
        QVERIFY(dateText);
        QCOMPARE(dateText->topLeft.x(), qreal(L + 502));
        QVERIFY(r->find(QStringLiteral("5. Schulstunde")));
        QCOMPARE(r->find(QStringLiteral("5. Schulstunde"))->topLeft.y(), qreal(cy));
        QVERIFY(r->textStrings().filter(QStringLiteral(". Arbeit")).size() == 1);
    }

    void previewShowsPageOneWithFiveTests() {
        QList<ClassTest> tests;
        for (int i = 0; i < 30; ++i) {
            ClassTest t = makeTest(Typical);
            t.number = i + 1;
            tests.append(t);
        }
        QImage image;
        drawPreviewPage(image, Title, int(tests.size()), PrintLayoutOptions{}, listOf(tests));
        QCOMPARE(image.size(), QSize(2400, 721));
        // Row 5 (the fifth test) is drawn, nothing of a sixth.
        QVERIFY(isBlack(image, L + 500, rowTop(5) + 5));

        PaintRecorder recorder(2400, 721);
        {
            // The same page drawn on the recorder.
            QPainter painter(&recorder);
            DrawPrintPage(painter, Title, 1, 100, 100, 2200, 30, 0, 4, false, {}, listOf(tests));
        }
        QCOMPARE(recorder.textStrings().filter(QStringLiteral(". Arbeit")).size(), 5);
        QVERIFY(recorder.find(QStringLiteral("Seite 1")));

        // An empty subject: header line and head row only, on white.
        drawPreviewPage(image, Title, 0, PrintLayoutOptions{}, listOf({}));
        QVERIFY(isBlack(image, L + 500, rowTop(0) + 5));
        QVERIFY(isWhite(image, L + 500, rowTop(1) + 5));
    }

    void damagedEntryEndsThePage() {
        // The third test cannot be read: the rows before it stay, the error reaches the caller.
        const QStringList items{
            QStringLiteral("2003-07-31,07,1,5,3,5,8,4,2,0,0,\"\""),
            QStringLiteral("2003-08-31,07,2,5,3,5,8,4,2,0,0,\"\""),
            QStringLiteral("2003-09-31,07,3,5,3,5,8,4,2,0,0,\"\""),
            QStringLiteral("2003-10-01,07,4,5,3,5,8,4,2,0,0,\"\""),
        };
        const PrintTestAt fromItems = [&items](int e) {
            return classTestFromListItem(items.at(e));
        };
        QImage image;
        try {
            drawPreviewPage(image, Title, int(items.size()), PrintLayoutOptions{}, fromItems);
            QFAIL("no error");
        } catch (const AppError& error) {
            QCOMPARE(error.message(), QStringLiteral("'2003-09-31' ist kein gültiges Datum"));
        }
        QVERIFY(isBlack(image, L + 500, rowTop(2) + 5));   // second test drawn
        QVERIFY(isWhite(image, L + 500, rowTop(3) + 5));   // nothing of the third
        QVERIFY(isWhite(image, L + 1000, rowTop(3) + 52)); // nor of the fourth
    }

    void canvasIsResetAfterThePage() {
        QImage image(ImageWidth, ImageHeight, QImage::Format_RGB32);
        QPainter painter(&image);
        painter.setBrush(Qt::red);
        painter.setPen(QPen(Qt::green, 7));
        PrintLayoutOptions options;
        options.MarkOwnGrade = true;
        DrawPrintPage(painter, Title, 1, L, T, W, 1, 0, 4, false, options,
                      repeated(makeTest(Typical, 6)));
        QCOMPARE(painter.font().family(), QStringLiteral("Arial"));
        QVERIFY(!painter.font().bold() && !painter.font().italic());
        QVERIFY(qAbs(painter.fontMetrics().height() - 50) <= 1);
        QCOMPARE(painter.pen().color(), QColor(Qt::black));
        QCOMPARE(painter.pen().width(), 0);
        QCOMPARE(painter.brush().style(), Qt::NoBrush);
    }
};

QTEST_MAIN(TestPrintLayout)
#include "tst_printlayout.moc"
