#pragma once

#include <QFlags>
#include <QRect>
#include <QSize>

class QWidget;

// Placement of controls at designed pixel positions, keeping their distances to the edges of
// their container they are anchored to when the container is resized.
//
// A container is designed at one size (setDesignSize). A control placed with place() keeps
// its designed left edge and width, unless it is anchored right: anchored right only, it keeps
// its distance to the container's right edge; anchored left and right, it grows with the
// container. The same holds vertically for top and bottom.
enum class Anchor { Left = 0x1, Top = 0x2, Right = 0x4, Bottom = 0x8 };
Q_DECLARE_FLAGS(Anchors, Anchor)
Q_DECLARE_OPERATORS_FOR_FLAGS(Anchors)

namespace Anchoring {
inline constexpr Anchors LeftTop = Anchors(Anchor::Left) | Anchor::Top;
inline constexpr Anchors AllEdges = LeftTop | Anchor::Right | Anchor::Bottom;
inline constexpr Anchors LeftTopRight = LeftTop | Anchor::Right;
inline constexpr Anchors LeftBottom = Anchors(Anchor::Left) | Anchor::Bottom;
inline constexpr Anchors RightBottom = Anchors(Anchor::Right) | Anchor::Bottom;
inline constexpr Anchors LeftRightBottom = LeftBottom | Anchor::Right;
inline constexpr Anchors LeftTopBottom = LeftTop | Anchor::Bottom;

// The size at which the container's controls are designed; the container is resized to it.
void setDesignSize(QWidget* container, const QSize& size);
// Places widget at rect (in its parent, which must have a design size) and keeps it anchored.
void place(QWidget* widget, const QRect& rect, Anchors anchors = LeftTop);
// Where a control designed at rect in a container designed at designSize goes when the
// container has the size actual.
QRect anchoredRect(const QRect& rect, Anchors anchors, const QSize& designSize,
                   const QSize& actual);
} // namespace Anchoring
