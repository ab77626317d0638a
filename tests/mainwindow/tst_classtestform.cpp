#include "gradedata/testform.h"
#include "mainwindow/anchors.h"
#include "mainwindow/classtestform.h"
#include "platform/localeformats.h"
#include "platform/programfolder.h"
#include "support/classtests.h"
#include "support/mainwindowfixture.h"
#include "support/testfiles.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

// Types into a widget: '>' is the Right key, '<' Backspace, '|' Enter, '!' Escape, '^' Up,
// 'v' Down, anything else its character.
void typeKeys(QWidget* widget, const QString& keys) {
    const QHash<QChar, Qt::Key> special = {{u'>', Qt::Key_Right},  {u'<', Qt::Key_Backspace},
                                           {u'|', Qt::Key_Return}, {u'!', Qt::Key_Escape},
                                           {u'^', Qt::Key_Up},     {u'v', Qt::Key_Down}};
    for (const QChar c : keys) {
        if (special.contains(c))
            QTest::keyClick(widget, special[c]);
        else
            QTest::keyClick(widget, c.toLatin1());
    }
}

// The date field focused by Tab from the number before it, as a user gets there.
QDateEdit* dateFieldByTab(QWidget& window) {
    auto* number = window.findChild<QComboBox*>(QStringLiteral("Number"));
    auto* date = window.findChild<QDateEdit*>(QStringLiteral("TestDate"));
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window))
        return nullptr;
    number->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(number, Qt::Key_Tab);
    return date->hasFocus() ? date : nullptr;
}

// The text the date field shows: the entry being typed where there is one.
QString shownText(const QDateEdit* date) {
    const auto* typed = date->findChild<QLineEdit*>(QStringLiteral("TypedDate"));
    return typed && typed->isVisible() ? typed->text() : date->findChild<QLineEdit*>()->text();
}

} // namespace

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
    void init() {
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

    void typedDate_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("shown");
        const QDate date(2025, 11, 14);
        const QString longDate = QStringLiteral("Freitag, 14. November 2025");
        QTest::newRow("with dots") << "14.11.2025" << date << longDate;
        QTest::newRow("digits only") << "14112025" << date << longDate;
        QTest::newRow("Right between") << "14>11>2025" << date << longDate;
        QTest::newRow("one-digit day and month")
            << "4.1.2025" << QDate(2025, 1, 4) << "Samstag, 4. Januar 2025";
        QTest::newRow("day 4 moves on")
            << "4112025" << QDate(2025, 11, 4) << "Dienstag, 4. November 2025";
        QTest::newRow("two-digit year, Enter") << "14.11.25|" << date << longDate;
        QTest::newRow("year of the field")
            << "14.11.|" << QDate(2023, 11, 14) << "Dienstag, 14. November 2023";
        QTest::newRow("corrected")
            << "14.12<<12.2025" << QDate(2025, 12, 14) << "Sonntag, 14. Dezember 2025";
        QTest::newRow("Up steps") << "14.11.2025^" << QDate(2025, 11, 15)
                                  << "Samstag, 15. November 2025";
        QTest::newRow("Up, Down") << "14.11.2025^v" << date << longDate;
        QTest::newRow("no such day") << "31.02.2025" << QDate() << "31.02.2025";
        QTest::newRow("leap day") << "29.02.2024" << QDate(2024, 2, 29)
                                  << "Donnerstag, 29. Februar 2024";
        QTest::newRow("month 13") << "14.13.2025" << QDate() << "14.13.2025";
        QTest::newRow("before the calendar") << "14.11.1120" << QDate() << "14.11.1120";
        QTest::newRow("refused, typed again")
            << "31.02.202528.02.2025" << QDate(2025, 2, 28) << "Freitag, 28. Februar 2025";
        QTest::newRow("refused, Escape")
            << "31.02.2025!" << QDate(2023, 9, 28) << "Donnerstag, 28. September 2023";
    }
    // A date typed the way people type dates sets the field's date and shows it long; one
    // that does not exist stays shown as typed, and the form then holds no date.
    void typedDate() {
        QFETCH(QString, keys);
        QFETCH(QDate, date);
        QFETCH(QString, shown);
        auto window = page(QStringLiteral("Liberation Sans"));
        QDateEdit* field = dateFieldByTab(*window);
        QVERIFY(field);
        typeKeys(field, keys);
        // Leaving the field takes what was typed.
        QTest::keyClick(field, Qt::Key_Tab);
        QVERIFY(!field->hasFocus());
        QCOMPARE(shownText(field), shown);
        QCOMPARE(window->findChild<ClassTestForm*>()->read().date, date);
        const auto* typed = field->findChild<QLineEdit*>(QStringLiteral("TypedDate"));
        QCOMPARE(typed && typed->isVisible(), !date.isValid());
        if (!date.isValid())
            QCOMPARE(typed->palette().color(QPalette::Text), QColor(Qt::red));
    }

    // "Neu" stores the date typed after Tab, and refuses one that does not exist.
    void newStoresTypedDate_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("key");
        QTest::newRow("14.11.2025") << "14.11.2025"
                                    << "5,1,14.11.2025";
        QTest::newRow("31.02.2025") << "31.02.2025" << QString();
    }
    void newStoresTypedDate() {
        QFETCH(QString, keys);
        QFETCH(QString, key);
        MainWindowFixture fixture;
        QVERIFY(writeBytes(fixture.dataFile(), "[Mathe]\r\n"));
        auto form = fixture.openForm();
        clickTab(*form, QStringLiteral("Mathe"));
        control<QComboBox>(*form, "ClassNumber")->setCurrentIndex(4);
        control<QComboBox>(*form, "Number")->setEditText(QStringLiteral("1"));
        control<QComboBox>(*form, "Lesson")->setEditText(QStringLiteral("2"));
        control<QLineEdit>(*form, "Eins")->setText(QStringLiteral("3"));
        QTest::mouseClick(control<QRadioButton>(*form, "NotWritten"), Qt::LeftButton);
        QDateEdit* field = dateFieldByTab(*form);
        QVERIFY(field);
        typeKeys(field, keys);
        clickButton(*form, "New");
        const QByteArray stored = readBytes(fixture.dataFile());
        if (key.isEmpty()) {
            QCOMPARE(stored, QByteArray("[Mathe]\r\n"));
            QCOMPARE(fixture.messages().size(), 1);
            QCOMPARE(fixture.messages().first().caption, QStringLiteral("Fehlerhafte Angabe"));
            QCOMPARE(shownText(field), keys);
        } else {
            QVERIFY2(stored.contains("\r\n" + key.toUtf8() + "=\""), stored.constData());
            QCOMPARE(fixture.messages().size(), 0);
        }
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
