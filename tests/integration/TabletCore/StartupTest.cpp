// Start-up: which commands are asked in which order, the merge of the device's answers with the
// stored description, and message 257.
#include "WorkerFixture.h"

#include <linux/input.h>
#include <string.h>

namespace zvtest {
namespace {

// The command ids of the feature-get lines of the trace, in order.
std::vector<int> commands_asked(const TabletSim& sim) {
    std::vector<int> ids;
    for (const std::string& line : sim.traceLines()) {
        if (line.compare(0, 12, "feature-get ") != 0)
            continue;
        const size_t a = line.find(' ', 12);
        ids.push_back(atoi(line.c_str() + a + 1));
    }
    return ids;
}

ZvRecordedUiMsg last_open_msg() {
    ZvRecordedUiMsg found;
    for (const ZvRecordedUiMsg& m : recorded_ui_msgs()) {
        if (m.cmd == ZVMC_CORE_TABLET_OPEN)
            found = m;
    }
    return found;
}

class ShippedModel : public WorkerTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(ShippedModel, AskedMergedAndAnnounced) {
    const std::string model = GetParam();
    ZvTabletCfg stored;
    ASSERT_TRUE(stored_tablet(model, stored)) << model;
    // The device's own answers differ from the stored description everywhere.
    SimTablet t;
    t.model = model + "_230101";
    t.maxX = stored.maxX + 1000;
    t.maxY = stored.maxY + 500;
    t.maxP = stored.maxP == 8191 ? 16383 : 8191;
    t.keys = stored.hekNum + 3;
    t.flags = stored.bPassive ? 0 : 0x04;
    plug(t);

    const std::vector<int> asked = commands_asked(sim);
    ASSERT_GE(asked.size(), 2u) << sim.trace();
    EXPECT_EQ(asked[0], 201);
    EXPECT_EQ(asked[1], 200);

    const ZvRecordedUiMsg open = last_open_msg();
    EXPECT_STREQ(open.body.tabletOpen.sModel, model.c_str());
    EXPECT_EQ(open.body.tabletOpen.bUnknowTablet, 0);

    // The device wins for its range, rate and full model; the store for everything else.
    const ZvTabletCfg& tc = *worker->getTabletCfg();
    EXPECT_EQ(tc.maxX, t.maxX);
    EXPECT_EQ(tc.maxY, t.maxY);
    EXPECT_EQ(tc.maxP, t.maxP);
    EXPECT_EQ(std::string(tc.sFullModel), t.model.substr(0, 17));
    EXPECT_EQ(tc.hekNum, stored.hekNum);
    EXPECT_EQ(tc.bPassive, stored.bPassive);
    EXPECT_EQ(tc.sekNum, stored.sekNum);
    EXPECT_EQ(0, memcmp(tc.hekCode, stored.hekCode, sizeof tc.hekCode));
    EXPECT_EQ(0, memcmp(tc.mekFuncBit, stored.mekFuncBit, sizeof tc.mekFuncBit));
    EXPECT_EQ(0, memcmp(tc.sName, stored.sName, sizeof tc.sName));
    // The user settings are the model's own.
    EXPECT_STREQ(worker->obj()->uc.base.sModel, model.c_str());
}

INSTANTIATE_TEST_SUITE_P(Models, ShippedModel, ::testing::ValuesIn(shipped_models()),
                         [](const ::testing::TestParamInfo<std::string>& i) { return i.param; });

TEST_F(WorkerTest, ShippedModelsAreAllCovered) {
    // Guards the parameterised test above against an empty model list.
    EXPECT_GE(shipped_models().size(), 7u);
}

struct WakeCase {
    const char* model;
    bool keyWake; // the models' quirk lists, compiled from data/models
    bool hoverWiggle;
};

class CursorWake : public WorkerTest, public ::testing::WithParamInterface<WakeCase> {};

TEST_P(CursorWake, OnlyListedModelsWakeTheCursorAtStart) {
    const WakeCase& c = GetParam();
    ZvTabletCfg stored;
    ASSERT_TRUE(stored_tablet(c.model, stored));
    SimTablet t;
    t.model = c.model;
    t.maxX = stored.maxX;
    t.maxY = stored.maxY;
    plug(t, true, /* keepStartup= */ true);
    const std::vector<KeyEvent> keyWake{{125, 1}, {125, 0}, {125, 1}, {125, 0}};
    EXPECT_EQ(keyEvents(c.keyWake ? 4 : 0, 500), c.keyWake ? keyWake : std::vector<KeyEvent>{});
    const auto pen = penGroups(c.hoverWiggle ? 20 : 0, 500);
    ASSERT_EQ(pen.size(), c.hoverWiggle ? 20u : 0u);
    if (c.hoverWiggle) {
        // 45 units down and right in ten steps, and back, hovering.
        const int x0 = pen[0].value(EV_ABS, ABS_X);
        EXPECT_EQ(pen[9].value(EV_ABS, ABS_X) - x0, 45);
        EXPECT_EQ(pen[19].value(EV_ABS, ABS_X), x0);
        for (const ZvCapGroup& g : pen)
            EXPECT_EQ(g.value(EV_KEY, BTN_TOUCH), 0);
    }
}

const WakeCase kWakeCases[] = {
    {"ZVM0640EKB", true, false}, {"ZVD1560RNG", false, true}, {"ZVM1160TCH", false, false}};

INSTANTIATE_TEST_SUITE_P(Quirks, CursorWake, ::testing::ValuesIn(kWakeCases),
                         [](const ::testing::TestParamInfo<WakeCase>& i) { return i.param.model; });

TEST_F(WorkerTest, UnknownTenCharacterModelRunsWithGenericSettings) {
    SimTablet t;
    t.model = "ZVQ7777XYZ";
    t.keys = 5;
    t.flags = 0x04;
    plug(t);
    const ZvRecordedUiMsg open = last_open_msg();
    EXPECT_STREQ(open.body.tabletOpen.sModel, "ZVQ7777XYZ");
    EXPECT_EQ(open.body.tabletOpen.bUnknowTablet, 1);
    const ZvTabletCfg& tc = *worker->getTabletCfg();
    EXPECT_EQ(tc.hekNum, 5); // what the device said
    EXPECT_EQ(tc.bPassive, 0x04);
    EXPECT_EQ(tc.sekNum, 0);
    EXPECT_STREQ(worker->obj()->uc.base.sModel, ZV_GENERIC_MODEL);
    // And it draws.
    inject({pen(0x80, 1000, 1000), pen(0x80, 2000, 2000), pen(0x81, 3000, 3000, 4000)});
    EXPECT_GE(penGroups(2).size(), 2u);
}

TEST_F(WorkerTest, NineCharacterModelDoesNotStart) {
    SimTablet t;
    t.model = "ZVM106SLD";
    plug(t, /* expectOpen= */ false);
    // The worker ends by itself; nothing was announced as open.
    for (int i = 0; i < 300 && worker->isRunning(); ++i)
        usleep(10000);
    EXPECT_FALSE(worker->isRunning());
    EXPECT_EQ(count_ui_msgs(ZVMC_CORE_TABLET_OPEN), 0u);
    EXPECT_FALSE(worker->initDone());
}

} // namespace
} // namespace zvtest
