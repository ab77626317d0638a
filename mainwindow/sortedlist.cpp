#include "mainwindow/sortedlist.h"

#include "platform/localeformats.h"

#include <QListWidget>

int insertSortedItem(QListWidget* list, const QString& text, const TextLess& less) {
    int low = 0;
    int high = list->count();
    while (low < high) {
        const int middle = (low + high) / 2;
        if (less(text, list->item(middle)->text()))
            high = middle;
        else
            low = middle + 1;
    }
    list->insertItem(low, text);
    return low;
}

int findItemIgnoringCase(const QListWidget* list, const QString& text) {
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->text().compare(text, Qt::CaseInsensitive) == 0)
            return row;
    }
    return -1;
}

bool localeLess(const QString& a, const QString& b) {
    return LocaleFormats::current().compare(a, b) < 0;
}
