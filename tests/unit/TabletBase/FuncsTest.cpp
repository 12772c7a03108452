// The text converters and the pressure entry point.
#include "Funcs.h"
#include "PressCurve.h"

#include <gtest/gtest.h>

#include <locale.h>
#include <memory>
#include <string.h>
#include <string>
#include <vector>
#include <wchar.h>

namespace {

std::string utf8_of(th_u32 unic) {
    char out[3] = {'?', '?', '?'};
    return std::string(out, size_t(char_unicode_to_utf8(unic, out, sizeof out)));
}

} // namespace

TEST(Funcs, CodePointLengthsAtEveryBoundary) {
    const struct {
        th_u32 unic;
        std::string utf8;
    } cases[] = {{0x00, std::string(1, '\0')},
                 {0x7F, "\x7f"},
                 {0x80, "\xc2\x80"},
                 {0x7FF, "\xdf\xbf"},
                 {0x800, "\xe0\xa0\x80"},
                 {0xD800, "\xed\xa0\x80"}, // a lone surrogate is encoded as it comes
                 {0xFFFF, "\xef\xbf\xbf"},
                 {0x10000, ""},
                 {0xFFFFFFFF, ""}};
    for (const auto& c : cases)
        EXPECT_EQ(utf8_of(c.unic), c.utf8) << std::hex << c.unic;
#ifdef NDEBUG
    char two[2];
    EXPECT_EQ(char_unicode_to_utf8('A', two, sizeof two), 0);
    EXPECT_EQ(char_unicode_to_utf8('A', nullptr, 3), 0);
#else
    char two[2];
    EXPECT_DEATH(char_unicode_to_utf8('A', two, sizeof two), "outSize >= 3");
    EXPECT_DEATH(char_unicode_to_utf8('A', nullptr, 3), "pOutput != NULL");
#endif
}

TEST(Funcs, EveryBmpCodePointAgreesWithTheCLibrary) {
    locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    if (utf8 == nullptr)
        GTEST_SKIP() << "no C.UTF-8 locale here";
    const locale_t old = uselocale(utf8);
    for (th_u32 unic = 1; unic <= 0xFFFF; ++unic) {
        if (unic >= 0xD800 && unic <= 0xDFFF)
            continue; // the C library refuses surrogates
        const std::string s = utf8_of(unic);
        mbstate_t st{};
        wchar_t wc = 0;
        if (mbrtowc(&wc, s.data(), s.size(), &st) != s.size() || th_u32(wc) != unic) {
            ADD_FAILURE() << std::hex << unic;
            break;
        }
    }
    uselocale(old);
    freelocale(utf8);
}

TEST(Funcs, Utf16ConvertsUnitByUnitAndNeverWritesPastDstSize) {
    // A zero unit is a zero byte and the conversion goes on behind it; surrogates stay apart.
    const th_u16 src[] = {'Z', 0, 0xE9, 0x4E2D, 0xD83D, 0xDE00};
    const std::string all("Z\0\xc3\xa9\xe4\xb8\xad\xed\xa0\xbd\xed\xb8\x80", 13);
    const int need = int(all.size());
    EXPECT_EQ(zvs_utf16_to_utf8(src, 6, nullptr, 0), need);
    for (size_t dstSize = 0; dstSize <= all.size() + 2; ++dstSize) {
        // A block of exactly dstSize bytes: a write past it trips ASan.
        std::vector<char> dst(dstSize, '#');
        const int rc = zvs_utf16_to_utf8(src, 6, dstSize ? dst.data() : nullptr, dstSize);
        if (dstSize == 0) {
            EXPECT_EQ(rc, need) << "counting only";
        } else if (dstSize < all.size()) {
            EXPECT_EQ(rc, -1) << dstSize;
            EXPECT_EQ(std::string(dst.begin(), dst.end()), std::string(dstSize, '#'))
                << "a text that does not fit leaves dst as it was";
        } else {
            EXPECT_EQ(rc, need);
            EXPECT_EQ(std::string(dst.begin(), dst.begin() + need), all);
            EXPECT_EQ(std::string(dst.begin() + need, dst.end()),
                      std::string(dstSize - all.size(), '#'))
                << "no terminator";
        }
    }
    EXPECT_EQ(zvs_utf16_to_utf8(nullptr, 3, nullptr, 0), -1);
}

TEST(Funcs, PressureEntryPoint) {
    auto uc = std::make_unique<ZvAppUserCfg>();
    memset(uc.get(), 0, sizeof *uc);
    uc->pressCtrlPt[1] = ZvPoint{898, 2113};
    uc->pressCtrlPt[2] = ZvPoint{1928, 6235};
    const struct {
        th_i32 factor;
        th_u8 grade;
        th_u16 maxP;
        th_u32 psVal, out;
    } cases[] = {
        {1, 0, 8191, 0, 0},       {-4, 1, 8191, 0, 0},       {1, 2, 8191, 0, 0},
        {0, 0, 8191, 4096, 4096}, {0, 2, 8191, 8000, 8000},  // no curve chosen
        {1, 3, 8191, 4096, 4096}, {2, 255, 2047, 77, 77},    // unknown grades
        {1, 0, 0, 4096, 4096},    {-1, 1, 0, 5, 5},          // no pressure range
        {7, 0, 8191, 4096, 4096}, {-5, 1, 8191, 4096, 4096}, // factors outside the tables
        {1, 0, 8191, 4096, 2048},                            // power 2
    };
    for (const auto& c : cases) {
        ZvTabletCfg tc;
        memset(&tc, 0, sizeof tc);
        tc.grade = c.grade;
        tc.maxP = c.maxP;
        uc->pressFactor = c.factor;
        EXPECT_EQ(zv_calibrate_press(*uc, tc, c.psVal), c.out)
            << "factor " << c.factor << " grade " << int(c.grade) << " ps " << c.psVal;
    }
    // Each grade reaches its own family.
    ZvTabletCfg tc;
    memset(&tc, 0, sizeof tc);
    tc.maxP = 8191;
    uc->pressFactor = 1;
    for (th_u8 grade : {0, 1, 2}) {
        tc.grade = grade;
        const th_u32 expect = grade == 0   ? calibrate_press_low(*uc, 1000, 8191)
                              : grade == 1 ? calibrate_press_mid(*uc, 1000, 8191)
                                           : calibrate_press_high(*uc, 1000, 8191);
        EXPECT_EQ(zv_calibrate_press(*uc, tc, 1000), expect) << int(grade);
    }
}
