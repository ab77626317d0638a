#include "mainwindow/tform1.h"

#include "gradedata/classtest.h"
#include "gradedata/commalist.h"
#include "gradedata/datafilename.h"
#include "gradedata/formats.h"
#include "gradedata/gradebook.h"
#include "gradedata/inistore.h"
#include "gradedata/settingsfile.h"
#include "gradedata/subjectname.h"
#include "gradedata/testform.h"
#include "mainwindow/anchors.h"
#include "mainwindow/rowdelegate.h"
#include "mainwindow/shortcutkeeper.h"
#include "mainwindow/sortedlist.h"
#include "mainwindow/tabcontrol.h"
#include "platform/apperror.h"
#include "platform/dialogs.h"
#include "platform/helpviewer.h"
#include "platform/localeformats.h"
#include "platform/programfolder.h"
#include "platform/singleinstance.h"
#include "stats/averagebarpainter.h"
#include "stats/ranking.h"
#include "stats/rankingrowpainter.h"
#include "stats/statistics.h"
#include "stats/testrowpainter.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStatusTipEvent>

#include <functional>

using namespace Anchoring;

const QString TForm1::SingleInstanceMutexName = QStringLiteral("Vela-Software Zensoria");

namespace {

constexpr QSize MinimumSize(800, 423);
// The window's inside at its design size of 800 x 619 with the frame, and the pages' size.
constexpr QSize ClientDesignSize(792, 588);
constexpr int StatusBarHeight = 19;
constexpr QSize PageDesignSize(769, 525);
constexpr int RowHeight = 30;

const std::array<QString, 6> GradeNames = {QStringLiteral("Eins"),  QStringLiteral("Zwei"),
                                           QStringLiteral("Drei"),  QStringLiteral("Vier"),
                                           QStringLiteral("Fuenf"), QStringLiteral("Sechs")};

template <typename W> W* named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

// A control's hint; the window shows it in the status bar, never as a tool tip.
template <typename W> W* hinted(W* widget, const QString& hint) {
    widget->setStatusTip(hint);
    return widget;
}

QLabel* label(QWidget* parent, const QString& text, const QRect& rect, Anchors anchors = LeftTop) {
    auto* result = new QLabel(text, parent);
    place(result, rect, anchors);
    return result;
}

// A plain area that the window paints, as the average bar is.
class PaintBox : public QWidget {
public:
    PaintBox(std::function<void()> paint, QWidget* parent)
        : QWidget(parent), paint_(std::move(paint)) {}

protected:
    void paintEvent(QPaintEvent*) override { paint_(); }

private:
    std::function<void()> paint_;
};

// A date field that Tab leaves at once, like every other field of the form; the arrow keys
// still move between day, month and year.
class DatePicker : public QDateEdit {
public:
    using QDateEdit::QDateEdit;

protected:
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
};

QFont boldened(QFont font) {
    font.setBold(true);
    return font;
}

// Offers the numbers 1 .. last, all visible at once when the list drops down; nothing chosen.
// An editable box takes other numbers too, without adding them to its list.
void offerNumbers(QComboBox* box, int last, bool editable) {
    box->setEditable(editable);
    box->setInsertPolicy(QComboBox::NoInsert);
    for (int n = 1; n <= last; ++n)
        box->addItem(QString::number(n));
    box->setMaxVisibleItems(std::max(last, box->maxVisibleItems()));
    box->setCurrentIndex(-1);
}

} // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
    buildForm();
    FormCreate();
}

TForm1::~TForm1() {
    try {
        FormDestroy();
    } catch (const AppError& error) {
        DialogService::instance().showMessage(nullptr, MessageIcon::Error,
                                              QStringLiteral("Zensoria"), error.message());
    }
}

// ---------------------------------------------------------------------------------------
// The form

void TForm1::buildForm() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Zensoria"));
    QFont font(QStringLiteral("Liberation Sans"), 8);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);
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

    auto* settingsPage = named(new QWidget, QStringLiteral("Settings"));
    auto* subjectsPage = named(new QWidget, QStringLiteral("SubjectsPage"));
    Sites->addWidget(settingsPage);
    Sites->addWidget(subjectsPage);
    buildSettingsPage(settingsPage);
    buildSubjectsPage(subjectsPage);

    ShowSettings = named(new QAction(this), QStringLiteral("ShowSettings"));
    ShowSettings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    connect(ShowSettings, &QAction::triggered, this, &TForm1::ShowSettingsExecute);
    addAction(ShowSettings);
    Help = named(new QAction(this), QStringLiteral("Help"));
    Help->setShortcut(QKeySequence(Qt::Key_F1));
    connect(Help, &QAction::triggered, this, &TForm1::HelpExecute);
    addAction(Help);
    // The about entry; Linux windows have no system menu, so it sits in the context menu of
    // the window and of the logo.
    InfoAction = named(new QAction(QStringLiteral("&Info"), this), QStringLiteral("InfoAction"));
    connect(InfoAction, &QAction::triggered, this, &TForm1::aboutRequested);

    connect(Subjects, &TabControl::tabChanged, this, &TForm1::SubjectsChange);

    auto* keeper = new ShortcutKeeper({ShowSettings->shortcut(), Help->shortcut()}, this);
    keeper->watchFocusableWidgets(this);
}

void TForm1::buildSettingsPage(QWidget* page) {
    setDesignSize(page, PageDesignSize);

    Dateiverwaltung = named(new QGroupBox(QStringLiteral("Datei&verwaltung"), page),
                            QStringLiteral("Dateiverwaltung"));
    place(Dateiverwaltung, {16, 8, 337, 169});
    setDesignSize(Dateiverwaltung, {337, 169});
    Label1 = named(
        label(Dateiverwaltung, QStringLiteral("Anfangs zu ladende &Datei:"), {16, 22, 305, 16}),
        QStringLiteral("Label1"));
    StandardFile = hinted(named(new QLineEdit(Dateiverwaltung), QStringLiteral("StandardFile")),
                          QStringLiteral("Geben Sie hier die zu ladende oder neu zu erstellende "
                                         "Datei an, in der die Daten gespeichert werden sollen."));
    place(StandardFile, {16, 40, 305, 21});
    Label1->setBuddy(StandardFile);
    GetFileB = hinted(
        named(new QPushButton(QStringLiteral("Datei suchen/neu erstellen"), Dateiverwaltung),
              QStringLiteral("GetFileB")),
        QStringLiteral("Zeigt einen Dialog, mit dessen Hilfe Sie eine Datei auswählen können."));
    place(GetFileB, {152, 64, 171, 25});
    FileOK = hinted(named(new QPushButton(QStringLiteral("Übernehmen"), Dateiverwaltung),
                          QStringLiteral("FileOK")),
                    QStringLiteral("Lädt oder erstellt die angegebene Datei."));
    FileOK->setFont(boldened(FileOK->font()));
    place(FileOK, {8, 104, 315, 57}, RightBottom);

    GroupBox1 =
        named(new QGroupBox(QStringLiteral("Schul&fächer"), page), QStringLiteral("GroupBox1"));
    place(GroupBox1, {16, 192, 337, 321}, LeftTopBottom);
    setDesignSize(GroupBox1, {337, 321});
    Set1 = hinted(named(new QListWidget(GroupBox1), QStringLiteral("Set1")),
                  QStringLiteral("Liste der Schulfächer"));
    place(Set1, {16, 24, 305, 252}, AllEdges);
    Set2 = hinted(
        named(new QPushButton(QStringLiteral("Hinzufügen"), GroupBox1), QStringLiteral("Set2")),
        QStringLiteral("Fügt ein neues Schulfach zur Liste hinzu."));
    place(Set2, {16, 280, 129, 25}, LeftBottom);
    Set3 = hinted(
        named(new QPushButton(QStringLiteral("Entfernen"), GroupBox1), QStringLiteral("Set3")),
        QStringLiteral("Löscht die Daten zum aktuell ausgewählten Schulfach."));
    place(Set3, {194, 280, 129, 25}, RightBottom);

    GroupBox3 = named(new QGroupBox(QStringLiteral("&Bestenliste der Schulfächer"), page),
                      QStringLiteral("GroupBox3"));
    place(GroupBox3, {368, 8, 385, 353}, AllEdges);
    setDesignSize(GroupBox3, {385, 353});
    Set4 = hinted(named(new QListWidget(GroupBox3), QStringLiteral("Set4")),
                  QStringLiteral("Zeigt die vorhandenen Schulfächer nach dem "
                                 "Klassendurchschnitt geordnet."));
    Set4->setItemDelegate(new OwnerDrawDelegate(
        RowHeight,
        [this](QPainter& p, int index, const QRect& rect, bool selected) {
            Set4DrawItem(p, index, rect, selected);
        },
        Set4));
    Set4->setUniformItemSizes(true);
    place(Set4, {16, 24, 353, 313}, AllEdges);

    GroupBox4 = named(new QGroupBox(QStringLiteral("An&sicht"), page), QStringLiteral("GroupBox4"));
    place(GroupBox4, {368, 368, 385, 57}, LeftRightBottom);
    setDesignSize(GroupBox4, {385, 57});
    DiagramLabels = named(new QCheckBox(QStringLiteral("Diagramme beschriften"), GroupBox4),
                          QStringLiteral("DiagramLabels"));
    DiagramLabels->setChecked(true);
    place(DiagramLabels, {8, 24, 193, 17});

    // The logo; a click opens the about dialog.
    InfoP = named(new QLabel(QStringLiteral("Zensoria"), page), QStringLiteral("InfoP"));
    InfoP->setAlignment(Qt::AlignCenter);
    InfoP->setFrameShape(QFrame::StyledPanel);
    InfoP->setFont(boldened(QFont(font().family(), 16)));
    InfoP->setCursor(Qt::PointingHandCursor);
    InfoP->installEventFilter(this); // takes its clicks
    // Its context menu is the window's, which holds "&Info".
    InfoP->setContextMenuPolicy(Qt::NoContextMenu);
    place(InfoP, {609, 440, 142, 63}, RightBottom);

    for (QWidget* subjectControl : {static_cast<QWidget*>(Set1), static_cast<QWidget*>(Set2),
                                    static_cast<QWidget*>(Set3), static_cast<QWidget*>(Set4)})
        subjectControl->setEnabled(false);

    connect(GetFileB, &QPushButton::clicked, this, &TForm1::GetFileBClick);
    connect(FileOK, &QPushButton::clicked, this, &TForm1::FileOKClick);
    connect(Set1, &QListWidget::itemSelectionChanged, this, &TForm1::Set1Click);
    connect(Set1, &QListWidget::itemDoubleClicked, this, &TForm1::Set1DblClick);
    connect(Set2, &QPushButton::clicked, this, &TForm1::Set2Click);
    connect(Set3, &QPushButton::clicked, this, &TForm1::Set3Click);
    connect(Set4, &QListWidget::itemDoubleClicked, this, &TForm1::Set4DblClick);
}

void TForm1::buildSubjectsPage(QWidget* page) {
    setDesignSize(page, PageDesignSize);

    // Column heads of the test list.
    Panel1 = named(new QFrame(page), QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    place(Panel1, {8, 8, 753, 41}, LeftTopRight);
    setDesignSize(Panel1, {753, 41});
    const QFont bold = boldened(font());
    auto head = [&](const QString& text, const QRect& rect, Anchors anchors = LeftTop) {
        QLabel* result = label(Panel1, text, rect, anchors);
        result->setFont(bold);
        return result;
    };
    head(QStringLiteral("Schuljahr"), {8, 8, 104, 14});
    head(QStringLiteral("Nummer"), {8, 24, 104, 14});
    head(QStringLiteral("Datum"), {120, 8, 72, 14});
    head(QStringLiteral("Schulstunde"), {120, 24, 74, 14});
    // The grade digits stand over the count columns of the rows, 35 pixels apart, whatever
    // the width of a blank in the font.
    QLabel* digits =
        head(QStringLiteral("1       2       3       4       5       6"), {208, 16, 194, 14});
    QFont digitFont = digits->font();
    const QFontMetricsF metrics(digitFont);
    const qreal step = metrics.horizontalAdvance(QStringLiteral("1       "));
    digitFont.setWordSpacing(35 - step); // added once to each run of blanks
    digits->setFont(digitFont);
    head(QStringLiteral("Teilnehmer"), {408, 16, 68, 14});
    head(QStringLiteral("Durchschnitt"), {480, 16, 76, 14});
    head(QStringLiteral("Diagramm"), {560, 16, 169, 14}, LeftTopRight)
        ->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    for (int x : {116, 196, 404, 476, 556}) {
        auto* line = new QFrame(Panel1);
        line->setFrameStyle(QFrame::VLine | QFrame::Sunken);
        place(line, {x - 1, 1, 2, 39});
    }

    Tests = named(new QListWidget(page), QStringLiteral("Tests"));
    Tests->setItemDelegate(new OwnerDrawDelegate(
        RowHeight,
        [this](QPainter& p, int index, const QRect& rect, bool selected) {
            TestsDrawItem(p, index, rect, selected);
        },
        Tests));
    Tests->setUniformItemSizes(true);
    // A sunken edge two pixels wide, so that the rows start one pixel right of the average
    // bar under the list, whose columns are laid out for exactly that offset.
    Tests->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    Tests->setSelectionMode(QAbstractItemView::SingleSelection);
    // The status bar follows the pointer over the rows (TestsMouseMove).
    Tests->setMouseTracking(true);
    Tests->viewport()->installEventFilter(this);
    // Qt paints every widget double-buffered, so redrawn rows do not flicker.
    place(Tests, {8, 49, 753, 228}, AllEdges);

    auto* averageFrame = named(new QFrame(page), QStringLiteral("AverageFrame"));
    averageFrame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    place(averageFrame, {8, 277, 753, 31}, LeftRightBottom);
    AveragePB =
        hinted(named(new PaintBox([this] { AveragePBPaint(); }, page), QStringLiteral("AveragePB")),
               QStringLiteral("Zeigt den Durchschnitt aller Arbeiten des aktuell "
                              "ausgewählten Schulfaches."));
    place(AveragePB, {9, 278, 751, 29}, LeftRightBottom);

    New = hinted(named(new QPushButton(QStringLiteral("Neu"), page), QStringLiteral("New")),
                 QStringLiteral("Erstellt einen neuen Eintrag mit den angegebenen Daten."));
    place(New, {16, 320, 49, 193}, LeftBottom);
    Change = hinted(
        named(new QPushButton(QStringLiteral("Ändern"), page), QStringLiteral("Change")),
        QStringLiteral("Ersetzt den aktuell markierten Eintrag durch die eingegebenen Daten."));
    Change->setEnabled(false);
    place(Change, {72, 320, 49, 193}, LeftBottom);
    Delete =
        hinted(named(new QPushButton(QStringLiteral("Entfernen"), page), QStringLiteral("Delete")),
               QStringLiteral("Löscht den aktuell markierten Eintrag."));
    Delete->setEnabled(false);
    place(Delete, {128, 320, 57, 193}, LeftBottom);

    Label10 = named(new QLabel(QStringLiteral("Eigene Zensur"), page), QStringLiteral("Label10"));
    Label10->setFont(bold);
    Label10->setWordWrap(true);
    Label10->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label10->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Label10->setMargin(2);
    Label10->setAutoFillBackground(true);
    QPalette infoPalette = Label10->palette();
    infoPalette.setColor(QPalette::Window, infoPalette.color(QPalette::ToolTipBase));
    infoPalette.setColor(QPalette::WindowText, infoPalette.color(QPalette::ToolTipText));
    Label10->setPalette(infoPalette);
    place(Label10, {200, 320, 49, 201}, LeftBottom);

    ownGradeGroup = new QButtonGroup(this);
    const QString ownGradeHint = QStringLiteral("Geben Sie hier Ihre eigene Zensur an.");
    for (int g = 0; g < 6; ++g) {
        const int y = 320 + 32 * g;
        gradeChoices[g] = hinted(named(new QRadioButton(page), GradeNames[g] + u'C'), ownGradeHint);
        place(gradeChoices[g], {256, y + 2, 17, 17}, LeftBottom);
        ownGradeGroup->addButton(gradeChoices[g], g + 1);

        QLabel* countLabel =
            label(page, QString::number(g + 1) + u':', {264, y, 20, 19}, LeftBottom);
        countLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        countFields[g] = named(new QLineEdit(page), GradeNames[g]);
        place(countFields[g], {288, y, 41, 19}, LeftBottom);
        countLabel->setBuddy(countFields[g]);
    }
    NotWritten =
        hinted(named(new QRadioButton(QStringLiteral("nicht teilgenommen"), page),
                     QStringLiteral("NotWritten")),
               QStringLiteral(
                   "Wählen Sie diese Option, wenn Sie nicht an der Arbeit teilgenommen haben."));
    // Wide enough for its caption in the font in use.
    place(NotWritten, {256, 504, std::max(111, NotWritten->sizeHint().width()), 17}, LeftBottom);
    ownGradeGroup->addButton(NotWritten, 0);

    label(page, QStringLiteral("Klasse:"), {408, 320, 90, 14}, LeftBottom);
    ClassNumber = hinted(named(new QComboBox(page), QStringLiteral("ClassNumber")),
                         QStringLiteral("Wählen Sie hier die Klasse aus, in der die Arbeit "
                                        "geschrieben wurde."));
    offerNumbers(ClassNumber, GradeLevels, false);
    place(ClassNumber, {408, 336, 73, 21}, LeftBottom);

    label(page, QStringLiteral("Arbeit Nummer:"), {408, 368, 90, 14}, LeftBottom);
    Number = hinted(named(new QComboBox(page), QStringLiteral("Number")),
                    QStringLiteral("Geben Sie hier die Nummer der Arbeit in dem oben "
                                   "angegebenen Schuljahr an."));
    offerNumbers(Number, 6, true);
    place(Number, {408, 384, 73, 21}, LeftBottom);

    label(page, QStringLiteral("Datum:"), {504, 320, 90, 14}, LeftBottom);
    TestDate = hinted(named(new DatePicker(page), QStringLiteral("TestDate")),
                      QStringLiteral("Geben Sie hier an, wann die Arbeit geschrieben wurde."));
    TestDate->setCalendarPopup(true);
    TestDate->setLocale(LocaleFormats::current().locale());
    TestDate->setDisplayFormat(LocaleFormats::current().locale().dateFormat(QLocale::LongFormat));
    TestDate->setDate(Clock::today());
    place(TestDate, {504, 336, 185, 21}, LeftBottom);

    label(page, QStringLiteral("Schulstunde:"), {504, 368, 90, 14}, LeftBottom);
    Lesson = hinted(named(new QComboBox(page), QStringLiteral("Lesson")),
                    QStringLiteral("Geben Sie hier die Schulstunde an, in der die Arbeit "
                                   "geschrieben wurde."));
    offerNumbers(Lesson, 10, true);
    place(Lesson, {504, 384, 73, 21}, LeftBottom);

    label(page, QStringLiteral("Bemerkungen:"), {408, 416, 90, 14}, LeftBottom);
    Notes = hinted(named(new QLineEdit(page), QStringLiteral("Notes")),
                   QStringLiteral("Hier können Sie zusätzliche Bermerkungen angeben, z.B. zum "
                                  "Thema der Arbeit."));
    place(Notes, {408, 432, 281, 21}, LeftBottom);

    // The print button; a click opens the print dialog.
    PrintBtn = named(new QLabel(page), QStringLiteral("PrintBtn"));
    PrintBtn->setFrameStyle(QFrame::Panel | QFrame::Raised);
    PrintBtn->setCursor(Qt::PointingHandCursor);
    PrintBtn->installEventFilter(this); // takes its clicks
    place(PrintBtn, {704, 320, 57, 193}, RightBottom);

    // Keyboard order of the entry form: from the list through the test's data, its counts and
    // the own grade to the buttons that store it.
    QWidget* previous = Tests;
    auto next = [&previous](QWidget* widget) {
        QWidget::setTabOrder(previous, widget);
        previous = widget;
    };
    for (QWidget* field : {static_cast<QWidget*>(ClassNumber), static_cast<QWidget*>(Number),
                           static_cast<QWidget*>(TestDate), static_cast<QWidget*>(Lesson),
                           static_cast<QWidget*>(Notes)})
        next(field);
    for (QLineEdit* field : countFields)
        next(field);
    for (QRadioButton* choice : gradeChoices)
        next(choice);
    next(NotWritten);
    next(New);
    next(Change);
    next(Delete);

    connect(Tests, &QListWidget::itemSelectionChanged, this, &TForm1::TestsClick);
    connect(New, &QPushButton::clicked, this, &TForm1::onSetTestDataClicked);
    connect(Change, &QPushButton::clicked, this, &TForm1::onSetTestDataClicked);
    connect(Delete, &QPushButton::clicked, this, &TForm1::DeleteClick);
}

// ---------------------------------------------------------------------------------------
// Start-up and shut-down

void TForm1::FormCreate() {
    // The update reminder runs here, before anything else of the start-up.

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

    AverageBarImage = QImage(753, 30, QImage::Format_ARGB32_Premultiplied);
    AverageBarImage.fill(palette().color(QPalette::Base));

    Subjects->insertTab(0, SettingsTabName);
    settingsTabNamed_ = true;

    const QString settingsFile = ProgramFolder::settingsFilePath();
    QDir().mkpath(QFileInfo(settingsFile).absolutePath());
    SettingsFile_ = std::make_unique<SettingsFile>(settingsFile);
    const SettingsFile::Values settings = SettingsFile_->read();
    StandardFile->setText(settings.standardFile);
    if (QFileInfo(StandardFile->text()).isFile()) {
        try {
            FileOKClick();
        } catch (const AppError& error) {
            // A remembered file that cannot be read is reported; the start goes on.
            DialogService::instance().showMessage(this, MessageIcon::Error,
                                                  QStringLiteral("Zensoria"), error.message());
        }
    }
    // The minimum size still applies.
    resize(QSize(settings.width, settings.height) - FrameAllowance);
    DiagramLabels->setChecked(settings.diagramLabels);
}

void TForm1::FormDestroy() {
    if (!SettingsFile_)
        return;
    SettingsFile::Values settings;
    if (document_)
        settings.standardFile = document_->fileName();
    settings.width = outerSize().width();
    settings.height = outerSize().height();
    settings.diagramLabels = DiagramLabels->isChecked();
    // With no data file open, "StandardFile" keeps its old value.
    const bool fileOpen = bool(document_);
    document_.reset();
    SettingsFile_->write(settings, fileOpen);
    SettingsFile_.reset();
}

void TForm1::FormResize() {
    if (settingsTabNamed_ && !onSettingsTab()) {
        BuildAverageBar();
        AveragePB->update();
    }
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
    FileDialogOptions options;
    options.title = QStringLiteral("Datei angeben");
    options.filter = QStringLiteral("Zensoriadateien (*.plx)");
    options.defaultSuffix = QStringLiteral("plx");
    if (StandardFile->text() != SettingsFile::NoFileGiven)
        options.initialFileName = StandardFile->text();
    const QString chosen = DialogService::instance().chooseFile(this, options);
    if (!chosen.isEmpty())
        StandardFile->setText(chosen);
}

void TForm1::FileOKClick() {
    OpenDataFile();
}

void TForm1::OpenDataFile() {
    const QString name = StandardFile->text();
    if (!IsValidDataFileName(name)) {
        DialogService::instance().showMessage(
            this, MessageIcon::Error, QStringLiteral("Nicht existierende Datei"),
            QStringLiteral(
                "Die angegebene Datei existiert nicht oder kann nicht erstellt werden."));
        return;
    }
    document_ = std::make_unique<GradeBook>(name);
    connect(document_.get(), &GradeBook::subjectsChanged, this, &TForm1::showSubjects);
    ClearSubjectTabs();
    EnableSubjectControls();
    document_->readSubjects();
    Set1Click();
    FillSubjectTabs();
    BuildRanking();
}

void TForm1::showSubjects() {
    const QSignalBlocker blocker(Set1);
    Set1->clear();
    if (document_)
        Set1->addItems(document_->subjects());
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
        if (document_) {
            StandardFile->setText(document_->fileName());
            document_->closeSubject();
        }
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
    showTests();

    ProposeNextTest();
    BuildAverageBar();
    AveragePB->update();
    Change->setEnabled(false);
    Delete->setEnabled(false);
    clearTestForm();
    if (failure)
        std::rethrow_exception(failure);
}

void TForm1::showTests() {
    const QSignalBlocker blocker(Tests);
    Tests->clear();
    if (document_)
        Tests->addItems(document_->tests().items());
}

void TForm1::ProposeNextTest() {
    const auto proposal = document_ ? document_->proposeNextTest() : std::nullopt;
    if (!proposal) {
        ClassNumber->setCurrentIndex(-1);
        Number->setEditText(QString());
        return;
    }
    const int level = proposal->gradeLevel;
    ClassNumber->setCurrentIndex(level >= 1 && level <= ClassNumber->count() ? level - 1 : -1);
    Number->setEditText(QString::number(proposal->number));
    Tests->scrollToItem(Tests->item(Tests->count() - 1), QAbstractItemView::PositionAtTop);
}

void TForm1::clearTestForm() {
    for (QLineEdit* field : countFields)
        field->clear();
    clearOwnGradeChoices(false);
    TestDate->setDate(Clock::today());
    Lesson->setEditText(QString());
    Notes->clear();
}

void TForm1::clearOwnGradeChoices(bool includingNotWritten) {
    ownGradeGroup->setExclusive(false);
    for (QRadioButton* choice : gradeChoices)
        choice->setChecked(false);
    if (includingNotWritten)
        NotWritten->setChecked(false);
    ownGradeGroup->setExclusive(true);
}

void TForm1::Set1Click() {
    Set3->setEnabled(!Set1->selectedItems().isEmpty());
}

void TForm1::Set1DblClick() {
    const QList<QListWidgetItem*> selected = Set1->selectedItems();
    if (selected.isEmpty())
        return;
    const int tab = Subjects->indexOf(selected.first()->text());
    if (tab < 0)
        return;
    Subjects->setCurrentIndex(tab);
    SubjectsChange();
}

void TForm1::Set2Click() {
    if (!document_)
        return;
    const QString name = DialogService::instance().inputText(
        this, QStringLiteral("Schulfach hinzufügen"), QStringLiteral("Geben Sie das Schulfach an."),
        QString());
    if (name.isEmpty())
        return;
    switch (document_->addSubject(name)) {
    case GradeBook::Addition::Unusable:
        DialogService::instance().showMessage(
            this, MessageIcon::Information, QStringLiteral("Fehlerhafte Angabe"),
            QStringLiteral("Dieser Name kann nicht als Schulfach verwendet werden."));
        return;
    case GradeBook::Addition::Exists:
        Set1->setCurrentRow(document_->findSubject(name));
        DialogService::instance().showMessage(this, MessageIcon::Information,
                                              QStringLiteral("Fehlerhafte Angabe"),
                                              QStringLiteral("Dieses Fach existiert bereits."));
        return;
    case GradeBook::Addition::Added:
        break;
    }
    ClearSubjectTabs();
    FillSubjectTabs();
}

void TForm1::Set3Click() {
    const QList<QListWidgetItem*> selected = Set1->selectedItems();
    if (selected.isEmpty() || !document_)
        return;
    const QString name = selected.first()->text();
    systemBeep();
    if (!DialogService::instance().askYesNo(this, MessageIcon::Warning, QString(),
                                            QStringLiteral("Sollen wirklich alle Daten zum Fach ") +
                                                name + QStringLiteral(" gelöscht werden?")))
        return;
    document_->removeSubject(name);
    const int tab = Subjects->indexOf(name);
    if (tab >= 0)
        Subjects->removeTab(tab);
    Set3->setEnabled(false);
    BuildRanking();
}

void TForm1::Set4DblClick() {
    const QList<QListWidgetItem*> selected = Set4->selectedItems();
    if (selected.isEmpty())
        return;
    const QString subject = splitRankingEntry(selected.first()->text()).subject;
    const int tab = Subjects->indexOf(subject);
    if (tab < 0)
        return;
    Subjects->setCurrentIndex(tab);
    SubjectsChange();
}

// ---------------------------------------------------------------------------------------
// Class-test entry

QStringList TForm1::testItems() const {
    return document_ ? document_->tests().items() : QStringList();
}

bool TForm1::diagramLabels() const {
    return DiagramLabels->isChecked();
}

void TForm1::TestsClick() {
    const QList<QListWidgetItem*> selected = Tests->selectedItems();
    Change->setEnabled(!selected.isEmpty());
    Delete->setEnabled(!selected.isEmpty());
    if (selected.isEmpty())
        return;
    showTestForm(testFormFromListItem(selected.first()->text()));
}

void TForm1::showTestForm(const TestForm& form) {
    if (form.ownGrade == 0)
        NotWritten->setChecked(true);
    else if (form.ownGrade >= 1 && form.ownGrade <= 6)
        gradeChoices[form.ownGrade - 1]->setChecked(true);
    else
        clearOwnGradeChoices(true);
    for (int g = 0; g < 6; ++g)
        countFields[g]->setText(form.counts[g]);
    ClassNumber->setCurrentIndex(ClassNumber->findText(form.gradeLevel));
    Number->setEditText(form.number);
    TestDate->setDate(form.date);
    Lesson->setEditText(form.lesson);
    Notes->setText(form.remark);
}

int TForm1::ownGradeChoice() const {
    for (int g = 0; g < 6; ++g) {
        if (gradeChoices[g]->isChecked())
            return g + 1;
    }
    return NotWritten->isChecked() ? 0 : NoOwnGrade;
}

TestForm TForm1::readTestForm() const {
    TestForm form;
    form.gradeLevel = ClassNumber->currentIndex() >= 0 ? ClassNumber->currentText() : QString();
    form.number = Number->currentText();
    form.date = TestDate->date();
    form.lesson = Lesson->currentText();
    for (int g = 0; g < 6; ++g)
        form.counts[g] = countFields[g]->text();
    form.ownGrade = ownGradeChoice();
    form.remark = Notes->text();
    return form;
}

void TForm1::onSetTestDataClicked() {
    SetTestData(sender());
}

void TForm1::selectTest(int row) {
    const QSignalBlocker blocker(Tests);
    Tests->setCurrentRow(row);
}

void TForm1::SetTestData(QObject* button) {
    const bool changing = button && button->objectName() == QStringLiteral("Change");
    if (!document_ || onSettingsTab())
        return;
    QListWidgetItem* changed = changing ? Tests->currentItem() : nullptr;
    if (changing && (!changed || !changed->isSelected()))
        return;
    const int changedRow = changed ? Tests->row(changed) : -1;

    TestForm form = readTestForm();
    const bool valid = validateTestForm(form);
    for (int g = 0; g < 6; ++g)
        countFields[g]->setText(form.counts[g]);
    if (!valid) {
        DialogService::instance().showMessage(
            this, MessageIcon::Warning, QStringLiteral("Fehlerhafte Angabe"),
            QStringLiteral("Sie haben mindestens eine fehlerhafte Angabe gemacht. Überprüfen Sie "
                           "auch, ob Sie Ihre eigene Zensur angegeben haben."));
        return;
    }
    form.remark = cleanRemark(form.remark);
    Notes->setText(form.remark);

    const ClassTest test = classTestFromForm(form);
    if (document_->collides(test, changedRow)) {
        DialogService::instance().showMessage(
            this, MessageIcon::Warning, QStringLiteral("Arbeit existiert bereits"),
            QStringLiteral("Diese Arbeit existiert bereits. Wählen Sie eine andere Nummer, "
                           "Jahrgangsstufe oder ein anderes Datum."));
        return;
    }

    const int row = changing ? document_->changeTest(changedRow, test) : document_->addTest(test);
    showTests();
    selectTest(row);
    if (!changing)
        TestsClick();
    BuildAverageBar();
    AveragePB->update();
}

void TForm1::DeleteClick() {
    QListWidgetItem* selected = Tests->currentItem();
    if (!document_ || !selected || !selected->isSelected())
        return;
    document_->removeTest(Tests->row(selected));
    SubjectsChange();
}

void TForm1::TestsMouseMove(const QPoint& position) {
    // The status bar shows the remark of the test under the pointer.
    QListWidgetItem* item = Tests->itemAt(position);
    const QString hint = item ? TestRemark(item->text()) : QString();
    if (hint != Tests->statusTip()) {
        Tests->setStatusTip(hint);
        ShowInfoText(hint);
    }
}

// ---------------------------------------------------------------------------------------
// Statistics views

DrawStyle TForm1::listStyle(const QWidget* list, bool selected) const {
    DrawStyle style = DrawStyle::fromPalette(list->palette(), list->font(), diagramLabels());
    style.selected = selected;
    return style;
}

void TForm1::TestsDrawItem(QPainter& painter, int index, const QRect& rect, bool selected) {
    paintTestRow(painter, rect, Tests->item(index)->text(), listStyle(Tests, selected));
}

void TForm1::Set4DrawItem(QPainter& painter, int index, const QRect& rect, bool selected) {
    paintRankingRow(painter, rect, Set4->item(index)->text(), index, listStyle(Set4, selected));
}

void TForm1::BuildAverageBar() {
    AverageBarImage = ::AverageBarImage(
        std::max(1, Tests->width()), computeSubjectSummary(testItems()), listStyle(Tests, false));
}

void TForm1::BuildRanking() {
    Set4->clear();
    if (!document_)
        return;
    QStringList entries;
    try {
        BuildRankingEntries(document_->store(), document_->subjects(), entries);
    } catch (const AppError&) {
        // The entries built before the faulty subject stay.
        Set4->addItems(entries);
        throw;
    }
    Set4->addItems(entries);
}

void TForm1::AveragePBPaint() {
    QPainter painter(AveragePB);
    painter.drawImage(0, 0, AverageBarImage);
}

// ---------------------------------------------------------------------------------------
// Events

bool TForm1::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        ShowInfoText(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // Filters the test list's rows and the two pictures that act as buttons.
    switch (event->type()) {
    case QEvent::MouseMove:
        if (watched == Tests->viewport())
            TestsMouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
        break;
    case QEvent::Leave:
        // The pointer left the rows: their remark goes from the status bar too.
        if (watched == Tests->viewport() && !Tests->statusTip().isEmpty()) {
            Tests->setStatusTip(QString());
            ShowInfoText(QString());
        }
        break;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            if (watched == InfoP) {
                emit aboutRequested();
                return true;
            }
            if (watched == PrintBtn) {
                emit printRequested();
                return true;
            }
        }
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(InfoAction);
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
