// Text forms of addresses and UUIDs, and characteristic flags: pure functions.
#pragma once

#include <stddef.h>
#include <stdint.h>

// "aa:bb:cc:dd:ee:ff" (either case) into mac[5] .. mac[0]; true only when all six parse. mac is
// written only on success.
bool blz_mac_parse(const char* text, uint8_t mac[6]);
// Lower-case text from mac[5] down to mac[0]; out holds at least 18 bytes.
void blz_mac_print(const uint8_t mac[6], char* out, size_t outSize);
// "<adapter path>/dev_AA_BB_CC_DD_EE_FF"; false when the text is no address or out is too small.
bool blz_device_path(const char* adapterPath, const char* macText, char* out, size_t outSize);
// 128-bit UUID text into 16 bytes, reversed (byte 0 is the last pair of the text).
bool blz_uuid_parse(const char* text, uint8_t uuid[16]);
void blz_uuid_print(const uint8_t uuid[16], char* out, size_t outSize);
// "0000xxxx-0000-1000-8000-00805f9b34fb".
void blz_uuid16_print(uint16_t uuid16, char* out, size_t outSize);
// UUID texts compare equal ignoring case.
bool blz_uuid_equal(const char* a, const char* b);
// BLZ_CHAR_* bit of one BlueZ flag string, 0 for strings this client does not use.
uint32_t blz_char_flag(const char* name);
// "unknown", "public", "random", "-invalid-".
const char* blz_addr_type_name(int atype);
