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
// therefore holds the last tabs only (at least HeldTabs of them, enough for every view the
// program shows of it at the end, where the settings tab lies); the ones before wait as
// captions and are put into the bar at once when they are needed: when the program makes one
// of the first held tabs current, when the mouse first comes over the bar, and when the user first
// types on it. Indexes here always count all tabs.
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
    static constexpr int HeldTabs = 200;

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
    // all of them when the bar's current tab comes near its first.
    void holdEnough();
    void putAllIntoBar();

    QTabBar* tabBar_;
    SubjectList waiting_;
    bool programChange_ = false;
};
