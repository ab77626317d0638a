#include "mainwindow/tabcontrol.h"

#include "widgets/bandedstyle.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHash>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScopedValueRollback>
#include <QStyleOptionTab>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>

namespace {
// The tabs take this height; the framed area starts where they end.
constexpr int TabHeight = 24;

// The tab bar reads "&" as the mark of a shortcut letter; doubled, it shows as itself.
QString barText(const QString& caption) {
    QString text = caption;
    return text.replace(u'&', QStringLiteral("&&"));
}

QString captionOf(const QString& barText) {
    QString caption = barText;
    return caption.replace(QStringLiteral("&&"), QStringLiteral("&"));
}

// A tab bar that lays out the captions of the tabs it shows only. A tab bar paints by asking
// for every tab's style option, and each option lays out the tab's caption to see whether it
// is to be shortened; with one tab per subject most of them lie outside the bar, where they
// are left unpainted. Their options carry what the bar looks at for them: the place and the
// colours.
//
// It also takes many tabs at once: every single insertion or removal lays out all tabs (to
// find the one under the mouse, or to keep the current one), so while tabs are added or
// removed one after another the tabs before the last change count as empty, and only the
// last change lays them out with their captions.
class CaptionBar : public QTabBar {
public:
    using QTabBar::QTabBar;

    // Changes many tabs, calling change(i) for i = 0 .. count - 1.
    template <typename Change> void changeTabs(int count, Change change) {
        for (int i = 0; i < count; ++i) {
            const QScopedValueRollback pending(sizesPending_, i + 1 < count);
            change(i);
        }
    }

protected:
    // A tab's size depends on its caption only, as long as the bar keeps its font and style;
    // it is measured once per caption, not at every layout of the bar.
    QSize tabSizeHint(int index) const override {
        if (sizesPending_)
            return QSize(0, 0);
        const QString text = tabText(index);
        if (const auto found = sizes_.constFind(text); found != sizes_.cend())
            return *found;
        if (sizes_.size() > 2 * count() + 64)
            sizes_.clear();
        return *sizes_.insert(text, QTabBar::tabSizeHint(index));
    }
    void changeEvent(QEvent* event) override {
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
            sizes_.clear();
        QTabBar::changeEvent(event);
    }
    QSize minimumTabSizeHint(int index) const override {
        return sizesPending_ ? QSize(0, 0) : QTabBar::minimumTabSizeHint(index);
    }
    void initStyleOption(QStyleOptionTab* option, int index) const override {
        const QRect rect = tabRect(index);
        if (rect.right() >= 0 && rect.left() <= width()) {
            QTabBar::initStyleOption(option, index);
            return;
        }
        option->initFrom(this);
        option->state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
        if (!isTabEnabled(index))
            option->state &= ~QStyle::State_Enabled;
        if (index == currentIndex())
            option->state |= QStyle::State_Selected;
        option->rect = rect;
        option->shape = shape();
        option->text = tabText(index);
        option->documentMode = documentMode();
        option->tabIndex = index;
    }

private:
    bool sizesPending_ = false;
    mutable QHash<QString, QSize> sizes_;
};

} // namespace

TabControl::TabControl(QWidget* parent) : QWidget(parent), tabBar_(new CaptionBar(this)) {
    tabBar_->setObjectName(QStringLiteral("SubjectsTabBar"));
    tabBar_->setDrawBase(false);
    tabBar_->setExpanding(false);
    tabBar_->setUsesScrollButtons(true);
    tabBar_->setElideMode(Qt::ElideNone);
    tabBar_->setFocusPolicy(Qt::TabFocus);
    connect(tabBar_, &QTabBar::currentChanged, this, [this] {
        if (!programChange_)
            emit tabChanged();
    });
    // The user's first touch of the bar or its scroll buttons finds all tabs in it.
    tabBar_->installEventFilter(this);
    for (QObject* child : tabBar_->children())
        child->installEventFilter(this);
}

bool TabControl::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    // The mouse comes over the bar before it is pressed or scrolled on: then the bar may be
    // hidden for a moment to take the tabs.
    case QEvent::Enter:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::ContextMenu:
        takeAllTabs();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

int TabControl::count() const {
    return int(waiting_.size()) + tabBar_->count();
}

QString TabControl::tabText(int index) const {
    if (index >= 0 && index < waiting_.size())
        return waiting_.at(index);
    return captionOf(tabBar_->tabText(index - int(waiting_.size())));
}

int TabControl::currentIndex() const {
    const int current = tabBar_->currentIndex();
    return current < 0 ? current : current + int(waiting_.size());
}

QString TabControl::currentText() const {
    return captionOf(tabBar_->tabText(tabBar_->currentIndex()));
}

int TabControl::indexOf(const QString& caption) const {
    if (const qsizetype at = waiting_.indexOf(caption); at >= 0)
        return int(at);
    for (int i = 0; i < tabBar_->count(); ++i) {
        if (captionOf(tabBar_->tabText(i)) == caption)
            return i + int(waiting_.size());
    }
    return -1;
}

void TabControl::insertTab(int index, const QString& caption) {
    insertTabs(index, SubjectList{caption});
}

void TabControl::removeTab(int index) {
    removeTabs(index, 1);
}

void TabControl::insertIntoBar(int index, const SubjectList& captions) {
    if (captions.size() == 1) {
        // One tab: the bar lays itself out once anyway.
        const QScopedValueRollback guard(programChange_, true);
        tabBar_->insertTab(index, barText(captions.front()));
        return;
    }
    changeAll([&] {
        static_cast<CaptionBar*>(tabBar_)->changeTabs(int(captions.size()), [&](int i) {
            tabBar_->insertTab(index + i, barText(captions.at(i)));
        });
    });
}

void TabControl::holdEnough() {
    const int missing = std::min(int(waiting_.size()), HeldTabs - tabBar_->count());
    if (missing > 0) {
        const SubjectList captions = waiting_.mid(waiting_.size() - missing);
        waiting_.remove(waiting_.size() - missing, missing);
        insertIntoBar(0, captions);
    }
    if (!heldTabsFillTheBarBefore(tabBar_->currentIndex()))
        putAllIntoBar();
}

bool TabControl::heldTabsFillTheBarBefore(int barIndex) const {
    if (waiting_.isEmpty())
        return true;
    if (barIndex <= 0)
        return false;
    // The room between the first held tab and this one, whichever way the tabs run. The bar
    // takes the control's width (it may not have been laid out yet).
    const QRect first = tabBar_->tabRect(0);
    const QRect tab = tabBar_->tabRect(barIndex);
    const int between = std::max(first.left(), tab.left()) - std::min(first.right(), tab.right());
    return between > width();
}

void TabControl::putAllIntoBar() {
    if (!waiting_.isEmpty())
        insertIntoBar(0, std::exchange(waiting_, {}));
}

void TabControl::takeAllTabs() {
    if (waiting_.isEmpty())
        return;
    putAllIntoBar();
    // Laid out anew, the bar shows its current tab as before.
    QResizeEvent resize(tabBar_->size(), tabBar_->size());
    QCoreApplication::sendEvent(tabBar_, &resize);
}

template <typename Change> void TabControl::changeAll(Change change) {
    const QScopedValueRollback guard(programChange_, true);
    // A shown tab bar lays out all its tabs after every single change; a hidden one once,
    // when it is shown again.
    const bool shown = tabBar_->isVisible();
    const bool focused = tabBar_->hasFocus();
    if (shown)
        tabBar_->hide();
    change();
    if (shown) {
        tabBar_->show();
        if (focused)
            tabBar_->setFocus();
    }
}

void TabControl::insertTabs(int index, const SubjectList& captions) {
    if (captions.isEmpty())
        return;
    const int waiting = int(waiting_.size());
    // In front of the bar's first tab they wait, unless the bar holds all tabs and few.
    if (index < waiting || (index == waiting && tabBar_->count() + captions.size() > HeldTabs)) {
        waiting_.insert(index, captions);
        holdEnough();
        return;
    }
    insertIntoBar(index - waiting, captions);
}

void TabControl::removeTabs(int index, int count) {
    const int waiting = int(waiting_.size());
    const int fromWaiting = std::clamp(waiting - index, 0, count);
    if (fromWaiting > 0)
        waiting_.remove(index, fromWaiting);
    const int first = index + fromWaiting - waiting;
    const int fromBar = count - fromWaiting;
    if (fromBar == 1) {
        const QScopedValueRollback guard(programChange_, true);
        tabBar_->removeTab(first);
    } else if (fromBar > 1) {
        changeAll([&] {
            static_cast<CaptionBar*>(tabBar_)->changeTabs(
                fromBar, [&](int i) { tabBar_->removeTab(first + fromBar - 1 - i); });
        });
    }
    holdEnough();
}

void TabControl::setTabText(int index, const QString& caption) {
    if (index >= 0 && index < waiting_.size())
        waiting_.replace(index, caption);
    else
        tabBar_->setTabText(index - int(waiting_.size()), barText(caption));
}

void TabControl::setCurrentIndex(int index) {
    // The bar scrolls a current tab into view; near its first tab that view shows the tabs
    // before it.
    const int waiting = int(waiting_.size());
    if (index >= 0 && (index < waiting || !heldTabsFillTheBarBefore(index - waiting)))
        putAllIntoBar();
    const QScopedValueRollback guard(programChange_, true);
    tabBar_->setCurrentIndex(index - int(waiting_.size()));
}

void TabControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    tabBar_->setGeometry(2, 0, std::max(0, width() - 4), TabHeight);
    // Grown wider than the held tabs, the bar takes them all.
    if (!heldTabsFillTheBarBefore(tabBar_->currentIndex()))
        takeAllTabs();
}

void TabControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    frame.rect = QRect(0, TabHeight - 2, width(), height() - TabHeight + 2);
    frame.shape = QTabBar::RoundedNorth;
    frame.tabBarSize = tabBar_->size();
    frame.tabBarRect = tabBar_->geometry();
    frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    BandedStyle::shared()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
}
