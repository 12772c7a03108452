// Model strings cross between UTF-16LE in the description files and 8-bit text in memory.
#include "CfgNarrow.h"
#include "ZvStruct.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <vector>

namespace {

std::vector<char> wide(const std::string& s, size_t n) {
    std::vector<char> f(n, 0);
    for (size_t i = 0; i < s.size() && 2 * i + 1 < n; ++i)
        f[2 * i] = s[i];
    return f;
}

struct NarrowCase {
    const char* what;
    std::vector<char> field;
    std::string want;
};

} // namespace

TEST(Narrow, FieldCases) {
    std::vector<char> stopAtZeroUnit = wide("ABC", 24);
    stopAtZeroUnit[8] = 'X'; // a unit after the terminator must not leak into the text
    std::vector<char> highByte = wide("ZV", 24);
    highByte[1] = 0x01; // only the low byte of each unit counts
    const NarrowCase cases[] = {
        {"ten characters", wide("ZVM1060SLD", 24), "ZVM1060SLD"},
        {"twelve characters fill the field, no terminator", wide("ABCDEFGHIJKL", 24),
         "ABCDEFGHIJKL"},
        {"empty", std::vector<char>(24, 0), ""},
        {"stops at the first zero unit", stopAtZeroUnit, "ABC"},
        {"high byte ignored", highByte, "ZV"},
        {"36-byte full model", wide("ZVM1060SLD_231104", 36), "ZVM1060SLD_231104"},
    };
    for (const NarrowCase& c : cases) {
        std::vector<char> f = c.field;
        zvcs::str_utf16_to_utf8(f.data(), f.size());
        EXPECT_EQ(std::string(f.data(), strnlen(f.data(), f.size())), c.want) << c.what;
        for (size_t i = c.want.size(); i < f.size(); ++i)
            ASSERT_EQ(f[i], 0) << c.what << ": byte " << i << " not zero-padded";
    }
}

TEST(Narrow, RecordLengthChoosesTheFields) {
    ZvTabletCfg t{};
    memcpy(t.sModel, wide("ZVD1560RNG", 24).data(), 24);
    memcpy(t.sFullModel, wide("ZVD1560RNG_240122", 36).data(), 36);
    memcpy(t.sPenModel, wide("ZVP-P05T", 24).data(), 24);
    memcpy(t.sName, wide("Name", 128).data(), 128);
    zvcs::struct_utf16_to_utf8(&t, sizeof t);
    EXPECT_STREQ(t.sModel, "ZVD1560RNG");
    EXPECT_STREQ(t.sFullModel, "ZVD1560RNG_240122");
    EXPECT_STREQ(t.sPenModel, "ZVP-P05T");
    EXPECT_EQ(memcmp(t.sName, wide("Name", 128).data(), 128), 0) << "display name stays wide";

    // The version-1 tablet record has another length and is left alone.
    ZvTabletCfg v1{};
    memcpy(v1.sModel, wide("ZVD1560RNG", 24).data(), 24);
    const ZvTabletCfg before = v1;
    zvcs::struct_utf16_to_utf8(&v1, ZV_TABLET_CFG_V1_SIZE);
    EXPECT_EQ(memcmp(&v1, &before, sizeof v1), 0);

    ZvUserCfg u{};
    memcpy(u.sModel, wide("OEMFF_FFFF", 24).data(), 24);
    u.app0.pid[0] = 'p';
    zvcs::struct_utf16_to_utf8(&u, sizeof u);
    EXPECT_STREQ(u.sModel, "OEMFF_FFFF");
    EXPECT_EQ(u.app0.pid[0], 'p');
}

TEST(Narrow, WideningIsTheInverseAndRefusesWhatDoesNotFit) {
    ZvPenCfg p{};
    strcpy(p.sModel, "ABCDEFGHIJKL");
    strcpy(p.sName, "kept as it is");
    ASSERT_TRUE(zvcs::struct_utf8_to_utf16(&p, sizeof p));
    EXPECT_EQ(memcmp(p.sModel, wide("ABCDEFGHIJKL", 24).data(), 24), 0);
    EXPECT_STREQ(p.sName, "kept as it is");
    zvcs::struct_utf16_to_utf8(&p, sizeof p);
    EXPECT_STREQ(p.sModel, "ABCDEFGHIJKL");

    ZvLayoutPen l{};
    strcpy(l.sModel, "ABCDEFGHIJKLM"); // 13 characters need 26 bytes
    const ZvLayoutPen before = l;
    EXPECT_FALSE(zvcs::struct_utf8_to_utf16(&l, sizeof l));
    EXPECT_EQ(memcmp(&l, &before, sizeof l), 0);
}
