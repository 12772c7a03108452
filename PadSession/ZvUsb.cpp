#include "ZvUsb.h"

#include "ZvBuildFlavor.h"
#include "ZvLog.h"
#include "ZvPadSession.h"

#include <hidapi.h>

#include <algorithm>
#include <atomic>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

struct EnumerationFree {
    void operator()(hid_device_info* list) const { hid_free_enumeration(list); }
};
using Enumeration = std::unique_ptr<hid_device_info, EnumerationFree>;

// Debug level: the probe runs on every hot-plug event and lists every HID interface attached.
void print_devices(const hid_device_info* list) {
    if (!zv_log_enabled(ZV_LL_DEBUG))
        return;
    for (const hid_device_info* d = list; d != nullptr; d = d->next) {
        zv_log_out(ZV_LL_DEBUG,
                   "Device Found\n  type: %04hx %04hx\n  path: %s\n  serial_number: %ls",
                   d->vendor_id, d->product_id, d->path ? d->path : "",
                   d->serial_number ? d->serial_number : L"");
        zv_log_out(ZV_LL_DEBUG, "  Manufacturer: %ls",
                   d->manufacturer_string ? d->manufacturer_string : L"");
        zv_log_out(ZV_LL_DEBUG, "  Product:      %ls", d->product_string ? d->product_string : L"");
        zv_log_out(ZV_LL_DEBUG, "  Release:      %hx", d->release_number);
        zv_log_out(ZV_LL_DEBUG, "  Interface:    %d", d->interface_number);
    }
}

Enumeration enumerate_all() {
    return Enumeration(hid_enumerate(0, 0));
}

std::atomic<int> g_closeCount{0};

} // namespace

ZvUsb::~ZvUsb() {
    close();
}

bool ZvUsb::isZervaProduct(const wchar_t* manufacturer) {
    return manufacturer != nullptr && wcscmp(manufacturer, L"ZERVA") == 0;
}

void ZvUsb::deviceKey(const char* path, char* key, size_t keySize) {
    if (keySize == 0)
        return;
    const size_t len = path ? strlen(path) : 0;
    // Too short to carry an interface suffix: the whole path is the device.
    size_t n = len > 2 ? len - 2 : len;
    n = std::min(n, keySize - 1);
    if (n > 0)
        memcpy(key, path, n);
    key[n] = '\0';
}

unsigned ZvUsb::deviceAddress(const char* key) {
    // The device's folder in sysfs is the key up to the configuration. Only digits, dots and
    // dashes: nothing that could climb out of the folder.
    char name[ZV_SESSION_KEY_LEN] = {};
    size_t n = 0;
    for (; key != nullptr && key[n] != '\0' && key[n] != ':' && n + 1 < sizeof name; ++n) {
        const char c = key[n];
        if ((c < '0' || c > '9') && c != '.' && c != '-')
            return 0;
        name[n] = c;
    }
    if (n == 0 || key[n] != ':')
        return 0;
    char path[sizeof name + 32];
    snprintf(path, sizeof path, "/sys/bus/usb/devices/%s/devnum", name);
    FILE* f = fopen(path, "re");
    if (f == nullptr)
        return 0;
    unsigned address = 0;
    if (fscanf(f, "%u", &address) != 1)
        address = 0;
    fclose(f);
    return address;
}

void ZvUsb::shiftAnswer(th_u8* buf, th_u32 bufLen, int received) {
    if (received < 0 || bufLen == 0)
        return;
    // A short answer must not leave the caller's old bytes behind as payload.
    const th_u32 got = std::min<th_u32>(static_cast<th_u32>(received), bufLen);
    memset(buf + got, 0, bufLen - got);
    if (bufLen <= 2) {
        memset(buf, 0, bufLen);
        return;
    }
    // The device puts the report id in byte 0 and the payload from byte 2.
    memmove(buf, buf + 2, bufLen - 2);
    buf[bufLen - 2] = 0;
    buf[bufLen - 1] = 0;
}

void ZvUsb::copyReport(const th_u8* data, int len, th_u8 (&out)[ZV_REPORT_DELIVER_LEN]) {
    memset(out, 0, sizeof out);
    if (data != nullptr && len > 0)
        memcpy(out, data, std::min<size_t>(static_cast<size_t>(len), sizeof out));
}

const hid_device_info* ZvUsb::chooseCandidate(const hid_device_info* list, bool forOpen) {
    forgetDetached(list);
    for (const hid_device_info* d = list; d != nullptr; d = d->next) {
        if (d->vendor_id != kVendorId || d->path == nullptr)
            continue;
        // Tablets that announce themselves as "ZERVA" belong to the build with Bluetooth; the
        // probe still reports them, so only opening skips them.
        if (forOpen && !zvps_with_bluetooth() && isZervaProduct(d->manufacturer_string))
            continue;
        char key[ZV_SESSION_KEY_LEN];
        deviceKey(d->path, key, sizeof key);
        if (ZvPadSession::isMatchTabletOpenning(key) || ZvPadSession::isHeldBack(key))
            continue;
        return d;
    }
    return nullptr;
}

void ZvUsb::forgetDetached(const hid_device_info* list) {
    std::vector<std::string> keys;
    for (const hid_device_info* d = list; d != nullptr; d = d->next) {
        if (d->vendor_id != kVendorId || d->path == nullptr)
            continue;
        char key[ZV_SESSION_KEY_LEN];
        deviceKey(d->path, key, sizeof key);
        keys.emplace_back(key);
    }
    std::vector<const char*> ptrs;
    ptrs.reserve(keys.size());
    for (const std::string& k : keys)
        ptrs.push_back(k.c_str());
    ZvPadSession::forgetDetached(ptrs.data(), ptrs.size());
}

bool ZvUsb::_check_zerva_usb_device_setup(char* path) {
    if (path == nullptr || hid_init() != 0)
        return false;
    Enumeration list = enumerate_all();
    print_devices(list.get());
    const hid_device_info* found = chooseCandidate(list.get(), /* forOpen= */ false);
    if (found == nullptr)
        return false;
    zv_log_out(ZV_LL_INFO, "found %d %d,path=%s", found->vendor_id, found->product_id, found->path);
    snprintf(path, ZV_PROBE_PATH_MAX, "%s", found->path);
    return true;
}

bool ZvUsb::open(th_u32* tsfafBits) {
    *tsfafBits = 0;
    if (hid_init() != 0) {
        zv_log_out(ZV_LL_ERR, "hid_init failed");
        return false;
    }
    std::string path;
    {
        Enumeration list = enumerate_all();
        print_devices(list.get());
        const hid_device_info* found = chooseCandidate(list.get(), /* forOpen= */ true);
        if (found == nullptr) {
            zv_log_out(ZV_LL_INFO, "no free USB tablet");
            return false;
        }
        zv_log_out(ZV_LL_INFO, "USBfound__ %x %x,_context=%p,path=%s selr=%p", found->vendor_id,
                   found->product_id, static_cast<void*>(&_context), found->path,
                   static_cast<void*>(this));
        path = found->path;
    }

    std::unique_ptr<ZvHidDevice> dev = ZvHidDevice::open(path.c_str());
    if (!dev)
        return false;
    // Every tablet answers string descriptor 1; an interface that does not is not one of ours
    // (or not ready) and is let go.
    wchar_t desc[256];
    if (dev->getIndexedString(1, desc, 256) < 0) {
        zv_log_out(ZV_LL_ERR, "Unable to read indexed string 1");
        zv_log_out(ZV_LL_DEBUG, "__exit_ret");
        dev.reset();
        zv_log_out(ZV_LL_DEBUG, "__exit_ret hid_close ");
        return false;
    }
    deviceKey(path.c_str(), _context.usbIDPath, sizeof _context.usbIDPath);
    _pDevice = std::move(dev);
    if (!_pDevice->startInput(onReport, this)) {
        _pDevice.reset();
        memset(_context.usbIDPath, 0, sizeof _context.usbIDPath);
        return false;
    }
    return true;
}

void ZvUsb::onReport(ZvHidDevice* dev, const th_u8* data, int len, void* user) {
    ZvUsb* self = static_cast<ZvUsb*>(user);
    // A late report of a device this transport no longer holds.
    if (dev == nullptr || self == nullptr || dev != self->_pDevice.get())
        return;
    th_u8 report[ZV_REPORT_DELIVER_LEN];
    copyReport(data, len, report);
    unsigned suppressed = 0;
    if (zv_log_enabled(ZV_LL_INFO) && self->_dumpLimit.allow(&suppressed)) {
        if (suppressed > 0)
            zv_log_out(ZV_LL_INFO, "%u report dumps suppressed", suppressed);
        zv_logb(ZV_LL_INFO, data, static_cast<unsigned>(std::min(len, int(ZV_LOGB_MAX))));
    }
    if (self->_context.onRead != nullptr)
        self->_context.onRead(self->_context.idClient, report);
}

th_i16 ZvUsb::read(th_u8* buf) {
    (void)buf;
    if (!_pDevice || _pDevice->cancelled())
        return ZV_ER_NODEV;
    return ZV_READ_NO_REPORT;
}

th_i16 ZvUsb::startRead(th_u8 stat) {
    (void)stat;
    return 0;
}

th_i16 ZvUsb::getStringDesc(th_u16 index, th_u8* buf, th_u32 bufLen) {
    if (!_pDevice || _pDevice->cancelled()) {
        zv_log_out(ZV_LL_ERR, "getStringDesc _pDevice = %p !!!!!! ",
                   static_cast<void*>(_pDevice.get()));
        return ZV_ER_FAIL;
    }
    // The command code is the number of the feature report that carries the answer.
    buf[0] = static_cast<th_u8>(index);
    zv_log_out(ZV_LL_DEBUG, "getStringDesc strIndex = %d, ", index);
    const int got = _pDevice->getFeatureReport(buf, bufLen);
    if (got >= 0) {
        if (zvps_with_bluetooth() && got > 0)
            zv_logb(ZV_LL_CRIT, buf, static_cast<unsigned>(std::min(got, int(ZV_LOGB_MAX))));
        shiftAnswer(buf, bufLen, got);
    }
    zv_log_out(ZV_LL_DEBUG, "getStringDesc strIndex = %d,bufLen=%u ,bRet=%d", index, bufLen, got);
    return got >= 0 ? 0 : ZV_ER_FAIL;
}

bool ZvUsb::alive() {
    // The USB transport does not test its device; a lost device shows in read().
    return false;
}

void ZvUsb::close() {
    if (!_pDevice)
        return;
    const int count = g_closeCount.fetch_add(1, std::memory_order_relaxed);
    if (zvps_with_bluetooth())
        zv_log_out(ZV_LL_DEBUG, "ZvUsb::close() _pDevice =%p 1 ",
                   static_cast<void*>(_pDevice.get()));
    else
        zv_log_out(ZV_LL_DEBUG, "ZvUsb::close()1I=%d _pDevice =%p _pDevice->cancelled=%d ", count,
                   static_cast<void*>(_pDevice.get()), _pDevice->cancelled() ? 1 : 0);
    // The input thread must be gone before the handle is released: the report notification
    // compares its device with _pDevice, and no report may reach onRead once close returns.
    _pDevice->stopInput();
    _pDevice.reset();
    if (zvps_with_bluetooth())
        zv_log_out(ZV_LL_DEBUG, "ZvUsb::close()");
    else
        zv_log_out(ZV_LL_DEBUG, "ZvUsb::close()4I=%d _2", count);
    // The device key in the context is released by the session, under the pool lock.
}
