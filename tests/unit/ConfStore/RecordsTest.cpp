// The records are copied byte for byte between files, messages and processes: these tests write
// a record's fields and read the raw bytes back at the stored offsets, and the other way round.
#include "ZvStruct.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

template <class T> std::vector<uint8_t> bytes_of(const T& rec) {
    std::vector<uint8_t> out(sizeof(T));
    std::memcpy(out.data(), &rec, sizeof(T));
    return out;
}

uint64_t le(const std::vector<uint8_t>& b, size_t off, size_t width) {
    uint64_t v = 0;
    for (size_t i = 0; i < width; ++i)
        v |= uint64_t(b.at(off + i)) << (8 * i);
    return v;
}

void put_le(std::vector<uint8_t>& b, size_t off, uint64_t v, size_t width) {
    for (size_t i = 0; i < width; ++i)
        b.at(off + i) = uint8_t(v >> (8 * i));
}

} // namespace

TEST(Records, TabletCfgFieldsLandAtTheirOffsets) {
    ZvTabletCfg t{};
    t.maxX = 0x11223344;
    t.maxY = 0x55667788;
    t.maxP = 0x1fff;
    t.lpi = 5080;
    t.rate = 1000;
    t.bMonitor = 1;
    t.levelNumLedLight = 0xAB;
    t.hekNum = 8;
    t.mekNum = 2;
    t.mekEkeyNum[1] = 13;
    t.mekMuxNum[0] = 4;
    t.mekFuncBit[0] = 2;
    t.mekFuncBit[1] = 32;
    t.hekCode[23] = 0xCAFE;
    t.mekCode[1] = 0xABCDEF;
    t.langBit = 0x1FFFF;
    t.grade = 2;
    t.reserve = 0x0102;
    std::strcpy(t.sPenModel, "PEN0000001");
    std::strcpy(t.sModel, "ZV1234ABCD");
    t.sName[0] = 'Z';
    t.sName[127] = 0x7f;

    auto b = bytes_of(t);
    EXPECT_EQ(le(b, 0, 4), 0x11223344u);
    EXPECT_EQ(le(b, 4, 4), 0x55667788u);
    EXPECT_EQ(le(b, 8, 2), 0x1fffu);
    EXPECT_EQ(le(b, 10, 2), 5080u);
    EXPECT_EQ(le(b, 12, 2), 1000u);
    EXPECT_EQ(b[15], 1);
    EXPECT_EQ(b[29], 0xAB);
    EXPECT_EQ(b[30], 8);
    EXPECT_EQ(b[33], 2);
    EXPECT_EQ(b[35], 13);
    EXPECT_EQ(b[36], 4);
    EXPECT_EQ(le(b, 38, 2), 0u) << "padding before mekFuncBit";
    EXPECT_EQ(le(b, 40, 4), 2u);
    EXPECT_EQ(le(b, 44, 4), 32u);
    EXPECT_EQ(le(b, 48 + 23 * 4, 4), 0xCAFEu);
    EXPECT_EQ(le(b, 148, 4), 0xABCDEFu);
    EXPECT_EQ(le(b, 152, 4), 0x1FFFFu);
    EXPECT_EQ(b[156], 2);
    EXPECT_EQ(le(b, 158, 2), 0x0102u);
    EXPECT_EQ(std::memcmp(&b[160], "PEN0000001", 11), 0);
    EXPECT_EQ(std::memcmp(&b[184], "ZV1234ABCD", 11), 0);
    EXPECT_EQ(b[244], 'Z');
    EXPECT_EQ(b[371], 0x7f);
}

TEST(Records, EkeyEventWordIsFourAligned) {
    ZvEkey ek{};
    ek.funcBit = ZVEF_KBTN | ZVEF_MOUSE_LEFT;
    ek.funcEvtBit = 0x0123456789ABCDEFull;
    ek.kbtn.bCtrl = 1;
    ek.kbtn.len = 2;
    ek.kbtn.kbKeys[1].code = 44;
    auto b = bytes_of(ek);
    EXPECT_EQ(le(b, 32, 4), uint64_t(ZVEF_KBTN | ZVEF_MOUSE_LEFT));
    EXPECT_EQ(le(b, 36, 8), 0x0123456789ABCDEFull);
    EXPECT_EQ(b[44], 1);              // bCtrl
    EXPECT_EQ(b[44 + 4], 2);          // len
    EXPECT_EQ(b[44 + 5 + 3 * 1], 44); // kbKeys[1].code
    // The parameter members overlay one another.
    ek.macMMKCode = 0xBEEF;
    b = bytes_of(ek);
    EXPECT_EQ(le(b, 44, 2), 0xBEEFu);
    EXPECT_EQ(ek.privateCmd, 0xEF);
}

TEST(Records, UserConfigReadFromRawBytes) {
    // A configuration as a file holds it, built byte by byte at the stored offsets.
    std::vector<uint8_t> raw(sizeof(ZvUserConfig), 0);
    put_le(raw, 4, 3, 4);                     // base.curScreenIndex
    put_le(raw, 8 + 6 * 4, uint32_t(-7), 4);  // base.calibrateFactors[6]
    std::memcpy(&raw[164], "OEMFF_FFFF", 10); // base.sModel
    const size_t app0 = 188;
    std::memcpy(&raw[app0], "/usr/bin/krita", 14);
    put_le(raw, app0 + 260 + 304 * 2 + 32, ZVEF_MOUSE_RIGHT, 4); // heks[2].funcBit
    raw[app0 + 20932 + 19460] = 2;                               // meks[1].muxIndex
    raw[app0 + 61681] = 1;                                       // bAbsoluteMode
    raw[app0 + 61686] = MKEY_TOUCH13_ENABLED;                    // bMek[1]
    put_le(raw, app0 + 61712, uint32_t(-2), 4);                  // pressFactor
    put_le(raw, app0 + 61716, 270, 4);                           // rotateAngle
    float half = 0.5f;
    uint32_t halfBits;
    std::memcpy(&halfBits, &half, 4);
    put_le(raw, app0 + 61736 + 16 * 7 + 8, halfBits, 4); // screenArea[7].r
    raw[app0 + 61865] = 5;                               // mouseModeA
    const size_t apps6 = 62056 + 6 * 61868;
    std::memcpy(&raw[apps6], "gimp", 4); // apps[6].pid
    raw[apps6 + 61866] = 9;              // apps[6].moveRollLevel

    auto cfg = std::make_unique<ZvUserConfig>();
    std::memcpy(cfg.get(), raw.data(), raw.size());
    EXPECT_EQ(cfg->base.curScreenIndex, 3u);
    EXPECT_EQ(cfg->base.calibrateFactors[6], -7);
    EXPECT_STREQ(cfg->base.sModel, ZV_GENERIC_MODEL);
    EXPECT_STREQ(cfg->base.app0.pid, "/usr/bin/krita");
    EXPECT_EQ(cfg->base.app0.heks[2].funcBit, uint32_t(ZVEF_MOUSE_RIGHT));
    EXPECT_EQ(cfg->base.app0.meks[1].muxIndex, 2);
    EXPECT_EQ(cfg->base.app0.bAbsoluteMode, 1);
    EXPECT_EQ(cfg->base.app0.bMek[1], MKEY_TOUCH13_ENABLED);
    EXPECT_EQ(cfg->base.app0.pressFactor, -2);
    EXPECT_EQ(cfg->base.app0.rotateAngle, 270u);
    EXPECT_FLOAT_EQ(cfg->base.app0.screenArea[7].r, 0.5f);
    EXPECT_EQ(cfg->base.app0.mouseModeA, 5);
    EXPECT_STREQ(cfg->apps[6].pid, "gimp");
    EXPECT_EQ(cfg->apps[6].moveRollLevel, 9);
}

TEST(Records, ProfilesFormOneArrayOfEight) {
    // The core numbers the profiles 0..7 over app0 and apps[0..6].
    auto cfg = std::make_unique<ZvUserConfig>();
    ZvAppUserCfg* profiles = &cfg->base.app0;
    EXPECT_EQ(&profiles[1], &cfg->apps[0]);
    EXPECT_EQ(&profiles[7], &cfg->apps[6]);
}

TEST(Records, VersionOneRecordsAtTheirOffsets) {
    std::vector<uint8_t> raw(sizeof(ZvUserConfigV1), 0);
    raw[11] = 7;                                     // bMek
    raw[16] = 1;                                     // bAbsoluteMode
    put_le(raw, 208, 90, 4);                         // rotateAngle
    std::memcpy(&raw[356], "ZV1234ABCD", 10);        // sModel
    put_le(raw, 380 + 19716 + 32, ZVEF_EXEC, 4);     // app0.peks[0].funcBit
    std::memcpy(&raw[60232 + 59852], "inkscape", 8); // apps[1].pid

    auto v1 = std::make_unique<ZvUserConfigV1>();
    std::memcpy(v1.get(), raw.data(), raw.size());
    EXPECT_EQ(v1->base.bMek, 7);
    EXPECT_EQ(v1->base.bAbsoluteMode, 1);
    EXPECT_EQ(v1->base.rotateAngle, 90u);
    EXPECT_STREQ(v1->base.sModel, "ZV1234ABCD");
    EXPECT_EQ(v1->base.app0.peks[0].funcBit, uint32_t(ZVEF_EXEC));
    EXPECT_STREQ(v1->apps[1].pid, "inkscape");
}

TEST(Records, FileHeaderAndLayouts) {
    ZvCfgFileHead h{};
    h.size = 5;
    h.len = sizeof(ZvTabletCfg);
    h.ver = ZV_CFG_VER_2;
    auto b = bytes_of(h);
    EXPECT_EQ(le(b, 72, 4), 5u);
    EXPECT_EQ(le(b, 76, 4), 372u);
    EXPECT_EQ(b[80], 2);

    ZvLayoutTablet lt{};
    lt.meks[1].center = {640, 480};
    lt.mekVals[1].align = 3;
    lt.sekVals[15].rectColor = 0xFF00FF00;
    auto lb = bytes_of(lt);
    EXPECT_EQ(le(lb, 3104 + 40 + 32, 4), 640u);
    EXPECT_EQ(le(lb, 3184 + 300 + 296, 1), 3u);
    EXPECT_EQ(le(lb, 2144 + 15 * 60 + 52, 4), 0xFF00FF00u);

    ZvPenData pd{};
    pd.ax = -60;
    pd.cursor = 1;
    auto pb = bytes_of(pd);
    EXPECT_EQ(int8_t(pb[24]), -60);
    EXPECT_EQ(pb[27], 1);
}
