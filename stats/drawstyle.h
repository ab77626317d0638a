#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

namespace canvas {
class TextCache;
}

// What an owner-drawn list hands its painters: the row's selection state, the system colours
// of list background, list text, selected background and selected text, the list's font and
// whether the bar segments carry their figures ("Diagramme beschriften"); and the view's
// cache of laid-out texts, where it keeps one.
struct DrawStyle {
    bool selected = false;
    QColor window = Qt::white;
    QColor windowText = Qt::black;
    QColor highlight = QColor(0x00, 0x78, 0xD7);
    QColor highlightedText = Qt::white;
    QFont font;
    bool diagramLabels = true;
    canvas::TextCache* texts = nullptr;

    // The colours of a palette's active group (Base, Text, Highlight, HighlightedText).
    static DrawStyle fromPalette(const QPalette& palette, const QFont& font, bool diagramLabels);

    // Background and text colour of the row in its selection state.
    QColor background() const { return selected ? highlight : window; }
    QColor text() const { return selected ? highlightedText : windowText; }
};
