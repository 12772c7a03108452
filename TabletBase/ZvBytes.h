// Bounded little-endian reads from device buffers. A report or command answer may arrive short,
// long or as garbage, so every read names the buffer length and a byte past it reads as zero:
// nothing here ever touches memory beyond what the caller handed over.
#pragma once

#include "ZvType.h"

#include <stddef.h>

inline th_u8 zv_byte_at(const th_u8* buf, size_t len, size_t off) {
    return (buf != nullptr && off < len) ? buf[off] : th_u8(0);
}

inline th_u16 zv_le16_at(const th_u8* buf, size_t len, size_t off) {
    return th_u16(zv_byte_at(buf, len, off) | zv_byte_at(buf, len, off + 1) << 8);
}

inline th_u32 zv_le24_at(const th_u8* buf, size_t len, size_t off) {
    return th_u32(zv_byte_at(buf, len, off)) | th_u32(zv_byte_at(buf, len, off + 1)) << 8 |
           th_u32(zv_byte_at(buf, len, off + 2)) << 16;
}

inline th_u32 zv_le32_at(const th_u8* buf, size_t len, size_t off) {
    return zv_le24_at(buf, len, off) | th_u32(zv_byte_at(buf, len, off + 3)) << 24;
}
