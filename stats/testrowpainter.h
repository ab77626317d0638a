#pragma once

#include "gradedata/classtest.h"
#include "stats/drawstyle.h"

#include <QDate>
#include <QPainter>
#include <QRect>
#include <QString>
#include <QStringList>

// One row of the test list: grade level and academic year over the number of the test, date
// over lesson period, the six counts (the own grade marked by an ellipse), participants,
// average and the stacked bar diagram of the counts. The row fills rect (30 pixels high, left
// edge 0 in the list); its top border line lies on the row above, one pixel above rect.
//
// The item is a test list item as the program writes it. Drawing never fails on a faulty
// item: a field that is not a number is shown as it stands and counts 0 in the diagram, an
// own grade outside 1 .. 6 marks nothing, a test without participants shows NoAverageText.
void paintTestRow(QPainter& p, const QRect& rect, const QString& testListItem,
                  const DrawStyle& style);
// The same row for a test: the same pixels as for its test list item.
void paintTestRow(QPainter& p, const QRect& rect, const ClassTest& test, const DrawStyle& style);

// "7. Klasse (2003/2004)": the grade level without leading zero and the academic year of the
// date; without the year when the date is not valid.
QString gradeLevelText(const QString& gradeLevelField, const QDate& date);
QString gradeLevelText(int gradeLevel, const QDate& date);
