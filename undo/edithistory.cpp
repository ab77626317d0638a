#include "undo/edithistory.h"

#include "gradedata/formats.h"
#include "gradedata/inistore.h"
#include "platform/apperror.h"

namespace {

QString testWords(const GradeBook::Edit& edit) {
    return QStringLiteral("Arbeit %1 der Klasse %2 vom %3 in %4")
        .arg(QString::number(edit.test.number), QString::number(edit.test.gradeLevel),
             ShortDateText(edit.test.date), edit.subject);
}

} // namespace

QString describeEdit(const GradeBook::Edit& edit) {
    using Kind = GradeBook::Edit::Kind;
    switch (edit.kind) {
    case Kind::SubjectAdded:
        return QStringLiteral("Schulfach %1 hinzugefügt").arg(edit.subject);
    case Kind::SubjectRemoved:
        return QStringLiteral("Schulfach %1 mit allen Arbeiten entfernt").arg(edit.subject);
    case Kind::TestAdded:
        return testWords(edit) + QStringLiteral(" eingetragen");
    case Kind::TestChanged:
        return testWords(edit) + QStringLiteral(" geändert");
    case Kind::TestRemoved:
        return testWords(edit) + QStringLiteral(" entfernt");
    }
    return QString();
}

EditHistory::EditHistory(GradeBook& book) : book_(&book) {
    book.setEditObserver(this);
}

EditHistory::~EditHistory() {
    if (book_)
        book_->setEditObserver(nullptr);
}

QString EditHistory::nextUndo() const {
    return undo_.isEmpty() ? QString() : undo_.last().description;
}

QString EditHistory::nextRedo() const {
    return redo_.isEmpty() ? QString() : redo_.last().description;
}

void EditHistory::aboutToEdit(const QString& subject) {
    pendingSubject_.clear();
    try {
        pending_ = SubjectState::read(book_->store(), subject);
    } catch (const AppError&) {
        // What the change starts from cannot be read: neither it nor any step before it can be
        // undone safely. The change itself goes on (and meets the same error if it writes).
        undo_.clear();
        redo_.clear();
        return;
    }
    pendingSubject_ = subject;
    pendingListed_ = book_->findSubject(subject) >= 0;
}

void EditHistory::edited(const GradeBook::Edit& edit) {
    if (edit.subject != pendingSubject_)
        return;
    Step step;
    step.subject = edit.subject;
    step.description = describeEdit(edit);
    step.before = std::move(pending_);
    pendingSubject_.clear();
    try {
        step.after = SubjectState::read(book_->store(), edit.subject);
    } catch (const AppError&) {
        // The change is made, but what it left cannot be read: no step before it can be
        // undone safely any more.
        undo_.clear();
        redo_.clear();
        return;
    }
    step.removed = entriesNotIn(step.before, step.after);
    step.added = entriesNotIn(step.after, step.before);
    step.listedBefore = pendingListed_;
    step.listedAfter = book_->findSubject(edit.subject) >= 0;
    // A change that changed nothing (a test stored again as it was) is no step.
    if (step.removed.isEmpty() && step.added.isEmpty() && step.listedBefore == step.listedAfter)
        return;
    // Only the digests are needed from now on.
    step.before.entries.clear();
    step.after.entries.clear();
    undo_.append(std::move(step));
    redo_.clear();
}

QString EditHistory::undo() {
    return takeStep(undo_, redo_, false);
}

QString EditHistory::redo() {
    return takeStep(redo_, undo_, true);
}

QString EditHistory::takeStep(QList<Step>& from, QList<Step>& to, bool forward) {
    if (from.isEmpty())
        return QString();
    bool written = false;
    try {
        apply(from.last(), forward, written);
    } catch (...) {
        // Refused, or the write failed: the step stays. Written, but the subject could not be
        // read again: the step is done all the same.
        if (written)
            to.append(from.takeLast());
        throw;
    }
    to.append(from.takeLast());
    return to.last().description;
}

void EditHistory::apply(const Step& step, bool forward, bool& written) {
    const SubjectState& from = forward ? step.before : step.after;
    const SubjectState& to = forward ? step.after : step.before;
    const SectionEntries& goes = forward ? step.removed : step.added;
    const SectionEntries& comes = forward ? step.added : step.removed;
    if (!SubjectState::read(book_->store(), step.subject).sameEntries(from)) {
        throw AppError(
            QStringLiteral(
                "Die Arbeiten des Schulfachs %1 wurden in der Datei %2 geändert, seit Sie "
                "diesen Schritt gemacht haben, etwa von einem anderen Programm oder "
                "durch eine wiederhergestellte Sicherung. Damit diese Änderung nicht "
                "überschrieben wird, kann der Schritt „%3“ nicht %4 werden.")
                .arg(step.subject, book_->fileName(), step.description,
                     forward ? QStringLiteral("wiederholt")
                             : QStringLiteral("rückgängig gemacht")));
    }
    std::function<void(IniStore&)> write;
    if (from.hasSection && !to.hasSection) {
        // The section came with the change (the subject's first test), or went with it (the
        // subject removed): it goes whole, heading and all.
        write = [&](IniStore& store) {
            store.EraseSection(step.subject);
            written = true;
        };
    } else if (!goes.isEmpty() || !comes.isEmpty()) {
        SectionEntries entries;
        for (const auto& [key, value] : comes)
            entries.append({key, writableValue(value)});
        write = [&, entries](IniStore& store) {
            store.WriteEntries(step.subject, keysMissingIn(goes, comes), entries);
            written = true;
        };
    } else {
        written = true;
    }
    book_->restoreSubject(step.subject, forward ? step.listedAfter : step.listedBefore, write);
}
