// The event word of an assignment: 32 two-bit slots, the phase of action bit b in bits 2b, 2b+1.
// The core marks the phase right before it carries out an assignment; stored values mean nothing.
//
// The word sits 4-aligned inside _ZvEkey, so a pointer to it may be misaligned for a 64-bit
// access: the pointer forms load and store through memcpy, and the ZvEkey& forms below spare
// callers from taking the member's address at all.
#pragma once

#include "ZvStruct.h"

#include <string.h>

namespace zv_detail {
inline th_u64 load_evt(const th_u64* p) {
    th_u64 v;
    memcpy(&v, p, sizeof v);
    return v;
}
inline void store_evt(th_u64* p, th_u64 v) { memcpy(p, &v, sizeof v); }

inline th_u64 with_event(th_u32 funcBit, th_u64 word, th_u32 ev) {
    const th_u64 slot = ev & 3u;
    for (unsigned b = 0; funcBit != 0; ++b, funcBit >>= 1) {
        if (funcBit & 1u)
            word |= slot << (2 * b);
    }
    return word;
}
} // namespace zv_detail

// For every set bit b of funcBit, ORs ev into slot b (nothing is cleared first).
inline void zv_set_ekey_event(th_u32 funcBit, th_u64* funcEvtBit, th_u32 ev) {
    zv_detail::store_evt(funcEvtBit,
                         zv_detail::with_event(funcBit, zv_detail::load_evt(funcEvtBit), ev));
}

inline void zv_clear_ekey_event(th_u64* funcEvtBit) { zv_detail::store_evt(funcEvtBit, 0); }

// Writes ev into all 32 slots.
inline void zv_set_ekey_same_event(th_u64* funcEvtBit, th_u32 ev) {
    zv_detail::store_evt(funcEvtBit, 0x5555555555555555ull * (ev & 3u));
}

// The phase of the highest set bit of func; 0 when func is 0.
inline th_u32 zv_get_ekey_event(th_u32 func, th_u64 funcEvtBit) {
    if (func == 0)
        return 0;
    const unsigned h = 31u - static_cast<unsigned>(__builtin_clz(func));
    return static_cast<th_u32>((funcEvtBit >> (2 * h)) & 3u);
}

// The same on an assignment's own word.
inline void zv_set_ekey_event(ZvEkey& ek, th_u32 funcBit, th_u32 ev) {
    ek.funcEvtBit = zv_detail::with_event(funcBit, ek.funcEvtBit, ev);
}
inline void zv_clear_ekey_event(ZvEkey& ek) { ek.funcEvtBit = 0; }
inline void zv_set_ekey_same_event(ZvEkey& ek, th_u32 ev) {
    ek.funcEvtBit = 0x5555555555555555ull * (ev & 3u);
}
// Clears the word and marks every action bit of the assignment with ev: what every handler does
// right before it hands an assignment to the key actions.
inline void zv_mark_ekey_event(ZvEkey& ek, th_u32 ev) {
    ek.funcEvtBit = zv_detail::with_event(ek.funcBit, 0, ev);
}
