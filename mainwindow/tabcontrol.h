#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class QTabBar;

// A row of tabs over a framed area, as one control: the tabs choose what the area shows, the
// area itself holds whatever the window puts into it. Only a change made by the user
// (mouse or keyboard on the tabs) is reported through tabChanged. Captions are shown as they
// are: an "&" in a subject name is a letter of the name, never the mark of a shortcut.
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
    void insertTabs(int index, const QStringList& captions);
    void removeTabs(int index, int count);
    void setTabText(int index, const QString& caption);
    void setCurrentIndex(int index);

signals:
    void tabChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    template <typename Change> void changeAll(Change change);

    QTabBar* tabBar_;
    bool programChange_ = false;
};
