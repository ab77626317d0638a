#include "gradedata/testform.h"
#include "mainwindow/anchors.h"
#include "mainwindow/classtestform.h"
#include "platform/localeformats.h"
#include "platform/programfolder.h"
#include "support/classtests.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QTest>

// The entry form of one class test, on its own: what it shows fits its fields at their
// designed size, and a test shown in it reads back unchanged.
class TestClassTestForm : public QObject {
    Q_OBJECT

    // A page at its design size with the window's font and the form on it.
    std::unique_ptr<QWidget> page(const QString& face) {
        auto page = std::make_unique<QWidget>();
        QFont font(face, 8);
        page->setFont(font);
        Anchoring::setDesignSize(page.get(), QSize(769, 525));
        new ClassTestForm(page.get());
        page->show();
        return page;
    }

    static void verifyEveryDateFits(QDateEdit* date, const QString& face) {
        QVERIFY(date);
        QCOMPARE(date->geometry(), QRect(504, 336, 185, 21));
        QCOMPARE(date->font().family(), face);
        QCOMPARE(date->date(), QDate(2023, 9, 28));
        auto* edit = date->findChild<QLineEdit*>();
        QVERIFY(edit);
        QTRY_VERIFY(edit->width() > 100);
        const QFontMetrics metrics(edit->font());
        int widest = 0;
        for (QDate day(2023, 1, 1); day <= QDate(2024, 12, 31); day = day.addDays(1)) {
            date->setDate(day);
            const int width = metrics.horizontalAdvance(edit->text());
            widest = std::max(widest, width);
            // The text between its margins, and the cursor behind it.
            QVERIFY2(width + 2 * 2 + 1 <= edit->width(), qPrintable(edit->text()));
        }
        // As large as fits: half a point more would not.
        QFont larger = edit->font();
        larger.setPointSizeF(larger.pointSizeF() + 0.5);
        if (larger.pointSizeF() <= 8)
            QVERIFY(QFontMetrics(larger).horizontalAdvance(
                        QStringLiteral("Donnerstag, 28. September 2023")) +
                        5 >
                    edit->width());
        QVERIFY(widest > 0);
        date->setDate(QDate(2023, 9, 28));
    }

private slots:
    void initTestCase() {
        LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany));
        Clock::setToday(QDate(2023, 9, 28));
    }

    void everyDateFits_data() {
        QTest::addColumn<QString>("face");
        QTest::newRow("window's face") << "Liberation Sans";
        // The about dialog gives the windows the face of the system's message font.
        QTest::newRow("wider face") << "DejaVu Sans";
    }
    // "Donnerstag, 28. September 2023" and every other date of two years are shown whole.
    void everyDateFits() {
        QFETCH(QString, face);
        auto shown = page(QStringLiteral("Liberation Sans"));
        shown->setFont(QFont(face, 8));
        verifyEveryDateFits(shown->findChild<QDateEdit*>(QStringLiteral("TestDate")), face);
    }

    // A form whose page is hidden while the window's font changes (the subjects page at
    // start) fits its date field when the page is first shown, to the same size as a form that
    // was shown all along; asked for its size before, the field answers with that size too.
    void dateFitsWhenShownLater_data() { everyDateFits_data(); }
    void dateFitsWhenShownLater() {
        QFETCH(QString, face);
        auto shown = page(QStringLiteral("Liberation Sans"));
        shown->setFont(QFont(face, 8));
        const auto* shownDate = shown->findChild<QDateEdit*>(QStringLiteral("TestDate"));

        auto window = std::make_unique<QWidget>();
        window->setFont(QFont(QStringLiteral("Liberation Sans"), 8));
        auto* hidden = new QWidget(window.get());
        Anchoring::setDesignSize(hidden, QSize(769, 525));
        new ClassTestForm(hidden);
        hidden->hide();
        window->show();
        auto* date = hidden->findChild<QDateEdit*>(QStringLiteral("TestDate"));
        window->setFont(QFont(face, 8));
        QVERIFY(!date->isVisible());
        QCOMPARE(date->sizeHint(), shownDate->sizeHint());
        QCOMPARE(date->minimumSizeHint(), shownDate->minimumSizeHint());
        hidden->show();
        QCOMPARE(date->font(), shownDate->font());
        QCOMPARE(date->sizeHint(), shownDate->sizeHint());
        verifyEveryDateFits(date, face);

        // Shown, the field follows a change of the window's font at once.
        window->setFont(QFont(QStringLiteral("Liberation Sans"), 8));
        shown->setFont(QFont(QStringLiteral("Liberation Sans"), 8));
        QCOMPARE(date->font(), shownDate->font());
        QCOMPARE(date->font().family(), QStringLiteral("Liberation Sans"));
    }

    void shownTestReadsBack() {
        auto shown = page(QStringLiteral("Liberation Sans"));
        auto* form = shown->findChild<ClassTestForm*>();
        ClassTest test = classTest(12, 7, QDate(2002, 3, 12), {0, 5, 8, 6, 3, 1}, 0,
                                   QStringLiteral("Analysis, Teil 1"));
        test.lesson = 11;
        form->show(testFormFromTest(test));
        TestForm read = form->read();
        QVERIFY(validateTestForm(read));
        const ClassTest back = classTestFromForm(read);
        QCOMPARE(back.gradeLevel, 12);
        QCOMPARE(back.number, 7);
        QCOMPARE(back.date, test.date);
        QCOMPARE(back.lesson, 11);
        QCOMPARE(back.counts, test.counts);
        QCOMPARE(back.ownGrade, 0);
        QCOMPARE(back.remark, test.remark);

        // An own grade outside 0 .. 6 (a hand-edited file) leaves every choice unchecked.
        test.ownGrade = 9;
        form->show(testFormFromTest(test));
        QCOMPARE(form->read().ownGrade, NoOwnGrade);
        form->clear();
        QCOMPARE(form->read().counts, (std::array<QString, 6>{}));
        QCOMPARE(form->read().date, QDate(2023, 9, 28));
        form->propose(GradeBook::Proposal{10, 7});
        QCOMPARE(form->ClassNumber->currentText(), QStringLiteral("10"));
        QCOMPARE(form->Number->currentText(), QStringLiteral("7"));
        form->propose(std::nullopt);
        QCOMPARE(form->ClassNumber->currentIndex(), -1);
        QCOMPARE(form->Number->currentText(), QString());
    }
};

QTEST_MAIN(TestClassTestForm)
#include "tst_classtestform.moc"
