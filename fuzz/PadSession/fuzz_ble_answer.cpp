// A value of the command characteristic while a request waits, taken as getStringDesc takes it:
// byte 0 is the command asked for, byte 1 the size of the caller's buffer, the rest the value.
// The caller's buffer and the value each live in a heap block of exactly their size, so that
// ASan sees any access past either.
#include "ZvBleFraming.h"

#include <stddef.h>
#include <stdint.h>
#include <string.h>
#include <vector>

namespace {

void require(bool ok) {
    if (!ok)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const th_u8 cmd = data[0];
    const size_t bufLen = data[1];
    const std::vector<th_u8> value(data + 2, data + size);
    const th_u8* v = value.empty() ? nullptr : value.data();
    const size_t len = value.size();

    std::vector<th_u8> buf(bufLen, 0xEE);
    // The request goes out of the caller's buffer first (the library's callers pass at least
    // 128 bytes; the request is 8).
    if (bufLen >= ZV_BLE_CMD_LEN) {
        zv_ble_make_request(cmd, buf.data());
        require(buf[0] == ZV_BLE_CMD_MARK && buf[1] == cmd);
    }
    const std::vector<th_u8> before = buf;
    const bool taken = zv_ble_take_answer(cmd, v, len, buf.data(), bufLen);
    require(taken == (len >= 2 && v[1] == cmd));
    if (!taken) {
        require(buf == before); // an answer to another command leaves the buffer alone
        return 0;
    }
    const size_t n = len - 2 < bufLen ? len - 2 : bufLen;
    require(n == 0 || memcmp(buf.data(), v + 2, n) == 0);
    for (size_t i = n; i < bufLen; ++i)
        require(buf[i] == 0);
    if (cmd != 201)
        return 0;
    // The model name, widened in place to UTF-16LE for the core.
    const std::vector<th_u8> text = buf;
    zv_ble_widen_model(buf.data(), bufLen);
    const size_t textLen =
        bufLen > 0 ? strnlen(reinterpret_cast<const char*>(text.data()), bufLen) : 0;
    if (textLen >= ZV_BLE_WIDEN_LIMIT || bufLen < 2) {
        require(buf == text);
        return 0;
    }
    // Read back as the core reads it: UTF-16LE up to a zero unit. Every unit is a character of
    // the text, in order, and the terminator lies inside the buffer.
    size_t units = 0;
    while (2 * units + 1 < bufLen && (buf[2 * units] != 0 || buf[2 * units + 1] != 0)) {
        require(buf[2 * units + 1] == 0 && buf[2 * units] == text[units]);
        ++units;
    }
    require(2 * units + 1 < bufLen);
    // A name that fits is widened whole.
    if (textLen <= ZV_BLE_WIDEN_MAX && 2 * textLen + 2 <= bufLen)
        require(units == textLen);
    return 0;
}
