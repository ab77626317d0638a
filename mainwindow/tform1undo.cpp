// Undo and redo of the changes to tests and subjects (Strg+Z, Strg+Y). The history and its
// writes live in undo/; the window makes a history for each data file it opens, offers the
// two commands in its context menu and shows the file as it is after each step.

#include "mainwindow/tform1.h"

#include "gradedata/gradebook.h"
#include "mainwindow/formparts.h"
#include "mainwindow/tabcontrol.h"
#include "platform/apperror.h"
#include "undo/edithistory.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>

using FormParts::named;

namespace {

const QKeySequence UndoKey(Qt::CTRL | Qt::Key_Z);
const QKeySequence RedoKey(Qt::CTRL | Qt::Key_Y);

// A text field claims Strg+Z and Strg+Y for its own typing. The field keeps them while it has
// typing to take back or do again; otherwise they go to the window's commands, so that after
// storing a test (which fills the fields afresh) Strg+Z takes the test back wherever the focus
// is.
class UndoKeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride)
            return QObject::eventFilter(watched, event);
        const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
        const bool undo = pressed == UndoKey;
        if (!undo && pressed != RedoKey)
            return false;
        const auto* field = qobject_cast<QLineEdit*>(watched);
        if (const auto* combo = qobject_cast<QComboBox*>(watched))
            field = combo->lineEdit();
        if (field && !field->isReadOnly() &&
            (undo ? field->isUndoAvailable() : field->isRedoAvailable()))
            return false;
        event->ignore();
        return true;
    }
};

} // namespace

void TForm1::buildUndoActions() {
    UndoAction =
        named(new QAction(QStringLiteral("Rückgängig"), this), QStringLiteral("UndoAction"));
    UndoAction->setShortcut(UndoKey);
    RedoAction =
        named(new QAction(QStringLiteral("Wiederholen"), this), QStringLiteral("RedoAction"));
    RedoAction->setShortcut(RedoKey);
    addActions({UndoAction, RedoAction});
    connect(UndoAction, &QAction::triggered, this,
            [this] { runHandler([this] { UndoExecute(); }); });
    connect(RedoAction, &QAction::triggered, this,
            [this] { runHandler([this] { RedoExecute(); }); });
    undoKeys_ = new UndoKeyFilter(this);
    watchUndoKeys(this);
}

void TForm1::watchUndoKeys(QWidget* top) {
    for (QWidget* widget : top->findChildren<QWidget*>()) {
        if (widget->focusPolicy() != Qt::NoFocus)
            widget->installEventFilter(undoKeys_);
    }
}

void TForm1::addUndoActions(QMenu& menu) {
    menu.addSeparator();
    // The entries name the step they take back or do again.
    const auto entry = [&menu](QAction* action, const QString& command, const QString& step) {
        action->setText(step.isEmpty() ? command : command + QStringLiteral(": ") + step);
        action->setEnabled(!step.isEmpty());
        menu.addAction(action);
    };
    entry(UndoAction, QStringLiteral("Rückgängig"), history_ ? history_->nextUndo() : QString());
    entry(RedoAction, QStringLiteral("Wiederholen"), history_ ? history_->nextRedo() : QString());
    // Disabled only for the menu: the shortcuts say in the status bar when there is nothing.
    connect(&menu, &QMenu::aboutToHide, this, [this] {
        UndoAction->setEnabled(true);
        RedoAction->setEnabled(true);
    });
}

void TForm1::startEditHistory() {
    history_ = std::make_unique<EditHistory>(*document_);
}

void TForm1::UndoExecute() {
    stepThroughHistory(false);
}

void TForm1::RedoExecute() {
    stepThroughHistory(true);
}

void TForm1::stepThroughHistory(bool redo) {
    if (!history_ || !(redo ? history_->canRedo() : history_->canUndo())) {
        SB->showMessage(redo ? QStringLiteral("Es gibt nichts zu wiederholen.")
                             : QStringLiteral("Es gibt nichts rückgängig zu machen."));
        return;
    }
    QString step;
    // A step refused before anything was written changes nothing; one that wrote and then met
    // a faulty entry while the subject was read again leaves the views to be shown anew.
    std::exception_ptr failure;
    try {
        step = redo ? history_->redo() : history_->undo();
    } catch (const AppError&) {
        failure = std::current_exception();
    }
    showFileState();
    if (failure)
        std::rethrow_exception(failure);
    SB->showMessage((redo ? QStringLiteral("Wiederholt: ") : QStringLiteral("Rückgängig: ")) +
                    step);
}

void TForm1::showFileState() {
    // The tabs follow the subject list; the subject shown is read again from the file, and when
    // it is gone the settings page shows, with its tab.
    const QString subject = currentSubject();
    const SubjectList& subjects = document_->subjects();
    bool sameTabs = Subjects->count() - 1 == subjects.size();
    for (int i = 0; sameTabs && i < subjects.size(); ++i)
        sameTabs = Subjects->tabText(i) == subjects.at(i);
    if (!sameTabs) {
        ClearSubjectTabs();
        FillSubjectTabs();
    }
    if (!subject.isEmpty() && Subjects->indexOf(subject) >= 0)
        openTab(subject);
    else
        ShowSettingsExecute();
}
