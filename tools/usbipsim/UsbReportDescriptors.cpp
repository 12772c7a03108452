// The two report descriptors of the tablet's 12-byte report. The vendor one only says how long
// the report is; the digitizer one names every field so that the kernel's HID input layer makes
// an evdev tablet of it, with the ranges and resolution of the scenario's device.
#include "UsbDescriptors.h"

namespace usbipsim {

namespace {

// Short items: the tag with its type bits; the size bits are added by put().
enum : uint8_t {
    kInput = 0x80,
    kFeature = 0xB0,
    kCollection = 0xA0,
    kEndCollection = 0xC0,
    kUsagePage = 0x04,
    kLogicalMin = 0x14,
    kLogicalMax = 0x24,
    kPhysicalMin = 0x34,
    kPhysicalMax = 0x44,
    kUnitExponent = 0x54,
    kUnit = 0x64,
    kReportSize = 0x74,
    kReportId = 0x84,
    kReportCount = 0x94,
    kUsage = 0x08,
};

enum : uint32_t {
    kData = 0x02,     // Data, Variable, Absolute
    kPadding = 0x03,  // Constant, Variable, Absolute
    kApplication = 1, // collection kinds
    kPhysical = 0,
};

class Items {
public:
    // Logical and physical extents are signed in HID: 65535 needs four bytes, not two.
    void put(uint8_t tag, int64_t v, bool isSigned = false) {
        int size = 1;
        if (isSigned ? (v < -128 || v > 127) : v > 0xFF)
            size = 2;
        if (isSigned ? (v < -32768 || v > 32767) : v > 0xFFFF)
            size = 4;
        _b.push_back(uint8_t(tag | (size == 4 ? 3 : size)));
        for (int i = 0; i < size; ++i)
            _b.push_back(uint8_t(uint64_t(v) >> (8 * i)));
    }
    void end() { _b.push_back(kEndCollection); }
    Bytes take() { return std::move(_b); }

private:
    Bytes _b;
};

constexpr uint8_t kTabletReportId = tabletsim::kReportId;
constexpr int kTabletPayload = int(tabletsim::kReportLen) - 1;
// A report declared for a feature whose answer the scenario does not give (stall).
constexpr int kDefaultFeaturePayload = 63;

// One vendor collection declaring the feature reports, and the tablet report when `withInput`.
void vendor_collection(Items& it, const tabletsim::SimDevice& dev, bool withInput) {
    it.put(kUsagePage, 0xFF00);
    it.put(kUsage, 0x01);
    it.put(kCollection, kApplication);
    it.put(kLogicalMin, 0, true);
    it.put(kLogicalMax, 255, true);
    it.put(kReportSize, 8);
    if (withInput) {
        it.put(kReportId, kTabletReportId);
        it.put(kUsage, 0x01);
        it.put(kReportCount, kTabletPayload);
        it.put(kInput, kData);
    }
    for (const auto& f : dev.features) {
        using Kind = tabletsim::FeatureAnswer::Kind;
        // Id 0 means "no report ids" in HID and cannot sit beside id 8. A silent feature is
        // left out: the kernel's HID driver reads every declared report when it binds, and an
        // unanswered one would hold the binding for its ten-second time-out. Our own software
        // reads features by number through libusb, which does not consult the descriptor.
        if (f.first <= 0 || f.first > 255 || f.second.kind == Kind::Silent)
            continue;
        int payload = kDefaultFeaturePayload;
        if (f.second.kind == Kind::Bytes)
            payload = f.second.bytes.size() > 1 ? int(f.second.bytes.size() - 1) : 1;
        it.put(kReportId, f.first);
        it.put(kUsage, f.first);
        it.put(kReportCount, payload);
        it.put(kFeature, kData);
    }
    it.end();
}

uint32_t read_le(const Bytes& b, size_t at, size_t width) {
    uint32_t v = 0;
    for (size_t i = 0; i < width; ++i)
        v |= uint32_t(b[at + i]) << (8 * i);
    return v;
}

} // namespace

PenExtents pen_extents(const tabletsim::SimDevice& dev) {
    PenExtents e;
    const auto found = dev.features.find(200);
    if (found == dev.features.end() || found->second.kind != tabletsim::FeatureAnswer::Kind::Bytes)
        return e;
    // The answer is the report id, a zero, then the parameters: 24-bit extents, 16-bit
    // pressure and resolution (see the scenario's "params").
    const Bytes& b = found->second.bytes;
    if (b.size() < 2 + 10)
        return e;
    const uint32_t x = read_le(b, 2, 3), y = read_le(b, 5, 3), p = read_le(b, 8, 2);
    const uint32_t lpi = read_le(b, 10, 2);
    // The digitizer report carries 16 bits of X and Y (the 24-bit high bytes stay zero there).
    if (x > 0)
        e.maxX = x < 65535 ? x : 65535;
    if (y > 0)
        e.maxY = y < 65535 ? y : 65535;
    if (p > 0)
        e.maxPressure = p;
    if (lpi > 0)
        e.lpi = lpi;
    return e;
}

Bytes vendor_report_descriptor(const tabletsim::SimDevice& dev) {
    Items it;
    vendor_collection(it, dev, /* withInput= */ true);
    return it.take();
}

Bytes digitizer_report_descriptor(const tabletsim::SimDevice& dev) {
    const PenExtents e = pen_extents(dev);
    Items it;
    it.put(kUsagePage, 0x0D); // digitizers
    it.put(kUsage, 0x02);     // pen
    it.put(kCollection, kApplication);
    it.put(kReportId, kTabletReportId);
    it.put(kUsage, 0x20); // stylus
    it.put(kCollection, kPhysical);

    // Byte 1: tip, lower and upper button, four unused bits, in range.
    it.put(kUsage, 0x42); // tip switch
    it.put(kUsage, 0x44); // barrel switch
    it.put(kUsage, 0x5A); // secondary barrel switch
    it.put(kLogicalMin, 0, true);
    it.put(kLogicalMax, 1, true);
    it.put(kReportSize, 1);
    it.put(kReportCount, 3);
    it.put(kInput, kData);
    it.put(kReportCount, 4);
    it.put(kInput, kPadding);
    it.put(kUsage, 0x32); // in range
    it.put(kReportCount, 1);
    it.put(kInput, kData);

    // Bytes 2-5: X and Y, 16 bits each. Physical extents in thousandths of an inch give the
    // HID input layer the resolution that libinput insists on for a tablet.
    it.put(kUsagePage, 0x01); // generic desktop
    it.put(kReportSize, 16);
    it.put(kUnitExponent, 0x0D); // -3, as a nibble
    it.put(kUnit, 0x13);         // inch
    it.put(kPhysicalMin, 0, true);
    const uint32_t axes[2][2] = {{0x30, e.maxX}, {0x31, e.maxY}};
    for (const auto& axis : axes) {
        it.put(kUsage, axis[0]);
        it.put(kLogicalMax, axis[1], true);
        it.put(kPhysicalMax, int64_t(axis[1]) * 1000 / e.lpi, true);
        it.put(kInput, kData);
    }

    // Bytes 6-7: pressure; bytes 8-9: the high bytes of X and Y, unused here.
    it.put(kUsagePage, 0x0D);
    it.put(kUnitExponent, 0);
    it.put(kUnit, 0);
    it.put(kPhysicalMax, 0, true);
    it.put(kUsage, 0x30); // tip pressure
    it.put(kLogicalMax, e.maxPressure, true);
    it.put(kInput, kData);
    it.put(kInput, kPadding);

    // Bytes 10-11: tilt in degrees, as the device sends it.
    it.put(kUsage, 0x3D); // X tilt
    it.put(kUsage, 0x3E); // Y tilt
    it.put(kReportSize, 8);
    it.put(kReportCount, 2);
    it.put(kLogicalMin, -60, true);
    it.put(kLogicalMax, 60, true);
    it.put(kPhysicalMin, -60, true);
    it.put(kPhysicalMax, 60, true);
    it.put(kUnit, 0x14); // degrees
    it.put(kInput, kData);
    it.end();
    it.end();

    // The features live in a vendor collection of their own, as on the vendor interface.
    vendor_collection(it, dev, /* withInput= */ false);
    return it.take();
}

} // namespace usbipsim
