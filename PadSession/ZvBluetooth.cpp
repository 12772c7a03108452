#include "ZvBluetooth.h"

#include "ZvLog.h"

bool ZvBluetooth::open(th_u32* tsfafBits) {
    *tsfafBits = 0;
    zv_log_out(ZV_LL_INFO, "Bluetooth LE transport not available");
    return false;
}

th_i16 ZvBluetooth::read(th_u8* buf) {
    (void)buf;
    return ZV_ER_BLE_GONE;
}

th_i16 ZvBluetooth::startRead(th_u8 stat) {
    (void)stat;
    return 0;
}

th_i16 ZvBluetooth::getStringDesc(th_u16 index, th_u8* buf, th_u32 bufLen) {
    (void)index;
    (void)buf;
    (void)bufLen;
    return ZV_ER_FAIL;
}

bool ZvBluetooth::_check_zerva_blz_device_setup(char* path) {
    (void)path;
    return false;
}
