#include "mainwindow/tform1.h"

#include "backup/dailybackup.h"
#include "gradedata/datafilename.h"
#include "gradedata/gradebook.h"
#include "gradedata/inistore.h"
#include "gradedata/readahead.h"
#include "gradedata/settingsfile.h"
#include "gradedata/subjectname.h"
#include "gradedata/testform.h"
#include "mainwindow/anchors.h"
#include "mainwindow/classtestform.h"
#include "mainwindow/formparts.h"
#include "mainwindow/returnkey.h"
#include "mainwindow/settingspage.h"
#include "mainwindow/shortcutkeeper.h"
#include "mainwindow/subjectspage.h"
#include "mainwindow/tabcontrol.h"
#include "platform/apperror.h"
#include "platform/besidethread.h"
#include "platform/dialogs.h"
#include "platform/errormessage.h"
#include "platform/helpviewer.h"
#include "platform/localeformats.h"
#include "platform/programfolder.h"
#include "platform/singleinstance.h"
#include "undo/edithistory.h"
#include "update/automaticupdate.h"
#include "update/tvelaupdatefile.h"
#include "widgets/messagefont.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImageReader>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStatusTipEvent>

#include <future>
#include <system_error>

using namespace Anchoring;
using FormParts::named;

const QString TForm1::SingleInstanceMutexName = QStringLiteral("Vela-Software Zensoria");

namespace {

constexpr QSize MinimumSize(800, 423);
// The window's inside at its design size of 800 x 619 with the frame.
constexpr QSize ClientDesignSize(792, 588);
constexpr int StatusBarHeight = 19;

} // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
    // The data file of the last run is read on a worker thread while this one builds the
    // window, and the class averages of its subjects are computed there; opening it at the end
    // of the start-up then finds it read and only puts the ranking in order. The formats the
    // averages are written in are made here first, on this thread.
    LocaleFormats::current();
    preparedRanking_ = std::make_shared<PreparedRanking>();
    // That thread also loads the collation the subjects are put in order with.
    readAhead_ = std::make_unique<DataFileReadAhead>(
        ProgramFolder::settingsFilePath(),
        [ranking = preparedRanking_,
         locale = LocaleFormats::current().locale()](const IniStore& store) {
            *ranking = prepareRanking(store);
            LocaleFormats::loadCollation(locale);
        });
    // The window's font loads the font database, which every text waits for. The list of image
    // format plugins is read on a third thread meanwhile: the style reads the picture of a
    // group's frame, and the first picture read looks through the plugins for one that claims
    // its format. Read as a picture in the built-in format, the list is all it loads. Started
    // after the fonts, the reading does not slow theirs.
    QFontMetrics(designFont()).height();
    std::future<void> plugins;
    try {
        plugins = startBeside([] {
            QBuffer nothing;
            QImageReader(&nothing, "png").canRead();
        });
    } catch (const std::system_error&) {
        // No thread to be had: the first picture read loads them.
    }
    {
        // A line edit lays out its text in the program's default face as it is made, before it
        // takes its parent's; that face is loaded for nothing else on this window. While the
        // window is built, the default is the window's own face, which is loaded already.
        const QFont defaultFont = QGuiApplication::font();
        QGuiApplication::setFont(designFont());
        buildForm();
        QGuiApplication::setFont(defaultFont);
    }
    connectHandlers();
    FormCreate();
    readAhead_.reset();
    preparedRanking_.reset();
}

TForm1::~TForm1() {
    runHandler([this] { FormDestroy(); });
}

// ---------------------------------------------------------------------------------------
// The form

void TForm1::buildForm() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Zensoria"));
    setFont(designFont());
    setMinimumSize(MinimumSize - FrameAllowance);
    resize(ClientDesignSize);

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("Client"));
    setCentralWidget(client);
    setDesignSize(client, ClientDesignSize - QSize(0, StatusBarHeight));

    SB = named(new QStatusBar(this), QStringLiteral("SB"));
    SB->setFixedHeight(StatusBarHeight);
    SB->setSizeGripEnabled(true);
    setStatusBar(SB);

    Subjects = named(new TabControl(client), QStringLiteral("Subjects"));
    place(Subjects, {8, 8, 777, 553}, AllEdges);
    setDesignSize(Subjects, {777, 553});
    Sites = named(new QStackedWidget(Subjects), QStringLiteral("Sites"));
    place(Sites, {4, 24, 769, 525}, AllEdges);
    settingsPage = new SettingsPage(Sites);
    Sites->addWidget(settingsPage);

    ShowSettings = named(new QAction(this), QStringLiteral("ShowSettings"));
    ShowSettings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    addAction(ShowSettings);
    Help = named(new QAction(this), QStringLiteral("Help"));
    Help->setShortcut(QKeySequence(Qt::Key_F1));
    addAction(Help);
    // The about entry; Linux windows have no system menu, so it sits in the context menu of
    // the window and of the logo.
    InfoAction = named(new QAction(QStringLiteral("&Info"), this), QStringLiteral("InfoAction"));
    buildExtraActions();

    Update = named(new TVelaUpdateFile(this), QStringLiteral("Update"));

    keeper_ = new ShortcutKeeper(
        {ShowSettings->shortcut(), Help->shortcut(), Update->UpdateAction->shortcut()}, this);
    keeper_->watchFocusableWidgets(this);
}

SubjectsPage& TForm1::subjectsPage() {
    if (subjectsPage_)
        return *subjectsPage_;
    // The page's captions are made in bold from the font its parent has while it is built.
    // The window may have taken another face since it was built (the about dialog gives it the
    // system's message face); the captions keep the face of the window's design, as the
    // window's other controls of a font of their own do.
    QWidget designed;
    designed.setFont(designFont());
    subjectsPage_ = new SubjectsPage([this] { return diagramLabels(); },
                                     font().family() == designFont().family() ? Sites : &designed);
    Sites->addWidget(subjectsPage_);
    watchUndoKeys(subjectsPage_);
    keeper_->watchFocusableWidgets(subjectsPage_);

    ClassTestForm* form = subjectsPage_->form;
    connect(subjectsPage_, &SubjectsPage::printClicked, this, &TForm1::printRequested);
    connect(subjectsPage_, &SubjectsPage::hintChanged, this, &TForm1::ShowInfoText);
    wire(form->New, &QPushButton::clicked, [this, form] { SetTestData(form->New); });
    wire(form->Change, &QPushButton::clicked, [this, form] { SetTestData(form->Change); });
    wire(form->Delete, &QPushButton::clicked, [this] { DeleteClick(); });
    showTestsOf(document_.get());
    return *subjectsPage_;
}

ClassTestForm& TForm1::entryForm() {
    return *subjectsPage().form;
}

template <typename Sender, typename Signal>
void TForm1::wire(Sender* sender, Signal signal, std::function<void()> handler) {
    connect(sender, signal, this, [this, handler = std::move(handler)] { runHandler(handler); });
}

void TForm1::connectHandlers() {
    SettingsPage* s = settingsPage;
    wire(ShowSettings, &QAction::triggered, [this] { ShowSettingsExecute(); });
    wire(Help, &QAction::triggered, [this] { HelpExecute(); });
    connect(InfoAction, &QAction::triggered, this, &TForm1::aboutRequested);
    connect(settingsPage, &SettingsPage::infoClicked, this, &TForm1::aboutRequested);
    wire(Subjects, &TabControl::tabChanged, [this] { SubjectsChange(); });

    wire(s->GetFileB, &QPushButton::clicked, [this] { GetFileBClick(); });
    wire(s->FileOK, &QPushButton::clicked, [this] { FileOKClick(); });
    wire(s->Set1->selectionModel(), &QItemSelectionModel::selectionChanged,
         [this] { Set1Click(); });
    wire(s->Set1, &QListView::doubleClicked, [this] { Set1DblClick(); });
    wire(s->Set2, &QPushButton::clicked, [this] { Set2Click(); });
    wire(s->Set3, &QPushButton::clicked, [this] { Set3Click(); });
    wire(s->Set4, &QListView::doubleClicked, [this] { Set4DblClick(); });
    // Return on a subject does what a double click does.
    onReturnKey(s->Set1, [this] { runHandler([this] { Set1DblClick(); }); });
    onReturnKey(s->Set4, [this] { runHandler([this] { Set4DblClick(); }); });
}

void TForm1::runHandler(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const AppError& error) {
        showErrorMessage(error);
    }
}

// ---------------------------------------------------------------------------------------
// Start-up and shut-down

void TForm1::FormCreate() {
    // The update reminder runs here, before anything else of the start-up. A registry error is
    // shown and the start goes on; an update-only start ends without the main window.
    runHandler([this] { Update->AutomaticUpdate(QString(), false, 0); });
    if (ProgramEndRequested())
        return;

    // Another instance running: it comes to the front, this one ends without touching
    // Settings.ini.
    instance_ = std::make_unique<SingleInstance>(SingleInstanceMutexName);
    if (!instance_->claim()) {
        otherInstanceRunning_ = true;
        return;
    }
    connect(instance_.get(), &SingleInstance::raiseRequested, this,
            &TForm1::raiseFromOtherInstance);

    setWindowIcon(QApplication::windowIcon());
    Help::setHelpFile(ProgramFolder::filePath(QStringLiteral("Pultex.hlp")));

    Subjects->insertTab(0, SettingsTabName);
    settingsTabNamed_ = true;

    const QString settingsFile = ProgramFolder::settingsFilePath();
    QDir().mkpath(QFileInfo(settingsFile).absolutePath());
    SettingsFile_ = std::make_unique<SettingsFile>(settingsFile);
    const SettingsFile::Values settings = SettingsFile_->read();
    settingsPage->StandardFile->setText(settings.standardFile);
    if (QFileInfo(settings.standardFile).isFile()) {
        // A remembered file that cannot be read is reported; the start goes on.
        runHandler([this] { FileOKClick(); });
    }
    // The minimum size still applies.
    resize(QSize(settings.width, settings.height) - FrameAllowance);
    settingsPage->DiagramLabels->setChecked(settings.diagramLabels);
}

void TForm1::FormDestroy() {
    if (!SettingsFile_)
        return;
    SettingsFile::Values settings;
    // With no data file open, "StandardFile" keeps its old value.
    const bool fileOpen = bool(document_);
    if (document_)
        settings.standardFile = document_->fileName();
    settings.width = outerSize().width();
    settings.height = outerSize().height();
    settings.diagramLabels = diagramLabels();
    showTestsOf(nullptr);
    document_.reset();
    SettingsFile_->write(settings, fileOpen);
    SettingsFile_.reset();
}

void TForm1::FormResize() {
    if (settingsTabNamed_ && !onSettingsTab())
        BuildAverageBar();
}

void TForm1::ShowInfoText(const QString& hint) {
    SB->showMessage(hint);
}

void TForm1::ShowSettingsExecute() {
    Subjects->setCurrentIndex(Subjects->count() - 1);
    SubjectsChange();
}

void TForm1::HelpExecute() {
    Help::showTopic(this,
                    onSettingsTab() ? QStringLiteral("Settings") : QStringLiteral("Subjects"));
}

void TForm1::raiseFromOtherInstance() {
    // Back to its normal state, as the restore button of the title bar does.
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    show();
    raise();
    activateWindow();
}

// ---------------------------------------------------------------------------------------
// The data file

void TForm1::GetFileBClick() {
    settingsPage->chooseDataFile();
}

void TForm1::FileOKClick() {
    OpenDataFile();
}

void TForm1::OpenDataFile() {
    const QString name = settingsPage->StandardFile->text();
    if (!IsValidDataFileName(name)) {
        DialogService::instance().showMessage(
            this, MessageIcon::Error, QStringLiteral("Nicht existierende Datei"),
            QStringLiteral(
                "Die angegebene Datei existiert nicht oder kann nicht erstellt werden."));
        return;
    }
    if (!SettingsFile::canKeep(name)) {
        DialogService::instance().showMessage(
            this, MessageIcon::Error, QStringLiteral("Ungültiger Dateiname"),
            QStringLiteral("Der Name der angegebenen Datei enthält einen Zeilenumbruch; ein "
                           "solcher Name kann nicht für den nächsten Start gespeichert werden. "
                           "Bitte benennen Sie die Datei oder ihren Ordner um."));
        return;
    }
    // The new file is opened and its subjects read before anything of the open one is given
    // up: a file that is refused (a folder, a device, unreadable) leaves the open file, its
    // lists, tabs and views exactly as they were.
    std::unique_ptr<IniStore> readAlready = readAhead_ ? readAhead_->take(name) : nullptr;
    const bool readAhead = bool(readAlready);
    auto opened = readAlready ? std::make_unique<GradeBook>(std::move(readAlready))
                              : std::make_unique<GradeBook>(name);
    opened->readSubjects();

    showTestsOf(nullptr);
    settingsPage->forgetRanking();
    if (readAhead && preparedRanking_)
        settingsPage->usePreparedRanking(std::move(*preparedRanking_));
    document_ = std::move(opened);
    watchForBackup();
    startEditHistory();
    connect(document_.get(), &GradeBook::subjectsChanged, this,
            [this] { settingsPage->showSubjects(document_->subjects()); });
    showTestsOf(document_.get());
    ClearSubjectTabs();
    EnableSubjectControls();
    settingsPage->showSubjects(document_->subjects());
    Set1Click();
    FillSubjectTabs();
    BuildRanking();
}

void TForm1::showTestsOf(GradeBook* document) {
    // A page not yet made shows the open document's tests when it is made.
    if (!subjectsPage_)
        return;
    QItemSelectionModel* selection =
        subjectsPage_->showTests(document ? document->testModel() : nullptr);
    if (document)
        wire(selection, &QItemSelectionModel::selectionChanged, [this] { TestsClick(); });
}

void TForm1::EnableSubjectControls() {
    for (int n = 1;; ++n) {
        auto* control = findChild<QWidget*>(QStringLiteral("Set%1").arg(n));
        if (!control)
            break;
        control->setEnabled(true);
    }
}

void TForm1::ClearSubjectTabs() {
    Subjects->removeTabs(0, Subjects->count() - 1);
}

void TForm1::FillSubjectTabs() {
    if (document_)
        Subjects->insertTabs(0, document_->subjects());
}

// ---------------------------------------------------------------------------------------
// Subjects

const IniStore* TForm1::dataFile() const {
    return document_ ? &document_->store() : nullptr;
}

bool TForm1::onSettingsTab() const {
    return Subjects->currentText() == SettingsTabName;
}

QString TForm1::currentSubject() const {
    return onSettingsTab() ? QString() : Subjects->currentText();
}

void TForm1::SubjectsChange() {
    if (onSettingsTab()) {
        Sites->setCurrentIndex(0);
        if (document_)
            settingsPage->StandardFile->setText(document_->fileName());
        BuildRanking();
        return;
    }
    Sites->setCurrentIndex(1);

    // A faulty entry ends the loading; the entries read before it are shown, and the page
    // shows them as it would any list before the error is reported.
    std::exception_ptr failure;
    try {
        if (document_)
            document_->openSubject(Subjects->currentText());
    } catch (const AppError&) {
        failure = std::current_exception();
    }
    ProposeNextTest();
    BuildAverageBar();
    entryForm().setTestSelected(false);
    entryForm().clear();
    if (failure)
        std::rethrow_exception(failure);
}

void TForm1::ProposeNextTest() {
    const auto proposal = document_ ? document_->proposeNextTest() : std::nullopt;
    entryForm().propose(proposal);
    if (proposal)
        subjectsPage().scrollToLatest();
}

void TForm1::Set1Click() {
    settingsPage->Set3->setEnabled(settingsPage->Set1->selectionModel()->hasSelection());
}

void TForm1::openTab(const QString& caption) {
    const int tab = Subjects->indexOf(caption);
    if (tab < 0)
        return;
    Subjects->setCurrentIndex(tab);
    SubjectsChange();
}

void TForm1::Set1DblClick() {
    const QString subject = settingsPage->selectedSubject();
    if (!subject.isEmpty())
        openTab(subject);
}

void TForm1::Set2Click() {
    if (!document_ || !settingsPage->addSubjectTo(*document_))
        return;
    ClearSubjectTabs();
    FillSubjectTabs();
}

void TForm1::Set3Click() {
    const QString name = settingsPage->selectedSubject();
    if (name.isEmpty() || !document_ || !settingsPage->confirmRemoval(name))
        return;
    document_->removeSubject(name);
    const int tab = Subjects->indexOf(name);
    if (tab >= 0)
        Subjects->removeTab(tab);
    settingsPage->Set3->setEnabled(false);
    BuildRanking();
}

void TForm1::Set4DblClick() {
    const QString subject = settingsPage->selectedRankedSubject();
    if (!subject.isEmpty())
        openTab(subject);
}

// ---------------------------------------------------------------------------------------
// Class-test entry

QStringList TForm1::testItems() const {
    return document_ ? document_->tests().items() : QStringList();
}

bool TForm1::diagramLabels() const {
    return settingsPage->DiagramLabels->isChecked();
}

void TForm1::TestsClick() {
    const int row = subjectsPage().selectedRow();
    entryForm().setTestSelected(row >= 0);
    if (row >= 0)
        entryForm().show(testFormFromTest(document_->tests().test(row)));
}

void TForm1::SetTestData(QObject* button) {
    const bool changing = button && button->objectName() == QStringLiteral("Change");
    if (!document_ || onSettingsTab())
        return;
    const int changedRow = changing ? subjectsPage().selectedRow() : -1;
    if (changing && changedRow < 0)
        return;

    const std::optional<ClassTest> test = entryForm().enteredTest(*document_, changedRow);
    if (!test)
        return;
    const int row = changing ? document_->changeTest(changedRow, *test) : document_->addTest(*test);
    subjectsPage().selectRow(row);
    // After "Neu" the form shows the stored test; after "Ändern" it keeps what was typed.
    if (changing)
        entryForm().setTestSelected(true);
    else
        TestsClick();
    BuildAverageBar();
}

void TForm1::DeleteClick() {
    const int row = subjectsPage().selectedRow();
    if (!document_ || row < 0)
        return;
    document_->removeTest(row);
    SubjectsChange();
}

void TForm1::TestsMouseMove(const QPoint& position) {
    subjectsPage().showHintAt(position);
}

// ---------------------------------------------------------------------------------------
// Statistics views

void TForm1::TestsDrawItem(QPainter& painter, int index, const QRect& rect, bool selected) {
    subjectsPage().drawTest(painter, index, rect, selected);
}

void TForm1::Set4DrawItem(QPainter& painter, int index, const QRect& rect, bool selected) {
    settingsPage->drawRankingRow(painter, index, rect, selected);
}

void TForm1::BuildAverageBar() {
    subjectsPage().buildAverageBar();
}

const QImage& TForm1::averageBarImage() const {
    // Before the page is made, no average bar was drawn.
    static const QImage none;
    return subjectsPage_ ? subjectsPage_->averageBarImage() : none;
}

void TForm1::BuildRanking() {
    settingsPage->showRankingOf(document_.get());
}

void TForm1::AveragePBPaint() {
    subjectsPage().paintAverageBar();
}

// ---------------------------------------------------------------------------------------
// Events

bool TForm1::event(QEvent* event) {
    if (event->type() == QEvent::Paint && !subjectsPage_ && !subjectsPageDue_) {
        // The subjects page is hidden at start; it is made once the window is painted, in the
        // event loop's next turn, unless something needs it before.
        subjectsPageDue_ = true;
        QMetaObject::invokeMethod(
            this, [this] { subjectsPage(); }, Qt::QueuedConnection);
    }
    if (event->type() == QEvent::StatusTip) {
        ShowInfoText(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TForm1::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(InfoAction);
    addExtraActions(menu);
    menu.exec(event->globalPos());
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TForm1::showEvent(QShowEvent* event) {
    if (!centred_) {
        centred_ = true;
        if (const QScreen* screen = this->screen())
            move(screen->availableGeometry().center() - frameGeometry().center() + pos());
    }
    QMainWindow::showEvent(event);
}
