#include "gradedata/subjectlist.h"

SubjectList::SubjectList(std::initializer_list<QString> names) {
    for (const QString& name : names)
        append(name);
}

SubjectList::SubjectList(const QStringList& names) {
    for (const QString& name : names)
        append(name);
}

qsizetype SubjectList::indexOf(QStringView name) const {
    for (qsizetype i = 0; i < size(); ++i) {
        if (view(i) == name)
            return i;
    }
    return -1;
}

QStringList SubjectList::toList() const {
    QStringList names;
    names.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        names.append(at(i));
    return names;
}

SubjectList SubjectList::mid(qsizetype i, qsizetype count) const {
    if (count < 0 || i + count > size())
        count = size() - i;
    SubjectList names;
    for (qsizetype k = i; k < i + count; ++k)
        names.append(view(k));
    return names;
}

void SubjectList::append(QStringView name) {
    insert(size(), name);
}

void SubjectList::insert(qsizetype i, QStringView name) {
    spans_.insert(i, Span{text_.size(), name.size()});
    text_.append(name);
    used_ += name.size();
}

void SubjectList::insert(qsizetype i, const SubjectList& names) {
    if (isEmpty()) {
        // A list of its own shares the names' block until one of the two changes.
        *this = names;
        return;
    }
    const SubjectList added = names; // names may be this very list
    spans_.insert(i, added.size(), Span{});
    for (qsizetype k = 0; k < added.size(); ++k) {
        const QStringView name = added.view(k);
        spans_[i + k] = Span{text_.size(), name.size()};
        text_.append(name);
        used_ += name.size();
    }
}

void SubjectList::replace(qsizetype i, QStringView name) {
    used_ += name.size() - spans_.at(i).length;
    spans_[i] = Span{text_.size(), name.size()};
    text_.append(name);
}

void SubjectList::remove(qsizetype i, qsizetype count) {
    for (qsizetype k = i; k < i + count; ++k)
        used_ -= spans_.at(k).length;
    spans_.remove(i, count);
    // The text of removed names stays until it is as much as the text in use.
    if (text_.size() - used_ > std::max<qsizetype>(used_, 1024))
        compact();
}

void SubjectList::clear() {
    text_.clear();
    spans_.clear();
    used_ = 0;
}

void SubjectList::compact() {
    qsizetype next = 0;
    bool inOrder = true;
    for (const Span& span : std::as_const(spans_)) {
        inOrder = inOrder && span.start == next;
        next = span.start + span.length;
    }
    if (inOrder && next == text_.size())
        return;
    QString text;
    text.reserve(used_);
    for (Span& span : spans_) {
        const QStringView name = QStringView(text_).sliced(span.start, span.length);
        span.start = text.size();
        text.append(name);
    }
    text_ = std::move(text);
}

bool operator==(const SubjectList& a, const SubjectList& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a.view(i) != b.view(i))
            return false;
    }
    return true;
}
