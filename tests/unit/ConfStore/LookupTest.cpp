// Single-record lookups in the description files: found, not found, no file, and files that are
// short, empty, damaged or of the first version.
#include "StoreFixture.h"

using namespace cstest;

namespace {

ZvTabletCfg tablet(const char* model, uint32_t maxX) {
    ZvTabletCfg t{};
    t.maxX = maxX;
    t.hekNum = 4;
    set_str(t.sModel, sizeof t.sModel, model);
    set_str(t.sFullModel, sizeof t.sFullModel, (std::string(model) + "_240101").c_str());
    set_str(t.sPenModel, sizeof t.sPenModel, "ZVP-P02");
    t.sName[0] = 'N'; // UTF-16LE "N"
    return t;
}

Bytes tablet_file(const std::vector<ZvTabletCfg>& recs) {
    Bytes b = head_bytes(ZV_CFG_VER_2, uint32_t(recs.size()), sizeof(ZvTabletCfg));
    for (const ZvTabletCfg& t : recs)
        append(b, stored(t));
    return b;
}

class Lookup : public StoreTest {};

} // namespace

TEST_F(Lookup, EveryDescriptionFileRoundTripsThroughTheListWriter) {
    std::vector<ZvTabletCfg> tablets = {tablet("ZVM0640EKB", 1), tablet("ZVM1060SLD", 2)};
    std::vector<ZvPenCfg> pens(2);
    set_str(pens[0].sModel, 24, "ZVP-P02");
    set_str(pens[1].sModel, 24, "ZVP-P05T");
    pens[1].btnNum = 2;
    std::vector<ZvLayoutTablet> layouts(2);
    set_str(layouts[0].sModel, 24, "ZVM0640EKB");
    set_str(layouts[1].sModel, 24, "ZVM1060SLD");
    layouts[1].penArea = {1, 2, 3, 4};
    std::vector<ZvLayoutPen> penLayouts(1);
    set_str(penLayouts[0].sModel, 24, "ZVP-P05T");
    penLayouts[0].size = {120, 600};

    // The files hold the model strings wide; the lookups hand them out narrow.
    auto widen = [](auto recs) {
        for (auto& r : recs)
            EXPECT_TRUE(zvcs::struct_utf8_to_utf16(&r, sizeof r));
        return recs;
    };
    ASSERT_EQ(zvcs::write_list(zvcs::CfgKind::Tablet, widen(tablets).data(), 2), 0);
    ASSERT_EQ(zvcs::write_list(zvcs::CfgKind::Pen, widen(pens).data(), 2), 0);
    ASSERT_EQ(zvcs::write_list(zvcs::CfgKind::TabletLayout, widen(layouts).data(), 2), 0);
    ASSERT_EQ(zvcs::write_list(zvcs::CfgKind::PenLayout, widen(penLayouts).data(), 1), 0);
    EXPECT_EQ(read_file(res("pen.cfg")).size(), 84u + 2 * sizeof(ZvPenCfg));

    ZvTabletCfg t;
    ASSERT_EQ(zvcs::read_a_config(zvcs::CfgKind::Tablet, "ZVM1060SLD", &t), 0);
    EXPECT_EQ(memcmp(&t, &tablets[1], sizeof t), 0);
    ZvPenCfg p;
    ASSERT_EQ(zvcs::read_a_config(zvcs::CfgKind::Pen, "ZVP-P05T", &p), 0);
    EXPECT_EQ(memcmp(&p, &pens[1], sizeof p), 0);
    ZvLayoutTablet l;
    ASSERT_EQ(zvcs::read_a_config(zvcs::CfgKind::TabletLayout, "ZVM1060SLD", &l), 0);
    EXPECT_EQ(memcmp(&l, &layouts[1], sizeof l), 0);
    ZvLayoutPen lp;
    ASSERT_EQ(zvcs::read_a_config(zvcs::CfgKind::PenLayout, "ZVP-P05T", &lp), 0);
    EXPECT_EQ(memcmp(&lp, &penLayouts[0], sizeof lp), 0);
    EXPECT_TRUE(logged("read_a_config(ZvLayoutPen,) read ZVP-P05T success"));
}

TEST_F(Lookup, NotFoundZeroesTheRecordAndNoFileLeavesIt) {
    write_file("tablet.cfg", tablet_file({tablet("ZVM0640EKB", 1), tablet("ZVM1060SLD", 2)}));
    ZvTabletCfg t;
    memset(&t, 0xAB, sizeof t);
    EXPECT_EQ(zvcs::read_a_config(zvcs::CfgKind::Tablet, "ZVM9999XXX", &t), -1);
    EXPECT_TRUE(all_of(bytes_of(t).begin(), bytes_of(t).end(), [](uint8_t b) { return b == 0; }));

    // The comparison is exact and case-sensitive: a prefix or another case is another model.
    for (const char* other : {"ZVM0640EK", "zvm0640ekb", "ZVM0640EKB ", ""})
        EXPECT_EQ(zvcs::read_a_config(zvcs::CfgKind::Tablet, other, &t), -1) << other;

    ZvPenCfg p;
    memset(&p, 0xAB, sizeof p);
    EXPECT_EQ(zvcs::read_a_config(zvcs::CfgKind::Pen, "ZVP-P02", &p), -17);
    EXPECT_EQ(p.btnNum, 0xAB);
    EXPECT_TRUE(logged("read_a_config(ZvPenCfg,) open file faild : " + res("pen.cfg")));
}

TEST_F(Lookup, DamagedFilesAreReadOnlyAsFarAsTheyAreWhole) {
    const ZvTabletCfg a = tablet("ZVM0640EKB", 1);
    const ZvTabletCfg b = tablet("ZVM1060SLD", 2);
    const Bytes whole = tablet_file({a, b});
    struct Case {
        const char* what;
        Bytes file;
        th_i32 want;
        bool untouched; // the caller's record is as it was
    };
    const Case cases[] = {
        {"empty file", {}, -1, true},
        {"half a header", Bytes(whole.begin(), whole.begin() + 40), -1, true},
        {"header only", Bytes(whole.begin(), whole.begin() + 84), -1, true},
        {"second record torn", Bytes(whole.begin(), whole.end() - 1), -1, false},
        {"garbage after the records",
         [&] {
             Bytes g = whole;
             append(g, Bytes(371, 0xFF));
             return g;
         }(),
         0, false},
        {"all 0xFF", Bytes(84 + 3 * 372, 0xFF), -1, false},
    };
    for (const Case& c : cases) {
        write_file("tablet.cfg", c.file);
        ZvTabletCfg t;
        memset(&t, 0x5A, sizeof t);
        EXPECT_EQ(zvcs::read_a_config(zvcs::CfgKind::Tablet, "ZVM1060SLD", &t), c.want) << c.what;
        if (c.untouched) {
            EXPECT_EQ(t.maxX, 0x5A5A5A5Au) << c.what;
        } else if (c.want == -1) {
            EXPECT_EQ(t.maxX, 0u) << c.what << ": a torn record must not reach the caller";
        } else {
            EXPECT_EQ(memcmp(&t, &b, sizeof t), 0) << c.what;
        }
    }
}

TEST_F(Lookup, VersionOneTabletFileHoldsShortNarrowRecords) {
    ZvTabletCfg a = tablet("ZVM0640EKB", 11);
    ZvTabletCfg b = tablet("ZVM1060SLD", 22);
    Bytes file = head_bytes(ZV_CFG_VER_1, 2, ZV_TABLET_CFG_V1_SIZE);
    for (const ZvTabletCfg* t : {&a, &b}) {
        const Bytes rec = bytes_of(*t); // strings 8-bit, as version-1 files stored them
        file.insert(file.end(), rec.begin(), rec.begin() + ZV_TABLET_CFG_V1_SIZE);
    }
    write_file("tablet.cfg", file);
    ZvTabletCfg t;
    memset(&t, 0x77, sizeof t);
    ASSERT_EQ(zvcs::read_a_config(zvcs::CfgKind::Tablet, "ZVM1060SLD", &t), 0);
    EXPECT_EQ(t.maxX, 22u);
    EXPECT_STREQ(t.sFullModel, "ZVM1060SLD_240101");
    EXPECT_EQ(t.sName[0], 0x77) << "sName is not in a version-1 record";
    EXPECT_EQ(t.sName[127], 0x77);
}

TEST_F(Lookup, TwelveCharacterModelWithoutTerminatorIsFound) {
    ZvPenCfg p{};
    set_str(p.sModel, 24, "ABCDEFGHIJKL");
    p.btnNum = 3;
    Bytes file = head_bytes(ZV_CFG_VER_2, 1, sizeof p);
    append(file, stored(p));
    ASSERT_EQ(file[84 + offsetof(ZvPenCfg, sModel) + 22], 'L');
    write_file("pen.cfg", file);
    ZvPenCfg out;
    ASSERT_EQ(zvcs::read_a_config(zvcs::CfgKind::Pen, "ABCDEFGHIJKL", &out), 0);
    EXPECT_EQ(out.btnNum, 3);
}

TEST_F(Lookup, ListReadCountsReadsAndStopsAtTornRecords) {
    const Bytes whole =
        tablet_file({tablet("A000000001", 1), tablet("A000000002", 2), tablet("A000000003", 3)});
    write_file("tablet.cfg", Bytes(whole.begin(), whole.end() - 10));
    EXPECT_EQ(zvcs::read_list(zvcs::CfgKind::Tablet, nullptr, 0), 2) << "the torn third";
    ZvTabletCfg t[3];
    memset(t, 0x33, sizeof t);
    EXPECT_EQ(zvcs::read_list(zvcs::CfgKind::Tablet, t, 0), 0);
    EXPECT_EQ(t[0].maxX, 0x33333333u);
    EXPECT_EQ(zvcs::read_list(zvcs::CfgKind::Tablet, t, 1), 1);
    EXPECT_EQ(t[1].maxX, 0x33333333u) << "nothing past the requested size";
    EXPECT_EQ(zvcs::read_list(zvcs::CfgKind::Tablet, t, 3), 2);
    EXPECT_EQ(t[1].maxX, 2u);
    EXPECT_EQ(t[2].maxX, 0x33333333u) << "the torn record is not copied";
    // Records are handed out as stored, strings still wide.
    EXPECT_EQ(t[1].sModel[1], 0);
    EXPECT_EQ(zvcs::read_list(zvcs::CfgKind::Pen, nullptr, 0), -17);
}
