#include "gradedata/gradebook.h"
#include "mainwindow/tabcontrol.h"
#include "mainwindow/tform1.h"
#include "support/mainwindowfixture.h"
#include "support/testfiles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListView>
#include <QTest>
#include <QtMath>

// The main window on a screen scaled by 1.5 (QT_SCALE_FACTOR, set for this test): the average
// bar is drawn at the screen's pixel ratio, so it is shown sharp instead of stretched.
class TestScaledWindow : public QObject {
    Q_OBJECT

private slots:
    void averageBarAtThePixelRatio() {
        MainWindowFixture fixture;
        QVERIFY(fixture.isValid());
        QVERIFY(
            writeBytes(fixture.dataFile(), "[Mathe]\r\n5,2,12.03.2002=\"3,2,5,8,6,3,1,3,\"\r\n"));
        QVERIFY(writeBytes(fixture.settingsFile(),
                           ("[Settings]\r\nStandardFile=" + fixture.dataFile() + "\r\n").toUtf8()));

        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.devicePixelRatio(), 1.5);
        // Showing the subject draws the bar.
        auto* tabs = form.findChild<TabControl*>(QStringLiteral("Subjects"));
        tabs->setCurrentIndex(tabs->indexOf(QStringLiteral("Mathe")));
        form.SubjectsChange();
        auto* tests = form.findChild<QListView*>(QStringLiteral("Tests"));
        QCOMPARE(form.document()->tests().count(), 1);
        const QImage& bar = form.averageBarImage();
        QCOMPARE(bar.devicePixelRatio(), 1.5);
        QCOMPARE(bar.width(), qCeil(tests->width() * 1.5));
        QCOMPARE(bar.height(), qCeil(29 * 1.5));
        // The gradient begins light yellow at the left edge, in device pixels too.
        QCOMPARE(bar.pixelColor(0, 10), QColor(0xFFFFD6));
        QCOMPARE(bar.pixelColor(1, 10), QColor(0xFFFFD6));
    }
};

QTEST_MAIN(TestScaledWindow)
#include "tst_scaledwindow.moc"
