// Per-model files of the first version: switches that were device-wide move into the profiles.
#include "UserConfigV1.h"
#include "StoreFixture.h"

#include <memory>

using namespace cstest;

namespace {

std::unique_ptr<ZvUserConfigV1> sample_v1() {
    std::unique_ptr<ZvUserConfigV1> v1(new ZvUserConfigV1());
    ZvUserCfgV1& b = v1->base;
    b.bLed = 1;
    b.bTHkey = 1;
    b.bTouchScreen = 1;
    b.levelLedLight = 2;
    b.levelSleep = 3;
    b.bGame = 1;
    b.bWinInk = 1;
    b.bWintab = 1;
    b.bTilt = 1;
    b.bHek = 1;
    b.bSek = 1;
    b.bMek = 7;
    b.bWinDail = 1;
    b.bDail = 1;
    b.bCtrlCursor = 1;
    b.bCalibrated = 1;
    b.bAbsoluteMode = 1;
    b.curScreenIndex = 2;
    b.calibrateFactors[6] = -123;
    b.clbPoint[15] = {7, 8};
    b.pressCtrlPt[2] = {900, 901};
    b.pressFactor = -2;
    b.rotateAngle = 180;
    b.workarea = {0.1f, 0.2f, 0.9f, 0.8f};
    b.screenArea[7] = {0.25f, 0.0f, 0.75f, 1.0f};
    set_str(b.sModel, 24, "ZVM1060SLD");
    set_str(b.app0.pid, 260, "all");
    b.app0.heks[23].funcBit = ZVEF_KBTN;
    b.app0.theks[0].funcBit = ZVEF_SWITCH_DISPLAY;
    b.app0.seks[15].funcBit = ZVEF_EXEC;
    b.app0.peks[3].funcBit = ZVEF_MOUSE_MID;
    b.app0.meks[1].muxIndex = 2;
    set_str(v1->apps[0].pid, 260, "version-1 app"); // not carried over
    return v1;
}

void expect_switches(const ZvAppUserCfg& a, const char* which) {
    SCOPED_TRACE(which);
    EXPECT_EQ(a.bAbsoluteMode, 1);
    EXPECT_EQ(a.bCtrlCursor, 1);
    EXPECT_EQ(a.bGame, 1);
    EXPECT_EQ(a.bHek, 1);
    EXPECT_EQ(a.bSek, 1);
    EXPECT_EQ(a.bTHkey, 1);
    EXPECT_EQ(a.bTilt, 1);
    EXPECT_EQ(a.bTouchScreen, 1);
    EXPECT_EQ(a.bWinInk, 1);
    EXPECT_EQ(a.bWintab, 1);
    EXPECT_EQ(a.pressFactor, -2);
    EXPECT_EQ(a.rotateAngle, 180u);
    EXPECT_EQ(a.pressCtrlPt[2].y, 901);
    EXPECT_FLOAT_EQ(a.workarea.r, 0.9f);
    EXPECT_FLOAT_EQ(a.screenArea[7].l, 0.25f);
    EXPECT_EQ(a.bMek[0], 7);
    EXPECT_EQ(a.bMek[1], 7);
    EXPECT_EQ(a.fineModeLevel, 3);
    EXPECT_EQ(a.mouseModeA, 3);
    EXPECT_EQ(a.moveRollLevel, 3);
}

class UserConfigV1 : public StoreTest {};

} // namespace

TEST(UserConfigV1Conversion, MovesSwitchesIntoEveryUsedProfile) {
    auto v1 = sample_v1();
    std::unique_ptr<ZvUserConfig> c(new ZvUserConfig);
    memset(c.get(), 0x5C, sizeof *c);
    c->apps[2].pid[0] = '\0'; // a free slot stays as it was
    set_str(c->apps[4].pid, 260, "/usr/bin/gimp");

    UserConfigV1ToUserConfig(v1.get(), c.get());

    EXPECT_EQ(c->base.bLed, 1);
    EXPECT_EQ(c->base.levelLedLight, 2);
    EXPECT_EQ(c->base.levelSleep, 3);
    EXPECT_EQ(c->base.bCalibrated, 1);
    EXPECT_EQ(c->base.curScreenIndex, 2u);
    EXPECT_EQ(c->base.calibrateFactors[6], -123);
    EXPECT_EQ(c->base.clbPoint[15].y, 8);
    EXPECT_STREQ(c->base.sModel, "ZVM1060SLD");
    EXPECT_STREQ(c->base.app0.pid, "all");
    EXPECT_EQ(c->base.app0.heks[23].funcBit, th_u32(ZVEF_KBTN));
    EXPECT_EQ(c->base.app0.theks[0].funcBit, th_u32(ZVEF_SWITCH_DISPLAY));
    EXPECT_EQ(c->base.app0.seks[15].funcBit, th_u32(ZVEF_EXEC));
    EXPECT_EQ(c->base.app0.peks[3].funcBit, th_u32(ZVEF_MOUSE_MID));
    EXPECT_EQ(c->base.app0.meks[1].muxIndex, 2);
    expect_switches(c->base.app0, "app0");
    expect_switches(c->apps[4], "used application slot");
    EXPECT_STREQ(c->apps[4].pid, "/usr/bin/gimp") << "version-1 application profiles are dropped";

    // Untouched: app0.rmks, the free slots, and the unused slots' switches.
    EXPECT_EQ(uint8_t(c->base.app0.rmks[5].name[0]), 0x5C);
    EXPECT_EQ(c->apps[2].bMek[0], 0x5C);
    EXPECT_EQ(c->apps[2].fineModeLevel, 0x5C);
}

TEST_F(UserConfigV1, FileIsConvertedOnReadAndWrittenBackAsVersionTwo) {
    auto v1 = sample_v1();
    Bytes file = head_bytes(ZV_CFG_VER_1, 1, sizeof(ZvUserConfigV1));
    append(file, bytes_of(*v1));
    write_file("ZVM1060SLD.cfg", file);

    std::unique_ptr<ZvUserConfig> c(new ZvUserConfig());
    ASSERT_EQ(zvcs::read_a_user_config("ZVM1060SLD", c.get()), 0);
    expect_switches(c->base.app0, "read from the version-1 file");
    EXPECT_EQ(c->base.app0.heks[23].funcBit, th_u32(ZVEF_KBTN));

    ASSERT_EQ(zvcs::write_a_user_config("ZVM1060SLD", c.get()), 0);
    const Bytes now = read_file(res("ZVM1060SLD.cfg"));
    ASSERT_EQ(now.size(), 84u + 495132u);
    EXPECT_EQ(now[offsetof(ZvCfgFileHead, ver)], ZV_CFG_VER_2);
    std::unique_ptr<ZvUserConfig> again(new ZvUserConfig());
    ASSERT_EQ(zvcs::read_a_user_config("ZVM1060SLD", again.get()), 0);
    EXPECT_EQ(memcmp(again.get(), c.get(), sizeof *c), 0);
}
