// The USB transport: the first HID interface of the maker's vendor id that no session holds,
// reports through the HID access layer's input thread, commands as GET_FEATURE reports.
#pragma once

#include "ZvHidDevice.h"
#include "ZvProtocol.h"
#include "ZvRateLimit.h"

#include <memory>
#include <stddef.h>
#include <wchar.h>

struct hid_device_info;

class ZvUsb : public ZvProtocol {
public:
    static constexpr unsigned short kVendorId = 0x7D3A;

    explicit ZvUsb(ZvSessionContext& context) : ZvProtocol(context) {}
    ~ZvUsb() override;

    void close() override;
    bool open(th_u32* tsfafBits) override;
    th_i16 read(th_u8* buf) override;
    th_i16 startRead(th_u8 stat) override;
    th_i16 getStringDesc(th_u16 index, th_u8* buf, th_u32 bufLen) override;
    bool alive() override;

    // The probe behind zvtc_check_usb_device: the full path of the first vendor interface whose
    // device no session holds, at most ZV_PROBE_PATH_MAX bytes with the terminator.
    static bool _check_zerva_usb_device_setup(char* path);
    // True when the manufacturer string is exactly "ZERVA".
    static bool isZervaProduct(const wchar_t* manufacturer);
    // The key shared by all interfaces of one physical device: the path without its interface
    // suffix (the last two characters). Always terminated; cut to keySize - 1 characters.
    static void deviceKey(const char* path, char* key, size_t keySize);
    // The kernel's address of the USB device of a key ("<bus>-<ports>:<config>"), which it gives
    // anew each time the device is plugged in; 0 when the key names no USB device we can see.
    // The key alone cannot tell a re-plug: it is made of the bus and port, the same again when
    // the tablet comes back to the same socket.
    static unsigned deviceAddress(const char* key);
    // Turns a feature report as the device sent it (report id in byte 0, payload from byte 2,
    // `received` bytes) into the answer the caller reads: payload from byte 0, nothing after the
    // payload but zeros.
    static void shiftAnswer(th_u8* buf, th_u32 bufLen, int received);
    // The report handed to onRead: cut to, or padded with zeros up to, ZV_REPORT_DELIVER_LEN.
    static void copyReport(const th_u8* data, int len, th_u8 (&out)[ZV_REPORT_DELIVER_LEN]);

private:
    // Lets the pool forget held-back devices that are not in this enumeration any more.
    static void forgetDetached(const hid_device_info* list);
    // The first enumerated interface this transport may open (not held by a session, not held
    // back), or null.
    static const hid_device_info* chooseCandidate(const hid_device_info* list, bool forOpen);
    static void onReport(ZvHidDevice* dev, const th_u8* data, int len, void* user);

    std::unique_ptr<ZvHidDevice> _pDevice;
    // Touched only by the input thread.
    ZvRateLimit _dumpLimit;
};
