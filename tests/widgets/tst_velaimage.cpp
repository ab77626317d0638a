#include "support/hoverevents.h"
#include "widgets/buttonpictures.h"
#include "widgets/imagecontrol.h"
#include "widgets/tvelaimage.h"

#include <QContextMenuEvent>
#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

namespace {

QImage filled(QSize size, QColor colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// A page of 20 x 20 that fills its background with green (0, 200, 0), for a control on it to
// let show through.
void makeGreenPage(QWidget& page) {
    page.resize(20, 20);
    page.setAutoFillBackground(true);
    QPalette palette = page.palette();
    palette.setColor(QPalette::Window, QColor(0, 200, 0));
    page.setPalette(palette);
}

// Everything an image control reports, in order, as text.
class Recorder {
public:
    explicit Recorder(ImageControl* control) {
        QObject::connect(control, &ImageControl::clicked, [this] { log << "click"; });
        QObject::connect(control, &ImageControl::mouseDown,
                         [this](Qt::MouseButton b, QPoint p) { log << entry("down", b, p); });
        QObject::connect(control, &ImageControl::mouseUp,
                         [this](Qt::MouseButton b, QPoint p) { log << entry("up", b, p); });
    }
    QStringList log;

private:
    static QString entry(const char* what, Qt::MouseButton button, QPoint at) {
        return QStringLiteral("%1 %2 %3,%4")
            .arg(QLatin1String(what))
            .arg(int(button))
            .arg(at.x())
            .arg(at.y());
    }
};

// Enter, a left click, a right click, a left press released outside, leave.
void playSession(ImageControl* control) {
    hoverEnter(control);
    QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(4, 5));
    QTest::mouseClick(control, Qt::RightButton, {}, QPoint(6, 7));
    QTest::mousePress(control, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseRelease(control, Qt::LeftButton, {}, QPoint(-10, 40));
    hoverLeave(control);
}

// A page that notes the picture its button shows when its context menu is asked for.
class MenuPage : public QWidget {
public:
    TVelaImage* button = new TVelaImage(this);
    QList<QImage> picturesAtMenu;

protected:
    void contextMenuEvent(QContextMenuEvent*) override { picturesAtMenu << button->picture(); }
};

} // namespace

class TestVelaImage : public QObject {
    Q_OBJECT

private slots:
    void withoutHandlersLikeAPlainImageControl() {
        QWidget window;
        window.resize(200, 100);
        ImageControl plain(&window);
        TVelaImage vela(&window);
        const QImage picture = filled({30, 20}, QColor(10, 120, 200));
        for (ImageControl* control : {&plain, static_cast<ImageControl*>(&vela)}) {
            control->setPicture(picture);
            control->resize(40, 30);
        }
        vela.move(100, 0);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        Recorder plainLog(&plain);
        Recorder velaLog(&vela);
        playSession(&plain);
        playSession(&vela);
        QCOMPARE(velaLog.log, plainLog.log);
        // One click: the left press and release over the control; the press released
        // outside is no click. Every button is reported going down and up.
        QCOMPARE(velaLog.log, QStringList({"down 1 4,5", "up 1 4,5", "click", "down 2 6,7",
                                           "up 2 6,7", "down 1 3,3", "up 1 -10,40"}));
        QCOMPARE(vela.grab().toImage(), plain.grab().toImage());
    }

    void notifiesEnterAndLeaveWithItselfAsSender() {
        TVelaImage image;
        QList<TVelaImage*> entered;
        QList<TVelaImage*> left;
        connect(&image, &TVelaImage::OnMouseEnter, this,
                [&](TVelaImage* sender) { entered << sender; });
        connect(&image, &TVelaImage::OnMouseLeave, this,
                [&](TVelaImage* sender) { left << sender; });
        hoverEnter(&image);
        QCOMPARE(entered, QList<TVelaImage*>({&image}));
        QVERIFY(left.isEmpty());
        hoverLeave(&image);
        QCOMPARE(left, QList<TVelaImage*>({&image}));
        QCOMPARE(entered.size(), 1);
    }

    void showsPictureUnscaledAtTopLeft() {
        TVelaImage image;
        image.resize(10, 10);
        QImage picture = filled({4, 3}, Qt::blue);
        picture.setPixel(3, 2, qRgb(255, 0, 0));
        image.setPicture(picture);
        const QImage shown = image.grab().toImage();
        QCOMPARE(shown.pixelColor(0, 0), QColor(Qt::blue));
        QCOMPARE(shown.pixelColor(3, 2), QColor(Qt::red));
        QVERIFY(shown.pixelColor(4, 3) != QColor(Qt::blue));
        QCOMPARE(image.sizeHint(), QSize(4, 3));
    }

    void transparentLeavesOutTheBottomLeftColour() {
        QWidget page;
        makeGreenPage(page);
        TVelaImage image(&page);
        image.resize(10, 10);
        QImage picture = filled({10, 10}, Qt::white); // bottom-left pixel: white
        picture.setPixel(2, 2, qRgb(0, 0, 0));
        // The other corners have another colour: the bottom-left one decides.
        for (const QPoint corner : {QPoint(0, 0), QPoint(9, 0), QPoint(9, 9)})
            picture.setPixel(corner, qRgb(0, 0, 255));
        image.setPicture(picture);

        QCOMPARE(page.grab().toImage().pixelColor(5, 5), QColor(Qt::white));
        image.setTransparent(true);
        const QImage shown = page.grab().toImage();
        QCOMPARE(shown.pixelColor(5, 5), QColor(0, 200, 0));
        QCOMPARE(shown.pixelColor(2, 2), QColor(Qt::black));
        QCOMPARE(shown.pixelColor(9, 9), QColor(Qt::blue));
        QCOMPARE(image.picture(), picture); // the picture itself keeps its white
        // A click on a pixel left out counts as on any other of the rectangle.
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        QSignalSpy clicks(&image, &ImageControl::clicked);
        QTest::mouseClick(page.windowHandle(), Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseClick(page.windowHandle(), Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(clicks.size(), 2);
    }

    void buttonPicturesFollowThePointerAndTheButtons() {
        TVelaImage image;
        image.resize(20, 20);
        const std::array<QImage, 3> pictures = {filled({20, 20}, Qt::gray),
                                                filled({20, 20}, Qt::white),
                                                filled({20, 20}, Qt::darkGray)};
        auto* states = new ButtonPictures(&image, pictures);
        auto shown = [&] {
            for (int i = 0; i < 3; ++i)
                if (image.picture() == pictures[i])
                    return i;
            return -1;
        };
        QCOMPARE(shown(), 0);

        // Enter, press, release, leave: 1, 2, 0, 0.
        QList<int> seen;
        hoverEnter(&image);
        seen << shown();
        QTest::mousePress(&image, Qt::LeftButton, {}, QPoint(5, 5));
        seen << shown();
        QTest::mouseRelease(&image, Qt::LeftButton, {}, QPoint(5, 5));
        seen << shown();
        hoverLeave(&image);
        seen << shown();
        QCOMPARE(seen, QList<int>({1, 2, 0, 0}));

        // Any mouse button presses it; the hover picture comes back only with a new entry.
        hoverEnter(&image);
        QTest::mousePress(&image, Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(shown(), 2);
        QCOMPARE(states->state(), ButtonPictures::Pressed);
        QTest::mouseRelease(&image, Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(shown(), 0);
        hoverEnter(&image);
        QCOMPARE(shown(), 1);
    }

    // A right press shows the pressed picture while the button is down; the window's context
    // menu comes only after the release, over the normal picture, whenever the windowing
    // system asks for it at the press.
    void rightPressShowsThePressedPicture() {
        MenuPage page;
        page.resize(60, 60);
        page.button->setGeometry(10, 10, 20, 20);
        const std::array<QImage, 3> pictures = {filled({20, 20}, Qt::gray),
                                                filled({20, 20}, Qt::white),
                                                filled({20, 20}, Qt::darkGray)};
        new ButtonPictures(page.button, pictures);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        // Through the window, as the windowing system delivers the press.
        QTest::mousePress(page.windowHandle(), Qt::RightButton, {}, QPoint(15, 15));
        QCOMPARE(page.button->picture(), pictures[ButtonPictures::Pressed]);
        QVERIFY(page.picturesAtMenu.isEmpty());
        QTest::mouseRelease(page.windowHandle(), Qt::RightButton, {}, QPoint(15, 15));
        QCOMPARE(page.button->picture(), pictures[ButtonPictures::Normal]);
        QCOMPARE(page.picturesAtMenu, QList<QImage>{pictures[ButtonPictures::Normal]});
        // The keyboard's menu key is not held back.
        QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(5, 5),
                              page.button->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(page.button, &key);
        QCOMPARE(page.picturesAtMenu.size(), 2);
    }

    // Pictures given as drawings are drawn when first needed: a hidden control that is never
    // painted draws none, and each state's picture is drawn once.
    void buttonPicturesDrawnWhenFirstShown() {
        QWidget page;
        page.resize(40, 40);
        auto* image = new TVelaImage(&page);
        image->setGeometry(0, 0, 20, 20);
        const std::array<QImage, 3> pictures = {filled({20, 20}, Qt::gray),
                                                filled({20, 20}, Qt::white),
                                                filled({20, 20}, Qt::darkGray)};
        QList<ButtonPictures::State> drawn;
        auto* states = new ButtonPictures(image, QSize(20, 20), [&](ButtonPictures::State state) {
            drawn << state;
            return pictures[state];
        });
        QCOMPARE(states->state(), ButtonPictures::Normal);
        QCOMPARE(image->sizeHint(), QSize(20, 20));
        QVERIFY(drawn.isEmpty());

        // The first paint shows the normal picture, as the array version does.
        page.grab();
        QCOMPARE(drawn, QList<ButtonPictures::State>({ButtonPictures::Normal}));
        QCOMPARE(image->grab().toImage().convertToFormat(QImage::Format_RGB32),
                 pictures[ButtonPictures::Normal]);
        QCOMPARE(image->picture(), pictures[ButtonPictures::Normal]);

        hoverEnter(image);
        QTest::mousePress(image, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(image->picture(), pictures[ButtonPictures::Pressed]);
        QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(5, 5));
        hoverEnter(image);
        hoverLeave(image);
        QCOMPARE(image->picture(), pictures[ButtonPictures::Normal]);
        QCOMPARE(image->grab().toImage().convertToFormat(QImage::Format_RGB32),
                 pictures[ButtonPictures::Normal]);
        QCOMPARE(drawn, QList<ButtonPictures::State>({ButtonPictures::Normal, ButtonPictures::Hover,
                                                      ButtonPictures::Pressed}));
    }

    // A picture drawn later is shown as one given at once: asked for, painted on a hidden
    // page, with the transparent colour left out when the flag was set before the drawing.
    void pictureDrawnLaterShowsAsGiven() {
        QWidget page;
        makeGreenPage(page);
        QImage picture = filled({10, 10}, Qt::white);
        picture.setPixel(2, 2, qRgb(0, 0, 0));
        int drawings = 0;
        auto draw = [&] {
            ++drawings;
            return picture;
        };

        TVelaImage later(&page);
        later.resize(10, 10);
        later.setPicture(picture.size(), draw);
        later.setTransparent(true);
        QCOMPARE(drawings, 0);
        QCOMPARE(later.sizeHint(), QSize(10, 10));
        const QImage shown = page.grab().toImage();
        QCOMPARE(drawings, 1);
        QCOMPARE(shown.pixelColor(5, 5), QColor(0, 200, 0));
        QCOMPARE(shown.pixelColor(2, 2), QColor(Qt::black));
        QCOMPARE(later.picture(), picture);
        later.setTransparent(false);
        QCOMPARE(page.grab().toImage().pixelColor(5, 5), QColor(Qt::white));

        // Asked for before any paint, the picture is drawn then; a picture given at once
        // replaces one still to be drawn.
        TVelaImage asked;
        asked.setPicture(picture.size(), draw);
        QCOMPARE(asked.picture(), picture);
        QCOMPARE(drawings, 2);
        TVelaImage replaced;
        replaced.setPicture(QSize(4, 4), draw);
        replaced.setPicture(filled({3, 3}, Qt::blue));
        QCOMPARE(replaced.sizeHint(), QSize(3, 3));
        QCOMPARE(replaced.picture(), filled({3, 3}, Qt::blue));
        QCOMPARE(drawings, 2);
    }
};

QTEST_MAIN(TestVelaImage)
#include "tst_velaimage.moc"
