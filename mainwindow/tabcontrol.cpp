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
class CaptionBar : public QTabBar {
public:
    using QTabBar::QTabBar;

protected:
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
        for (int i = 0; i < captions.size(); ++i)
            tabBar_->insertTab(index + i, barText(captions.at(i)));
    });
}

void TabControl::removeTabs(int index, int count) {
    changeAll([&] {
        for (int i = count - 1; i >= 0; --i)
            tabBar_->removeTab(index + i);
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
