#pragma once

#include <functional>

class QAbstractItemView;

// Runs action when Return or Enter is pressed in the view while it has a current row: the
// keyboard's way to what a double click on a row does.
void onReturnKey(QAbstractItemView* view, std::function<void()> action);
