// Model strings in the description files and in user.cfg are stored as UTF-16LE; in memory and in
// the per-model files they are 8-bit text. Only code units below 256 are ever stored in them.
#pragma once

#include "ZvType.h"

#include <stddef.h>

namespace zvcs {

// Narrows a UTF-16LE field of n bytes (n <= 256) in place: the low byte of each unit up to the
// first zero unit, then zeros to the end of the field.
void str_utf16_to_utf8(th_char* field, size_t n);

// Narrows the model strings of a record chosen by its length: 90 pen, 96 and 3,784 layouts,
// 372 tablet (sModel, sFullModel, sPenModel), 62,056 user template (sModel). Any other length,
// among them the 244-byte version-1 tablet record, is left alone.
void struct_utf16_to_utf8(void* rec, size_t len);

// The inverse, for writing the description files: widens the 8-bit text of a field in place.
// False (field untouched) when the text does not fit as UTF-16LE in n bytes.
bool str_utf8_to_utf16(th_char* field, size_t n);

// Widens the same fields struct_utf16_to_utf8 narrows. False when one of them does not fit; the
// record may then be partly widened.
bool struct_utf8_to_utf16(void* rec, size_t len);

} // namespace zvcs
