#include "ZvEkeyEvent.h"
#include "ZvStruct.h"

#include <gtest/gtest.h>

TEST(EkeyEvent, SetMarksEverySetBit) {
    uint64_t w = 0;
    zv_set_ekey_event(5, &w, ZVEK_DOWN); // bits 0 and 2
    EXPECT_EQ(w, 0x22u);
    EXPECT_EQ(zv_get_ekey_event(4, w), uint32_t(ZVEK_DOWN));
    EXPECT_EQ(zv_get_ekey_event(1, w), uint32_t(ZVEK_DOWN));
    EXPECT_EQ(zv_get_ekey_event(2, w), uint32_t(ZVEK_NONE));
    EXPECT_EQ(zv_get_ekey_event(0, w), 0u);
}

TEST(EkeyEvent, SetOrsWithoutClearing) {
    uint64_t w = 0;
    zv_set_ekey_event(ZVEF_KBTN, &w, ZVEK_UP);
    zv_set_ekey_event(ZVEF_KBTN, &w, ZVEK_DOWN);
    EXPECT_EQ(zv_get_ekey_event(ZVEF_KBTN, w), uint32_t(ZVEK_CLICK));
    zv_set_ekey_event(0, &w, ZVEK_CLICK);
    EXPECT_EQ(w, uint64_t(ZVEK_CLICK) << 4) << "funcBit 0 changes nothing";
}

TEST(EkeyEvent, HighestBitsUseTheTopSlots) {
    uint64_t w = 0;
    zv_set_ekey_event(0x80000000u | ZVEF_SWITCH_ABSOLUTEMODE, &w, ZVEK_CLICK);
    EXPECT_EQ(w, 0xF000000000000000ull);
    EXPECT_EQ(zv_get_ekey_event(ZVEF_SWITCH_ABSOLUTEMODE, w), uint32_t(ZVEK_CLICK));
}

TEST(EkeyEvent, GetReadsTheHighestSetBit) {
    uint64_t w = 0;
    zv_set_ekey_event(0x10, &w, ZVEK_UP);   // bit 4
    zv_set_ekey_event(0x20, &w, ZVEK_DOWN); // bit 5
    EXPECT_EQ(zv_get_ekey_event(0x30, w), uint32_t(ZVEK_DOWN));
    EXPECT_EQ(zv_get_ekey_event(0x10, w), uint32_t(ZVEK_UP));
}

TEST(EkeyEvent, SameAndClear) {
    uint64_t w = 0;
    zv_set_ekey_same_event(&w, ZVEK_UP);
    for (uint32_t b = 0; b < 32; ++b)
        EXPECT_EQ(zv_get_ekey_event(1u << b, w), uint32_t(ZVEK_UP)) << b;
    zv_set_ekey_same_event(&w, ZVEK_CLICK);
    EXPECT_EQ(w, ~0ull);
    zv_clear_ekey_event(&w);
    EXPECT_EQ(w, 0u);
}

TEST(EkeyEvent, WordInsideAnAssignment) {
    // The word is only 4-aligned in the record; these forms must not need more.
    ZvEkey eks[2]{};
    ZvEkey& ek = eks[1];
    ek.funcBit = ZVEF_KBTN | ZVEF_MOUSE_RIGHT;
    ek.funcEvtBit = ~0ull;
    zv_mark_ekey_event(ek, ZVEK_DOWN);
    EXPECT_EQ(zv_get_ekey_event(ZVEF_KBTN, ek.funcEvtBit), uint32_t(ZVEK_DOWN));
    EXPECT_EQ(zv_get_ekey_event(ZVEF_MOUSE_RIGHT, ek.funcEvtBit), uint32_t(ZVEK_DOWN));
    EXPECT_EQ(zv_get_ekey_event(ZVEF_EXEC, ek.funcEvtBit), uint32_t(ZVEK_NONE));
    zv_set_ekey_event(ek, ZVEF_EXEC, ZVEK_UP);
    EXPECT_EQ(zv_get_ekey_event(ZVEF_EXEC, ek.funcEvtBit), uint32_t(ZVEK_UP));
    // Copied out first: gtest binds references, which the 4-aligned word cannot take.
    zv_set_ekey_same_event(ek, ZVEK_CLICK);
    uint64_t w = ek.funcEvtBit;
    EXPECT_EQ(w, ~0ull);
    zv_clear_ekey_event(ek);
    w = ek.funcEvtBit;
    EXPECT_EQ(w, 0u);
}
