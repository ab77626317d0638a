#include "wizardtest.h"

#include "platform/datetime.h"
#include "platform/localeformats.h"
#include "platform/programfolder.h"
#include "update/updateplatform.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QStackedWidget>
#include <QTest>

WizardRequest zensoriaRequest() {
    WizardRequest request;
    request.ProgramName = QStringLiteral("Zensoria");
    request.ZIPFileName = QStringLiteral("Pultex.zip");
    request.RegistryKey = QStringLiteral("Zensoria");
    request.VersionDate = daysSince1899(QDateTime(QDate(2003, 8, 8), QTime(14, 8)));
    return request;
}

void WizardTest::setUpWizard(const QString& host) {
    folders_ = std::make_unique<TestFolders>();
    QVERIFY(folders_->isValid());
    QVERIFY(QDir().mkpath(folders_->file(QStringLiteral("tmp"))));
    UpdatePlatform::setWorkFolderBase(folders_->file(QStringLiteral("tmp")));
    UpdatePlatform::setInternetConnected(true);
    UpdatePlatform::setHost(host);
    LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany));
    Clock::setToday(QDate(2003, 8, 20));
    dialogs_ = std::make_unique<ScopedDialogs>();
    form_ = std::make_unique<TStatusForm>();
    form_->setAbortedWaitMs(50);
}

void WizardTest::tearDownWizard() {
    form_.reset();
    const QString problems = dialogs_ ? (*dialogs_)->problems() : QString();
    dialogs_.reset();
    UpdatePlatform::setHost(QString());
    UpdatePlatform::setWorkFolderBase(QString());
    UpdatePlatform::setInternetConnected(std::nullopt);
    Clock::setToday(QDate());
    folders_.reset();
    QVERIFY2(problems.isEmpty(), qPrintable(problems));
}

void WizardTest::click(const char* name) {
    auto* button = control<QAbstractButton>(name);
    QVERIFY2(button, name);
    QVERIFY2(button->isVisible() && button->isEnabled(), name);
    QTest::mouseClick(button, Qt::LeftButton);
}

int WizardTest::page() const {
    return control<QStackedWidget>("Pages")->currentIndex();
}

QString WizardTest::label(const char* name) const {
    return control<QLabel>(name)->text();
}

bool WizardTest::enabled(const char* name) const {
    return control<QWidget>(name)->isEnabled();
}

QString WizardTest::tempFile(const QString& name) const {
    if (form_ && !form_->tempDir().isEmpty())
        runFolder_ = form_->tempDir();
    return runFolder_.isEmpty() ? folders_->file(QStringLiteral("tmp/") + name) : runFolder_ + name;
}
