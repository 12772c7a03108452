#include "SimReports.h"

#include <cmath>
#include <stdio.h>

namespace tabletsim {

namespace {

Bytes blank(uint8_t kind) {
    Bytes b(kReportLen, 0);
    b[0] = kReportId;
    b[1] = kind;
    return b;
}

void put16(Bytes& b, size_t at, uint32_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

uint16_t ramp(const Stroke& s, int i) {
    if (s.samples <= 1)
        return s.pressureFrom;
    const double t = double(i) / double(s.samples - 1);
    return uint16_t(std::lround(s.pressureFrom + (double(s.pressureTo) - s.pressureFrom) * t));
}

} // namespace

Bytes pen_report(const PenSample& s) {
    uint8_t kind = kPenHover;
    if (s.pressure > 0)
        kind |= kPenTip;
    if (s.below)
        kind |= kPenBelow;
    if (s.above)
        kind |= kPenAbove;
    Bytes b = blank(kind);
    put16(b, 2, uint32_t(s.x));
    put16(b, 4, uint32_t(s.y));
    put16(b, 6, s.pressure);
    b[8] = uint8_t(uint32_t(s.x) >> 16);
    b[9] = uint8_t(uint32_t(s.y) >> 16);
    b[10] = uint8_t(s.tiltX);
    b[11] = uint8_t(s.tiltY);
    return b;
}

Bytes keys_report(uint32_t mask, bool touch) {
    Bytes b = blank(touch ? kTouchExpressKeys : kExpressKeys);
    put16(b, 4, mask & 0xFFFF);
    put16(b, 6, mask >> 16);
    return b;
}

Bytes touch_report(uint16_t id, uint16_t control) {
    Bytes b = blank(kTouchKeysOfControl);
    put16(b, 2, control);
    put16(b, 4, id);
    return b;
}

Bytes slider_report(uint8_t position, uint16_t control) {
    Bytes b = blank(kSliderOrRing);
    put16(b, 2, control);
    b[5] = position;
    return b;
}

Bytes dial_report(uint8_t step, uint8_t number) {
    Bytes b = blank(kDial);
    b[3] = number;
    b[5] = step;
    return b;
}

int64_t sample_time(const Stroke& s, int i, int64_t startUs) {
    const double rate = s.rateHz > 0 ? s.rateHz : 1;
    return startUs + std::llround(double(i) * 1e6 / rate);
}

int64_t stroke_end(const Stroke& s, int64_t startUs) {
    return sample_time(s, s.samples > 0 ? s.samples : 0, startUs);
}

std::vector<TimedReport> line(int32_t x0, int32_t y0, int32_t x1, int32_t y1, const Stroke& s,
                              int64_t startUs) {
    std::vector<TimedReport> out;
    for (int i = 0; i < s.samples; ++i) {
        const double t = s.samples > 1 ? double(i) / double(s.samples - 1) : 0.0;
        PenSample p;
        p.x = int32_t(std::lround(x0 + (double(x1) - x0) * t));
        p.y = int32_t(std::lround(y0 + (double(y1) - y0) * t));
        p.pressure = ramp(s, i);
        p.tiltX = s.tiltX;
        p.tiltY = s.tiltY;
        out.push_back({sample_time(s, i, startUs), pen_report(p)});
    }
    return out;
}

std::vector<TimedReport> circle(int32_t cx, int32_t cy, int32_t r, const Stroke& s,
                                int64_t startUs) {
    std::vector<TimedReport> out;
    const double pi = std::acos(-1.0);
    for (int i = 0; i < s.samples; ++i) {
        const double a = 2 * pi * double(i) / double(s.samples);
        PenSample p;
        p.x = int32_t(std::lround(cx + r * std::cos(a)));
        p.y = int32_t(std::lround(cy + r * std::sin(a)));
        p.pressure = ramp(s, i);
        p.tiltX = s.tiltX;
        p.tiltY = s.tiltY;
        out.push_back({sample_time(s, i, startUs), pen_report(p)});
    }
    return out;
}

std::string hex(const Bytes& b) {
    std::string out;
    char two[4];
    for (size_t i = 0; i < b.size(); ++i) {
        snprintf(two, sizeof two, "%02x", b[i]);
        if (i > 0)
            out += ' ';
        out += two;
    }
    return out;
}

std::string script_text(const std::vector<TimedReport>& reports) {
    std::string out;
    int64_t cursor = 0;
    for (const TimedReport& r : reports) {
        if (r.atUs > cursor) {
            out += "wait " + std::to_string(r.atUs - cursor) + "us\n";
            cursor = r.atUs;
        }
        out += "report " + hex(r.bytes) + "\n";
    }
    return out;
}

} // namespace tabletsim
