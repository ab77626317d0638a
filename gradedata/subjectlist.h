#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <algorithm>
#include <initializer_list>
#include <iterator>

// A list of subject names kept in one block: their texts one after another in one string, and
// for each name where its text lies. A file of millions of subjects with short names costs about
// twice their text, not a string object per name; a name becomes a QString only when asked for.
// Copies share the block until one of them changes (as Qt's containers do).
class SubjectList {
public:
    SubjectList() = default;
    SubjectList(std::initializer_list<QString> names);
    explicit SubjectList(const QStringList& names);

    qsizetype size() const { return spans_.size(); }
    bool isEmpty() const { return spans_.isEmpty(); }
    // The text of name i, valid until the list changes.
    QStringView view(qsizetype i) const {
        const Span& span = spans_.at(i);
        return QStringView(text_).sliced(span.start, span.length);
    }
    QString at(qsizetype i) const { return view(i).toString(); }
    QString front() const { return at(0); }
    // The first name equal to name (letter case counts); -1 when there is none.
    qsizetype indexOf(QStringView name) const;
    bool contains(QStringView name) const { return indexOf(name) >= 0; }
    QStringList toList() const;
    // The count names from i on (all after i for -1).
    SubjectList mid(qsizetype i, qsizetype count = -1) const;

    void append(QStringView name);
    void insert(qsizetype i, QStringView name);
    // Inserts the names at i in their order.
    void insert(qsizetype i, const SubjectList& names);
    void replace(qsizetype i, QStringView name);
    void removeAt(qsizetype i) { remove(i, 1); }
    // Removes count names from i on.
    void remove(qsizetype i, qsizetype count);
    void clear();
    // Sorts the names by compare(QStringView, QStringView) (<0, 0, >0); names that compare
    // equal keep their order.
    template <typename Compare> void sort(Compare&& compare);

    friend bool operator==(const SubjectList& a, const SubjectList& b);
    friend bool operator!=(const SubjectList& a, const SubjectList& b) { return !(a == b); }

    // Iterates the names as QStrings made one at a time.
    class const_iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = QString;
        using difference_type = qsizetype;
        using pointer = void;
        using reference = QString;

        const_iterator() = default;
        const_iterator(const SubjectList* list, qsizetype i) : list_(list), i_(i) {}
        QString operator*() const { return list_->at(i_); }
        const_iterator& operator++() {
            ++i_;
            return *this;
        }
        const_iterator operator++(int) {
            const const_iterator before = *this;
            ++i_;
            return before;
        }
        friend bool operator==(const const_iterator& a, const const_iterator& b) {
            return a.i_ == b.i_;
        }
        friend bool operator!=(const const_iterator& a, const const_iterator& b) {
            return a.i_ != b.i_;
        }

    private:
        const SubjectList* list_ = nullptr;
        qsizetype i_ = 0;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

private:
    struct Span {
        qsizetype start = 0;
        qsizetype length = 0;
    };
    // Writes the texts again in list order, without the texts of removed names.
    void compact();

    QString text_;
    QList<Span> spans_;
    qsizetype used_ = 0; // units of text_ that belong to a name of the list
};

template <typename Compare> void SubjectList::sort(Compare&& compare) {
    std::stable_sort(spans_.begin(), spans_.end(), [&](const Span& a, const Span& b) {
        return compare(QStringView(text_).sliced(a.start, a.length),
                       QStringView(text_).sliced(b.start, b.length)) < 0;
    });
}
