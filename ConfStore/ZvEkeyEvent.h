// The event word of an assignment: 32 two-bit slots, the phase of action bit b in bits 2b, 2b+1.
// The core marks the phase right before it carries out an assignment; stored values mean nothing.
#pragma once

#include "ZvType.h"

// For every set bit b of funcBit, ORs ev into slot b (nothing is cleared first).
inline void zv_set_ekey_event(th_u32 funcBit, th_u64* funcEvtBit, th_u32 ev) {
    const th_u64 slot = ev & 3u;
    for (unsigned b = 0; funcBit != 0; ++b, funcBit >>= 1) {
        if (funcBit & 1u)
            *funcEvtBit |= slot << (2 * b);
    }
}

inline void zv_clear_ekey_event(th_u64* funcEvtBit) {
    *funcEvtBit = 0;
}

// Writes ev into all 32 slots.
inline void zv_set_ekey_same_event(th_u64* funcEvtBit, th_u32 ev) {
    *funcEvtBit = 0x5555555555555555ull * (ev & 3u);
}

// The phase of the highest set bit of func; 0 when func is 0.
inline th_u32 zv_get_ekey_event(th_u32 func, th_u64 funcEvtBit) {
    if (func == 0)
        return 0;
    const unsigned h = 31u - static_cast<unsigned>(__builtin_clz(func));
    return static_cast<th_u32>((funcEvtBit >> (2 * h)) & 3u);
}
