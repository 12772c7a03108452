// The scenario language of the simulated tablet, its report builders and stroke helpers.
#include "SimScenario.h"

#include <gtest/gtest.h>

#include <cmath>
#include <dirent.h>
#include <fstream>
#include <string>

namespace {

using tabletsim::Bytes;
using tabletsim::FeatureAnswer;
using tabletsim::Scenario;
using tabletsim::Step;

Scenario parse_ok(const std::string& text) {
    Scenario s;
    std::string error;
    EXPECT_TRUE(tabletsim::parse_scenario(text, &s, &error)) << error;
    return s;
}

TEST(SimScenario, DeviceDefaultsAndDerivedPaths) {
    const Scenario s = parse_ok("device a\n"
                                "  interface 0\n"
                                "  interface 1\n"
                                "  interface 2 path custom\n"
                                "  product \"Pen Tablet\"\n"
                                "end\n"
                                "device b  # a comment\n"
                                "  vid 0x046d\n"
                                "  path 2-7:1\n"
                                "  manufacturer none\n"
                                "  string 1 none\n"
                                "  unplugged\n"
                                "end\n");
    ASSERT_EQ(s.devices.size(), 2u);
    const auto& a = s.devices[0];
    EXPECT_EQ(a.vid, 0x7D3A);
    ASSERT_EQ(a.interfaces.size(), 3u);
    EXPECT_EQ(a.interfaces[0].path, "1-1:1.0");
    EXPECT_EQ(a.interfaces[1].path, "1-1:1.1");
    EXPECT_EQ(a.interfaces[2].path, "custom");
    EXPECT_EQ(a.strings.at(1), L"Pen Tablet") << "string 1 defaults to the product";
    EXPECT_TRUE(a.plugged);
    const auto& b = s.devices[1];
    EXPECT_EQ(b.vid, 0x046D);
    EXPECT_EQ(b.interfaces.at(0).path, "2-7:1.0");
    EXPECT_FALSE(b.hasManufacturer);
    EXPECT_EQ(b.strings.count(1), 0u);
    EXPECT_FALSE(b.plugged);
}

TEST(SimScenario, FeatureAnswersAreLaidOutAsTheDeviceSendsThem) {
    const Scenario s =
        parse_ok("device a\n"
                 "  feature 200 params maxx 0x123456 maxy 50000 maxp 8191 lpi 5080 pens 2 keys 8 "
                 "soft 4 b13 9 flags 0x0a\n"
                 "  feature 201 model \"Z\xc3\xa9\"\n" // "Zé"
                 "  feature 209 byte 3 length 8\n"
                 "  feature 210 bytes d2 00 01 ff\n"
                 "  feature 211 silent\n"
                 "  feature 212 stall\n"
                 "  feature-timeout 250ms\n"
                 "end\n");
    const auto& f = s.devices.at(0).features;
    EXPECT_EQ(f.at(200).bytes, (Bytes{200, 0, 0x56, 0x34, 0x12, 0x50, 0xC3, 0x00, 0xFF, 0x1F, 0xD8,
                                      0x13, 2, 8, 4, 9, 0x0A}));
    EXPECT_EQ(f.at(201).bytes, (Bytes{201, 0, 'Z', 0, 0xE9, 0}));
    EXPECT_EQ(f.at(209).bytes, (Bytes{209, 0, 3, 0, 0, 0, 0, 0}));
    EXPECT_EQ(f.at(210).bytes, (Bytes{0xD2, 0, 1, 0xFF}));
    EXPECT_EQ(f.at(211).kind, FeatureAnswer::Kind::Silent);
    EXPECT_EQ(f.at(212).kind, FeatureAnswer::Kind::Stall);
    EXPECT_EQ(s.devices[0].featureTimeoutUs, 250000);
}

TEST(SimScenario, ScriptTimesAdvanceWithWaitsAndStrokes) {
    const Scenario s = parse_ok("device a\n interface 0\n interface 1\nend\n"
                                "script a interface 1 start load\n"
                                "  wait 10ms\n"
                                "  pen 1 2 3\n"
                                "  wait 500us\n"
                                "  line 0 0 100 0 samples 5 rate 1000 pressure 0 400\n"
                                "  unplug\n"
                                "  wait 1s\n"
                                "  plug\n"
                                "  read-error\n"
                                "end\n");
    ASSERT_EQ(s.scripts.size(), 1u);
    const auto& sc = s.scripts[0];
    EXPECT_EQ(sc.interface, 1u);
    EXPECT_EQ(sc.start, tabletsim::Script::Start::Load);
    ASSERT_EQ(sc.steps.size(), 9u);
    EXPECT_EQ(sc.steps[0].atUs, 10000);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(sc.steps[1 + i].atUs, 10500 + i * 1000) << "sample " << i;
    EXPECT_EQ(sc.steps[6].kind, Step::Kind::Unplug);
    EXPECT_EQ(sc.steps[6].atUs, 15500) << "a stroke lasts one period past its last sample";
    EXPECT_EQ(sc.steps[7].kind, Step::Kind::Plug);
    EXPECT_EQ(sc.steps[7].atUs, 1015500);
    EXPECT_EQ(sc.steps[8].kind, Step::Kind::ReadError);
}

TEST(SimScenario, MistakesAreReportedWithTheirLine) {
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"device a\n vid 0x10000\nend\n", "line 2: vid out of range"},
        {"device a\n feature 200 bytes 1g\nend\n", "line 2: bad byte"},
        {"device a\n feature 200 maybe\nend\n", "line 2: feature answer is"},
        {"device a\n interface 0\n interface 0\nend\n", "line 3: interface 0 defined twice"},
        {"device a\nend\ndevice a\nend\n", "line 3: device 'a' defined twice"},
        {"script nobody\nend\n", "line 1: script for unknown device"},
        {"device a\nend\nscript a interface 3\nend\n", "line 3: device 'a' has no interface 3"},
        {"device a\nend\nscript a\n wait 5min\nend\n", "line 4: bad duration"},
        {"device a\nend\nscript a\n pen 1 2\nend\n", "line 4: expected pressure"},
        {"device a\nend\nscript a\n dial 1 number 0\nend\n", "line 4: dial number out of range"},
        {"device a\n product \"open\nend\n", "line 2: unterminated string"},
        {"device a\n", "missing 'end'"},
        {"tablet a\n", "line 1: unknown statement"},
        {"device a\n pid 1 2\nend\n", "line 2: unexpected '2'"},
    };
    for (const auto& c : cases) {
        Scenario s;
        std::string error;
        EXPECT_FALSE(tabletsim::parse_scenario(c.text, &s, &error)) << c.text;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.text << " gave: " << error;
    }
}

TEST(SimScenario, EveryShippedScenarioParses) {
    const std::string dir = std::string(ZV_SOURCE_DIR) + "/tests/scenarios";
    DIR* d = opendir(dir.c_str());
    ASSERT_NE(d, nullptr) << dir;
    int count = 0;
    while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".sim") != 0)
            continue;
        Scenario s;
        std::string error;
        EXPECT_TRUE(tabletsim::load_scenario_file(dir + "/" + name, &s, &error)) << error;
        EXPECT_FALSE(s.devices.empty()) << name;
        ++count;
    }
    closedir(d);
    EXPECT_GT(count, 0);
}

// The example in the simulator's README is a working scenario.
TEST(SimScenario, ReadmeExampleParses) {
    std::ifstream in(std::string(ZV_SOURCE_DIR) + "/tools/tabletsim/README.md");
    ASSERT_TRUE(in);
    std::string line, example;
    bool inSection = false;
    while (std::getline(in, line)) {
        if (line.rfind("## ", 0) == 0)
            inSection = line == "## Scenario files";
        else if (inSection && line.rfind("    ", 0) == 0)
            example += line.substr(4) + "\n";
    }
    const Scenario s = parse_ok(example);
    ASSERT_EQ(s.devices.size(), 2u);
    EXPECT_EQ(s.devices[0].interfaces.size(), 2u);
    EXPECT_FALSE(s.devices[1].plugged);
    ASSERT_EQ(s.scripts.size(), 1u);
    EXPECT_GT(s.scripts[0].steps.size(), 200u);
    EXPECT_TRUE(s.initFails);
}

TEST(SimReports, ReportLayouts) {
    tabletsim::PenSample p;
    p.x = 0x123456;
    p.y = 0x0A0B0C;
    p.pressure = 0x1FFF;
    p.tiltX = -5;
    p.tiltY = 7;
    p.below = true;
    const struct {
        const char* name;
        Bytes got;
        Bytes want;
    } cases[] = {
        {"pen",
         tabletsim::pen_report(p),
         {8, 0x83, 0x56, 0x34, 0x0C, 0x0B, 0xFF, 0x1F, 0x12, 0x0A, 0xFB, 7}},
        {"hover",
         tabletsim::pen_report(tabletsim::PenSample{}),
         {8, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"keys", tabletsim::keys_report(0x01020304), {8, 0xE0, 0, 0, 4, 3, 2, 1, 0, 0, 0, 0}},
        {"touch keys",
         tabletsim::keys_report(0x10, true),
         {8, 0xE2, 0, 0, 0x10, 0, 0, 0, 0, 0, 0, 0}},
        {"touch", tabletsim::touch_report(17, 0x0102), {8, 0xE1, 2, 1, 17, 0, 0, 0, 0, 0, 0, 0}},
        {"ring", tabletsim::slider_report(200, 0x0300), {8, 0xF0, 0, 3, 0, 200, 0, 0, 0, 0, 0, 0}},
        {"dial", tabletsim::dial_report(4, 2), {8, 0xF1, 0, 2, 0, 4, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got, c.want) << c.name;
}

int report_x(const Bytes& r) {
    return r[2] | r[3] << 8 | r[8] << 16;
}
int report_y(const Bytes& r) {
    return r[4] | r[5] << 8 | r[9] << 16;
}
int report_p(const Bytes& r) {
    return r[6] | r[7] << 8;
}

TEST(SimReports, LineRunsEndToEndWithAPressureRamp) {
    tabletsim::Stroke s;
    s.samples = 11;
    s.rateHz = 100;
    s.pressureFrom = 100;
    s.pressureTo = 1100;
    const auto r = tabletsim::line(1000, 5000, 2000, 0, s, /* startUs= */ 7);
    ASSERT_EQ(r.size(), 11u);
    for (size_t i = 0; i < r.size(); ++i) {
        EXPECT_EQ(r[i].atUs, 7 + int64_t(i) * 10000);
        EXPECT_EQ(report_x(r[i].bytes), 1000 + int(i) * 100);
        EXPECT_EQ(report_y(r[i].bytes), 5000 - int(i) * 500);
        EXPECT_EQ(report_p(r[i].bytes), 100 + int(i) * 100);
        EXPECT_EQ(r[i].bytes[1], 0x81);
    }
    EXPECT_EQ(tabletsim::stroke_end(s, 7), 7 + 110000);
}

TEST(SimReports, CircleStaysOnItsRadius) {
    tabletsim::Stroke s;
    s.samples = 36;
    const auto r = tabletsim::circle(20000, 12000, 5000, s);
    ASSERT_EQ(r.size(), 36u);
    EXPECT_EQ(report_x(r[0].bytes), 25000);
    EXPECT_EQ(report_y(r[0].bytes), 12000);
    for (const auto& t : r) {
        const double dx = report_x(t.bytes) - 20000.0, dy = report_y(t.bytes) - 12000.0;
        EXPECT_NEAR(std::sqrt(dx * dx + dy * dy), 5000.0, 1.0);
        EXPECT_EQ(t.bytes[1], 0x80) << "no pressure: a hover stroke";
    }
}

TEST(SimReports, ScriptTextPlaysTheReportsBack) {
    tabletsim::Stroke s;
    s.samples = 4;
    s.rateHz = 250;
    s.pressureTo = 300;
    const auto stroke = tabletsim::line(0, 0, 30, 30, s, /* startUs= */ 2000);
    const Scenario sc =
        parse_ok("device a\nend\nscript a\n" + tabletsim::script_text(stroke) + "end\n");
    ASSERT_EQ(sc.scripts.at(0).steps.size(), stroke.size());
    for (size_t i = 0; i < stroke.size(); ++i) {
        EXPECT_EQ(sc.scripts[0].steps[i].atUs, stroke[i].atUs);
        EXPECT_EQ(sc.scripts[0].steps[i].report, stroke[i].bytes);
    }
}

TEST(SimText, WidenAndUtf16) {
    EXPECT_EQ(tabletsim::widen("A\xc3\xa9\xe2\x82\xac\xf0\x9f\x96\x8a"),
              L"A\u00e9\u20ac\U0001F58A");
    EXPECT_EQ(tabletsim::widen("\xff"
                               "a\xc3"),
              std::wstring(L"\ufffd"
                           L"a\ufffd"));
    EXPECT_EQ(tabletsim::utf16le(L"A\U0001F58A"), (Bytes{'A', 0, 0x3D, 0xD8, 0x8A, 0xDD}));
}

} // namespace
