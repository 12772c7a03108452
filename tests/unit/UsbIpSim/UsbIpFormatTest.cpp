// The bytes the simulated USB tablet puts on the wire and in its descriptors, checked against
// the layouts a kernel reads them with. Every PDU's way through the encoder and decoder, and the
// refusal of short or unknown ones, is the server tests' fake host at work.
#include "UsbDescriptors.h"
#include "UsbIpWire.h"

#include <gtest/gtest.h>

#include <map>
#include <string.h>

namespace {

using usbipsim::Bytes;
using usbipsim::Header;

TEST(UsbIpWire, CmdSubmitIsBigEndianWithTheSetupAsIs) {
    Header h;
    h.command = usbipsim::kCmdSubmit;
    h.seqnum = 0x01020304;
    h.devid = 0x00010002;
    h.direction = usbipsim::kDirIn;
    h.ep = 0;
    h.transferLength = 64;
    h.setup = {0x80, 0x06, 0x00, 0x01, 0x00, 0x00, 0x40, 0x00};
    uint8_t b[usbipsim::kHeaderSize];
    ASSERT_TRUE(usbipsim::encode_header(h, b));
    const uint8_t expected[usbipsim::kHeaderSize] = {
        0, 0, 0, 1,  1, 2, 3, 4, 0, 1, 0, 2, 0, 0, 0, 1, 0,    0,    0,    0,    0, 0, 0,    0,
        0, 0, 0, 64, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x06, 0x00, 0x01, 0, 0, 0x40, 0};
    EXPECT_EQ(memcmp(b, expected, sizeof b), 0);
    const usbipsim::Setup s = usbipsim::decode_setup(h.setup);
    EXPECT_EQ(s.value, 0x0100);
    EXPECT_EQ(s.length, 64);
}

// What a HID parser learns from a report descriptor: the bits of each (type, report id) and
// the extents of each usage, as the kernel's hid-core collects them.
struct ParsedReports {
    struct Field {
        int64_t logicalMin = 0, logicalMax = 0, physicalMax = 0;
        uint32_t unit = 0;
    };
    std::map<std::pair<int, int>, int> bits; // (0x80 input / 0xB0 feature, id) -> bits
    std::map<uint32_t, Field> usages;        // page << 16 | usage
    int depth = 0;
    bool ok = true;
};

ParsedReports parse_reports(const Bytes& d) {
    ParsedReports r;
    uint32_t page = 0, size = 0, count = 0, id = 0;
    ParsedReports::Field g;
    std::vector<uint32_t> usages;
    for (size_t i = 0; i < d.size();) {
        const uint8_t prefix = d[i];
        const size_t n = (prefix & 3) == 3 ? 4 : prefix & 3;
        if (i + 1 + n > d.size()) {
            r.ok = false;
            return r;
        }
        uint32_t u = 0;
        for (size_t k = 0; k < n; ++k)
            u |= uint32_t(d[i + 1 + k]) << (8 * k);
        const int64_t s = n == 1 ? int8_t(u) : n == 2 ? int16_t(u) : int32_t(u);
        i += 1 + n;
        switch (prefix & 0xFC) {
        case 0x04:
            page = u;
            break;
        case 0x14:
            g.logicalMin = s;
            break;
        case 0x24:
            g.logicalMax = s;
            break;
        case 0x44:
            g.physicalMax = s;
            break;
        case 0x64:
            g.unit = u;
            break;
        case 0x74:
            size = u;
            break;
        case 0x84:
            id = u;
            break;
        case 0x94:
            count = u;
            break;
        case 0x08:
            usages.push_back(page << 16 | u);
            break;
        case 0xA0:
            ++r.depth;
            usages.clear();
            break;
        case 0xC0:
            --r.depth;
            break;
        case 0x80:
        case 0xB0:
            r.bits[{prefix & 0xFC, int(id)}] += int(size * count);
            for (uint32_t usage : usages)
                r.usages[usage] = g;
            usages.clear();
            break;
        }
    }
    return r;
}

constexpr const char* kDevice = R"(device t
  pid 0x0950
  interface 0
  interface 1
  manufacturer none
  serial "SN1"
  string 1 none
  string 3 "three"
  feature 200 params maxx 50800 maxy 31750 maxp 8191 lpi 5080
  feature 201 model "ZT-A01"
  feature 205 silent
  feature 206 stall
  feature 210 bytes d2 00 01 length 300
end
)";

class UsbDescriptorsTest : public ::testing::TestWithParam<usbipsim::ReportKind> {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(tabletsim::parse_scenario(kDevice, &_scenario, &error)) << error;
    }
    tabletsim::Scenario _scenario;
};

TEST_P(UsbDescriptorsTest, ReportsHaveTheTabletLayoutAndEveryAnsweredFeature) {
    const usbipsim::UsbDescriptors desc(_scenario.devices[0], GetParam());
    for (int iface : {0, 1}) {
        const Bytes& report = *desc.report(iface);
        const ParsedReports r = parse_reports(report);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.depth, 0) << "collections are closed";
        EXPECT_EQ(r.bits.at({0x80, 8}), 88) << "the 12-byte report after its id";
        EXPECT_GE(r.bits.at({0xB0, 200}), 16 * 8);
        EXPECT_GE(r.bits.at({0xB0, 201}), (2 + 12 - 1) * 8);
        EXPECT_GE(r.bits.at({0xB0, 210}), 299 * 8);
        EXPECT_EQ(r.bits.count({0xB0, 206}), 1u);
        EXPECT_EQ(r.bits.count({0xB0, 205}), 0u) << "silent features stay undeclared";
        const Bytes& hid = *desc.hid(iface);
        EXPECT_EQ(hid[7] | hid[8] << 8, int(report.size()));
    }
    EXPECT_EQ(desc.report(2), nullptr);

    const ParsedReports pen = parse_reports(*desc.report(0));
    if (GetParam() == usbipsim::ReportKind::Digitizer) {
        const auto &x = pen.usages.at(0x10030), &y = pen.usages.at(0x10031);
        EXPECT_EQ(x.logicalMax, 50800);
        EXPECT_EQ(x.physicalMax, 10000) << "thousandths of an inch at 5080 lpi";
        EXPECT_EQ(x.unit, 0x13u);
        EXPECT_EQ(y.logicalMax, 31750);
        EXPECT_EQ(pen.usages.at(0xD0030).logicalMax, 8191) << "tip pressure";
        EXPECT_EQ(pen.usages.at(0xD003D).logicalMin, -60) << "tilt is signed";
        EXPECT_EQ(pen.usages.count(0xD0032), 1u) << "in range";
    } else {
        EXPECT_EQ(pen.usages.count(0x10030), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, UsbDescriptorsTest,
                         ::testing::Values(usbipsim::ReportKind::Vendor,
                                           usbipsim::ReportKind::Digitizer));

TEST_F(UsbDescriptorsTest, StringsKeepTheScenarioIndices) {
    const usbipsim::UsbDescriptors desc(_scenario.devices[0], usbipsim::ReportKind::Vendor);
    EXPECT_EQ(desc.string(1), nullptr) << "string 1 none";
    ASSERT_NE(desc.string(3), nullptr);
    EXPECT_EQ(*desc.string(3), (Bytes{12, 3, 't', 0, 'h', 0, 'r', 0, 'e', 0, 'e', 0}));
    EXPECT_EQ(desc.manufacturerIndex(), 0) << "manufacturer none";
    const Bytes& dev = desc.device();
    EXPECT_EQ(dev[14], 0);
    EXPECT_EQ(dev[15], desc.productIndex());
    EXPECT_EQ(dev[16], desc.serialIndex());
    EXPECT_NE(desc.productIndex(), desc.serialIndex());
    for (uint8_t index : {desc.productIndex(), desc.serialIndex()}) {
        ASSERT_NE(desc.string(index), nullptr);
        EXPECT_NE(index, 1);
        EXPECT_NE(index, 3);
    }
    EXPECT_EQ(*desc.string(desc.serialIndex()), (Bytes{8, 3, 'S', 0, 'N', 0, '1', 0}));
}

} // namespace
