#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>

class QWidget;

// Keeps the window's own shortcuts working while a text field has the focus. Text fields
// claim some key combinations for editing before any shortcut sees them (on X11, Ctrl+E moves
// to the end of the line), so a window shortcut such as Ctrl+E would do nothing there. The
// keeper, installed on the fields, takes the claim back for exactly the window's shortcuts.
class ShortcutKeeper : public QObject {
    Q_OBJECT
public:
    ShortcutKeeper(QList<QKeySequence> shortcuts, QObject* parent);

    // Installs the keeper on every widget below the given one that can take the focus.
    void watchFocusableWidgets(QWidget* top);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<QKeySequence> shortcuts_;
};
