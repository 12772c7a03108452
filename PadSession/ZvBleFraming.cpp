#include "ZvBleFraming.h"

#include <algorithm>
#include <string.h>

void zv_ble_make_request(th_u8 index, th_u8* buf) {
    memset(buf, 0, ZV_BLE_CMD_LEN);
    buf[0] = ZV_BLE_CMD_MARK;
    buf[1] = index;
}

bool zv_ble_frame_report(const th_u8* data, size_t len, th_u8 (&out)[ZV_BLE_DELIVER_LEN + 1]) {
    if (data == nullptr || len != ZV_BLE_NOTIFY_LEN)
        return false;
    out[0] = ZV_BLE_REPORT_ID;
    memcpy(out + 1, data + 2, ZV_BLE_NOTIFY_LEN - 2);
    out[ZV_BLE_DELIVER_LEN] = 0;
    return true;
}

bool zv_ble_take_answer(th_u8 index, const th_u8* data, size_t len, th_u8* buf, size_t bufLen) {
    if (data == nullptr || len < 2 || data[1] != index)
        return false;
    const size_t n = len - 2 < bufLen ? len - 2 : bufLen;
    // Nothing to copy or clear may come with no buffer at all.
    if (n > 0)
        memcpy(buf, data + 2, n);
    if (bufLen > n)
        memset(buf + n, 0, bufLen - n);
    return true;
}

void zv_ble_widen_model(th_u8* buf, size_t bufLen) {
    // Not even room for the terminator.
    if (bufLen < 2)
        return;
    const size_t len = strnlen(reinterpret_cast<const char*>(buf), bufLen);
    if (len >= ZV_BLE_WIDEN_LIMIT)
        return;
    size_t n = std::min<size_t>(len, ZV_BLE_WIDEN_MAX);
    // Room for 2n bytes and a two-byte terminator.
    if (2 * n + 2 > bufLen)
        n = (bufLen - 2) / 2;
    buf[2 * n] = 0;
    buf[2 * n + 1] = 0;
    for (size_t i = n; i-- > 0;) {
        buf[2 * i] = buf[i];
        buf[2 * i + 1] = 0;
    }
}
