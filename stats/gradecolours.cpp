#include "stats/gradecolours.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<GradeColourSet, 6> table{{
    {0x008000, 0xFFFFFF, 0xFFFFFF, 0x000000},
    {0x00FF00, 0x000000, 0xE9E9E9, 0x000000},
    {0xB3B300, 0xFFFFFF, 0xD8D8D8, 0x000000},
    {0xFFFF00, 0x000000, 0xC0C0C0, 0x000000},
    {0xFFB76F, 0x000000, 0x9B9B9B, 0xFFFFFF},
    {0xFF0000, 0xFFFFFF, 0x606060, 0xFFFFFF},
}};

} // namespace

const GradeColourSet& gradeColours(int grade) {
    return table[std::clamp(grade, 1, 6) - 1];
}

QColor gradeBarColour(int grade, bool coloured) {
    const GradeColourSet& set = gradeColours(grade);
    return QColor::fromRgb(coloured ? set.bar : set.greyBar);
}

QColor gradeLabelColour(int grade, bool coloured) {
    const GradeColourSet& set = gradeColours(grade);
    return QColor::fromRgb(coloured ? set.label : set.greyLabel);
}

QColor BlendColour(const QColor& c1, const QColor& c2, int x, int w) {
    if (w == 0)
        return c1;
    // C++ integer division truncates toward zero, as the blend requires.
    const auto channel = [x, w](int a, int b) { return std::clamp(a + (b - a) * x / w, 0, 255); };
    return QColor(channel(c1.red(), c2.red()), channel(c1.green(), c2.green()),
                  channel(c1.blue(), c2.blue()));
}
