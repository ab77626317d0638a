#include "stats/drawstyle.h"

DrawStyle DrawStyle::fromPalette(const QPalette& palette, const QFont& font, bool diagramLabels) {
    DrawStyle style;
    style.window = palette.color(QPalette::Active, QPalette::Base);
    style.windowText = palette.color(QPalette::Active, QPalette::Text);
    style.highlight = palette.color(QPalette::Active, QPalette::Highlight);
    style.highlightedText = palette.color(QPalette::Active, QPalette::HighlightedText);
    style.font = font;
    style.diagramLabels = diagramLabels;
    return style;
}
