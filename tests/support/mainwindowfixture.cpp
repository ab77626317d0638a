#include "mainwindowfixture.h"

#include "mainwindow/tabcontrol.h"
#include "platform/localeformats.h"
#include "platform/programfolder.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

MainWindowFixture::MainWindowFixture(const QString& dataFileName, QDate today)
    : dataFile_(folders_.file(dataFileName)) {
    folders_.keepTemporaryFilesInside();
    LocaleFormats::setCurrent(QLocale(QLocale::German, QLocale::Germany));
    Clock::setToday(today);
}

MainWindowFixture::~MainWindowFixture() {
    Clock::setToday(QDate());
}

QList<ShownDialog> MainWindowFixture::messages() const {
    return dialogs_->shown(ShownDialog::Kind::Message);
}

QString MainWindowFixture::settingsFile() const {
    return folders_.programFile(QStringLiteral("Settings.ini"));
}

std::unique_ptr<TForm1> startForm() {
    auto form = std::make_unique<TForm1>();
    form->show();
    form->activateWindow();
    if (!QTest::qWaitForWindowActive(form.get()))
        qWarning("window not active");
    // The hidden subjects page is made once the window is painted.
    if (!QTest::qWaitFor(
            [&form] { return form->findChild<QWidget*>(QStringLiteral("SubjectsPage")); }))
        qWarning("subjects page not made");
    return form;
}

std::unique_ptr<TForm1> MainWindowFixture::openForm() const {
    auto form = startForm();
    openFile(*form, dataFile_);
    return form;
}

void openFile(TForm1& form, const QString& fileName) {
    auto* field = control<QLineEdit>(form, "StandardFile");
    field->clear();
    QTest::keyClicks(field, fileName);
    clickButton(form, "FileOK");
}

void clickRow(QListView* list, int row) {
    const QModelIndex index = list->model()->index(row, 0);
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
}

void doubleClickRow(QListView* list, int row) {
    const QModelIndex index = list->model()->index(row, 0);
    list->scrollTo(index);
    const QPoint center = list->visualRect(index).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, center);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, center);
}

void clickButton(TForm1& form, const char* name) {
    QTest::mouseClick(control<QPushButton>(form, name), Qt::LeftButton);
}

void clickTab(TForm1& form, const QString& caption) {
    auto* tabs = control<TabControl>(form, "Subjects");
    const int index = tabs->indexOf(caption);
    QVERIFY2(index >= 0, qPrintable(caption));
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(index).center());
    QCOMPARE(tabs->currentText(), caption);
}
