// Input reports as a Zerva tablet sends them, and strokes built from them: what scenario files
// and C++ tests use instead of listing report bytes by hand.
#pragma once

#include <stdint.h>
#include <string>
#include <vector>

namespace tabletsim {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kReportId = 8;
constexpr size_t kReportLen = 12;

// Report kinds (byte 1). A pen report's kind is kPenHover ORed with the tip and button bits.
enum : uint8_t {
    kPenHover = 0x80,
    kPenTip = 0x01,
    kPenBelow = 0x02,
    kPenAbove = 0x04,
    kTouchKeysOfControl = 0xE1,
    kExpressKeys = 0xE0,
    kTouchExpressKeys = 0xE2,
    kSliderOrRing = 0xF0,
    kDial = 0xF1,
};

struct PenSample {
    int32_t x = 0;         // 24 bits
    int32_t y = 0;         // 24 bits
    uint16_t pressure = 0; // 0: hovering
    int8_t tiltX = 0;
    int8_t tiltY = 0; // as the device sends it; the core flips its sign
    bool below = false;
    bool above = false;
};

Bytes pen_report(const PenSample& s);
// Express keys, one bit per key (0 releases all); touch express keys when `touch` is set.
Bytes keys_report(uint32_t mask, bool touch = false);
// A touch key of a multi-function control. control is (byte 3 << 8) | byte 2.
Bytes touch_report(uint16_t id, uint16_t control = 0);
// A slider or ring position.
Bytes slider_report(uint8_t position, uint16_t control = 0);
// A dial step; dials are numbered from 1.
Bytes dial_report(uint8_t step, uint8_t number = 1);

struct TimedReport {
    int64_t atUs; // from the start of the script
    Bytes bytes;
};

// A pen stroke: `samples` reports at `rateHz`, pressure ramping linearly from pressureFrom to
// pressureTo (0 all along: a hover stroke).
struct Stroke {
    int samples = 50;
    double rateHz = 200;
    uint16_t pressureFrom = 0;
    uint16_t pressureTo = 0;
    int8_t tiltX = 0;
    int8_t tiltY = 0;
};

// Time of sample i of a stroke that starts at startUs.
int64_t sample_time(const Stroke& s, int i, int64_t startUs);
// The time a stroke ends: one period after its last sample.
int64_t stroke_end(const Stroke& s, int64_t startUs);

// From (x0, y0) to (x1, y1), both ends included.
std::vector<TimedReport> line(int32_t x0, int32_t y0, int32_t x1, int32_t y1, const Stroke& s,
                              int64_t startUs = 0);
// Once round, counter-clockwise in device coordinates from (cx + r, cy).
std::vector<TimedReport> circle(int32_t cx, int32_t cy, int32_t r, const Stroke& s,
                                int64_t startUs = 0);

// Two hex digits per byte, separated by spaces.
std::string hex(const Bytes& b);
// Scenario script lines that play these reports at their times ("wait" and "report" lines),
// counted from where they are inserted.
std::string script_text(const std::vector<TimedReport>& reports);

} // namespace tabletsim
