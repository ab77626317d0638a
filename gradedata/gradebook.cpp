#include "gradedata/gradebook.h"

#include "gradedata/inistore.h"
#include "gradedata/subjectname.h"
#include "platform/localeformats.h"

#include <algorithm>

namespace {

int compareSubjects(QStringView a, QStringView b) {
    return LocaleFormats::current().compare(a, b);
}

// The stored key of test in subject: the key of the same meaning if one is stored, however
// it is spelled, else the key as the program writes it.
QString storedKey(const IniStore& store, const QString& subject, const ClassTest& test) {
    return findStoredTestKey(store, subject, test.gradeLevel, test.number, test.date)
        .value_or(TestKey(test));
}

} // namespace

GradeBook::GradeBook(const QString& fileName, QObject* parent)
    : GradeBook(std::make_unique<IniStore>(fileName), parent) {}

GradeBook::GradeBook(std::unique_ptr<IniStore> store, QObject* parent)
    : QObject(parent), store_(std::move(store)) {}

GradeBook::~GradeBook() = default;

const QString& GradeBook::fileName() const {
    return store_->fileName();
}

// ---------------------------------------------------------------------------------------
// Subjects

void GradeBook::readSubjects() {
    SubjectList subjects = subjectSections(*store_);
    subjects.sort(compareSubjects);
    subjects_ = std::move(subjects);
    emit subjectsChanged();
}

int GradeBook::findSubject(const QString& name) const {
    for (int i = 0; i < subjects_.size(); ++i) {
        if (subjects_.view(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

GradeBook::Addition GradeBook::addSubject(const QString& name) {
    if (!isUsableSubjectName(name))
        return Addition::Unusable;
    if (findSubject(name) >= 0)
        return Addition::Exists;
    aboutToEdit(name);
    insertSubject(name);
    emit subjectsChanged();
    edited(Edit::Kind::SubjectAdded, name);
    return Addition::Added;
}

void GradeBook::insertSubject(const QString& name) {
    // After every subject that does not order after it.
    qsizetype from = 0;
    qsizetype to = subjects_.size();
    while (from < to) {
        const qsizetype middle = from + (to - from) / 2;
        if (compareSubjects(name, subjects_.view(middle)) < 0)
            to = middle;
        else
            from = middle + 1;
    }
    subjects_.insert(from, name);
}

void GradeBook::removeSubject(const QString& name) {
    // Also a section without entries goes (its last test was deleted): its heading alone
    // would bring the subject back when the file is opened again.
    aboutToEdit(name);
    aboutToWrite();
    store_->EraseSection(name);
    wrote();
    if (const qsizetype at = subjects_.indexOf(name); at >= 0)
        subjects_.removeAt(at);
    if (currentSubject_ == name)
        closeSubject();
    emit subjectsChanged();
    edited(Edit::Kind::SubjectRemoved, name);
}

// ---------------------------------------------------------------------------------------
// Tests of the current subject

void GradeBook::openSubject(const QString& subject) {
    currentSubject_ = subject;
    QList<TestRow> rows;
    try {
        loadSubjectRows(*store_, subject, rows);
    } catch (...) {
        tests_.reset(std::move(rows));
        emit testsChanged();
        throw;
    }
    tests_.reset(std::move(rows));
    emit testsChanged();
}

void GradeBook::closeSubject() {
    currentSubject_.clear();
    if (!tests_.isEmpty()) {
        tests_.reset({});
        emit testsChanged();
    }
}

std::optional<GradeBook::Proposal> GradeBook::proposeNextTest() const {
    if (tests_.isEmpty())
        return std::nullopt;
    const ClassTest& latest = tests_.test(tests_.count() - 1);
    return Proposal{latest.gradeLevel, qint64(latest.number) + 1};
}

bool GradeBook::collides(const ClassTest& test, int changedRow) const {
    if (!findStoredTestKey(*store_, currentSubject_, test.gradeLevel, test.number, test.date))
        return false;
    // The key is taken; that is fine only when it is the key of the test being changed.
    if (changedRow < 0)
        return true;
    const ClassTest& changed = tests_.test(changedRow);
    return test.gradeLevel != changed.gradeLevel || test.number != changed.number ||
           test.date != changed.date;
}

int GradeBook::addTest(const ClassTest& test) {
    aboutToEdit(currentSubject_);
    aboutToWrite();
    store_->WriteString(currentSubject_, TestKey(test), TestValue(test));
    wrote();
    const int row = tests_.insert(test);
    emit testsChanged();
    edited(Edit::Kind::TestAdded, currentSubject_, test);
    return row;
}

int GradeBook::changeTest(int row, const ClassTest& test) {
    // Old entry out and new entry in with one write: a refused write keeps the old test.
    aboutToEdit(currentSubject_);
    aboutToWrite();
    store_->ReplaceKey(currentSubject_, storedKey(*store_, currentSubject_, tests_.test(row)),
                       TestKey(test), TestValue(test));
    wrote();
    const int newRow = tests_.replace(row, test);
    emit testsChanged();
    edited(Edit::Kind::TestChanged, currentSubject_, test);
    return newRow;
}

void GradeBook::removeTest(int row) {
    const ClassTest removed = tests_.test(row);
    const QString subject = currentSubject_;
    aboutToEdit(subject);
    aboutToWrite();
    store_->DeleteKey(subject, storedKey(*store_, subject, removed));
    wrote();
    // The deletion is done even when reading the subject again meets a faulty entry.
    try {
        openSubject(subject);
    } catch (...) {
        edited(Edit::Kind::TestRemoved, subject, removed);
        throw;
    }
    edited(Edit::Kind::TestRemoved, subject, removed);
}

// ---------------------------------------------------------------------------------------
// Undo

void GradeBook::aboutToEdit(const QString& subject) const {
    if (observer_)
        observer_->aboutToEdit(subject);
}

void GradeBook::edited(Edit::Kind kind, const QString& subject, const ClassTest& test) const {
    if (observer_)
        observer_->edited(Edit{kind, subject, test});
}

void GradeBook::restoreSubject(const QString& subject, bool listed,
                               const std::function<void(IniStore&)>& write) {
    if (write) {
        aboutToWrite();
        write(*store_);
        wrote();
    }
    const int at = findSubject(subject);
    if (listed && at < 0)
        insertSubject(subject);
    else if (!listed && at >= 0)
        subjects_.removeAt(at);
    if ((at >= 0) != listed)
        emit subjectsChanged();
    if (currentSubject_.compare(subject, Qt::CaseInsensitive) != 0)
        return;
    if (listed)
        openSubject(currentSubject_);
    else
        closeSubject();
}

// ---------------------------------------------------------------------------------------
// Changes of the file

void GradeBook::setBeforeWrite(std::function<void(const QString&)> hook) {
    beforeWrite_ = std::move(hook);
}

void GradeBook::aboutToWrite() const {
    if (beforeWrite_)
        beforeWrite_(store_->fileName());
}

void GradeBook::wrote() {
    ++revision_;
}

quint64 GradeBook::revision() const {
    // The store tells by its own rule whether the file changed: its stamp, and its bytes while
    // the file system's clock could hide a change.
    const quint64 store = store_->contentsRevision();
    if (store != storeRevision_) {
        storeRevision_ = store;
        ++revision_;
    }
    return revision_;
}
