#pragma once

#include "gradedata/classtest.h"
#include "gradedata/subjectlist.h"
#include "gradedata/testlistmodel.h"

#include <QObject>
#include <functional>
#include <memory>
#include <optional>

class IniStore;

// The open data file as the program works on it: the store, the subjects in alphabetical
// order, and the class tests of the subject being shown, typed and in list order.
//
// Every change goes to the file first (through the store, at once); only when the write
// succeeded do the subjects or tests change and the signals say so. A write that the file
// system refuses raises its AppError and leaves everything as it was.
class GradeBook : public QObject {
    Q_OBJECT
public:
    // Opens the store on fileName; nothing is read or written yet.
    explicit GradeBook(const QString& fileName, QObject* parent = nullptr);
    // On a store opened already (and maybe read already, see DataFileReadAhead).
    explicit GradeBook(std::unique_ptr<IniStore> store, QObject* parent = nullptr);
    ~GradeBook() override;

    const QString& fileName() const;
    const IniStore& store() const { return *store_; }

    // --- Subjects

    // Reads the subjects of the file: its sections, "Settings" (any letter case) left out, in
    // alphabetical order without regard to case. Subjects added but never given a test are
    // gone afterwards.
    void readSubjects();
    const SubjectList& subjects() const { return subjects_; }
    // Index of the subject named name without regard to case; -1 when there is none.
    int findSubject(const QString& name) const;

    enum class Addition { Added, Unusable, Exists };
    // Adds a subject to the list (not to the file: a subject exists there with its first test).
    // Unusable: the file cannot keep the name whole (see isUsableSubjectName). Exists: a
    // subject of that name, without regard to case, is already listed.
    Addition addSubject(const QString& name);
    // Removes the subject and erases its section with all its tests from the file.
    void removeSubject(const QString& name);

    // --- The tests of the subject being shown

    // Loads the subject's tests from the file (the file may have changed since). A faulty
    // entry raises its error; the tests read before it are shown.
    void openSubject(const QString& subject);
    // No subject shown (the settings page); the test list is empty.
    void closeSubject();
    const QString& currentSubject() const { return currentSubject_; }
    // The tests of the current subject in list order.
    const TestListModel& tests() const { return tests_; }
    TestListModel* testModel() { return &tests_; }

    // What the entry form proposes after loading: the grade level of the latest test and the
    // number after its number. Nothing when the subject has no tests.
    struct Proposal {
        int gradeLevel = 0;
        qint64 number = 0;
    };
    std::optional<Proposal> proposeNextTest() const;

    // True when storing test would overwrite a stored test other than the test of
    // changedRow (-1 for a new test): a test of the subject with the same grade level,
    // number and date, however its key is spelled.
    bool collides(const ClassTest& test, int changedRow = -1) const;
    // "Neu": stores test in the current subject; returns its row. The caller has checked that
    // it does not collide.
    int addTest(const ClassTest& test);
    // "Ändern": replaces the test of row, in one write of the file; returns the new row.
    int changeTest(int row, const ClassTest& test);
    // "Entfernen": deletes the test of row from the file, then loads the subject again.
    void removeTest(int row);

    // --- Changes of the file

    // A number that grows whenever the file's contents may have changed since it was last
    // asked: by a write of this program, or by another one, as the store sees it (see
    // IniStore::contentsRevision). Views built from the whole file (the ranking) are built
    // again only then.
    quint64 revision() const;

    // Called with the file's name before every change of the file (the day's backup copy is
    // made there). It must not throw: no change fails because of it.
    void setBeforeWrite(std::function<void(const QString& fileName)> hook);

    // --- Undo

    // One change made through the book, as the undo history needs to know it: the subject it
    // touched and, for a test, the test added, changed to or removed.
    struct Edit {
        enum class Kind { SubjectAdded, SubjectRemoved, TestAdded, TestChanged, TestRemoved };
        Kind kind = Kind::SubjectAdded;
        QString subject;
        ClassTest test;
    };
    // Told of every change of the file or the subject list made through the book: before it
    // (which subject it touches) and after it succeeded. A change that fails is announced but
    // never reported done.
    class EditObserver {
    public:
        virtual ~EditObserver() = default;
        virtual void aboutToEdit(const QString& subject) = 0;
        virtual void edited(const Edit& edit) = 0;
    };
    // nullptr: nobody is told.
    void setEditObserver(EditObserver* observer) { observer_ = observer; }
    // Puts a subject back as it was before or after a change (for undo and redo): write makes
    // the one write of the file that this takes (or none), then the subject is in the list or
    // not as listed says; the subject shown is read again, or closed when it left the list.
    // The observer is not told.
    void restoreSubject(const QString& subject, bool listed,
                        const std::function<void(IniStore&)>& write);

signals:
    // The list of subjects changed (read, added or removed).
    void subjectsChanged();
    // The tests of the current subject were loaded or changed; also the model's signals
    // tell which rows.
    void testsChanged();

private:
    void aboutToWrite() const;
    void aboutToEdit(const QString& subject) const;
    void edited(Edit::Kind kind, const QString& subject, const ClassTest& test = {}) const;
    void insertSubject(const QString& name);
    void wrote();

    std::unique_ptr<IniStore> store_;
    SubjectList subjects_;
    QString currentSubject_;
    TestListModel tests_;

    mutable quint64 storeRevision_ = 0;
    mutable quint64 revision_ = 0;
    std::function<void(const QString&)> beforeWrite_;
    EditObserver* observer_ = nullptr;
};
