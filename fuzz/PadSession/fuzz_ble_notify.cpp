// A value of the report characteristic, as the report thread hands it to the transport: framed
// into the report the core reads, or dropped. The input is the whole value, in a heap block of
// exactly its size, so that ASan sees any read past it.
#include "ZvBleFraming.h"

#include <stddef.h>
#include <stdint.h>
#include <string.h>
#include <vector>

namespace {

// Checks an invariant; a violation is a finding like a crash.
void require(bool ok) {
    if (!ok)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<th_u8> value(data, data + size);
    const th_u8* v = value.empty() ? nullptr : value.data();
    th_u8 report[ZV_BLE_DELIVER_LEN + 1];
    memset(report, 0xA5, sizeof report);
    const bool framed = zv_ble_frame_report(v, size, report);
    require(framed == (size == ZV_BLE_NOTIFY_LEN));
    if (!framed) {
        for (th_u8 b : report)
            require(b == 0xA5); // a dropped value leaves the report alone
        return 0;
    }
    // What the core's onRead reads: its report id, the value from byte 2 on, then a zero.
    require(report[0] == ZV_BLE_REPORT_ID);
    require(memcmp(report + 1, v + 2, ZV_BLE_NOTIFY_LEN - 2) == 0);
    require(report[ZV_BLE_DELIVER_LEN] == 0);
    return 0;
}
