#include "gradedata/classtest.h"
#include "platform/localeformats.h"
#include "stats/canvas.h"
#include "stats/drawstyle.h"
#include "stats/testrowpainter.h"
#include "support/classtests.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

namespace {

// Rows of tests painted on a widget, through a view's text cache or without one.
class Rows : public QWidget {
public:
    Rows(const QFont& font, canvas::TextCache* texts) : font_(font), texts_(texts) {
        resize(753, 90);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const QList<ClassTest> tests = {
            classTest(7, 1, QDate(2023, 9, 21), {2, 5, 9, 7, 3, 1}, 3),
            classTest(7, 2, QDate(2023, 11, 9), {4, 6, 8, 6, 2, 1}, 2),
            classTest(12, 10, QDate(2010, 2, 1), {0, 0, 0, 0, 0, 3}, 0)};
        QPainter p(this);
        DrawStyle style;
        style.font = font_;
        style.texts = texts_;
        for (int i = 0; i < tests.size(); ++i) {
            style.selected = i == 1;
            paintTestRow(p, QRect(0, 30 * i, 753, 30), tests.at(i), style);
        }
    }

private:
    QFont font_;
    canvas::TextCache* texts_;
};

// The widget's pixels as the screen gets them.
QImage shown(QWidget& widget) {
    widget.show();
    if (!QTest::qWaitForWindowExposed(&widget))
        return {};
    widget.repaint();
    return QGuiApplication::primaryScreen()
        ->grabWindow(widget.winId())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

} // namespace

// Rows painted on a widget through a view's text cache, again and again, are the rows painted
// without it: in a face the system renders in grey, whose texts the cache puts down from images,
// and in one it renders in the screen's subpixel colours on widgets only, which an image of the
// text cannot give.
class TestTextCacheWidget : public QObject {
    Q_OBJECT

private slots:
    void rowsAsWithoutCache_data() {
        QTest::addColumn<QFont>("font");
        QTest::newRow("grau") << QFont(QStringLiteral("DejaVu Sans"), 8);
        QTest::newRow("Subpixel") << QFont(QStringLiteral("Liberation Sans"), 8);
    }

    void rowsAsWithoutCache() {
        QFETCH(QFont, font);
        canvas::TextCache cache;
        Rows without(font, nullptr);
        Rows with(font, &cache);
        const QImage expected = shown(without);
        QVERIFY(!expected.isNull());
        for (int paint = 0; paint < 3; ++paint)
            QCOMPARE(shown(with), expected);
    }
};

int main(int argc, char** argv) {
    // Subpixel rendering for one face, as a desktop may set it for all; the others stay grey.
    QTemporaryDir folder;
    QFile config(folder.filePath(QStringLiteral("fonts.conf")));
    if (!config.open(QIODevice::WriteOnly) || config.write(R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <match target="font">
    <test name="family"><string>Liberation Sans</string></test>
    <edit name="rgba" mode="assign"><const>rgb</const></edit>
  </match>
</fontconfig>
)") < 0)
        return 1;
    config.close();
    qputenv("FONTCONFIG_FILE", QFile::encodeName(config.fileName()));
    QApplication app(argc, argv);
    LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany));
    TestTextCacheWidget test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_textcachewidget.moc"
