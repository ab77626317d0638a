#include "platform/dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

// Drives the program's real message boxes: each box is inspected and answered from a timer
// while it runs modally.
class TestDialogs : public QObject {
    Q_OBJECT

    struct SeenBox {
        QString title;
        QString text;
        Qt::TextFormat format = Qt::AutoText;
        QStringList buttons;
        QString defaultButton;
    };

    // Answers the next modal message box with the button of the given text.
    static void answerNextBox(SeenBox& seen, const QString& buttonText) {
        QTimer::singleShot(0, [&seen, buttonText] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen.title = box->windowTitle();
            seen.text = box->text();
            seen.format = box->textFormat();
            if (box->defaultButton())
                seen.defaultButton = box->defaultButton()->text();
            QAbstractButton* answer = nullptr;
            for (QAbstractButton* button : box->buttons()) {
                seen.buttons.append(button->text());
                if (button->text() == buttonText)
                    answer = button;
            }
            if (answer)
                answer->click();
            else
                box->reject();
        });
    }

private slots:
    void messageShowsMarkupAsTyped() {
        SeenBox seen;
        answerNextBox(seen, QStringLiteral("OK"));
        const QString text = QStringLiteral("Das Fach <b>Mathe</b> existiert bereits.");
        DialogService::instance().showMessage(nullptr, MessageIcon::Information, QString(), text);
        QCOMPARE(seen.text, text);
        QCOMPARE(seen.format, Qt::PlainText);
        QCOMPARE(seen.title, QStringLiteral("Information"));
    }

    void questionHasGermanButtons() {
        for (const bool yes : {true, false}) {
            SeenBox seen;
            answerNextBox(seen, yes ? QStringLiteral("&Ja") : QStringLiteral("&Nein"));
            const bool answer =
                DialogService::instance().askYesNo(nullptr, MessageIcon::Warning, QString(),
                                                   QStringLiteral("<i>Deutsch</i> löschen?"));
            QCOMPARE(answer, yes);
            QCOMPARE(seen.title, QStringLiteral("Warnung"));
            QCOMPARE(seen.format, Qt::PlainText);
            QCOMPARE(seen.buttons.size(), 2);
            // With mnemonics: Alt+J and Alt+N.
            QVERIFY(seen.buttons.contains(QStringLiteral("&Ja")));
            QVERIFY(seen.buttons.contains(QStringLiteral("&Nein")));
            // Questions come before destroying something: one Enter must not say Yes.
            QCOMPARE(seen.defaultButton, QStringLiteral("&Nein"));
        }
    }

    // Enter on a question answers with its default button.
    void enterAnswersNo() {
        bool pressed = false;
        QTimer::singleShot(0, [&pressed] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                QTest::keyClick(box, Qt::Key_Return);
                pressed = true;
            }
        });
        const bool answer = DialogService::instance().askYesNo(
            nullptr, MessageIcon::Warning, QString(), QStringLiteral("Mathe löschen?"));
        QVERIFY(pressed);
        QVERIFY(!answer);
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
