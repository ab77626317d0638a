#include "mainwindow/classtestform.h"

#include "mainwindow/classtestformdate.h"
#include "mainwindow/formparts.h"
#include "platform/dialogs.h"
#include "platform/localeformats.h"
#include "platform/programfolder.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <QStyle>
#include <QStyleOptionComboBox>

#include <algorithm>

using namespace Anchoring;
using namespace FormParts;

namespace {

const std::array<QString, 6> GradeNames = {QStringLiteral("Eins"),  QStringLiteral("Zwei"),
                                           QStringLiteral("Drei"),  QStringLiteral("Vier"),
                                           QStringLiteral("Fuenf"), QStringLiteral("Sechs")};

constexpr QRect DateFieldRect(504, 336, 185, 21);

// A date field that Tab leaves at once, like every other field of the form; the arrow keys
// still move between day, month and year.
//
// It shows the long date format ("Donnerstag, 28. September 2023"). The field keeps its
// designed width, so its font is made smaller where the widest date of the locale would not
// fit at the window's font size; the face stays the window's.
//
// Typed digits are taken as a date in the short form (DateTyping): the field shows the entry
// while it is typed and the long date once it is complete, confirmed with Enter or left. An
// entry that is no date (31.02.2025) stays shown in red and the field has no date then
// (shownDate()), so that nothing is stored from it; Escape brings back the date before.
//
// Fitting measures up to 84 dates at each size tried, which costs more than building the rest
// of the form. A hidden field only notes that its font is to be fitted; it is fitted before it is
// first shown or asked for its size, and at once while it is visible.
class DatePicker : public QDateEdit {
public:
    explicit DatePicker(QWidget* parent) : QDateEdit(parent) {
        // A date chosen in the calendar, by the wheel or by the program ends an entry.
        connect(this, &QDateEdit::dateChanged, this, [this] { endTyping(); });
    }

    void fitFont() {
        if (fitting_)
            return;
        const QScopedValueRollback guard(fitting_, true);
        fitDue_ = false;
        QFont font = parentWidget() ? parentWidget()->font() : this->font();
        QStringList dates;
        // Every weekday with every month, on two-digit days.
        for (int month = 1; month <= 12; ++month) {
            for (int day = 22; day <= 28; ++day)
                dates.append(locale().toString(QDate(2024, month, day), displayFormat()));
        }
        // The longest first: they are the likeliest not to fit.
        std::stable_sort(dates.begin(), dates.end(),
                         [](const QString& a, const QString& b) { return a.size() > b.size(); });
        const int room = textRoom();
        while (font.pointSizeF() > 5 && anyWider(font, dates, room))
            font.setPointSizeF(font.pointSizeF() - 0.5);
        // Only the size is set; the face follows the window.
        QFont sized;
        sized.setPointSizeF(font.pointSizeF());
        setFont(sized);
    }

    // Fits the font now when the field is visible, else before it is first needed.
    void fitFontWhenNeeded() {
        if (fitting_)
            return;
        if (isVisible())
            fitFont();
        else
            fitDue_ = true;
    }

    // The date the field shows: the typed entry while there is one (invalid when it is no
    // date), else the date.
    QDate shownDate() const { return typing_ ? typedDate() : date(); }
    // Shows a date, dropping any entry.
    void setShownDate(QDate shown) {
        endTyping();
        setDate(shown);
    }

    QSize sizeHint() const override {
        fitDueFont();
        return QDateEdit::sizeHint();
    }
    QSize minimumSizeHint() const override {
        fitDueFont();
        return QDateEdit::minimumSizeHint();
    }

protected:
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
    void keyPressEvent(QKeyEvent* event) override {
        const QString text = event->text();
        const int key = event->key();
        if (text.size() == 1 && text.front().isDigit() && text.front().unicode() < 128) {
            if (!typing_ || refused_)
                startTyping();
            if (typing_->digit(text.front().digitValue()) && typing_->complete())
                commitTyping();
            else
                showTyping();
            return;
        }
        if (!typing_)
            return QDateEdit::keyPressEvent(event);
        if (key == Qt::Key_Right || text == u"." || text == u"," || text == u"/" || text == u"-") {
            typing_->nextPart();
            showTyping();
        } else if (key == Qt::Key_Backspace) {
            if (typing_->erase())
                showTyping();
            else
                endTyping();
        } else if (key == Qt::Key_Escape) {
            endTyping();
        } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            commitTyping();
        } else if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            // Leaving the field takes the entry.
            QDateEdit::keyPressEvent(event);
        } else if (!text.isEmpty() && text.front().isPrint()) {
            // Letters and the like have no place in a typed date.
        } else if (commitTyping()) {
            // Up, Down and the other keys act on the date taken.
            QDateEdit::keyPressEvent(event);
        }
    }
    void focusOutEvent(QFocusEvent* event) override {
        commitTyping();
        QDateEdit::focusOutEvent(event);
    }
    void mousePressEvent(QMouseEvent* event) override {
        commitTyping();
        QDateEdit::mousePressEvent(event);
    }
    void changeEvent(QEvent* event) override {
        QDateEdit::changeEvent(event);
        if (event->type() == QEvent::FontChange || event->type() == QEvent::LocaleChange)
            fitFontWhenNeeded();
    }
    void showEvent(QShowEvent* event) override {
        // Before the first paint.
        fitDueFont();
        QDateEdit::showEvent(event);
    }

private:
    void fitDueFont() const {
        if (fitDue_)
            const_cast<DatePicker*>(this)->fitFont();
    }
    // Whether any of the texts is wider than room; a size that is too large shows that at
    // one of the first, longest dates, without measuring the others.
    static bool anyWider(const QFont& font, const QStringList& texts, int room) {
        const QFontMetrics metrics(font);
        return std::any_of(texts.begin(), texts.end(), [&](const QString& text) {
            return metrics.horizontalAdvance(text) > room;
        });
    }
    // Width for the text at the designed size: the edit field beside the drop-down button,
    // less the margins of the text and the cursor behind it.
    int textRoom() const {
        QStyleOptionComboBox option;
        option.initFrom(this);
        option.rect = QRect(QPoint(0, 0), DateFieldRect.size());
        option.editable = true;
        option.subControls = QStyle::SC_ComboBoxEditField;
        const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                    QStyle::SC_ComboBoxEditField, this);
        return field.width() - 2 * 2 - 1;
    }

    void startTyping() {
        DateTyping::Part part = DateTyping::Day;
        if (currentSection() == MonthSection)
            part = DateTyping::Month;
        else if (currentSection() == YearSection)
            part = DateTyping::Year;
        refused_ = false;
        typing_.emplace(date(), part);
    }
    // Takes the entry: a date becomes the field's date, anything else stays shown in red.
    // Returns whether the field holds a date now.
    bool commitTyping() {
        if (!typing_ || refused_)
            return !refused_;
        const QDate typed = typedDate();
        if (!typed.isValid()) {
            refused_ = true;
            showTyping();
            systemBeep();
            return false;
        }
        endTyping();
        setDate(typed);
        return true;
    }
    // The date typed; invalid when there is none or the field cannot show it (before 1752).
    QDate typedDate() const {
        const QDate typed = typing_->date();
        return typed >= minimumDate() && typed <= maximumDate() ? typed : QDate();
    }
    void endTyping() {
        typing_.reset();
        refused_ = false;
        if (entry_)
            entry_->hide();
    }
    // The entry lies over the field's own text, with the same font and margins.
    void showTyping() {
        if (!entry_) {
            entry_ = new QLineEdit(this);
            entry_->setObjectName(QStringLiteral("TypedDate"));
            entry_->setFrame(false);
            entry_->setReadOnly(true);
            entry_->setFocusPolicy(Qt::NoFocus);
            entry_->setAttribute(Qt::WA_TransparentForMouseEvents);
        }
        entry_->setGeometry(lineEdit()->geometry());
        QPalette palette = lineEdit()->palette();
        if (refused_ || !typing_->possible() || (typing_->complete() && !typedDate().isValid()))
            palette.setColor(QPalette::Text, Qt::red);
        entry_->setPalette(palette);
        entry_->setText(typing_->text());
        entry_->show();
    }

    bool fitting_ = false;
    bool fitDue_ = false;
    std::optional<DateTyping> typing_;
    // The entry could not be taken as a date; the next digit starts a new one.
    bool refused_ = false;
    QLineEdit* entry_ = nullptr;
};

} // namespace

ClassTestForm::ClassTestForm(QWidget* page) : QWidget(page) {
    setObjectName(QStringLiteral("ClassTestForm"));
    place(this, QRect(QPoint(0, 0), PageDesignSize), AllEdges);
    setDesignSize(this, PageDesignSize);

    New = hinted(named(new QPushButton(QStringLiteral("Neu"), this), QStringLiteral("New")),
                 QStringLiteral("Erstellt einen neuen Eintrag mit den angegebenen Daten."));
    place(New, {16, 320, 49, 193}, LeftBottom);
    Change = hinted(
        named(new QPushButton(QStringLiteral("Ändern"), this), QStringLiteral("Change")),
        QStringLiteral("Ersetzt den aktuell markierten Eintrag durch die eingegebenen Daten."));
    Change->setEnabled(false);
    place(Change, {72, 320, 49, 193}, LeftBottom);
    Delete =
        hinted(named(new QPushButton(QStringLiteral("Entfernen"), this), QStringLiteral("Delete")),
               QStringLiteral("Löscht den aktuell markierten Eintrag."));
    Delete->setEnabled(false);
    place(Delete, {128, 320, 57, 193}, LeftBottom);

    Label10 = named(new QLabel(QStringLiteral("Eigene Zensur"), this), QStringLiteral("Label10"));
    Label10->setFont(boldened(font()));
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
        gradeChoices[g] = hinted(named(new QRadioButton(this), GradeNames[g] + u'C'), ownGradeHint);
        // The choices show no caption; screen readers need one.
        gradeChoices[g]->setAccessibleName(QStringLiteral("Eigene Note %1").arg(g + 1));
        place(gradeChoices[g], {256, y + 2, 17, 17}, LeftBottom);
        ownGradeGroup->addButton(gradeChoices[g], g + 1);

        QLabel* countLabel =
            label(this, QString::number(g + 1) + u':', {264, y, 20, 19}, LeftBottom);
        countLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        countFields[g] = named(new QLineEdit(this), GradeNames[g]);
        countFields[g]->setAccessibleName(QStringLiteral("Anzahl der Note %1").arg(g + 1));
        place(countFields[g], {288, y, 41, 19}, LeftBottom);
        countLabel->setBuddy(countFields[g]);
    }
    NotWritten =
        hinted(named(new QRadioButton(QStringLiteral("nicht teilgenommen"), this),
                     QStringLiteral("NotWritten")),
               QStringLiteral(
                   "Wählen Sie diese Option, wenn Sie nicht an der Arbeit teilgenommen haben."));
    // Wide enough for its caption in the font in use.
    place(NotWritten, {256, 504, std::max(111, NotWritten->sizeHint().width()), 17}, LeftBottom);
    ownGradeGroup->addButton(NotWritten, 0);

    QLabel* classNumberLabel =
        label(this, QStringLiteral("Klasse:"), {408, 320, 90, 14}, LeftBottom);
    ClassNumber = hinted(named(new QComboBox(this), QStringLiteral("ClassNumber")),
                         QStringLiteral("Wählen Sie hier die Klasse aus, in der die Arbeit "
                                        "geschrieben wurde."));
    offerNumbers(ClassNumber, GradeLevels, false);
    ClassNumber->setAccessibleName(QStringLiteral("Klasse"));
    classNumberLabel->setBuddy(ClassNumber);
    place(ClassNumber, {408, 336, 73, 21}, LeftBottom);

    QLabel* numberLabel =
        label(this, QStringLiteral("Arbeit Nummer:"), {408, 368, 90, 14}, LeftBottom);
    Number = hinted(named(new QComboBox(this), QStringLiteral("Number")),
                    QStringLiteral("Geben Sie hier die Nummer der Arbeit in dem oben "
                                   "angegebenen Schuljahr an."));
    offerNumbers(Number, 6, true);
    Number->setAccessibleName(QStringLiteral("Arbeit Nummer"));
    Number->lineEdit()->setAccessibleName(Number->accessibleName());
    numberLabel->setBuddy(Number);
    place(Number, {408, 384, 73, 21}, LeftBottom);

    QLabel* testDateLabel = label(this, QStringLiteral("Datum:"), {504, 320, 90, 14}, LeftBottom);
    auto* datePicker = new DatePicker(this);
    TestDate = hinted(named(datePicker, QStringLiteral("TestDate")),
                      QStringLiteral("Geben Sie hier an, wann die Arbeit geschrieben wurde."));
    TestDate->setCalendarPopup(true);
    TestDate->setAccessibleName(QStringLiteral("Datum"));
    testDateLabel->setBuddy(TestDate);
    TestDate->setLocale(LocaleFormats::current().locale());
    TestDate->setDisplayFormat(LocaleFormats::current().locale().dateFormat(QLocale::LongFormat));
    TestDate->setDate(Clock::today());
    place(TestDate, DateFieldRect, LeftBottom);
    datePicker->fitFontWhenNeeded();

    QLabel* lessonLabel =
        label(this, QStringLiteral("Schulstunde:"), {504, 368, 90, 14}, LeftBottom);
    Lesson = hinted(named(new QComboBox(this), QStringLiteral("Lesson")),
                    QStringLiteral("Geben Sie hier die Schulstunde an, in der die Arbeit "
                                   "geschrieben wurde."));
    offerNumbers(Lesson, 10, true);
    Lesson->setAccessibleName(QStringLiteral("Schulstunde"));
    Lesson->lineEdit()->setAccessibleName(Lesson->accessibleName());
    lessonLabel->setBuddy(Lesson);
    place(Lesson, {504, 384, 73, 21}, LeftBottom);

    QLabel* notesLabel =
        label(this, QStringLiteral("Bemerkungen:"), {408, 416, 90, 14}, LeftBottom);
    Notes = hinted(named(new QLineEdit(this), QStringLiteral("Notes")),
                   QStringLiteral("Hier können Sie zusätzliche Bermerkungen angeben, z.B. zum "
                                  "Thema der Arbeit."));
    Notes->setAccessibleName(QStringLiteral("Bemerkungen"));
    notesLabel->setBuddy(Notes);
    place(Notes, {408, 432, 281, 21}, LeftBottom);
}

void ClassTestForm::fitDateFont() {
    static_cast<DatePicker*>(TestDate)->fitFont();
}

std::optional<ClassTest> ClassTestForm::enteredTest(const GradeBook& book, int changedRow) {
    TestForm entered = read();
    // A typed date that does not exist is faulty input like any other.
    const bool valid = validateTestForm(entered) && entered.date.isValid();
    showCounts(entered.counts);
    if (!valid) {
        DialogService::instance().showMessage(
            window(), MessageIcon::Warning, QStringLiteral("Fehlerhafte Angabe"),
            QStringLiteral("Sie haben mindestens eine fehlerhafte Angabe gemacht. Überprüfen Sie "
                           "auch, ob Sie Ihre eigene Zensur angegeben haben."));
        return std::nullopt;
    }
    entered.remark = cleanRemark(entered.remark);
    showRemark(entered.remark);

    const ClassTest test = classTestFromForm(entered);
    if (book.collides(test, changedRow)) {
        DialogService::instance().showMessage(
            window(), MessageIcon::Warning, QStringLiteral("Arbeit existiert bereits"),
            QStringLiteral("Diese Arbeit existiert bereits. Wählen Sie eine andere Nummer, "
                           "Jahrgangsstufe oder ein anderes Datum."));
        return std::nullopt;
    }
    return test;
}

TestForm ClassTestForm::read() const {
    TestForm form;
    form.gradeLevel = ClassNumber->currentIndex() >= 0 ? ClassNumber->currentText() : QString();
    form.number = Number->currentText();
    form.date = static_cast<const DatePicker*>(TestDate)->shownDate();
    form.lesson = Lesson->currentText();
    for (int g = 0; g < 6; ++g)
        form.counts[g] = countFields[g]->text();
    form.ownGrade = ownGradeChoice();
    form.remark = Notes->text();
    return form;
}

void ClassTestForm::show(const TestForm& form) {
    if (form.ownGrade == 0)
        NotWritten->setChecked(true);
    else if (form.ownGrade >= 1 && form.ownGrade <= 6)
        gradeChoices[form.ownGrade - 1]->setChecked(true);
    else
        clearOwnGradeChoices(true);
    showCounts(form.counts);
    ClassNumber->setCurrentIndex(ClassNumber->findText(form.gradeLevel));
    Number->setEditText(form.number);
    static_cast<DatePicker*>(TestDate)->setShownDate(form.date);
    Lesson->setEditText(form.lesson);
    Notes->setText(form.remark);
}

void ClassTestForm::showCounts(const std::array<QString, 6>& counts) {
    for (int g = 0; g < 6; ++g)
        countFields[g]->setText(counts[g]);
}

void ClassTestForm::showRemark(const QString& remark) {
    Notes->setText(remark);
}

void ClassTestForm::clear() {
    for (QLineEdit* field : countFields)
        field->clear();
    clearOwnGradeChoices(false);
    static_cast<DatePicker*>(TestDate)->setShownDate(Clock::today());
    Lesson->setEditText(QString());
    Notes->clear();
}

void ClassTestForm::propose(const std::optional<GradeBook::Proposal>& proposal) {
    if (!proposal) {
        ClassNumber->setCurrentIndex(-1);
        Number->setEditText(QString());
        return;
    }
    const int level = proposal->gradeLevel;
    ClassNumber->setCurrentIndex(level >= 1 && level <= ClassNumber->count() ? level - 1 : -1);
    Number->setEditText(QString::number(proposal->number));
}

void ClassTestForm::setTestSelected(bool selected) {
    Change->setEnabled(selected);
    Delete->setEnabled(selected);
}

int ClassTestForm::ownGradeChoice() const {
    for (int g = 0; g < 6; ++g) {
        if (gradeChoices[g]->isChecked())
            return g + 1;
    }
    return NotWritten->isChecked() ? 0 : NoOwnGrade;
}

void ClassTestForm::clearOwnGradeChoices(bool includingNotWritten) {
    ownGradeGroup->setExclusive(false);
    for (QRadioButton* choice : gradeChoices)
        choice->setChecked(false);
    if (includingNotWritten)
        NotWritten->setChecked(false);
    ownGradeGroup->setExclusive(true);
}
