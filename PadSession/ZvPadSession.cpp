#include "ZvPadSession.h"

#include "ZvBuildFlavor.h"
#include "ZvLog.h"

#include <hidapi.h>

#include <condition_variable>
#include <mutex>
#include <stdio.h>
#include <string.h>

namespace {

std::mutex g_poolLock;
// Signalled when a session's Bluetooth open ends; waited on with g_poolLock.
std::condition_variable g_openEnded;

// Keys of devices held back (holdBack), under g_poolLock. A handful is plenty: a desk has one or
// two tablets, and a full list drops its oldest entry.
constexpr size_t kHeldMax = 8;
char g_held[kHeldMax][ZV_SESSION_KEY_LEN];
// The kernel's address of each held-back device when it was held back (0: not known).
unsigned g_heldAddress[kHeldMax];
size_t g_heldCount = 0;

// Shuts the HID layer down when the library is unloaded, after the sessions have closed; not
// under an input thread that still has its handle to close.
struct HidShutdown {
    ~HidShutdown() {
        if (ZvHidDevice::openCount() == 0)
            (void)hid_exit();
    }
} g_hidShutdown;

} // namespace

// Defined after the lock and the shutdown, so destroyed before them.
ZvPadSession g_ts[2];

ZvPadSession::ZvPadSession() : _usbhid(_context), _bluetooth(_context) {}

ZvPadSession::~ZvPadSession() {
    waitIdle();
    closeTransport();
    release();
}

void ZvPadSession::clearContext() {
    memset(&_context, 0, sizeof _context);
}

th_i16 ZvPadSession::openFree(PZvTabletOpenPatam param) {
    ZvPadSession* session = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_poolLock);
        for (ZvPadSession& s : g_ts) {
            if (s._context.idClient == param->context) {
                zv_log_out(ZV_LL_ERR, "zvtc_open: context %p already has a session",
                           param->context);
                return ZV_ER_FAIL;
            }
        }
        for (ZvPadSession& s : g_ts) {
            if (s._context.idClient == nullptr && !s._closing) {
                session = &s;
                break;
            }
        }
        if (session == nullptr) {
            zv_log_out(ZV_LL_WARN, "zvtc_open: no free session");
            return ZV_ER_FAIL;
        }
        const th_i16 usb = session->openUsb(param);
        if (usb <= 0) {
            if (usb < 0)
                session->failOpen();
            return usb;
        }
        session->_opening = true;
    }
    // The session is taken (idClient is set, so no other open picks it) but not yet published
    // to the callers of the other functions. BlueZ may take seconds; the pool lock is not held.
    zv_log_out(ZV_LL_INFO, "start blue tooth ");
    const bool opened = session->_bluetooth.open(&param->tsfafBits);
    std::lock_guard<std::mutex> lock(g_poolLock);
    session->_opening = false;
    g_openEnded.notify_all();
    if (!opened) {
        zv_log_out(ZV_LL_INFO, "ZvPadSession::open() bluetooth open faild, end");
        session->failOpen();
        return ZV_ER_FAIL;
    }
    zv_log_out(ZV_LL_NOTICE, "ZvPadSession::open() bluetooth open success");
    param->tspfFlag = ZV_TSPF_BLE;
    session->_protocol = &session->_bluetooth;
    session->_client.store(param->context, std::memory_order_release);
    return 0;
}

void ZvPadSession::failOpen() {
    release();
    // Shutting hidapi down releases libusb: never while a session holds a device, nor while an
    // input thread that a close from inside its own callback left behind has yet to close its
    // handle.
    bool held = false;
    for (const ZvPadSession& other : g_ts)
        held = held || other._protocol != nullptr;
    if (!held && ZvHidDevice::openCount() == 0)
        (void)hid_exit();
}

th_i16 ZvPadSession::openUsb(PZvTabletOpenPatam param) {
    zv_log_out(ZV_LL_DEBUG, "open param->tspfFlag =%x ", param->tspfFlag);
    closeTransport();
    clearContext();
    _context.idClient = param->context;
    _context.onOpened = param->onOpened;
    _context.onClosed = param->onClosed;
    _context.onRead = param->onRead;
    _context.onGotStrDesc = param->onGot;
    zv_log_out(ZV_LL_DEBUG, " _context.idClient=%p ", _context.idClient);

    if (_usbhid.open(&param->tsfafBits)) {
        zv_log_out(ZV_LL_NOTICE, "ZvPadSession::open() usb&hid open success");
        param->tspfFlag = ZV_TSPF_USB;
        _protocol = &_usbhid;
        _client.store(param->context, std::memory_order_release);
        return 0;
    }
    return zvps_with_bluetooth() ? 1 : ZV_ER_FAIL;
}

void ZvPadSession::closeClient(void* context) {
    if (context == nullptr)
        return;
    ZvPadSession* session = nullptr;
    {
        std::unique_lock<std::mutex> lock(g_poolLock);
        auto find = [&] {
            session = nullptr;
            for (ZvPadSession& s : g_ts) {
                if (s._context.idClient == context && !s._closing) {
                    session = &s;
                    break;
                }
            }
            return session == nullptr || !session->_opening;
        };
        // A session still opening over Bluetooth is closed once it is open (or has failed).
        g_openEnded.wait(lock, find);
        if (session == nullptr)
            return;
        // The session and its device key stay taken until the device is closed, so neither an
        // open nor a probe can take the device while it goes.
        session->_closing = true;
        session->_client.store(nullptr, std::memory_order_seq_cst);
    }
    session->waitIdle();
    session->closeTransport();
    std::lock_guard<std::mutex> lock(g_poolLock);
    session->release();
}

void ZvPadSession::closeTransport() {
    zv_log_out(ZV_LL_DEBUG, "ZvPadSession::close() _protocol=%p", static_cast<void*>(_protocol));
    if (_protocol == nullptr)
        return;
    zv_log_out(ZV_LL_DEBUG, "_protocol will close");
    _protocol->close();
}

void ZvPadSession::release() {
    _protocol = nullptr;
    _client.store(nullptr, std::memory_order_release);
    clearContext();
    _closing = false;
}

ZvPadSession::Use::Use(void* context) {
    if (context == nullptr)
        return;
    for (ZvPadSession& s : g_ts) {
        if (s.enter(context)) {
            _session = &s;
            return;
        }
        s.leave();
    }
}

ZvPadSession::Use::~Use() {
    if (_session != nullptr)
        _session->leave();
}

bool ZvPadSession::enter(void* context) {
    // Counted before the check, both sequentially consistent: either this caller sees the null
    // a closer stored, or the closer sees this caller's count and waits for it.
    _users.fetch_add(1, std::memory_order_seq_cst);
    return _client.load(std::memory_order_seq_cst) == context;
}

void ZvPadSession::leave() {
    if (_users.fetch_sub(1, std::memory_order_seq_cst) == 1) {
        // Under the lock, so a closer between its check and its wait cannot miss the wake-up.
        std::lock_guard<std::mutex> lock(_usersLock);
        _idle.notify_all();
    }
}

void ZvPadSession::waitIdle() {
    std::unique_lock<std::mutex> lock(_usersLock);
    _idle.wait(lock, [this] { return _users.load(std::memory_order_seq_cst) == 0; });
}

bool ZvPadSession::isMatchTabletOpenning(const char* key) {
    if (key == nullptr || key[0] == '\0')
        return false;
    for (int i = 0; i < 2; ++i) {
        zv_log_out(ZV_LL_DEBUG, "g_ts[%d]._context.usbIDPath={%s}", i, g_ts[i]._context.usbIDPath);
        zv_log_out(ZV_LL_DEBUG, "g_ts[%d]         strSaveStr {%s}", i, key);
        if (strncmp(g_ts[i]._context.usbIDPath, key, ZV_SESSION_KEY_LEN) == 0)
            return true;
    }
    return false;
}

th_i16 ZvPadSession::holdBack(void* context) {
    if (context == nullptr)
        return ZV_ER_CONTEXT;
    std::lock_guard<std::mutex> lock(g_poolLock);
    for (ZvPadSession& s : g_ts) {
        if (s._context.idClient != context)
            continue;
        const char* key = s._context.usbIDPath;
        if (key[0] == '\0' || isHeldBack(key))
            return ZV_OK;
        if (g_heldCount == kHeldMax) {
            memmove(g_held[0], g_held[1], sizeof g_held[0] * (kHeldMax - 1));
            memmove(g_heldAddress, g_heldAddress + 1, sizeof g_heldAddress[0] * (kHeldMax - 1));
            --g_heldCount;
        }
        g_heldAddress[g_heldCount] = ZvUsb::deviceAddress(key);
        snprintf(g_held[g_heldCount++], ZV_SESSION_KEY_LEN, "%s", key);
        zv_log_out(ZV_LL_NOTICE, "held back until unplugged: %s", key);
        return ZV_OK;
    }
    return ZV_ER_CONTEXT;
}

bool ZvPadSession::isHeldBack(const char* key) {
    if (key == nullptr || key[0] == '\0')
        return false;
    for (size_t i = 0; i < g_heldCount; ++i) {
        if (strncmp(g_held[i], key, ZV_SESSION_KEY_LEN) == 0)
            return true;
    }
    return false;
}

void ZvPadSession::forgetDetached(const char* const* keys, size_t count) {
    size_t kept = 0;
    for (size_t i = 0; i < g_heldCount; ++i) {
        bool attached = false;
        for (size_t k = 0; k < count && !attached; ++k)
            attached = strncmp(g_held[i], keys[k], ZV_SESSION_KEY_LEN) == 0;
        if (!attached) {
            zv_log_out(ZV_LL_INFO, "held-back device gone: %s", g_held[i]);
            continue;
        }
        if (g_heldAddress[i] != 0 && ZvUsb::deviceAddress(g_held[i]) != g_heldAddress[i]) {
            zv_log_out(ZV_LL_INFO, "held-back device plugged in again: %s", g_held[i]);
            continue;
        }
        if (kept != i) {
            memcpy(g_held[kept], g_held[i], sizeof g_held[i]);
            g_heldAddress[kept] = g_heldAddress[i];
        }
        ++kept;
    }
    g_heldCount = kept;
}

bool ZvPadSession::probeUsb(char* path) {
    std::lock_guard<std::mutex> lock(g_poolLock);
    return ZvUsb::_check_zerva_usb_device_setup(path);
}

bool ZvPadSession::probeBle(char* path) {
    if (!zvps_with_bluetooth())
        return false;
    // Without the pool lock: the probe asks BlueZ, and that may take seconds.
    return ZvBluetooth::_check_zerva_blz_device_setup(path);
}

bool ZvPadSession::isKeyTaken(const char* key) {
    std::lock_guard<std::mutex> lock(g_poolLock);
    return isMatchTabletOpenning(key);
}

bool ZvPadSession::claimKey(ZvSessionContext& context, const char* key) {
    std::lock_guard<std::mutex> lock(g_poolLock);
    if (isMatchTabletOpenning(key))
        return false;
    snprintf(context.usbIDPath, sizeof context.usbIDPath, "%s", key);
    return true;
}

void ZvPadSession::unclaimKey(ZvSessionContext& context) {
    std::lock_guard<std::mutex> lock(g_poolLock);
    memset(context.usbIDPath, 0, sizeof context.usbIDPath);
}

th_i16 ZvPadSession::read(th_u8* buf) {
    return _protocol ? _protocol->read(buf) : th_i16(ZV_ER_FAIL);
}

th_i16 ZvPadSession::startRead(th_u8 stat) {
    return _protocol ? _protocol->startRead(stat) : th_i16(ZV_ER_FAIL);
}

th_i16 ZvPadSession::getStringDesc(th_u16 index, th_u8* buf, th_u32 bufLen) {
    return _protocol ? _protocol->getStringDesc(index, buf, bufLen) : th_i16(ZV_ER_FAIL);
}

bool ZvPadSession::alive() {
    return _protocol != nullptr && _protocol->alive();
}
