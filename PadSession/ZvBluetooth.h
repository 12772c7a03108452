// The Bluetooth LE transport of the build with Bluetooth. The GATT client is not part of the
// library yet: until it is, opening over Bluetooth fails cleanly and the probe finds nothing.
#pragma once

#include "ZvProtocol.h"

class ZvBluetooth : public ZvProtocol {
public:
    explicit ZvBluetooth(ZvSessionContext& context) : ZvProtocol(context) {}

    void close() override {}
    bool open(th_u32* tsfafBits) override;
    th_i16 read(th_u8* buf) override;
    th_i16 startRead(th_u8 stat) override;
    th_i16 getStringDesc(th_u16 index, th_u8* buf, th_u32 bufLen) override;
    bool alive() override { return false; }

    // The probe behind zvtc_check_blz_device.
    static bool _check_zerva_blz_device_setup(char* path);
};
