// What the settings application changes and asks: a per-model file edited with zvcfg and
// message 4, and the device-state queries and changes answered by the tablet itself.
#include "DaemonFixture.h"

#include <algorithm>
#include <linux/input.h>
#include <stdlib.h>
#include <string.h>
#include <thread>

namespace {

const char* const kModel = "ZVD1560RNG";

// Express key 2 (Undo, Ctrl+Z, in the shipped template) pressed twice, two seconds apart.
std::string two_presses() {
    return tablet_device("display", kModel, 0x0960, "1-1:1") +
           "script display\n"
           "  wait 1000ms\n  keys 0x02\n  wait 50ms\n  keys 0\n"
           "  wait 2500ms\n  keys 0x02\n  wait 50ms\n  keys 0\n"
           "end\n";
}

std::vector<std::pair<int, int>> key_events(const ZvCapLog& log) {
    std::vector<std::pair<int, int>> keys;
    const ZvCapDevice* kbd = log.device("Zerva keyboard");
    if (kbd == nullptr)
        return keys;
    for (const ZvCapGroup& g : log.groupsOf(*kbd)) {
        for (const ZvCapEvent& e : g.events) {
            if (e.type == EV_KEY)
                keys.emplace_back(e.code, e.value);
        }
    }
    return keys;
}

} // namespace

class SettingsTest : public DaemonTest {
protected:
    // The keyboard's key events, waiting up to ms for at least n.
    std::vector<std::pair<int, int>> keys(size_t n, int ms) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        std::vector<std::pair<int, int>> out;
        do {
            out = key_events(cap());
            if (out.size() >= n)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        } while (std::chrono::steady_clock::now() < until);
        return out;
    }
};

TEST_F(SettingsTest, ConfigurationChangeTakesEffectOnTheNextKeyReport) {
    core = startCore(two_presses());
    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_OPEN, 0, 6000)) << output();
    const std::vector<std::pair<int, int>> before = {
        {KEY_LEFTCTRL, 1}, {KEY_Z, 1}, {KEY_Z, 0}, {KEY_LEFTCTRL, 0}};
    ASSERT_EQ(keys(4, 4000), before) << output();

    // The settings application saves the model's file; here zvcfg does, from the template with
    // key 2 bound to a plain B.
    const std::string json = dir() + "/user.json";
    const std::string cmd =
        std::string(ZV_ZVCFG) + " print " + dir() + "/res/user.cfg | /usr/bin/python3 -c '" +
        "import json,sys\n"
        "d=json.load(sys.stdin)\n"
        "r=[x for x in d[\"records\"] if x[\"sModel\"]==\"" +
        kModel +
        "\"][0]\n"
        "r[\"app0\"][\"heks\"][1]={\"name\":\"B\",\"func\":[\"key\"],\"keys\":[\"B\"]}\n"
        "json.dump({\"file\":\"user-config\",\"config\":{\"base\":r}},open(\"" +
        json + "\",\"w\"))' && " + ZV_ZVCFG + " write " + json + " " + userFile(kModel);
    ASSERT_EQ(system(cmd.c_str()), 0) << cmd;
    ASSERT_TRUE(ui->send(ZVMC_UI_CONFIG_CHANGED, kModel)) << ui->lastError();

    const auto all = keys(6, 5000);
    ASSERT_EQ(all.size(), 6u) << output();
    EXPECT_EQ(all[4], std::make_pair(KEY_B, 1));
    EXPECT_EQ(all[5], std::make_pair(KEY_B, 0));
}

TEST_F(SettingsTest, DeviceStatesAreAnsweredByTheTablet) {
    core = startCore(tablet_device("display", kModel, 0x0960, "1-1:1",
                                   "  feature 208 byte 1\n  feature 209 byte 64\n"
                                   "  feature 207 byte 1\n"));
    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_OPEN, 0, 6000)) << output();
    ZvMsg reply;
    ASSERT_TRUE(ui->send(ZVMC_UI_BATTERY_QUERY, kModel)) << ui->lastError();
    ASSERT_TRUE(ui->waitFor(ZVMC_REPLY | ZVMC_UI_BATTERY_QUERY, 0, 3000, &reply));
    EXPECT_STREQ(reply.body.battery.sModel, kModel);
    EXPECT_EQ(reply.body.battery.battery, 64);
    ASSERT_TRUE(ui->send(ZVMC_UI_LED_QUERY, kModel)) << ui->lastError();
    ASSERT_TRUE(ui->waitFor(ZVMC_REPLY | ZVMC_UI_LED_QUERY, 0, 3000, &reply));
    EXPECT_EQ(reply.body.ledState.bState, 1);
    // A change is a command to the tablet and no reply.
    ZvMsg on;
    memset(&on, 0, sizeof on);
    on.head.cmd = ZVMC_UI_LED_CHANGE;
    strcpy(on.body.ledState.sModel, kModel);
    on.body.ledState.bState = 1;
    ASSERT_TRUE(ui->sendRecord(on));
    EXPECT_GE(waitTrace("feature-get 1-1:1.0 207", 3000), 0) << output();
    EXPECT_EQ(ui->count(ZVMC_REPLY | ZVMC_UI_LED_CHANGE), 0u);
}

// Battery answers reach the settings application as the one-bit-per-level byte it reads,
// whatever the transport: this model counts eight levels, and level 4 is the fourth bit.
TEST_F(SettingsTest, BatteryLevelIsSentAsTheLevelBit) {
    core = startCore(tablet_device("pad", "ZVM1209SKD", 0x0990, "1-1:1", "  feature 209 byte 4\n"));
    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_OPEN, 0, 6000)) << output();
    ZvMsg reply;
    ASSERT_TRUE(ui->send(ZVMC_UI_BATTERY_QUERY, "ZVM1209SKD")) << ui->lastError();
    ASSERT_TRUE(ui->waitFor(ZVMC_REPLY | ZVMC_UI_BATTERY_QUERY, 0, 3000, &reply));
    EXPECT_EQ(reply.body.battery.battery, 0x08);
}

// A query the tablet does not answer reads 0, never the request's own code, and holds up
// nothing else meanwhile: wheel steps from the ring keep reaching the desktop.
TEST_F(SettingsTest, AnUnansweredQueryReadsZeroAndStallsNothing) {
    core = startCore(tablet_device("display", kModel, 0x0960, "1-1:1",
                                   "  feature 208 silent\n  feature-timeout 1200ms\n") +
                     scrolling_ring_script("display", 800, 300));
    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_OPEN, 0, 6000)) << output();
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    const double asked = now();
    ZvMsg reply;
    ASSERT_TRUE(ui->send(ZVMC_UI_LED_QUERY, kModel)) << ui->lastError();
    ASSERT_TRUE(ui->waitFor(ZVMC_REPLY | ZVMC_UI_LED_QUERY, 0, 4000, &reply));
    const double answered = now();
    EXPECT_EQ(reply.body.ledState.bState, 0);
    EXPECT_GE(answered - asked, 1.0) << "the query did not wait for the tablet";
    double last = asked;
    double longest = 0;
    size_t steps = 0;
    const ZvCapLog log = cap();
    const ZvCapDevice* mouse = log.device("Zerva mouse");
    ASSERT_NE(mouse, nullptr);
    for (const ZvCapGroup& g : log.groupsOf(*mouse)) {
        const double t = static_cast<double>(g.atNs) / 1e9;
        if (!g.has(EV_REL, REL_WHEEL) || t < asked || t > answered)
            continue;
        longest = std::max(longest, t - last);
        last = t;
        ++steps;
    }
    longest = std::max(longest, answered - last);
    EXPECT_GT(steps, 20u);
    EXPECT_LT(longest, 0.4) << "wheel steps stalled while the query waited";
}
