#include "mainwindow/tabcontrol.h"

#include <QPainter>
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
    QSize tabSizeHint(int index) const override {
        return sizesPending_ ? QSize(0, 0) : QTabBar::tabSizeHint(index);
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
}

int TabControl::count() const {
    return tabBar_->count();
}

QString TabControl::tabText(int index) const {
    return captionOf(tabBar_->tabText(index));
}

int TabControl::currentIndex() const {
    return tabBar_->currentIndex();
}

QString TabControl::currentText() const {
    return tabText(tabBar_->currentIndex());
}

int TabControl::indexOf(const QString& caption) const {
    for (int i = 0; i < count(); ++i) {
        if (tabText(i) == caption)
            return i;
    }
    return -1;
}

void TabControl::insertTab(int index, const QString& caption) {
    const QScopedValueRollback guard(programChange_, true);
    tabBar_->insertTab(index, barText(caption));
}

void TabControl::removeTab(int index) {
    const QScopedValueRollback guard(programChange_, true);
    tabBar_->removeTab(index);
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

void TabControl::insertTabs(int index, const QStringList& captions) {
    changeAll([&] {
        static_cast<CaptionBar*>(tabBar_)->changeTabs(int(captions.size()), [&](int i) {
            tabBar_->insertTab(index + i, barText(captions.at(i)));
        });
    });
}

void TabControl::removeTabs(int index, int count) {
    changeAll([&] {
        static_cast<CaptionBar*>(tabBar_)->changeTabs(
            count, [&](int i) { tabBar_->removeTab(index + count - 1 - i); });
    });
}

void TabControl::setTabText(int index, const QString& caption) {
    tabBar_->setTabText(index, barText(caption));
}

void TabControl::setCurrentIndex(int index) {
    const QScopedValueRollback guard(programChange_, true);
    tabBar_->setCurrentIndex(index);
}

void TabControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    tabBar_->setGeometry(2, 0, std::max(0, width() - 4), TabHeight);
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
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
}
