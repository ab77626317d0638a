#include "app/application.h"
#include "platform/apperror.h"
#include "platform/localeformats.h"
#include "support/scripteddialogs.h"

#include <QFile>
#include <QLibraryInfo>
#include <QPushButton>
#include <QTest>

#include <stdexcept>

namespace {
// An object whose handler of user events fails like a lower layer does.
class FailingReceiver : public QObject {
public:
    int handled = 0;

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User)
            throw AppError(QStringLiteral("'abc' ist kein gültiger Integerwert"));
        if (event->type() == QEvent::Type(QEvent::User + 1))
            throw std::runtime_error("Speicher voll");
        if (event->type() == QEvent::Type(QEvent::User + 2)) {
            ++handled;
            return true;
        }
        return QObject::event(event);
    }
};
} // namespace

class TestApplication : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany)); }

    // The standard dialogs and menus of Qt speak German like the rest of the program.
    void qtTextsAreGerman() {
        const QString translations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        if (!QFile::exists(translations + QStringLiteral("/qtbase_de.qm")))
            QSKIP("Qt's translations are not installed (Debian package qt6-translations-l10n)");
        QCOMPARE(QCoreApplication::translate("QFileDialog", "&Open"), QStringLiteral("&Öffnen"));
        QCOMPARE(QCoreApplication::translate("QWidgetTextControl", "&Undo"),
                 QStringLiteral("&Rückgängig"));
        // Qt's default locale is the program's: the system's, a C locale counting as German.
        QCOMPARE(QLocale().name(), LocaleFormats(QLocale::system()).locale().name());
    }

    void errorInHandlerIsShown_data() {
        QTest::addColumn<int>("eventType");
        QTest::addColumn<QString>("text");
        QTest::newRow("AppError") << int(QEvent::User)
                                  << QStringLiteral("'abc' ist kein gültiger Integerwert");
        QTest::newRow("other exception")
            << int(QEvent::User + 1) << QStringLiteral("Speicher voll");
    }

    void errorInHandlerIsShown() {
        QFETCH(int, eventType);
        QFETCH(QString, text);
        ScopedDialogs dialogs;
        FailingReceiver receiver;
        QEvent event(static_cast<QEvent::Type>(eventType));
        QVERIFY(!QCoreApplication::sendEvent(&receiver, &event));
        QCOMPARE(dialogs->shown().size(), 1);
        const ShownDialog& shown = dialogs->shown().first();
        QCOMPARE(shown.kind, ShownDialog::Kind::Message);
        QCOMPARE(shown.icon, MessageIcon::Error);
        QCOMPARE(shown.caption, QStringLiteral("Zensoria"));
        QCOMPARE(shown.text, text);
    }

    void eventLoopGoesOnAfterAnError() {
        ScopedDialogs dialogs;
        FailingReceiver receiver;
        QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
        QCoreApplication::postEvent(&receiver, new QEvent(QEvent::Type(QEvent::User + 2)));
        QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
        QCoreApplication::postEvent(&receiver, new QEvent(QEvent::Type(QEvent::User + 2)));
        QCoreApplication::sendPostedEvents(&receiver);
        QCOMPARE(receiver.handled, 2);
        QCOMPARE(dialogs->texts(), QStringList(2, "'abc' ist kein gültiger Integerwert"));
    }

    void errorInClickHandlerIsShown() {
        ScopedDialogs dialogs;
        QPushButton button(QStringLiteral("Neu"));
        int clicks = 0;
        QObject::connect(&button, &QPushButton::clicked, &button, [&] {
            if (++clicks == 1)
                throw AppError(QStringLiteral("In /x/Noten.plx kann nicht geschrieben werden"));
        });
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(dialogs->texts(), QStringList{"In /x/Noten.plx kann nicht geschrieben werden"});
        // The button still works.
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicks, 2);
        QCOMPARE(dialogs->shown().size(), 1);
    }
};

int main(int argc, char** argv) {
    ZensoriaApplication application(argc, argv);
    ZensoriaApplication::setApplicationName(QStringLiteral("Zensoria"));
    TestApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_application.moc"
