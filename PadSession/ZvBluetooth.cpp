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

// The probe's own candidate list. Probes run without the pool lock, so each has its own.
struct ProbeList {
    SCAN_MAC macs[ZV_BLE_SCAN_MAX] = {};
    int count = 0;
};

void add_probe_device(const uint8_t* mac, blz_addr_type, int8_t rssi, const uint8_t*, size_t,
                      void* user) {
    ProbeList* list = static_cast<ProbeList*>(user);
    zv_ble_add_candidate(list->macs, &list->count, mac, rssi);
}

// The candidate's key in the pool while it is tried; given back unless kept.
class KeyClaim {
public:
    KeyClaim(ZvSessionContext& context, const char* key)
        : _context(context), _held(ZvPadSession::claimKey(context, key)) {}
    ~KeyClaim() {
        if (_held)
            ZvPadSession::unclaimKey(_context);
    }
    KeyClaim(const KeyClaim&) = delete;
    KeyClaim& operator=(const KeyClaim&) = delete;
    explicit operator bool() const { return _held; }
    void keep() { _held = false; }

private:
    ZvSessionContext& _context;
    bool _held;
};

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

struct ZvBluetooth::Leftovers {
    std::unique_ptr<blz_context, ContextFree> blz;
    std::unique_ptr<blz_dev, DeviceDisconnect> dev;
    std::unique_ptr<blz_serv, ServiceFree> srv;
    std::unique_ptr<blz_char, CharFree> productName;
    std::unique_ptr<blz_char, CharFree> report;
    std::unique_ptr<blz_char, CharFree> command;

    // On the report thread, once it has left its loop: nobody else uses the connection any more.
    static void release(void* self) {
        Leftovers* left = static_cast<Leftovers*>(self);
        if (left->report)
            (void)blz_char_notify_stop(left->report.get());
        if (left->command)
            (void)blz_char_notify_stop(left->command.get());
        delete left;
        zv_log_out(ZV_LL_DEBUG, "BLZ devices closed ");
    }
};

ZvBluetooth::ZvBluetooth(ZvSessionContext& context) : ZvProtocol(context) {
    blz_set_log_handler(forward_blz_log);
}

ZvBluetooth::~ZvBluetooth() {
    close();
    joinLeftover();
}

void ZvBluetooth::joinLeftover() {
    if (_reportLeft.joinable() && _reportLeft.get_id() != std::this_thread::get_id())
        _reportLeft.join();
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
    joinLeftover();
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
        if (r == -2) {
            // BlueZ stopped answering: the other candidates would only time out as well.
            _blz.reset();
            return false;
        }
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
    const int status = blz_get_connect_status(_blz.get(), mac, BLZ_ADDR_UNKNOWN);
    if (status == -2) {
        zv_log_out(ZV_LL_NOTICE, "BlueZ does not answer, open given up at %s", mac);
        return -2;
    }
    // Only devices that are connected already: this client never connects anything itself.
    if (status != 1 || isPellamProduct(mac)) {
        zv_log_out(ZV_LL_INFO, "%s ,not connect! ", mac);
        return 0;
    }
    // Reserved before the first bus call about it: the talk with BlueZ runs without the pool
    // lock, and no other session's open may take the same tablet meanwhile.
    KeyClaim claim(_context, mac);
    if (!claim) {
        zv_log_out(ZV_LL_INFO, "found Opened BlZ MAC :{%s} ", mac);
        return 0;
    }
    // A device BlueZ is still resolving is passed over, as the probe does, rather than waited
    // for up to a minute.
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
        claim.keep();
        zv_log_out(ZV_LL_INFO, "rember for check next thread ->(%s) strmac=(%s)",
                   _context.usbIDPath, mac);
        _dev->shutdown_thread.store(0);
        return 1;
    }
    if (got > 0) {
        // The maker's name was read and is another's: never again in this session, and this
        // open ends. The device keeps its link; it is somebody else's.
        (void)addPellamProduct(mac);
        zv_log_out(ZV_LL_NOTICE, "%s is not a ZERVA tablet", mac);
        return -1;
    }
    // No maker characteristic (the tablet service's UUID is a common serial-port one), or a read
    // that failed, perhaps only for now: not known to be foreign, and not ours either.
    zv_log_out(ZV_LL_NOTICE, "%s: maker name not read, passed over", mac);
    dropCandidate();
    return 0;
}

void ZvBluetooth::dropCandidate() {
    _rchProductName.reset();
    _srv.reset();
    _dev.reset();
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
    std::unique_ptr<ProbeList> list(new ProbeList());
    (void)blz_known_devices(ctx.get(), add_probe_device, list.get());
    for (int i = 0; i < kTryMax && i < ZV_BLE_SCAN_MAX; ++i) {
        char mac[ZV_BLE_MAC_TEXT];
        blz_mac_print(list->macs[i].mac, mac, sizeof mac);
        if (zv_ble_mac_empty(list->macs[i].mac)) {
            zv_log_out(ZV_LL_DEBUG, "open ble i=(%d) mac(%s), MAC_EMPTY", i, mac);
            return false;
        }
        zv_log_out(ZV_LL_DEBUG, "i=%d mac=%s", i, mac);
        const int status = blz_get_connect_status(ctx.get(), mac, BLZ_ADDR_UNKNOWN);
        if (status == -2)
            return false; // BlueZ does not answer; the next probe asks again
        if (status != 1) {
            zv_log_out(ZV_LL_DEBUG, "i %d ,not connect! ", i);
            continue;
        }
        if (ZvPadSession::isKeyTaken(mac)) {
            zv_log_out(ZV_LL_DEBUG, "found Open BlZ MAC :{%s} ", mac);
            continue;
        }
        // The probe must not wait up to a minute for BlueZ to resolve a device's services. A
        // device still resolving is looked at by the next probe (the uevent of its input node
        // follows the resolution).
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
    // One answer slot and one subscription on the command characteristic: a second request
    // (the dispatcher's state query beside the worker's 205) waits for the first to finish.
    std::lock_guard<std::mutex> serial(_cmdLock);
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
    if (_rchReport && blz_on_report_thread(_rchReport.get())) {
        // Closed from inside onRead: the report thread cannot wait for itself. It gets the
        // handles and releases them once the callback has returned; nothing more is delivered.
        zv_log_out(ZV_LL_WARN, "Bluetooth device closed from its own report callback");
        Leftovers* left = new Leftovers{std::move(_blz),       std::move(_dev),
                                        std::move(_srv),       std::move(_rchProductName),
                                        std::move(_rchReport), std::move(_rchCMDDesc)};
        if (_reportLeft.joinable()) // an earlier one, long gone: open joins before it reads
            _reportLeft.detach();
        _reportLeft = blz_hand_over_report_thread(left->report.get(), Leftovers::release, left);
        return;
    }
    joinLeftover();
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
