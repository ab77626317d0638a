#pragma once

#include <QImage>
#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>

class ClassTestForm;
class DailyBackup;
class DataFileReadAhead;
class EditHistory;
class GradeBook;
class IniStore;
struct PreparedRanking;
class QAction;
class QMenu;
class QStackedWidget;
class QStatusBar;
class SettingsFile;
class SettingsPage;
class ShortcutKeeper;
class SingleInstance;
class SubjectsPage;
class TabControl;
class TVelaUpdateFile;

// The main window: a tab per subject plus the settings tab, the settings page (data file,
// subject list, ranking) and the subjects page (test list, average bar, entry form).
// Every control carries its name as objectName.
//
// The handlers below work on the document (GradeBook) and raise its AppError. Qt reaches them
// only through the window's connections, which catch that error and show it through the
// general error display, so no error leaves a handler into Qt's event loop.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // Name of the single-instance lock ("Vela-Software Zensoria").
    static const QString SingleInstanceMutexName;
    // The window sizes of Settings.ini and the minimum size count the window with its frame.
    // The window manager draws the frame outside the window, so the program counts with a
    // fixed frame of this size: the same numbers are read and written whatever the desktop,
    // and at 800 x 619 the controls sit exactly at their designed places.
    static constexpr QSize FrameAllowance{8, 31};

    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // True when start-up found another instance running; that one was asked to come to the
    // front, and this window is to be discarded without being shown.
    bool otherInstanceRunning() const { return otherInstanceRunning_; }

    // The open data file as a document, nullptr before one is opened: its subjects, the
    // tests of the subject shown, and the operations on them.
    GradeBook* document() const { return document_.get(); }
    // The store of the open data file, nullptr before one is opened.
    const IniStore* dataFile() const;
    // The subject whose tests are shown; empty while the settings page shows.
    QString currentSubject() const;
    // The texts of the test list, in list order.
    QStringList testItems() const;
    bool diagramLabels() const;
    // The average bar as AveragePB shows it.
    const QImage& averageBarImage() const;
    // The window's size with its frame, as Settings.ini keeps it.
    QSize outerSize() const { return size() + FrameAllowance; }

    // Start-up and shut-down.
    void FormCreate();
    void FormDestroy();
    void FormResize();
    // The status bar shows the hint of the control under the mouse.
    void ShowInfoText(const QString& hint);
    void ShowSettingsExecute();
    void HelpExecute();

    // Settings page: the data file.
    void GetFileBClick();
    void FileOKClick();
    void OpenDataFile();
    void EnableSubjectControls();
    void ClearSubjectTabs();
    void FillSubjectTabs();

    // Subjects.
    void SubjectsChange();
    void Set1Click();
    void Set1DblClick();
    void Set2Click();
    void Set3Click();
    void Set4DblClick();
    void ProposeNextTest();

    // Class-test entry. SetTestData stores the form as a new test when button is "New" and
    // replaces the selected test when it is "Change".
    void TestsClick();
    void SetTestData(QObject* button);
    void DeleteClick();
    void TestsMouseMove(const QPoint& position);

    // Statistics views: the rows of the test list and of the ranking, the average bar.
    void TestsDrawItem(QPainter& painter, int index, const QRect& rect, bool selected);
    void Set4DrawItem(QPainter& painter, int index, const QRect& rect, bool selected);
    void BuildAverageBar();
    void BuildRanking();
    void AveragePBPaint();

    // Context menu entries beside "&Info": the backup copies of the data file, the trend of
    // the subject shown, the grade book as a CSV table or an Excel workbook, the overview of
    // all subjects (tform1extras.cpp).
    void BackupsExecute();
    void TrendExecute();
    void CsvExportExecute();
    void XlsxExportExecute();
    void OverviewExecute();

    // Strg+Z and Strg+Y: take back, or do again, the latest change to tests and subjects of
    // this session; the status bar names it (tform1undo.cpp).
    void UndoExecute();
    void RedoExecute();
    // The history of the open data file, nullptr before one is opened.
    const EditHistory* editHistory() const { return history_.get(); }

signals:
    // "&Info" was chosen or the logo clicked: the about dialog is to be shown.
    void aboutRequested();
    // The print button was clicked: the print dialog is to be shown.
    void printRequested();

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void buildForm();
    void connectHandlers();
    // Connects signal of sender to handler, which runs as described at the class.
    template <typename Sender, typename Signal>
    void wire(Sender* sender, Signal signal, std::function<void()> handler);
    void runHandler(const std::function<void()>& handler);

    bool onSettingsTab() const;
    void openTab(const QString& caption);
    void raiseFromOtherInstance();
    void showTestsOf(GradeBook* document);
    // The subjects page and its entry form, made at the first call.
    SubjectsPage& subjectsPage();
    ClassTestForm& entryForm();
    void buildExtraActions();
    void addExtraActions(QMenu& menu);
    // The day's copy of the data file is made before its first change of the day.
    void watchForBackup();
    // Reads the data file again after it was replaced, showing the same subject.
    void reloadDataFile();
    // Undo and redo: their actions, a new history for each file opened, and the views showing
    // the file after a step.
    void buildUndoActions();
    // Installs the filter of Strg+Z and Strg+Y on the text fields below top.
    void watchUndoKeys(QWidget* top);
    void addUndoActions(QMenu& menu);
    void startEditHistory();
    void stepThroughHistory(bool redo);
    void showFileState();

    // Window parts.
    TabControl* Subjects;
    QStackedWidget* Sites;
    QStatusBar* SB;
    QAction* ShowSettings;
    QAction* Help;
    QAction* InfoAction;
    TVelaUpdateFile* Update; // the online update and its Ctrl+U
    QAction* BackupsAction;
    QAction* TrendAction;
    QAction* CsvExportAction;
    QAction* XlsxExportAction;
    QAction* OverviewAction; // "Übersicht…", Ctrl+Ü
    QAction* UndoAction;     // "Rückgängig", Ctrl+Z
    QAction* RedoAction;     // "Wiederholen", Ctrl+Y
    SettingsPage* settingsPage;
    // Hidden at start, the subjects page is made after the window's first paint, or before
    // when it is needed.
    SubjectsPage* subjectsPage_ = nullptr;
    bool subjectsPageDue_ = false;
    ShortcutKeeper* keeper_;
    QObject* undoKeys_; // lets text fields keep Strg+Z and Strg+Y while they can use them

    std::unique_ptr<SettingsFile> SettingsFile_;
    // The remembered data file, read while the window is built, with its ranking's entries;
    // only for the start.
    std::unique_ptr<DataFileReadAhead> readAhead_;
    std::shared_ptr<PreparedRanking> preparedRanking_;
    std::unique_ptr<GradeBook> document_;
    std::unique_ptr<DailyBackup> backup_;
    std::unique_ptr<EditHistory> history_;
    std::unique_ptr<SingleInstance> instance_;
    bool otherInstanceRunning_ = false;
    bool settingsTabNamed_ = false;
    bool centred_ = false;
};
