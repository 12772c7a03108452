#include "ZvWorkArea.h"

#include <cmath>

namespace zvui {

QRect usableArea(bool hasSoftKeys, bool softKeysOn, const QRect& sekInRect, const QRect& penArea) {
    return hasSoftKeys && softKeysOn && !sekInRect.isEmpty() ? sekInRect : penArea;
}

QRectF proportionalArea(const QRectF& usable, double screenAspect, int rotation) {
    if (!(screenAspect > 0) || !std::isfinite(screenAspect) || usable.isEmpty())
        return usable;
    // A tablet turned a quarter shows its height as its width.
    const bool turned = rotation == 90 || rotation == 270;
    const double s = turned ? 1.0 / screenAspect : screenAspect;
    const double w = usable.width();
    const double h = usable.height();
    if (s > w / h) {
        const double cut = (h - w / s) / 2;
        return QRectF(usable.left(), usable.top() + cut, w, h - 2 * cut);
    }
    if (s < w / h) {
        const double cut = (w - h * s) / 2;
        return QRectF(usable.left() + cut, usable.top(), w - 2 * cut, h);
    }
    return usable;
}

namespace {

float sixDecimals(double v) {
    return float(std::round(v * 1e6) / 1e6);
}

} // namespace

bool customAreaRatio(int x, int y, int width, int height, int maxx, int maxy, ZvRectRatio* out) {
    if (maxx <= 0 || maxy <= 0 || x < 0 || y < 0)
        return false;
    if (width < kMinAreaWidth || height < kMinAreaHeight || width > maxx || height > maxy)
        return false;
    if (qint64(x) + width > maxx || qint64(y) + height > maxy)
        return false;
    out->l = sixDecimals(double(x) / maxx);
    out->t = sixDecimals(double(y) / maxy);
    out->r = sixDecimals(double(x + width) / maxx);
    out->b = sixDecimals(double(y + height) / maxy);
    return true;
}

bool validAreaRatio(const ZvRectRatio& r) {
    const float v[] = {r.l, r.t, r.r, r.b};
    for (float x : v)
        if (!std::isfinite(x) || x < 0.0f || x > 1.0f)
            return false;
    return r.l < r.r && r.t < r.b;
}

} // namespace zvui
