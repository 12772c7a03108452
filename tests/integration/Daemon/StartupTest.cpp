// Start-up of the real core: devices, the one-second check, the settings application's queries
// and the first pen stroke.
#include "DaemonFixture.h"

#include <linux/input.h>
#include <stddef.h>
#include <string.h>

namespace {

const char* const kModel = "ZVD1560RNG";

std::string one_tablet_with_stroke() {
    return tablet_device("display", kModel, 0x0960, "1-1:1") +
           "script display\n"
           "  wait 1500ms\n"
           "  hover 10000 8000\n"
           "  line 10000 8000 30000 20000 samples 40 rate 200 pressure 200 8000\n"
           "  hover 30000 20000\n"
           "end\n";
}

} // namespace

TEST_F(DaemonTest, StartupServesAPluggedTabletAndAnswersTheSettingsApplication) {
    core = startCore(one_tablet_with_stroke());
    ASSERT_GT(core, 0);

    // The virtual devices exist, made by the core itself through the capture.
    ASSERT_TRUE(ui->waitCore(5000)) << output();
    {
        const ZvCapLog log = cap();
        for (const char* name : {"Zerva keyboard", "Zerva mouse", "Zerva pen"}) {
            const ZvCapDevice* d = log.device(name);
            ASSERT_NE(d, nullptr) << name << "\n" << output();
            EXPECT_EQ(d->pid, core) << name;
        }
    }

    // The start-up check, one second in, opens the plugged tablet; no uevent was needed.
    ZvMsg open;
    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_OPEN, 0, 6000, &open)) << output();
    EXPECT_STREQ(open.body.tabletOpen.sModel, kModel);
    EXPECT_EQ(open.body.tabletOpen.bUnknowTablet, 0);
    EXPECT_EQ(th_u64{open.head.pid}, static_cast<th_u64>(core));
    const long opened = waitTrace("open 1-1:1.0 ok", 100);
    ASSERT_GE(opened, 0);
    const double delay = traceTime(opened) - startedAt();
    EXPECT_GE(delay, 0.9);
    EXPECT_LT(delay, 4.0);

    ZvMsg list;
    ASSERT_TRUE(ui->send(ZVMC_UI_TABLET_NUM)) << ui->lastError();
    ASSERT_TRUE(ui->waitFor(ZVMC_REPLY | ZVMC_UI_TABLET_NUM, 0, 3000, &list));
    EXPECT_EQ(list.body.tablets.num, 1);
    EXPECT_STREQ(list.body.tablets.model[0], kModel);
    EXPECT_EQ(list.body.tablets.model[1][0], '\0');

    ZvMsg info;
    ASSERT_TRUE(ui->send(ZVMC_UI_TABLET_INFO, kModel)) << ui->lastError();
    ASSERT_TRUE(ui->waitFor(ZVMC_REPLY | ZVMC_UI_TABLET_INFO, 0, 3000, &info));
    const unsigned char* raw = reinterpret_cast<const unsigned char*>(&info);
    ZvTabletCfg tc;
    memcpy(&tc, raw + 20, sizeof tc); // offsets 20..391
    EXPECT_STREQ(tc.sModel, kModel);
    EXPECT_STREQ(tc.sFullModel, "ZVD1560RNG_230101"); // the device's own
    EXPECT_EQ(tc.maxX, 50800u);                       // the device's range wins
    EXPECT_EQ(tc.maxP, 8191u);
    EXPECT_GT(tc.hekNum + tc.mekNum, 0) << "the stored description was not merged";
    EXPECT_EQ(raw[392], 0); // isCurr
    EXPECT_EQ(raw[393] | raw[394] | raw[395], 0);

    // A model nobody serves gets no answer at all.
    ASSERT_TRUE(ui->send(ZVMC_UI_TABLET_INFO, "ZVM0640EKB")) << ui->lastError();
    ASSERT_TRUE(ui->send(ZVMC_UI_TABLET_NUM)) << ui->lastError();
    ASSERT_TRUE(ui->waitFor(ZVMC_REPLY | ZVMC_UI_TABLET_NUM, 1, 3000));
    EXPECT_EQ(ui->count(ZVMC_REPLY | ZVMC_UI_TABLET_INFO), 1u);

    // Every sample of the stroke reaches the current pen device, its pressure rising.
    const auto contact = penContactGroups(40, 5000);
    EXPECT_EQ(contact.size(), 40u) << output();
    int lastPressure = 0;
    bool rising = true;
    for (const ZvCapGroup& g : contact) {
        const int p = g.value(EV_ABS, ABS_PRESSURE);
        rising = rising && p > lastPressure;
        lastPressure = p;
    }
    EXPECT_TRUE(rising);
    EXPECT_GT(traceCount("deliver 1-1:1.0"), 30);
}
