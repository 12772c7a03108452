// Float-to-integer conversions of the curve, calibration and mapping arithmetic. They truncate
// toward zero like a C cast, but a NaN or an out-of-range value (a bad work area, a garbage
// pressure maximum, a corrupted calibration) saturates instead of being undefined behaviour.
#pragma once

#include "ZvType.h"

#include <stdint.h>

inline th_i32 zv_trunc_i32(double v) {
    if (!(v == v))
        return 0;
    if (v >= 2147483647.0)
        return INT32_MAX;
    if (v <= -2147483648.0)
        return INT32_MIN;
    return static_cast<th_i32>(v);
}

// Negative values give 0: a pressure is never below zero.
inline th_u32 zv_trunc_u32(double v) {
    if (!(v > 0.0))
        return 0;
    if (v >= 4294967295.0)
        return UINT32_MAX;
    return static_cast<th_u32>(v);
}
