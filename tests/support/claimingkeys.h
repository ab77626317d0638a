#pragma once

#include <QEvent>
#include <QObject>

// An event filter that claims every key for the widget it watches before the window's
// shortcuts see it, as text fields do with the keys they edit with (on X11 Ctrl+E moves to the
// end of the line, Ctrl+U deletes it). A shortcut that still works with the filter installed on
// a field works from that field.
class ClaimingKeys : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride)
            event->accept();
        return false;
    }
};
