#include "mainwindow/tform1.h"
#include "support/mainwindowfixture.h"
#include "support/testfiles.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <exception>

namespace {

// Every exception that reaches the application object, which a handler let through into
// Qt's event loop.
QStringList escaped;

// An application that records exceptions reaching it instead of showing them, so that a test
// sees when a handler relies on the application's last net.
class RecordingApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& error) {
            escaped.append(QString::fromUtf8(error.what()));
        } catch (...) {
            escaped.append(QStringLiteral("?"));
        }
        return false;
    }
};

} // namespace

// Errors of the data layer met by the user's actions: each is shown at once by the handler
// that met it, in the general error display's box, and none reaches Qt's event loop.
class TestErrorsAtEdge : public QObject {
    Q_OBJECT

    std::unique_ptr<MainWindowFixture> fixture_;

    // A window on a data file with Mathe (a sound test) and Physik (a faulty one).
    std::unique_ptr<TForm1> openForm() {
        if (!writeBytes(fixture_->dataFile(),
                        "[Mathe]\r\n5,2,12.03.2002=\"3,2,5,8,6,3,1,3,\"\r\n"
                        "[Physik]\r\n6,1,01.03.2003=\"1,9,x,1,1,1,1,2,\"\r\n"))
            qWarning("data file not written");
        return fixture_->openForm();
    }

    // The one message shown since the last call: the error's text in the error box.
    void expectErrorShown(const QString& text) {
        const QList<ShownDialog> shown = fixture_->messages();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().icon, MessageIcon::Error);
        QCOMPARE(shown.first().caption, QApplication::applicationDisplayName());
        QCOMPARE(shown.first().text, text);
        fixture_->dialogs().clear();
    }

private slots:
    void init() {
        fixture_ = std::make_unique<MainWindowFixture>();
        QVERIFY(fixture_->isValid());
        escaped.clear();
    }

    void cleanup() {
        const QString problems = fixture_->dialogs().problems();
        fixture_.reset();
        QVERIFY2(escaped.isEmpty(), qPrintable(escaped.join(u'\n')));
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    // Opening the file builds the ranking, which meets the faulty entry.
    void faultyEntryMetWhileOpening() {
        auto form = openForm();
        expectErrorShown(QStringLiteral("'x' ist kein gültiger Integerwert"));
        QCOMPARE(control<QListView>(*form, "Set1")->model()->rowCount(), 2);
    }

    void faultyEntryMetBySwitching() {
        auto form = openForm();
        fixture_->dialogs().clear();
        clickTab(*form, QStringLiteral("Physik"));
        expectErrorShown(QStringLiteral("'x' ist kein gültiger Integerwert"));
        QCOMPARE(control<QListView>(*form, "Tests")->model()->rowCount(), 0);
        // Ctrl+E to the ranking, a double click in the subject list.
        QTest::keyClick(form.get(), Qt::Key_E, Qt::ControlModifier);
        expectErrorShown(QStringLiteral("'x' ist kein gültiger Integerwert"));
        doubleClickRow(control<QListView>(*form, "Set1"), 1);
        expectErrorShown(QStringLiteral("'x' ist kein gültiger Integerwert"));
    }

    void refusedWritesOfTheForm() {
        auto form = openForm();
        clickTab(*form, QStringLiteral("Mathe"));
        fixture_->dialogs().clear();
        auto* tests = control<QListView>(*form, "Tests");
        clickRow(tests, 0);
        const QString refused =
            QStringLiteral("In %1 kann nicht geschrieben werden").arg(fixture_->dataFile());
        {
            RefusedWrites refusal;
            clickButton(*form, "Change");
        }
        expectErrorShown(refused);
        control<QComboBox>(*form, "Number")->setEditText(QStringLiteral("3"));
        {
            RefusedWrites refusal;
            clickButton(*form, "New");
        }
        expectErrorShown(refused);
        {
            RefusedWrites refusal;
            clickButton(*form, "Delete");
        }
        expectErrorShown(refused);
        QCOMPARE(tests->model()->rowCount(), 1);
    }

    void refusedRemovalOfASubject() {
        auto form = openForm();
        fixture_->dialogs().clear();
        auto* subjects = control<QListView>(*form, "Set1");
        clickRow(subjects, 0);
        fixture_->dialogs().answerYesNo(true);
        {
            RefusedWrites refusal;
            clickButton(*form, "Set3");
        }
        const QList<ShownDialog> shown = fixture_->dialogs().shown(ShownDialog::Kind::Message);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().text,
                 QStringLiteral("In %1 kann nicht geschrieben werden").arg(fixture_->dataFile()));
        QCOMPARE(subjects->model()->rowCount(), 2);
    }
};

int main(int argc, char** argv) {
    RecordingApplication app(argc, argv);
    TestErrorsAtEdge test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_errorsatedge.moc"
