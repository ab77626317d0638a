#include "widgets/pictures.h"
#include "widgets/programicon.h"

#include <QFont>
#include <QFontMetrics>
#include <QTest>
#include <QXmlStreamReader>

namespace {

double brightness(const QImage& image, QRect area) {
    double sum = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            sum += qGray(image.pixel(x, y));
    return sum / (area.width() * area.height());
}

int countPixels(const QImage& image, QRgb colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += (image.pixel(x, y) & 0xffffffu) == (colour & 0xffffffu);
    return count;
}

} // namespace

class TestPictures : public QObject {
    Q_OBJECT

private slots:
    void printButtonLooks() {
        const std::array<QImage, 3> images = printButtonImages();
        for (const QImage& image : images)
            QCOMPARE(image.size(), QSize(57, 193));
        QVERIFY(images[0] != images[1] && images[1] != images[2] && images[0] != images[2]);

        // The background, beside the drawing, near the top and near the bottom.
        const QRect top(3, 3, 3, 8);
        const QRect bottom(3, 182, 3, 8);
        const QImage& normal = images[0];
        const QImage& hover = images[1];
        const QImage& pressed = images[2];
        QVERIFY(brightness(normal, top) > brightness(normal, bottom));
        QVERIFY(brightness(hover, top) > brightness(hover, bottom));
        QVERIFY(brightness(pressed, top) < brightness(pressed, bottom));
        QVERIFY(brightness(hover, normal.rect()) > brightness(normal, normal.rect()));
        // Raised edges are light above and dark below; the pressed one the other way round.
        QVERIFY(qGray(normal.pixel(20, 0)) > qGray(normal.pixel(20, 192)));
        QVERIFY(qGray(pressed.pixel(20, 0)) < qGray(pressed.pixel(20, 192)));
    }

    void printButtonWordRunsDownTheButton() {
        // The word is written downwards: the dark text pixels below the printer reach much
        // further down than across.
        const QImage image = printButtonImages()[0];
        int minX = image.width(), maxX = -1, minY = image.height(), maxY = -1;
        for (int y = 64; y < image.height() - 4; ++y)
            for (int x = 3; x < image.width() - 3; ++x)
                if (qGray(image.pixel(x, y)) < 100) {
                    minX = std::min(minX, x);
                    maxX = std::max(maxX, x);
                    minY = std::min(minY, y);
                    maxY = std::max(maxY, y);
                }
        QVERIFY(maxX >= 0);
        QVERIFY2(
            maxY - minY > 3 * (maxX - minX),
            qPrintable(QStringLiteral("%1..%2 x %3..%4").arg(minX).arg(maxX).arg(minY).arg(maxY)));
    }

    void logoFitsTheBanner() {
        const QImage logo = logoBitmap();
        QCOMPARE(logo.size(), QSize(142, 63));
        QCOMPARE(logo.depth(), 32);
        QVERIFY(!logo.hasAlphaChannel());
        // White is the background: the bottom-left pixel decides what a transparent image
        // leaves out.
        QCOMPARE(logo.pixel(0, 62) & 0xffffffu, 0xffffffu);
        QVERIFY(countPixels(logo, qRgb(0, 0, 0)) > 200);
        // The banner is 65 pixels high and the logo starts at y = 4: its last two rows are
        // cut off and must hold nothing.
        for (int y = 61; y < 63; ++y)
            for (int x = 0; x < logo.width(); ++x)
                QCOMPARE(logo.pixel(x, y) & 0xffffffu, 0xffffffu);
    }

    // The name stands as large as it fits beside the diagram: the base line under it ends
    // where the name ends at the largest pixel size from 26 down that leaves it room.
    void logoNameAsLargeAsFits() {
        const QString name = QStringLiteral("Zensoria");
        const int textLeft = 6 + 6 * 5 + 8;
        const int room = 142 - textLeft - 3;
        QFont font(QStringLiteral("Liberation Sans"));
        font.setStyleHint(QFont::SansSerif);
        font.setBold(true);
        int size = 26;
        for (; size > 10; --size) {
            font.setPixelSize(size);
            if (QFontMetrics(font).horizontalAdvance(name) <= room)
                break;
        }
        font.setPixelSize(size);
        const int lineRight = textLeft + QFontMetrics(font).horizontalAdvance(name);
        const QImage logo = logoBitmap();
        for (int y = 50; y <= 51; ++y) {
            QCOMPARE(logo.pixel(3, y) & 0xffffffu, 0u);
            QCOMPARE(logo.pixel(lineRight - 1, y) & 0xffffffu, 0u);
            QCOMPARE(logo.pixel(lineRight, y) & 0xffffffu, 0xffffffu);
        }
        // Drawn again, the logo is the same, and so is the picture the program carries.
        QImage again(logo.size(), QImage::Format_RGB32);
        QPainter painter(&again);
        drawLogo(painter);
        painter.end();
        QCOMPARE(again, logo);
        const QImage stored(QStringLiteral(":/pictures/logo.ppm"));
        QCOMPARE(stored.convertToFormat(QImage::Format_RGB32), again);
    }

    void programIconAtEverySize() {
        QCOMPARE(ProgramIcon::pixelSizes().front(), 16);
        for (int size : ProgramIcon::pixelSizes()) {
            const QImage image = ProgramIcon::image(size);
            QCOMPARE(image.size(), QSize(size, size));
            // Transparent corners, an opaque tile, a white card and the grade columns.
            QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
            QCOMPARE(qAlpha(image.pixel(size / 2, size / 2)), 255);
            const int unit = size / 16;
            QCOMPARE(image.pixel(4 * unit + unit / 2, 3 * unit + unit / 2), qRgb(255, 255, 255));
            QCOMPARE(image.pixel(7 * unit + unit / 2, 11 * unit + unit / 2), qRgb(0xb3, 0xb3, 0));
        }
        QCOMPARE(ProgramIcon::icon().availableSizes().size(),
                 qsizetype(ProgramIcon::pixelSizes().size()));
    }

    void programIconSvgMatchesTheDrawing() {
        QXmlStreamReader reader(ProgramIcon::svg());
        QStringList fills;
        QString viewBox;
        while (!reader.atEnd()) {
            if (reader.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (reader.name() == QLatin1String("svg"))
                viewBox = reader.attributes().value("viewBox").toString();
            if (reader.name() == QLatin1String("rect"))
                fills << reader.attributes().value("fill").toString();
        }
        QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
        QCOMPARE(viewBox, QStringLiteral("0 0 16 16"));
        QCOMPARE(fills, QStringList({"url(#tile)", "#ffffff", "#008000", "#00ff00", "#b3b300",
                                     "#ffff00", "#ffb76f", "#ff0000"}));
    }
};

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
