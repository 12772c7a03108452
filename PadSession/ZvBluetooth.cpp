#include "ZvBluetooth.h"

#include "ZvBleFraming.h"
#include "ZvBuildFlavor.h"
#include "ZvLog.h"
#include "ZvPadSession.h"
#include "blz.h"
#include "blz_conv.h"

#include <algorithm>
#include <stdio.h>
#include <string.h>
#include <strings.h>

namespace {

// The client's lines go to this library's log sink.
void forward_blz_log(const char* format, va_list args) {
    char line[512];
    vsnprintf(line, sizeof line, format, args);
    zv_log_out(ZV_LL_NOTICE, "%s", line);
}

void add_known_device(const uint8_t* mac, blz_addr_type, int8_t rssi, const uint8_t*, size_t,
                      void* user) {
    static_cast<ZvBluetooth*>(user)->CopyAndOrderMacArry(mac, rssi);
}

// The probe's own candidate list, separate from the sessions' (the probe runs under the pool
// lock, so one list is enough).
SCAN_MAC g_scanned_macs[ZV_BLE_SCAN_MAX];
int g_scan_idx = 0;

void add_probe_device(const uint8_t* mac, blz_addr_type, int8_t rssi, const uint8_t*, size_t,
                      void*) {
    zv_ble_add_candidate(g_scanned_macs, &g_scan_idx, mac, rssi);
}

bool has_uuid(const std::vector<std::string>& list, const char* uuid) {
    return std::any_of(list.begin(), list.end(),
                       [&](const std::string& u) { return blz_uuid_equal(u.c_str(), uuid); });
}

} // namespace

void ZvBluetooth::ContextFree::operator()(blz_context* c) const {
    blz_fini(c);
}
void ZvBluetooth::DeviceDisconnect::operator()(blz_dev* d) const {
    blz_disconnect(d);
}
void ZvBluetooth::ServiceFree::operator()(blz_serv* s) const {
    blz_serv_free(s);
}
void ZvBluetooth::CharFree::operator()(blz_char* c) const {
    blz_char_free(c);
}

ZvBluetooth::ZvBluetooth(ZvSessionContext& context) : ZvProtocol(context) {
    blz_set_log_handler(forward_blz_log);
}

ZvBluetooth::~ZvBluetooth() {
    close();
}

void ZvBluetooth::CopyAndOrderMacArry(const uint8_t* mac, int8_t rssi) {
    zv_ble_add_candidate(_scanned_macs, &_scan_idx, mac, rssi);
}

bool ZvBluetooth::isPellamProduct(const char* mac) const {
    return zv_ble_foreign_has(_MacIDExt, mac);
}

bool ZvBluetooth::addPellamProduct(const char* mac) {
    return zv_ble_foreign_add(&_MacIDExt, mac);
}

bool ZvBluetooth::open(th_u32* tsfafBits) {
    *tsfafBits = 0;
    // The USB-only build never reaches BlueZ, whoever calls.
    if (!zvps_with_bluetooth() || !openBLE())
        return false;
    _rchCMDDesc.reset(blz_get_char_from_uuid(_srv.get(), kCommandUuid));
    if (!_rchCMDDesc) {
        close();
        return false;
    }
    return true;
}

bool ZvBluetooth::openBLE() {
    zv_log_out(ZV_LL_INFO, "open ble");
    _blz.reset(blz_init(kAdapter));
    if (!_blz) {
        zv_log_out(ZV_LL_NOTICE, "blz_init false");
        return false;
    }
    memset(_scanned_macs, 0, sizeof _scanned_macs);
    _scan_idx = 0;
    (void)blz_known_devices(_blz.get(), add_known_device, this);

    for (int i = 0; i < kTryMax && i < ZV_BLE_SCAN_MAX; ++i) {
        char mac[ZV_BLE_MAC_TEXT];
        blz_mac_print(_scanned_macs[i].mac, mac, sizeof mac);
        if (zv_ble_mac_empty(_scanned_macs[i].mac)) {
            zv_log_out(ZV_LL_INFO, "open ble empty i=(%d) mac(%s),", i, mac);
            break;
        }
        const int r = tryCandidate(mac);
        if (r > 0)
            return true;
        if (r < 0) {
            close();
            return false;
        }
    }
    zv_log_out(ZV_LL_INFO, "No found zerva bluetooth device ");
    _blz.reset();
    return false;
}

int ZvBluetooth::tryCandidate(const char* mac) {
    if (blz_get_connect_status(_blz.get(), mac, BLZ_ADDR_UNKNOWN) != 1 || isPellamProduct(mac)) {
        zv_log_out(ZV_LL_INFO, "%s ,not connect! ", mac);
        return 0;
    }
    if (ZvPadSession::isMatchTabletOpenning(mac)) {
        zv_log_out(ZV_LL_INFO, "found Opened BlZ MAC :{%s} ", mac);
        return 0;
    }
    // Opening runs under the pool lock too: the other tablet's open and close wait for it. A
    // device BlueZ is still resolving is passed over, as the probe does, rather than waited for
    // up to a minute and then disconnected.
    if (blz_get_services_resolved(_blz.get(), mac) != 1) {
        zv_log_out(ZV_LL_INFO, "%s: services not resolved yet, not tried", mac);
        return 0;
    }
    blz_dev* dev = blz_connect(_blz.get(), mac, BLZ_ADDR_UNKNOWN);
    if (dev == nullptr) {
        zv_log_out(ZV_LL_INFO, "bluetooth dev :{%s},can not connect to blz! ", mac);
        return 0;
    }
    std::unique_ptr<blz_serv, ServiceFree> srv(blz_get_serv_from_uuid(dev, kServiceUuid));
    if (!srv || !has_uuid(blz_list_service_uuids(dev), kServiceUuid)) {
        // Only devices that were already connected are tried; one that is not a tablet keeps
        // its link (it may be the user's keyboard).
        srv.reset();
        blz_release(dev);
        return 0;
    }
    _dev.reset(dev);
    blz_set_disconnect_handler(dev, onDisconnect, dev);
    zv_log_out(ZV_LL_INFO, "found _srv =%p, ", static_cast<void*>(srv.get()));
    for (const std::string& u : dev->service_uuids)
        zv_log_out(ZV_LL_DEBUG, "\t Service %s ", u.c_str());
    zv_log_out(ZV_LL_INFO, " find  Service %s ", kServiceUuid);
    _srv = std::move(srv);

    _rchProductName.reset(blz_get_char_from_uuid(_srv.get(), kManufacturerUuid));
    char name[257] = {};
    int got = 0;
    if (_rchProductName)
        got = blz_char_read(_rchProductName.get(), reinterpret_cast<uint8_t*>(name), 256);
    zv_log_out(ZV_LL_INFO, "__Manufacturer Name: '%.*s' ", got > 0 ? std::min(got, 256) : 0, name);
    if (got > 0 && strcmp(name, "ZERVA") == 0) {
        snprintf(_context.usbIDPath, sizeof _context.usbIDPath, "%s", mac);
        zv_log_out(ZV_LL_INFO, "rember for check next thread ->(%s) strmac=(%s)",
                   _context.usbIDPath, mac);
        _dev->shutdown_thread.store(0);
        return 1;
    }
    // A device that offers the tablet service but is not the maker's: never again in this
    // session, and this open ends.
    if (_rchProductName)
        (void)addPellamProduct(mac);
    zv_log_out(ZV_LL_NOTICE, "%s is not a ZERVA tablet", mac);
    return -1;
}

bool ZvBluetooth::_check_zerva_blz_device_setup(char* path) {
    (void)path;
    if (!zvps_with_bluetooth())
        return false;
    zv_log_out(ZV_LL_DEBUG, "detect zerva_blz_device start:");
    std::unique_ptr<blz_context, ContextFree> ctx(blz_init(kAdapter));
    if (!ctx) {
        zv_log_out(ZV_LL_ERR, "blz_init error");
        return false;
    }
    memset(g_scanned_macs, 0, sizeof g_scanned_macs);
    g_scan_idx = 0;
    (void)blz_known_devices(ctx.get(), add_probe_device, nullptr);
    for (int i = 0; i < kTryMax && i < ZV_BLE_SCAN_MAX; ++i) {
        char mac[ZV_BLE_MAC_TEXT];
        blz_mac_print(g_scanned_macs[i].mac, mac, sizeof mac);
        if (zv_ble_mac_empty(g_scanned_macs[i].mac)) {
            zv_log_out(ZV_LL_DEBUG, "open ble i=(%d) mac(%s), MAC_EMPTY", i, mac);
            return false;
        }
        zv_log_out(ZV_LL_DEBUG, "i=%d mac=%s", i, mac);
        if (blz_get_connect_status(ctx.get(), mac, BLZ_ADDR_UNKNOWN) != 1) {
            zv_log_out(ZV_LL_DEBUG, "i %d ,not connect! ", i);
            continue;
        }
        if (ZvPadSession::isMatchTabletOpenning(mac)) {
            zv_log_out(ZV_LL_DEBUG, "found Open BlZ MAC :{%s} ", mac);
            continue;
        }
        // The probe runs on the core's main thread under the pool lock: it must not wait up to
        // a minute for BlueZ to resolve a device's services, nor drop the link when it gives
        // up. A device still resolving is looked at by the next probe (the uevent of its input
        // node follows the resolution).
        if (blz_get_services_resolved(ctx.get(), mac) != 1) {
            zv_log_out(ZV_LL_INFO, "%s: services not resolved yet, not probed", mac);
            continue;
        }
        blz_dev* dev = blz_connect(ctx.get(), mac, BLZ_ADDR_UNKNOWN);
        if (dev == nullptr)
            continue;
        blz_serv* srv = blz_get_serv_from_uuid(dev, kServiceUuid);
        const bool found = srv != nullptr;
        if (found)
            zv_log_out(ZV_LL_INFO, "detect _srv =%p, ", static_cast<void*>(srv));
        blz_serv_free(srv);
        // The probe only looks: the tablet it finds must stay connected for the open that
        // follows.
        blz_release(dev);
        if (found)
            return true;
    }
    return false;
}

bool ZvBluetooth::startReportThread() {
    if (!_srv || !_dev)
        return false;
    if (_rchReport)
        return true;
    _rchReport.reset(blz_get_char_from_uuid(_srv.get(), kReportUuid));
    if (!_rchReport)
        return false;
    zv_log_out(ZV_LL_DEBUG, "print rchRep char: %s", _rchReport->path);
    return blz_start_read_device_process(_rchReport.get(), onReport, this);
}

th_i16 ZvBluetooth::startRead(th_u8 stat) {
    (void)stat;
    (void)startReportThread();
    return 0;
}

th_i16 ZvBluetooth::read(th_u8* buf) {
    (void)buf;
    if (!_dev || _dev->shutdown_thread.load(std::memory_order_acquire))
        return ZV_ER_BLE_GONE;
    return ZV_READ_NO_REPORT;
}

bool ZvBluetooth::is_ble_tablet_online() {
    zv_log_out(ZV_LL_DEBUG, "is_ble_tablet_online ");
    return false;
}

void ZvBluetooth::onDisconnect(void* user) {
    blz_dev* dev = static_cast<blz_dev*>(user);
    zv_log_out(ZV_LL_NOTICE, "ZvBlueToothDisconnHandler call %p,", user);
    // Ends the report thread and makes read() report the device gone.
    dev->shutdown_thread.store(1, std::memory_order_release);
}

void ZvBluetooth::onReport(const uint8_t* data, size_t len, blz_char*, void* user) {
    ZvBluetooth* self = static_cast<ZvBluetooth*>(user);
    th_u8 report[ZV_BLE_DELIVER_LEN + 1];
    unsigned suppressed = 0;
    if (!zv_ble_frame_report(data, len, report)) {
        if (self->_reportDropLimit.allow(&suppressed))
            zv_log_out(ZV_LL_WARN, "report of %zu bytes dropped (%u more not logged)", len,
                       suppressed);
        return;
    }
    if (self->_context.onRead != nullptr)
        self->_context.onRead(self->_context.idClient, report);
    if (zv_log_enabled(ZV_LL_INFO) && self->_reportDumpLimit.allow(&suppressed)) {
        zv_log_out(ZV_LL_INFO, "len=%zu data:", len);
        zv_logb(ZV_LL_INFO, data, static_cast<unsigned>(len));
    }
}

void ZvBluetooth::onAnswer(const uint8_t* data, size_t len, blz_char*, void* user) {
    ZvBluetooth* self = static_cast<ZvBluetooth*>(user);
    std::lock_guard<std::mutex> lock(self->_answerLock);
    const bool armed = self->_answerDest != nullptr && !self->_answerDone.load();
    if (armed &&
        zv_ble_take_answer(self->_answerIndex, data, len, self->_answerDest, self->_answerLen)) {
        self->_answerDone.store(true, std::memory_order_release);
        return;
    }
    // A late answer, or one to another command: the caller's buffer is not ours any more.
    unsigned suppressed = 0;
    if (self->_answerDropLimit.allow(&suppressed))
        zv_log_out(ZV_LL_WARN, "command answer of %zu bytes (command %d) dropped", len,
                   len > 1 ? data[1] : -1);
}

th_i16 ZvBluetooth::getStringDesc(th_u16 index, th_u8* buf, th_u32 bufLen) {
    zv_log_out(ZV_LL_DEBUG, "ZvBluetooth::getStringDesc ");
    const th_u8 cmd = static_cast<th_u8>(index);
    zv_ble_make_request(cmd, buf);
    zv_log_out(ZV_LL_DEBUG,
               "START WRITE--------------->send -------------index:%d ,bufLen=%u,buf=%p,"
               "_rchCMDDesc=%p",
               index, bufLen, static_cast<void*>(buf), static_cast<void*>(_rchCMDDesc.get()));
    if (!_rchCMDDesc)
        return -2;
    th_u8 request[ZV_BLE_CMD_LEN];
    memcpy(request, buf, sizeof request);
    {
        std::lock_guard<std::mutex> lock(_answerLock);
        _answerDest = buf;
        _answerLen = bufLen;
        _answerIndex = cmd;
        _answerDone.store(false);
    }
    // Listening before the request goes out: a quick tablet answers before a notification
    // subscription made after the write would be in place, and that answer would be lost.
    const bool sent = blz_char_notify_start(_rchCMDDesc.get(), onAnswer, this) &&
                      blz_char_write(_rchCMDDesc.get(), request, sizeof request);
    // The caller parses buf as soon as this returns: wait for the answer to be in it.
    const int waited = sent ? blz_loop_wait(_blz.get(), &_answerDone, kAnswerWaitMs) : -1;
    {
        std::lock_guard<std::mutex> lock(_answerLock);
        _answerDest = nullptr;
    }
    zv_log_out(ZV_LL_DEBUG, "END WRITE----------------->| wrRt=%d ", sent ? 1 : 0);
    (void)blz_char_notify_stop(_rchCMDDesc.get());
    if (waited != 0) {
        zv_log_out(ZV_LL_ERR, "no answer to command %d", index);
        return ZV_ER_FAIL;
    }
    if (index == 201) {
        zv_log_out(ZV_LL_DEBUG, "201 buf return={%.*s}", int(std::min<th_u32>(bufLen, 128)),
                   reinterpret_cast<const char*>(buf));
        zv_ble_widen_model(buf, bufLen);
    } else if (index == 200 || index == 202 || index == 212) {
        zv_log_out(ZV_LL_DEBUG, "cmd %d", index);
    }
    return 0;
}

void ZvBluetooth::close() {
    if (_rchReport) {
        blz_end_read_device_process(_rchReport.get());
        (void)blz_char_notify_stop(_rchReport.get());
        _rchReport.reset();
    }
    if (_rchCMDDesc)
        (void)blz_char_notify_stop(_rchCMDDesc.get());
    _rchCMDDesc.reset();
    _rchProductName.reset();
    _srv.reset();
    if (_dev) {
        zv_log_out(ZV_LL_DEBUG, "close 3 ");
        _dev.reset();
    }
    if (_blz) {
        _blz.reset();
        zv_log_out(ZV_LL_DEBUG, "BLZ devices closed ");
    }
    // The device key in the context is released by the session, under the pool lock.
}
