#pragma once

#include "stats/drawstyle.h"
#include "stats/statistics.h"

#include <QImage>
#include <QPainter>
#include <optional>

// The bar under the test list that shows a subject's means in the layout of a test row:
// a yellow-to-green gradient with the average sign and the mean lesson period, the mean
// count of every grade (the rounded own average marked), the mean participants, the mean of
// the test averages and a stacked bar of the mean counts. Without a summary (a subject
// without tests) only the background, gradient, tinted blocks and average sign are drawn.
//
// Coordinates are the image's: it sits one pixel further left than the list rows.
// style.selected is ignored; the bar is drawn in the window colours.

// Height of the image.
constexpr int AverageBarHeight = 29;

// Paints the bar into (0, 0, width, AverageBarHeight) of the painter.
void paintAverageBar(QPainter& p, int width, const std::optional<SubjectSummary>& summary,
                     const DrawStyle& style);

// The bar as an image of width x AverageBarHeight pixels (width at least 1), drawn at the
// screen's device pixel ratio: on a screen scaled by 1.5 the image has 1.5 times the pixels
// and the same size in the window's units, so that it is shown sharp, not stretched.
QImage AverageBarImage(int width, const std::optional<SubjectSummary>& summary,
                       const DrawStyle& style, qreal devicePixelRatio = 1.0);
