// The arithmetic of the work-area page, in tablet units: which part of the tablet can be mapped,
// the proportional mode's cut, and the custom area typed in as numbers. The page only draws what
// these give.
#pragma once

#include "ZvStruct.h"

#include <QRect>
#include <QRectF>

namespace zvui {

// The smallest custom area the page accepts, in tablet units.
constexpr int kMinAreaWidth = 1073;
constexpr int kMinAreaHeight = 1063;

// The part of the tablet a pen can map: the soft keys' inner rectangle when the tablet has soft
// keys and they are on, otherwise the pen area.
QRect usableArea(bool hasSoftKeys, bool softKeysOn, const QRect& sekInRect, const QRect& penArea);

// Mode 2: the largest part of usable, centred, whose shape is the screen's (width / height =
// screenAspect) as the user sees the tablet, i.e. after turning it by rotation degrees (0, 90,
// 180, 270). The whole area when the shapes agree or the aspect is not a positive number.
QRectF proportionalArea(const QRectF& usable, double screenAspect, int rotation);

// The tablet area ratio of a custom area given as X, Y, width and height in tablet units on a
// tablet of maxx × maxy: each edge a fraction of the range, kept to six decimals. False when the
// area is smaller than the minimum, leaves the tablet, or the range is empty.
bool customAreaRatio(int x, int y, int width, int height, int maxx, int maxy, ZvRectRatio* out);

// A ratio that can be stored: every edge within 0..1 and a non-empty area.
bool validAreaRatio(const ZvRectRatio& r);

} // namespace zvui
