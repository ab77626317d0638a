#include "platform/localeformats.h"
#include "stats/averagebarpainter.h"
#include "stats/gradecolours.h"
#include "stats/rankingrowpainter.h"
#include "stats/testrowpainter.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QtTest>

namespace {

// The list is 753 pixels wide; a row is painted at T = 30 so that its top border line, one
// pixel above the row, lies inside the image.
constexpr int Width = 753, T = 30, B = 60, R = Width;
const QColor Window(Qt::white), Text(Qt::black), Highlight(0x3060C0), HighlightedText(0xFFFFF0);

DrawStyle style(bool selected, bool labels = false) {
    DrawStyle s;
    s.selected = selected;
    s.window = Window;
    s.windowText = Text;
    s.highlight = Highlight;
    s.highlightedText = HighlightedText;
    s.font = QFont(QStringLiteral("Liberation Sans"));
    s.font.setPixelSize(11);
    s.diagramLabels = labels;
    return s;
}

QImage blank(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(0x808080));
    return image;
}

QImage row(const QString& item, bool selected, bool labels = false) {
    QImage image = blank(Width, 90);
    QPainter p(&image);
    paintTestRow(p, QRect(0, T, Width, B - T), item, style(selected, labels));
    return image;
}

QString item(const QString& counts, const QString& own = QStringLiteral("0"),
             const QString& date = QStringLiteral("2004-03-15")) {
    return date + QStringLiteral(",05,2,3,") + counts + u',' + own + QStringLiteral(",\"\"");
}

QColor at(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

// True when every pixel of the rectangle l .. r-1, t .. b-1 has the colour.
bool allOf(const QImage& image, int l, int t, int r, int b, const QColor& colour) {
    for (int y = t; y < b; ++y)
        for (int x = l; x < r; ++x)
            if (image.pixelColor(x, y) != colour)
                return false;
    return true;
}

} // namespace

class TestStatsPainters : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany)); }

    void academicYearText_data();
    void academicYearText();
    void tintedColumns_data();
    void tintedColumns();
    void everyPixelOfTheRowPainted();
    void bordersAndSunkenFrame();
    void barSegments();
    void lastBarFillsTheFrame();
    void labelsOnlyWhereTheyFit();
    void ownGradeMark_data();
    void ownGradeMark();
    void rowWithoutParticipantsDraws();
    void averageBarBackground();
    void averageBarFigures();
    void rankingRowBoxes_data();
    void rankingRowBoxes();
};

void TestStatsPainters::academicYearText_data() {
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("other");
    QTest::newRow("31 July") << "2003-07-31"
                             << "5. Klasse (2002/2003)"
                             << "5. Klasse (2003/2004)";
    QTest::newRow("1 August") << "2003-08-01"
                              << "5. Klasse (2003/2004)"
                              << "5. Klasse (2002/2003)";
}

void TestStatsPainters::academicYearText() {
    QFETCH(QString, date);
    QFETCH(QString, text);
    QFETCH(QString, other);
    const QImage image = row(item("1,1,1,1,1,1", "0", date), false);
    const int h = QFontMetrics(style(false).font).height();
    const int cy = T + 15;
    // The upper line of the first column, compared with the expected text painted alone on
    // the column's tint at (L + 2, cy - h).
    const auto rendered = [&](const QString& title) {
        QImage expected = image.copy(0, cy - h, 116, h);
        QPainter p(&expected);
        p.fillRect(1, 0, 115, h, QColor(0xFFFFD5));
        p.setFont(style(false).font);
        p.setPen(Text);
        p.drawText(QPoint(2, QFontMetrics(style(false).font).ascent()), title);
        return expected;
    };
    const QImage drawn = image.copy(0, cy - h, 116, h);
    QCOMPARE(drawn, rendered(text));
    QVERIFY(drawn != rendered(other));
}

void TestStatsPainters::tintedColumns_data() {
    QTest::addColumn<int>("x");
    QTest::addColumn<QColor>("tint");
    QTest::newRow("yellow left") << 1 << QColor(0xFFFFD5);
    QTest::newRow("yellow right") << 115 << QColor(0xFFFFD5);
    QTest::newRow("green left") << 116 << QColor(0xD5FFD5);
    QTest::newRow("green right") << 195 << QColor(0xD5FFD5);
    QTest::newRow("counts") << 196 << Window;
    QTest::newRow("blue left") << 404 << QColor(0xD5D5FF);
    QTest::newRow("blue right") << 475 << QColor(0xD5D5FF);
    QTest::newRow("pink over blue") << 476 << QColor(0xFFD5D5);
    QTest::newRow("pink right") << 555 << QColor(0xFFD5D5);
    QTest::newRow("diagram") << 556 << Window;
}

void TestStatsPainters::tintedColumns() {
    QFETCH(int, x);
    QFETCH(QColor, tint);
    const QImage unselected = row(item("1,1,1,1,1,1"), false);
    QCOMPARE(at(unselected, x, T + 1), tint);
    QCOMPARE(at(unselected, x, B - 2), tint);
    // A selected row has no tinted columns, only the selection colour inside its frame.
    const QImage selected = row(item("1,1,1,1,1,1"), true);
    QCOMPARE(at(selected, x, T + 4), Highlight);
}

// Whatever lay under the row is painted over, selected or not, also where the background
// shows between the tinted columns.
void TestStatsPainters::everyPixelOfTheRowPainted() {
    for (const bool selected : {false, true}) {
        QImage onBlack(Width, 90, QImage::Format_RGB32);
        onBlack.fill(Qt::black);
        QPainter p(&onBlack);
        paintTestRow(p, QRect(0, T, Width, B - T), item("1,1,1,1,1,1"), style(selected, true));
        p.end();
        const QImage onGrey = row(item("1,1,1,1,1,1"), selected, true);
        QCOMPARE(onBlack.copy(0, T, Width, B - T), onGrey.copy(0, T, Width, B - T));
    }
}

void TestStatsPainters::bordersAndSunkenFrame() {
    const QImage unselected = row(item("1,1,1,1,1,1"), false);
    QCOMPARE(at(unselected, 300, T - 1), QColor(Qt::black)); // top, on the row above
    QCOMPARE(at(unselected, 300, B - 1), QColor(Qt::black));
    QCOMPARE(at(unselected, 0, T + 10), QColor(Qt::black));
    QCOMPARE(at(unselected, R - 1, T + 10), QColor(Qt::black));
    QCOMPARE(at(unselected, 300, B), QColor(0x808080)); // nothing below the row
    QCOMPARE(at(unselected, 300, T - 2), QColor(0x808080));
    QCOMPARE(at(unselected, 300, T + 1), Window);

    const QImage selected = row(item("1,1,1,1,1,1"), true);
    QCOMPARE(at(selected, 300, T + 1), QColor(Qt::black));
    QCOMPARE(at(selected, 300, T + 2), QColor(Qt::black));
    // The 2-pixel white lines lie on the bottom and right border lines and the pixels inside.
    QCOMPARE(at(selected, 300, B - 2), QColor(Qt::white));
    QCOMPARE(at(selected, 300, B - 1), QColor(Qt::white));
    QCOMPARE(at(selected, R - 2, T + 10), QColor(Qt::white));
    QCOMPARE(at(selected, R - 1, T + 10), QColor(Qt::white));
    QCOMPARE(at(selected, 0, T + 10), QColor(Qt::black));
    QCOMPARE(at(selected, 1, T + 10), Highlight); // no line on the left side
    QCOMPARE(at(selected, 300, T + 3), Highlight);
}

void TestStatsPainters::barSegments() {
    // The frame spans 561 .. R - 7 = 186 pixels; six equal counts take 31 pixels each.
    for (bool selected : {false, true}) {
        const QImage image = row(item("1,1,1,1,1,1"), selected);
        QVERIFY(allOf(image, 560, T + 4, R - 6, T + 5, Qt::black)); // frame top
        QCOMPARE(at(image, 560, T + 10), QColor(Qt::black));
        for (int g = 1; g <= 6; ++g) {
            const int left = 561 + 31 * (g - 1);
            QVERIFY2(allOf(image, left, T + 5, left + 30, B - 4, gradeBarColour(g)),
                     qPrintable(QStringLiteral("grade %1").arg(g)));
            if (g > 1)
                QVERIFY(allOf(image, left - 1, T + 4, left, B - 4, Qt::black)); // separator
        }
        QCOMPARE(at(image, R - 6, T + 10), selected ? Highlight : Window);
    }
    // Shares of the width still left: 2 of 20, 5 of 18, 8 of 13, 4 of 5, 1 of 1.
    const QImage image = row(item("2,5,8,4,1,0"), false);
    const int widths[] = {18, 46, 75, 37, 10, 0};
    int x = 561;
    for (int g = 1; g <= 6; ++g) {
        QVERIFY2(allOf(image, x, T + 5, x + widths[g - 1] - 1, B - 4, gradeBarColour(g)),
                 qPrintable(QStringLiteral("grade %1").arg(g)));
        x += widths[g - 1];
    }
    QCOMPARE(x, R - 6);
}

void TestStatsPainters::lastBarFillsTheFrame() {
    const QImage image = row(item("0,0,0,0,0,3"), false);
    QVERIFY(allOf(image, 561, T + 5, R - 6, B - 4, QColor(0xFF0000)));
    QCOMPARE(at(image, 560, T + 10), QColor(Qt::black));
    QCOMPARE(at(image, R - 6, T + 10), Window);

    // Hand-edited counts whose share of the width lies far beyond int: the bar stops at the
    // frame's end (where the separators of the empty bars after it fall) instead of wrapping.
    const QImage huge = row(item("2147483647,-2147483646,0,0,0,0"), false);
    QVERIFY(allOf(huge, 561, T + 5, R - 7, B - 4, gradeBarColour(1)));
    SubjectSummary s;
    s.TestCount = 1;
    s.MeanCounts = {1e12L, 1 - 1e12L, 0, 0, 0, 0};
    const QImage bar = AverageBarImage(Width, s, style(false));
    QVERIFY(allOf(bar, 562, 5, Width - 10, 26, gradeBarColour(1)));
}

void TestStatsPainters::labelsOnlyWhereTheyFit() {
    // Grade 1 gets 4 pixels, too narrow for "1"; grade 6 gets 182 pixels, wide for "40".
    const QImage labelled = row(item("1,0,0,0,0,40"), false, true);
    QVERIFY(allOf(labelled, 561, T + 5, 564, B - 4, QColor(0x008000)));
    QVERIFY(!allOf(labelled, 566, T + 5, R - 6, B - 4, QColor(0xFF0000)));
    // The white label lies around the middle of the segment.
    const int mid = 565 + 182 / 2;
    bool white = false;
    for (int y = T + 5; y < B - 4; ++y)
        for (int x = mid - 10; x < mid + 10; ++x)
            white |= at(labelled, x, y).lightness() > 200;
    QVERIFY(white);

    const QImage plain = row(item("1,0,0,0,0,40"), false, false);
    QVERIFY(allOf(plain, 565, T + 5, R - 6, B - 4, QColor(0xFF0000)));
}

void TestStatsPainters::ownGradeMark_data() {
    QTest::addColumn<QString>("own");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<int>("markedGrade");
    QTest::addColumn<QColor>("fill");
    QTest::newRow("3 unselected") << "3" << false << 3 << QColor(0xFF0000);
    QTest::newRow("3 selected") << "3" << true << 3 << QColor(0xFFBBBB);
    QTest::newRow("6") << "6" << false << 6 << QColor(0xFF0000);
    QTest::newRow("not taken") << "0" << false << 0 << QColor();
    QTest::newRow("outside 0 to 6") << "12" << false << 0 << QColor();
    QTest::newRow("not a number") << "x" << false << 0 << QColor();
}

void TestStatsPainters::ownGradeMark() {
    QFETCH(QString, own);
    QFETCH(bool, selected);
    QFETCH(int, markedGrade);
    QFETCH(QColor, fill);
    const QImage image = row(item("2,5,8,4,1,0", own), selected);
    const int cy = T + 15;
    for (int g = 1; g <= 6; ++g) {
        // Left of the count, inside the ellipse; the one-digit count starts right of cx - 5.
        const int cx = 210 + 35 * (g - 1);
        const QColor pixel = at(image, cx - 6, cy);
        if (g == markedGrade)
            QCOMPARE(pixel, fill);
        else
            QCOMPARE(pixel, selected ? Highlight : Window);
    }
    if (markedGrade) {
        // The count is drawn in white (black when selected) on the mark.
        const int cx = 210 + 35 * (markedGrade - 1);
        bool textSeen = false;
        for (int y = cy - 6; y <= cy + 6; ++y)
            for (int x = cx - 4; x <= cx + 4; ++x)
                textSeen |= at(image, x, y) == (selected ? QColor(Qt::black) : QColor(Qt::white));
        QVERIFY(textSeen);
        // The outline's top lies 3 pixels above the bold text's box.
        QFont bold = style(false).font;
        bold.setBold(true);
        const int h = QFontMetrics(bold).height();
        QCOMPARE(at(image, cx, cy - h / 2 - 3), QColor(Qt::black));
        QCOMPARE(at(image, cx, cy - h / 2 - 4), selected ? Highlight : Window);
    }
}

void TestStatsPainters::rowWithoutParticipantsDraws() {
    const QImage image = row(item("0,0,0,0,0,0", "9"), false, true);
    // An empty frame: background inside, black outline and separators on its left edge.
    QVERIFY(allOf(image, 561, T + 5, R - 7, B - 5, Window));
    QVERIFY(allOf(image, 560, T + 4, R - 6, T + 5, Qt::black));
}

void TestStatsPainters::averageBarBackground() {
    const QImage image = AverageBarImage(Width, std::nullopt, style(false));
    QCOMPARE(image.size(), QSize(Width, 29));
    QCOMPARE(at(image, 0, 0), QColor(0xFFFFD6));
    QCOMPARE(at(image, 0, 28), QColor(0xFFFFD6));
    QCOMPARE(at(image, 195, 0), QColor(0xD6FFD6));
    QCOMPARE(at(image, 100, 0), BlendColour(QColor(0xFFFFD6), QColor(0xD6FFD6), 100, 195));
    QCOMPARE(at(image, 196, 0), Window);
    QCOMPARE(at(image, 405, 0), QColor(0xD5D5FF));
    QCOMPARE(at(image, 476, 0), QColor(0xD5D5FF));
    QCOMPARE(at(image, 477, 0), QColor(0xFFD5D5));
    QCOMPARE(at(image, 556, 0), QColor(0xFFD5D5));
    QCOMPARE(at(image, 557, 0), Window);
    // The average sign: its circle's rim at the top and the stroke through the middle.
    QCOMPARE(at(image, 90, 2), QColor(Qt::black));
    QCOMPARE(at(image, 90, 15), QColor(Qt::black));
    // An empty subject has no figures and no diagram frame.
    QVERIFY(allOf(image, 197, 0, 404, 29, Window));
    QVERIFY(allOf(image, 557, 0, Width, 29, Window));
}

void TestStatsPainters::averageBarFigures() {
    SubjectSummary s;
    s.TestCount = 2;
    s.MeanCounts = {1, 1, 1, 1, 1, 1};
    s.MeanParticipants = 6;
    s.MeanAverage = 3.5L;
    s.MeanLesson = 2.25L;
    s.OwnAverage = 5.6L;
    s.OwnGrade = 6;
    const QImage image = AverageBarImage(Width, s, style(true));
    // Frame (562, 4, Width - 9, 26): 182 pixels, 30 for each of the first five grades.
    QVERIFY(allOf(image, 561, 4, Width - 9, 5, Qt::black));
    int x = 562;
    for (int g = 1; g <= 6; ++g) {
        const int bw = (Width - 9 - x) / (7 - g);
        QVERIFY2(allOf(image, x, 5, x + bw - 1, 26, gradeBarColour(g)),
                 qPrintable(QStringLiteral("grade %1").arg(g)));
        x += bw;
    }
    QCOMPARE(x, Width - 9);
    // The own grade 6 is marked behind the sixth mean count; grade 5 is not.
    QCOMPARE(at(image, 211 + 35 * 5 - 6, 15), QColor(0xFF0000));
    QCOMPARE(at(image, 211 + 35 * 4 - 6, 15), Window);
    // Figures are drawn in the window text colour although the style says selected.
    bool dark = false;
    for (int y = 8; y < 22; ++y)
        for (int xx = 500; xx < 535; ++xx)
            dark |= at(image, xx, y) == Text;
    QVERIFY(dark);
}

void TestStatsPainters::rankingRowBoxes_data() {
    QTest::addColumn<bool>("selected");
    QTest::newRow("unselected") << false;
    QTest::newRow("selected") << true;
}

void TestStatsPainters::rankingRowBoxes() {
    QFETCH(bool, selected);
    const int width = 300, top = 30, bottom = 60;
    QImage image = blank(width, 90);
    {
        QPainter p(&image);
        paintRankingRow(p, QRect(0, top, width, 30),
                        QStringLiteral("\"2,3333333333\",\"Bildende Kunst\",4"), 11,
                        style(selected));
    }
    QFont bold = style(false).font;
    bold.setBold(true);
    const int w0 = QFontMetrics(bold).horizontalAdvance(QStringLiteral("0,00"));
    const QColor background = selected ? Highlight : Window;

    QCOMPARE(at(image, 0, top), QColor(0xFFBBBB));
    QCOMPARE(at(image, 34, bottom - 2), QColor(0xFFBBBB));
    QCOMPARE(at(image, 35, top), background);
    QCOMPARE(at(image, width - w0 - 7, top), QColor(0xBBFFBB));
    QCOMPARE(at(image, width - 1, bottom - 2), QColor(0xBBFFBB));
    QCOMPARE(at(image, width - w0 - 8, top), background);
    QVERIFY(allOf(image, 0, bottom - 1, width, bottom, Qt::black));
    QCOMPARE(at(image, 100, bottom), QColor(0x808080));

    // Rank 12 in 18-point type, right-aligned to x = 30 and in the row's text colour.
    const QColor text = selected ? HighlightedText : Text;
    bool rankSeen = false;
    for (int y = top; y < bottom - 1; ++y)
        for (int x = 2; x < 30; ++x)
            rankSeen |= at(image, x, y) == text;
    QVERIFY(rankSeen);
    QVERIFY(allOf(image, 30, top, 35, bottom - 1, QColor(0xFFBBBB)));
    // The class average starts 5 pixels inside the green box.
    QVERIFY(allOf(image, width - w0 - 7, top, width - w0 - 2, bottom - 1, QColor(0xBBFFBB)));
    bool averageSeen = false;
    for (int y = top; y < bottom - 1; ++y)
        for (int x = width - w0 - 2; x < width; ++x)
            averageSeen |= at(image, x, y) == text;
    QVERIFY(averageSeen);
}

QTEST_MAIN(TestStatsPainters)
#include "tst_statspainters.moc"
