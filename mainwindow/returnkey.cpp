#include "mainwindow/returnkey.h"

#include <QAbstractItemView>
#include <QKeyEvent>

namespace {

class ReturnKeyFilter : public QObject {
public:
    ReturnKeyFilter(QAbstractItemView* view, std::function<void()> action)
        : QObject(view), view_(view), action_(std::move(action)) {
        view->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == view_ && event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                key->modifiers() == Qt::NoModifier && view_->currentIndex().isValid()) {
                action_();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QAbstractItemView* view_;
    std::function<void()> action_;
};

} // namespace

void onReturnKey(QAbstractItemView* view, std::function<void()> action) {
    new ReturnKeyFilter(view, std::move(action));
}
