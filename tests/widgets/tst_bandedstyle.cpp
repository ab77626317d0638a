#include "../printing/paintrecorder.h"
#include "widgets/bandedstyle.h"
#include "widgets/framepicture.h"

#include <QApplication>
#include <QGroupBox>
#include <QLinearGradient>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionTabWidgetFrame>
#include <QTest>

namespace {

// A background that shows every difference in blending: a colour ramp across the image.
QImage rampBackground(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient ramp(0, 0, size.width(), size.height());
    ramp.setColorAt(0, QColor(250, 20, 90));
    ramp.setColorAt(1, QColor(10, 200, 240));
    painter.fillRect(image.rect(), ramp);
    return image;
}

// Draws on a copy of the background.
QImage drawnOn(const QImage& background, const std::function<void(QPainter&)>& draw) {
    QImage image = background;
    QPainter painter(&image);
    draw(painter);
    return image;
}

} // namespace

// Frames put down from their picture, or drawn a band of rows at a time, look as the
// application's style draws them whole, at every size, the band's own and the sizes around the
// picture's smallest included.
class TestBandedStyle : public QObject {
    Q_OBJECT

private slots:
    void samePixelsAsTheStyle_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QSize>("size");
        const int smallest = 2 * FramePicture::Reach + 1 - 8; // with the room around a frame
        for (const QString& title : {QStringLiteral("Schul&fächer"), QString()})
            for (const QSize size :
                 {QSize(120, 30), QSize(120, FrameBandRows), QSize(120, FrameBandRows + 1),
                  QSize(smallest - 1, smallest - 1), QSize(smallest, smallest),
                  QSize(smallest + 1, smallest + 1), QSize(385, smallest),
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
        // A second one is put down from the same picture, as are the frames of the other sizes
        // drawn before.
        QCOMPARE(banded.grab().toImage(), plain.grab().toImage());

        // The frame of a tab page of the same size, over the page's colour and over a ramp.
        QStyleOptionTabWidgetFrame frame;
        frame.initFrom(&plain);
        frame.rect = QRect(QPoint(6, 5), size);
        frame.shape = QTabBar::RoundedNorth;
        frame.lineWidth = 1;
        const auto drawFrame = [&](const QStyle* style) {
            return [&frame, style](QPainter& painter) {
                style->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter);
            };
        };
        QImage page(size + QSize(12, 12), QImage::Format_RGB32);
        page.fill(plain.palette().color(QPalette::Window));
        for (const QImage& background : {page, rampBackground(page.size())})
            QCOMPARE(drawnOn(background, drawFrame(BandedStyle::shared())),
                     drawnOn(background, drawFrame(QApplication::style())));
    }

    // Scroll bars drawn in bands and put down again from them, on the page's colour and, with a
    // see-through button colour, drawn as usual.
    void scrollBarsAsTheStyleDrawsThem() {
        for (const int height : {30, 200, 4 * FrameBandRows + 1})
            for (const int alpha : {255, 120}) {
                QScrollBar plain(Qt::Vertical), banded(Qt::Vertical);
                banded.setStyle(BandedStyle::shared());
                for (QScrollBar* bar : {&plain, &banded}) {
                    QPalette palette = bar->palette();
                    QColor button = palette.color(QPalette::Button);
                    button.setAlpha(alpha);
                    palette.setColor(QPalette::Button, button);
                    bar->setPalette(palette);
                    bar->setRange(0, 90);
                    bar->setPageStep(20);
                    bar->setValue(35);
                    bar->resize(15, height);
                }
                QCOMPARE(banded.grab().toImage(), plain.grab().toImage());
                // Moved, the bar is drawn anew; back, it is as before; moved through more places
                // than are kept, it is drawn anew again.
                for (const int value : {60, 35, 0,  5,  10, 15, 20, 25, 30, 40,
                                        45, 50, 55, 65, 70, 75, 80, 85, 90, 35}) {
                    plain.setValue(value);
                    banded.setValue(value);
                    QCOMPARE(banded.grab().toImage(), plain.grab().toImage());
                }
            }
    }

    // A picture holds what the frame draws; a drawing that is not made of edges and a middle,
    // or one too small, has none.
    void picturesOfFramesOnly() {
        const auto frame = [](QPainter& painter, const QRect& rect) {
            painter.fillRect(rect.adjusted(3, 9, -3, -3), QColor(0, 0, 0, 40));
            painter.setPen(QColor(30, 60, 90, 200));
            painter.drawRect(rect.adjusted(1, 8, -2, -2));
            painter.fillRect(QRect(rect.left() + 5, rect.top(), 20, 6), Qt::red);
        };
        const auto picture = FramePicture::make(frame);
        QVERIFY(picture);
        // One picture for every size, the edges longer than one stretch of them included.
        for (const QSize size : {QSize(300, 211), QSize(2 * FramePicture::Reach + 2, 700),
                                 QSize(900, 2 * FramePicture::Reach + 2)}) {
            const QImage background = rampBackground(size + QSize(20, 20));
            QCOMPARE(drawnOn(background,
                             [&](QPainter& p) { picture->paint(p, QRect(QPoint(7, 9), size)); }),
                     drawnOn(background, [&](QPainter& p) {
                         p.translate(7, 9);
                         frame(p, QRect(QPoint(0, 0), size));
                     }));
        }

        const auto gradient = [](QPainter& painter, const QRect& rect) {
            QLinearGradient ramp(rect.topLeft(), rect.bottomLeft());
            ramp.setColorAt(0, Qt::white);
            ramp.setColorAt(1, Qt::gray);
            painter.fillRect(rect, ramp);
        };
        const auto diagonal = [](QPainter& painter, const QRect& rect) {
            painter.drawLine(rect.topLeft(), rect.bottomRight());
        };
        // A tall frame goes down in pieces no taller than a band: Qt hands taller fills and
        // images inside a widget's clip to threads of its own.
        PaintRecorder device(400, 1000);
        {
            QPainter painter(&device);
            picture->paint(painter, QRect(0, 0, 300, 900));
        }
        QVERIFY(!device.shapesOf(RecordedShape::Kind::Image).isEmpty());
        for (const RecordedShape& piece : device.shapes)
            QVERIFY(piece.rect.height() <= FrameBandRows);

        QVERIFY(!FramePicture::make(gradient));
        QVERIFY(!FramePicture::make(diagonal));
        QVERIFY(!FramePicture::fits(QSize(300, 2 * FramePicture::Reach)));
    }
};

QTEST_MAIN(TestBandedStyle)
#include "tst_bandedstyle.moc"
