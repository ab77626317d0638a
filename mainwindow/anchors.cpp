#include "mainwindow/anchors.h"

#include <QEvent>
#include <QList>
#include <QPointer>
#include <QWidget>

namespace {

// Watches one container and moves its anchored controls when it is resized.
class AnchorFrame : public QObject {
public:
    AnchorFrame(QWidget* container, const QSize& designSize)
        : QObject(container), container_(container), designSize_(designSize) {
        setObjectName(QStringLiteral("AnchorFrame"));
        container->installEventFilter(this);
    }

    void setDesignSize(const QSize& size) { designSize_ = size; }

    void add(QWidget* widget, const QRect& rect, Anchors anchors) {
        entries_.removeIf([widget](const Entry& e) { return e.widget == widget || !e.widget; });
        entries_.append({widget, rect, anchors});
        apply(entries_.back());
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == container_ && event->type() == QEvent::Resize) {
            for (const Entry& entry : std::as_const(entries_))
                apply(entry);
        }
        return false;
    }

private:
    struct Entry {
        QPointer<QWidget> widget;
        QRect rect;
        Anchors anchors;
    };

    void apply(const Entry& entry) const {
        if (entry.widget)
            entry.widget->setGeometry(Anchoring::anchoredRect(entry.rect, entry.anchors,
                                                              designSize_, container_->size()));
    }

    QWidget* container_;
    QSize designSize_;
    QList<Entry> entries_;
};

AnchorFrame* frameOf(QWidget* container) {
    return container->findChild<AnchorFrame*>(QStringLiteral("AnchorFrame"),
                                              Qt::FindDirectChildrenOnly);
}

} // namespace

void Anchoring::setDesignSize(QWidget* container, const QSize& size) {
    if (AnchorFrame* frame = frameOf(container))
        frame->setDesignSize(size);
    else
        new AnchorFrame(container, size);
    container->resize(size);
}

void Anchoring::place(QWidget* widget, const QRect& rect, Anchors anchors) {
    QWidget* container = widget->parentWidget();
    Q_ASSERT(container);
    AnchorFrame* frame = frameOf(container);
    if (!frame)
        frame = new AnchorFrame(container, container->size());
    frame->add(widget, rect, anchors);
}

QRect Anchoring::anchoredRect(const QRect& rect, Anchors anchors, const QSize& designSize,
                              const QSize& actual) {
    auto span = [](int pos, int length, bool nearEdge, bool farEdge, int growth) {
        if (farEdge && nearEdge)
            return std::pair{pos, std::max(0, length + growth)};
        if (farEdge)
            return std::pair{pos + growth, length};
        return std::pair{pos, length};
    };
    const auto [x, width] =
        span(rect.x(), rect.width(), anchors.testFlag(Anchor::Left),
             anchors.testFlag(Anchor::Right), actual.width() - designSize.width());
    const auto [y, height] =
        span(rect.y(), rect.height(), anchors.testFlag(Anchor::Top),
             anchors.testFlag(Anchor::Bottom), actual.height() - designSize.height());
    return QRect(x, y, width, height);
}
