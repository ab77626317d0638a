#pragma once

#include "gradedata/subjectlist.h"

#include <QString>
#include <QStringList>
#include <QWidget>

class QTabBar;

// A row of tabs over a framed area, as one control: the tabs choose what the area shows, the
// area itself holds whatever the window puts into it. Only a change made by the user
// (mouse or keyboard on the tabs) is reported through tabChanged. Captions are shown as they
// are: an "&" in a subject name is a letter of the name, never the mark of a shortcut.
//
// A tab bar takes time in the number of its tabs for every single tab put in or taken out,
// so a bar of thousands of tabs cannot be filled in time linear in their number. The bar
// therefore holds the last tabs only: at least HeldTabs of them, and enough that the ones in
// front of its current tab are wider than the bar, so that no view of the bar that shows its
// current tab reaches the first one it holds. The ones before wait as captions and are put
// into the bar at once when they are needed: when the program makes a tab current that has too
// few held tabs in front of it, when the bar grows wider than those, when the mouse first comes
// over the bar, and when the user first types on it. Indexes here always count all tabs.
class TabControl : public QWidget {
    Q_OBJECT
public:
    explicit TabControl(QWidget* parent = nullptr);

    QTabBar* tabBar() const { return tabBar_; }

    int count() const;
    QString tabText(int index) const;
    int currentIndex() const;
    QString currentText() const;
    // Index of the tab with exactly this caption, -1 when there is none.
    int indexOf(const QString& caption) const;

    // Changes made by the program; none of them is reported through tabChanged.
    void insertTab(int index, const QString& caption);
    void removeTab(int index);
    // Inserts the captions at index in their order, and removes count tabs from index on;
    // either way the tabs are laid out once, not once per tab.
    void insertTabs(int index, const SubjectList& captions);
    void insertTabs(int index, const QStringList& captions) {
        insertTabs(index, SubjectList(captions));
    }
    void removeTabs(int index, int count);
    void setTabText(int index, const QString& caption);
    void setCurrentIndex(int index);

    // Tabs that are captions only, not yet in the bar: the first ones.
    int waitingTabs() const { return int(waiting_.size()); }
    static constexpr int HeldTabs = 24;

signals:
    void tabChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    template <typename Change> void changeAll(Change change);
    void insertIntoBar(int index, const SubjectList& captions);
    // Puts waiting captions into the bar until it holds HeldTabs tabs, or all of them, and
    // all of them when too few held tabs stand in front of its current one.
    void holdEnough();
    void putAllIntoBar();
    // Puts all waiting tabs into the shown bar, which then shows its current tab as before.
    void takeAllTabs();
    // Whether the held tabs in front of the bar's tab at barIndex are wider than the bar (or
    // none wait).
    bool heldTabsFillTheBarBefore(int barIndex) const;

    QTabBar* tabBar_;
    SubjectList waiting_;
    bool programChange_ = false;
};
