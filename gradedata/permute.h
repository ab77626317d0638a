#pragma once

#include <QList>

#include <utility>
#include <vector>

// Puts the items in another order in their place, each moved once: items[k] becomes what
// items[from[k]] was. from is a permutation of the items' numbers (and is used up). Sorting a
// list of large items through their numbers and then this needs room for the numbers only.
template <typename T> void permute(QList<T>& items, std::vector<qsizetype>& from) {
    for (qsizetype start = 0; start < qsizetype(from.size()); ++start) {
        if (from[size_t(start)] == start)
            continue;
        T first = std::move(items[start]);
        qsizetype at = start;
        while (from[size_t(at)] != start) {
            const qsizetype next = from[size_t(at)];
            items[at] = std::move(items[next]);
            from[size_t(at)] = at;
            at = next;
        }
        items[at] = std::move(first);
        from[size_t(at)] = at;
    }
}
