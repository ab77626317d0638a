#pragma once

#include <QImage>
#include <QMainWindow>
#include <QStringList>
#include <array>
#include <memory>

class GradeBook;
class IniStore;
class SettingsFile;
class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QStatusBar;
class SingleInstance;
class TabControl;
struct DrawStyle;
struct TestForm;

// The main window: a tab per subject plus the settings tab, the settings page (data file,
// subject list, ranking) and the subjects page (test list, average bar, entry form).
// Every control carries its name as objectName.
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
    const QImage& averageBarImage() const { return AverageBarImage; }
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

signals:
    // "&Info" was chosen or the logo clicked: the about dialog is to be shown.
    void aboutRequested();
    // The print button was clicked: the print dialog is to be shown.
    void printRequested();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void buildForm();
    void buildSettingsPage(QWidget* page);
    void buildSubjectsPage(QWidget* page);
    void onSetTestDataClicked();
    void selectTest(int row);
    bool onSettingsTab() const;
    DrawStyle listStyle(const QWidget* list, bool selected) const;
    TestForm readTestForm() const;
    void showTestForm(const TestForm& form);
    int ownGradeChoice() const;
    void clearOwnGradeChoices(bool includingNotWritten);
    void clearTestForm();
    void raiseFromOtherInstance();
    void showSubjects();
    void showTests();

    // Window parts.
    TabControl* Subjects;
    QStackedWidget* Sites;
    QStatusBar* SB;
    QAction* ShowSettings;
    QAction* Help;
    QAction* InfoAction;

    // Settings page.
    QGroupBox* Dateiverwaltung;
    QLabel* Label1;
    QLineEdit* StandardFile;
    QPushButton* GetFileB;
    QPushButton* FileOK;
    QGroupBox* GroupBox1;
    QListWidget* Set1; // the subjects, alphabetical
    QPushButton* Set2; // "Hinzufügen"
    QPushButton* Set3; // "Entfernen"
    QGroupBox* GroupBox3;
    QListWidget* Set4; // the ranking of the subjects by class average
    QGroupBox* GroupBox4;
    QCheckBox* DiagramLabels;
    QLabel* InfoP;

    // Subjects page.
    QFrame* Panel1;
    QListWidget* Tests;
    QWidget* AveragePB;
    QPushButton* New;
    QPushButton* Change;
    QPushButton* Delete;
    QLabel* Label10;
    std::array<QRadioButton*, 6> gradeChoices; // EinsC .. SechsC
    QRadioButton* NotWritten;
    QButtonGroup* ownGradeGroup;
    std::array<QLineEdit*, 6> countFields; // Eins .. Sechs
    QComboBox* ClassNumber;
    QComboBox* Number;
    QDateEdit* TestDate;
    QComboBox* Lesson;
    QLineEdit* Notes;
    QLabel* PrintBtn;

    std::unique_ptr<SettingsFile> SettingsFile_;
    std::unique_ptr<GradeBook> document_;
    QImage AverageBarImage;
    std::unique_ptr<SingleInstance> instance_;
    bool otherInstanceRunning_ = false;
    bool settingsTabNamed_ = false;
    bool centred_ = false;
};
