#pragma once

#include "gradedata/gradebook.h"
#include "undo/subjectstate.h"

#include <QList>
#include <QPointer>
#include <QString>

// The changes to tests and subjects made through one open grade book, to be undone and redone
// one by one (Strg+Z, Strg+Y), as many as were made.
//
// Every change is kept as the subject's state before and after it: the entries of its section
// that the change took away and those it wrote, whether the file had the section, and whether
// the subject was in the list. Undoing writes the earlier entries back through the store, in
// one atomic write (none when only the list changed); redoing writes the later ones.
//
// A step is undone only when the subject's entries in the file are still exactly those the
// step left, and redone only when they are those it found: a change that another program (or a
// restored backup) made to that subject since is never overwritten. The step is then refused
// with an AppError that says so, and stays. Changes of other subjects do not stand in the way:
// the store writes only the lines of this subject and keeps the rest of the file as it is.
//
// A new change clears the steps to redo. The history belongs to one book; a book opened on
// another file starts with none.
class EditHistory : public GradeBook::EditObserver {
public:
    explicit EditHistory(GradeBook& book);
    ~EditHistory() override;
    EditHistory(const EditHistory&) = delete;
    EditHistory& operator=(const EditHistory&) = delete;

    bool canUndo() const { return !undo_.isEmpty(); }
    bool canRedo() const { return !redo_.isEmpty(); }
    qsizetype undoCount() const { return undo_.size(); }
    qsizetype redoCount() const { return redo_.size(); }
    // What the next undo or redo would take back or do again, e.g. "Schulfach Mathe
    // hinzugefügt"; empty when there is nothing.
    QString nextUndo() const;
    QString nextRedo() const;

    // Takes the latest step back and returns its description; an AppError when the subject
    // changed in the file since (nothing is written then) or the write is refused.
    QString undo();
    // Does the latest undone step again; as undo().
    QString redo();

    void aboutToEdit(const QString& subject) override;
    void edited(const GradeBook::Edit& edit) override;

private:
    struct Step {
        QString subject;
        QString description;
        SubjectState before; // entries not kept; the digest and the heading
        SubjectState after;
        SectionEntries removed; // entries of `before` that the step took away or changed
        SectionEntries added;   // entries of `after` that the step wrote
        bool listedBefore = false;
        bool listedAfter = false;
    };
    QString takeStep(QList<Step>& from, QList<Step>& to, bool forward);
    // Puts the subject of step into its state after the step (forward) or before it; written
    // is set once the file holds that state.
    void apply(const Step& step, bool forward, bool& written);

    QPointer<GradeBook> book_;
    QList<Step> undo_;
    QList<Step> redo_;
    // The state of the subject about to change, taken before the change.
    QString pendingSubject_;
    SubjectState pending_;
    bool pendingListed_ = false;
};

// The words for a change, as the status bar names it after "Rückgängig:" and "Wiederholt:".
QString describeEdit(const GradeBook::Edit& edit);
