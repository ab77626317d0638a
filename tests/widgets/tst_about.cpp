#include "support/hoverevents.h"
#include "widgets/banner.h"
#include "widgets/fileversion.h"
#include "widgets/linklabel.h"
#include "widgets/messagefont.h"
#include "widgets/pictures.h"
#include "widgets/tinfo.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEnterEvent>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTimer>

namespace {

const QColor Blue(0x4a, 0xa0, 0xff);

QImage banner(const BannerContent& content, QSize size = {435, 65}) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    drawBanner(painter, size, content);
    return image;
}

BannerContent withLogo() {
    BannerContent content;
    content.logo = logoBitmap();
    content.logoMask = LogoMaskOf(content.logo);
    return content;
}

bool near(const QColor& a, const QColor& b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

QColor textColour(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

} // namespace

class TestAbout : public QObject {
    Q_OBJECT

public slots:
    // Stands in for the desktop's mail program and browser.
    void openUrl(const QUrl& url) { opened << url.toString(); }

private:
    QStringList opened;

private slots:
    void init() {
        opened.clear();
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), this, "openUrl");
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "openUrl");
    }

    void cleanup() {
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    }

    void bannerGradient() {
        const QImage image = banner(BannerContent());
        for (int y : {0, 32, 64}) {
            QCOMPARE(image.pixelColor(0, y), Blue);
            QCOMPARE(image.pixelColor(326, y), QColor(Qt::white));
            QVERIFY(near(image.pixelColor(434, y), Blue, 3));
        }
        // Lighter towards the white column from both sides.
        QVERIFY(image.pixelColor(200, 10).red() > image.pixelColor(100, 10).red());
        QVERIFY(image.pixelColor(380, 10).red() > image.pixelColor(420, 10).red());
        // Per channel with truncating division: x = 163 is half way, x = 380 is 54 of 109.
        QCOMPARE(image.pixelColor(163, 5), QColor(74 + 181 * 163 / 326, 160 + 95 * 163 / 326, 255));
        QCOMPARE(image.pixelColor(380, 5), QColor(255 - 181 * 54 / 109, 255 - 95 * 54 / 109, 255));
        // A narrower banner keeps its white column at three quarters.
        QCOMPARE(banner(BannerContent(), {200, 40}).pixelColor(150, 20), QColor(Qt::white));
    }

    void logoMask() {
        QImage logo(3, 1, QImage::Format_RGB32);
        logo.setPixel(0, 0, qRgb(0, 0, 0));
        logo.setPixel(1, 0, qRgb(255, 255, 255));
        logo.setPixel(2, 0, qRgb(1, 0, 0));
        const QImage mask = LogoMaskOf(logo);
        QCOMPARE(mask.depth(), 1);
        QCOMPARE(mask.pixelColor(0, 0), QColor(Qt::white));
        QCOMPARE(mask.pixelColor(1, 0), QColor(Qt::black));
        QCOMPARE(mask.pixelColor(2, 0), QColor(Qt::black));
    }

    void logoCombinedThroughItsMask() {
        const QImage gradient = banner(BannerContent());
        const BannerContent content = withLogo();
        const QImage image = banner(content);
        const QImage& logo = content.logo;
        const QPoint at(326 - 142 / 2, 4);
        int black = 0, white = 0, coloured = 0;
        for (int y = 0; y + at.y() < 65; ++y)
            for (int x = 0; x < logo.width(); ++x) {
                const QRgb l = logo.pixel(x, y) & 0xffffffu;
                const QRgb shown = image.pixel(at.x() + x, at.y() + y) & 0xffffffu;
                const QRgb behind = gradient.pixel(at.x() + x, at.y() + y) & 0xffffffu;
                if (l == 0) {
                    QCOMPARE(shown, QRgb(0));
                    ++black;
                } else if (l == 0xffffffu) {
                    QCOMPARE(shown, behind);
                    ++white;
                } else {
                    QCOMPARE(shown, behind & l); // other colours: AND with the gradient
                    ++coloured;
                }
            }
        QVERIFY(black > 0 && white > 0 && coloured > 0);
        // Outside the logo the gradient is untouched.
        QCOMPARE(image.pixel(at.x() - 1, 30), gradient.pixel(at.x() - 1, 30));
        QCOMPARE(image.pixel(at.x() + 142, 30), gradient.pixel(at.x() + 142, 30));
        QCOMPARE(image.pixel(300, 2), gradient.pixel(300, 2));
    }

    void iconInItsFrame() {
        BannerContent content;
        QPixmap icon(32, 32);
        icon.fill(Qt::red);
        content.icon = icon;
        content.frame = QColor(0, 128, 0);
        const QImage image = banner(content);
        // The icon at x = 8, y = 65 div 2 - 16 = 16; the frame from (7, 15) to (40, 48),
        // right and bottom exclusive.
        QCOMPARE(image.pixelColor(8, 16), QColor(Qt::red));
        QCOMPARE(image.pixelColor(38, 46), QColor(Qt::red));
        for (QPoint frame : {QPoint(7, 15), QPoint(39, 15), QPoint(7, 47), QPoint(39, 47),
                             QPoint(20, 15), QPoint(7, 30), QPoint(39, 30), QPoint(20, 47)})
            QCOMPARE(image.pixelColor(frame), QColor(0, 128, 0));
        QCOMPARE(image.pixel(6, 30), banner(BannerContent()).pixel(6, 30));
        QVERIFY(image.pixelColor(40, 30) != QColor(0, 128, 0));
        QVERIFY(image.pixelColor(20, 48) != QColor(0, 128, 0));
    }

    void iconOfAHighResolutionScreen() {
        // A 64-pixel icon for a screen with two device pixels to a pixel takes the place of a
        // 32-pixel one.
        QPixmap sharp(64, 64);
        sharp.fill(Qt::red);
        sharp.setDevicePixelRatio(2);
        QPixmap plain(32, 32);
        plain.fill(Qt::red);
        BannerContent content;
        content.frame = QColor(0, 128, 0);
        content.icon = sharp;
        const QImage withSharp = banner(content);
        content.icon = plain;
        QCOMPARE(withSharp, banner(content));
    }

    void textsRightOfTheIcon() {
        BannerContent content;
        QPixmap icon(32, 32);
        icon.fill(Qt::red);
        content.icon = icon;
        content.font = QFont(QStringLiteral("Liberation Sans"), 8);
        content.name = QStringLiteral("Zensoria");
        content.version = QStringLiteral("1.8.1.16");
        content.period = QStringLiteral("2002");
        const QImage image = banner(content);
        const QImage plain = banner(BannerContent());
        // Dark text pixels start at x = 32 + 16 and lie in three lines around the middle.
        int firstX = 435, top = 65, bottom = -1;
        for (int y = 0; y < 65; ++y)
            for (int x = 41; x < 250; ++x)
                if (image.pixel(x, y) != plain.pixel(x, y) && qGray(image.pixel(x, y)) < 128) {
                    firstX = std::min(firstX, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        QVERIFY2(firstX >= 48 && firstX <= 50, qPrintable(QString::number(firstX)));
        QVERIFY(top < 32 - 12 && bottom > 32 + 6);
        // Another version changes the picture.
        content.version = QStringLiteral("2.0.0.0");
        QVERIFY(banner(content) != image);
    }

    void versionFromTheBuild() {
        const QString version = QStringLiteral(ZENSORIA_PROJECT_VERSION);
        QCOMPARE(ReadFileVersion(), version);
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+\\.\\d+$"))
                     .match(version)
                     .hasMatch(),
                 qPrintable(version));

        // The dialog's banner is the one with that version in its second line.
        TInfo dialog;
        QTimer::singleShot(0, &dialog, [&] { dialog.accept(); });
        dialog.ShowAbout(QStringLiteral("Zensoria"), QStringLiteral("2002"), QIcon());
        BannerContent content = withLogo();
        content.frame = dialog.palette().color(QPalette::Window);
        content.font = dialog.font();
        content.name = QStringLiteral("Zensoria");
        content.period = QStringLiteral("2002");
        content.version = version;
        QCOMPARE(dialog.bannerImage(), banner(content));
        content.version.clear();
        QVERIFY(dialog.bannerImage() != banner(content));
    }

    void captionAndClosingKeys_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Escape") << int(Qt::Key_Escape);
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Enter on the keypad") << int(Qt::Key_Enter);
    }

    void captionAndClosingKeys() {
        QFETCH(int, key);
        TInfo dialog;
        QString caption;
        bool shown = false;
        QTimer::singleShot(0, &dialog, [&] {
            caption = dialog.windowTitle();
            shown = dialog.isVisible();
            QTest::keyClick(&dialog, Qt::Key(key));
        });
        QTimer::singleShot(5000, &dialog, [&] { dialog.done(-1); }); // a key that failed
        dialog.ShowAbout(QStringLiteral("Zensoria"), QStringLiteral("2002"), QIcon());
        QVERIFY(shown);
        QCOMPARE(caption, QStringLiteral("Info über Zensoria"));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
    }

    // Every showing, the first one too, is centred on the screen.
    void centredAtEveryShowing() {
        TInfo dialog;
        QList<QPoint> centres;
        for (int showing = 0; showing < 2; ++showing) {
            QTimer::singleShot(0, &dialog, [&] {
                centres << dialog.frameGeometry().center();
                dialog.accept();
            });
            dialog.ShowAbout(QStringLiteral("Zensoria"), QStringLiteral("2002"), QIcon());
        }
        const QPoint screen = dialog.screen()->availableGeometry().center();
        QCOMPARE(centres.size(), 2);
        for (const QPoint& centre : centres)
            QVERIFY2((centre - screen).manhattanLength() <= 2,
                     qPrintable(QStringLiteral("%1,%2").arg(centre.x()).arg(centre.y())));
    }

    void linkLabels() {
        TInfo dialog;
        auto* email = dialog.findChild<LinkLabel*>(QStringLiteral("EMailLbl"));
        auto* url = dialog.findChild<LinkLabel*>(QStringLiteral("URLLbl"));
        QVERIFY(email && url);
        QCOMPARE(textColour(email), QColor(0, 0, 255));
        QVERIFY(!email->font().underline());

        hoverEnter(email);
        QVERIFY(email->font().underline());
        QTest::mousePress(email, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(textColour(email), QColor(255, 0, 0));
        QTest::mouseRelease(email, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(textColour(email), QColor(0, 0, 255));
        QVERIFY(email->font().underline());
        hoverLeave(email);
        QVERIFY(!email->font().underline());
        // Closed with the pointer over the link, opened with the pointer elsewhere: plain.
        dialog.show();
        hoverEnter(email);
        QTest::mousePress(email, Qt::LeftButton, {}, QPoint(2, 2));
        dialog.hide();
        QVERIFY(!email->font().underline());
        QCOMPARE(textColour(email), QColor(0, 0, 255));
        dialog.show();
        QVERIFY(!email->font().underline());
        QTest::mouseRelease(email, Qt::LeftButton, {}, QPoint(2, 2));
        dialog.hide();
        QCOMPARE(opened, QStringList({"mailto:" + TInfo::EMailAddress}));

        QTest::mouseClick(url, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(opened.last(), "http://" + TInfo::WebHost);
        // Released away from the label: red and blue again, but nothing opens.
        QTest::mousePress(url, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(textColour(url), QColor(255, 0, 0));
        QTest::mouseRelease(url, Qt::LeftButton, {}, QPoint(-30, 2));
        QCOMPARE(textColour(url), QColor(0, 0, 255));
        QCOMPARE(opened.size(), 2);
        // The right button colours it too and opens nothing.
        QTest::mouseClick(url, Qt::RightButton, {}, QPoint(2, 2));
        QCOMPARE(opened.size(), 2);
        // Made-up addresses only.
        QVERIFY(TInfo::EMailAddress.endsWith(QLatin1String("@example.org")));
        QVERIFY(TInfo::WebHost.endsWith(QLatin1String("example.org")));
    }

    void labelsStandRightAligned() {
        TInfo dialog;
        QCOMPARE(dialog.size(), QSize(435, 132));
        const struct {
            const char* name;
            int right;
            int top;
        } labels[] = {{"InfoLbl", 430, 69}, {"EMailLbl", 432, 100}, {"URLLbl", 432, 113}};
        for (const auto& expected : labels) {
            const auto* label = dialog.findChild<QLabel*>(QLatin1String(expected.name));
            QVERIFY(label);
            QCOMPARE(label->geometry().right() + 1, expected.right);
            QCOMPARE(label->y(), expected.top);
            // Its whole text fits.
            QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(label->text()));
        }
        QVERIFY(dialog.findChild<QPushButton*>(QStringLiteral("OK"))->isDefault());
    }

    void messageFontForThe8PointWindows() {
        // Liberation Serif writes narrower than Liberation Sans: it fits the windows' places.
        QWidget small;
        QFont font(QStringLiteral("Liberation Sans"), 8);
        font.setBold(true);
        small.setFont(font);
        QLabel follows(QStringLiteral("a"), &small);
        QLabel own(QStringLiteral("b"), &small);
        own.setFont(QFont(QStringLiteral("Liberation Mono"), 8));
        QWidget large;
        large.setFont(QFont(QStringLiteral("Liberation Sans"), 10));

        AdoptSystemMessageFont(QFont(QStringLiteral("Liberation Serif"), 11));
        QCOMPARE(small.font().family(), QStringLiteral("Liberation Serif"));
        QCOMPARE(small.font().pointSize(), 8);
        QVERIFY(small.font().bold());
        QCOMPARE(follows.font().family(), QStringLiteral("Liberation Serif"));
        QCOMPARE(own.font().family(), QStringLiteral("Liberation Mono"));
        QCOMPARE(large.font().family(), QStringLiteral("Liberation Sans"));

        QWidget later;
        later.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
        QCOMPARE(later.font().family(), QStringLiteral("Liberation Sans"));
    }

    void widerMessageFontLeavesTheLayoutAlone() {
        // DejaVu Sans writes some 13 % wider than the face the windows are laid out for:
        // captions and list texts would overrun their places.
        QWidget window;
        window.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
        AdoptSystemMessageFont(QFont(QStringLiteral("DejaVu Sans"), 9));
        QCOMPARE(window.font().family(), QStringLiteral("Liberation Sans"));
        // Of the same width it is taken.
        AdoptSystemMessageFont(QFont(QStringLiteral("Arial"), 9));
        QCOMPARE(window.font().family(), QStringLiteral("Arial"));
    }

    void creatingTheDialogAdoptsTheMessageFont() {
        // The message font as Qt reports it (here DejaVu Sans, from the desktop's default
        // "Sans Serif"), given to a window whose own face writes wider.
        const QFont message = QApplication::font("QMessageBox");
        QWidget window;
        window.setFont(QFont(QStringLiteral("DejaVu Serif"), 8));
        TInfo dialog;
        QCOMPARE(window.font().family(), message.family());
        QCOMPARE(window.font().pointSize(), 8);
        // The labels keep their own font.
        for (const char* name : {"InfoLbl", "EMailLbl", "URLLbl"})
            QCOMPARE(dialog.findChild<QLabel*>(QLatin1String(name))->font().family(),
                     QStringLiteral("Liberation Sans"));
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
