#include "widgets/imagebutton.h"

#include "widgets/imagecontrol.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace {

const char* const ImageButtonProperty = "zensoriaImageButton";

// Clicks the control once control returns to the event loop, so that whatever the click
// opens (a modal dialog) does not run inside the caller, such as an accessibility request.
void clickLater(ImageControl* control) {
    QMetaObject::invokeMethod(control, &ImageControl::clicked, Qt::QueuedConnection);
}

// The control as accessibility tools see it: a button that can be pressed.
class ImageButtonAccessible : public QAccessibleWidget {
public:
    explicit ImageButtonAccessible(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::Button) {}

    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& actionName) override {
        if (actionName == pressAction() && widget()->isEnabled())
            clickLater(static_cast<ImageControl*>(widget()));
        else
            QAccessibleWidget::doAction(actionName);
    }
};

QAccessibleInterface* imageButtonFactory(const QString&, QObject* object) {
    if (auto* control = qobject_cast<ImageControl*>(object);
        control && control->property(ImageButtonProperty).toBool())
        return new ImageButtonAccessible(control);
    return nullptr;
}

// The style's focus frame over the control's edge, shown only while the control has the focus.
class FocusMark : public QWidget {
public:
    explicit FocusMark(ImageControl* control) : QWidget(control) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
        control->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* control = static_cast<ImageControl*>(watched);
        switch (event->type()) {
        case QEvent::FocusIn:
            setGeometry(control->rect());
            raise();
            show();
            break;
        case QEvent::FocusOut:
            hide();
            break;
        case QEvent::Resize:
            setGeometry(control->rect());
            break;
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
                clickLater(control);
                return true;
            }
            break;
        }
        default:
            break;
        }
        return QWidget::eventFilter(watched, event);
    }
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(1, 1, -1, -1);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
    }
};

} // namespace

void makeImageButton(ImageControl* control, const QString& name) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(imageButtonFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    control->setProperty(ImageButtonProperty, true);
    control->setAccessibleName(name);
    control->setFocusPolicy(Qt::TabFocus);
    new FocusMark(control);
}
