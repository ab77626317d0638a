#pragma once

#include <QString>
#include <functional>

class QListWidget;

// Inserting into list boxes that keep their items sorted.
using TextLess = std::function<bool(const QString&, const QString&)>;

// Inserts text at its sorted place in list (after equal items) and returns its row.
int insertSortedItem(QListWidget* list, const QString& text, const TextLess& less);
// Row of the first item whose text equals text without regard to case, -1 when there is none.
int findItemIgnoringCase(const QListWidget* list, const QString& text);
// Case-insensitive order of the user's locale.
bool localeLess(const QString& a, const QString& b);
