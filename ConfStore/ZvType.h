// Fixed-width scalar names of every record that crosses a file or process boundary.
// All multi-byte values in those records are little-endian (x86-64).
#pragma once

#include <stdint.h>

typedef uint8_t th_u8;
typedef int8_t th_i8;
typedef char th_char;
typedef uint16_t th_u16;
typedef int16_t th_i16;
typedef uint32_t th_u32;
typedef int32_t th_i32;
typedef uint64_t th_u64;
typedef int64_t th_i64;
typedef float th_f32;
typedef double th_f64;
// Character pointers; never members of a stored record.
typedef char* th_str;
typedef const char* th_cstr;

static_assert(sizeof(th_f32) == 4 && sizeof(th_f64) == 8, "IEEE-754 single and double expected");
