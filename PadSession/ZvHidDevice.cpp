#include "ZvHidDevice.h"

#include "ZvLog.h"

#include <hidapi.h>

#include <pthread.h>
#include <signal.h>
#include <system_error>

namespace {
std::atomic<int> g_openHandles{0};
}

ZvHidDevice::Shared::Shared(hid_device* d) : dev(d) {
    g_openHandles.fetch_add(1, std::memory_order_acq_rel);
}

ZvHidDevice::Shared::~Shared() {
    hid_close(dev);
    g_openHandles.fetch_sub(1, std::memory_order_acq_rel);
}

int ZvHidDevice::openCount() {
    return g_openHandles.load(std::memory_order_acquire);
}

ZvHidDevice::ZvHidDevice(hid_device* dev) : _shared(std::make_shared<Shared>(dev)) {}

std::unique_ptr<ZvHidDevice> ZvHidDevice::open(const char* path) {
    hid_device* dev = hid_open_path(path);
    if (dev == nullptr) {
        zv_log_out(ZV_LL_ERR, "unable to open device %s", path);
        return nullptr;
    }
    return std::unique_ptr<ZvHidDevice>(new ZvHidDevice(dev));
}

ZvHidDevice::~ZvHidDevice() {
    stopInput();
}

bool ZvHidDevice::startInput(NotifyFn notify, void* user) {
    // The caller's signals belong to the caller's threads: the input thread starts with all of
    // them blocked, so that a handler of the core never runs on it.
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    bool started = true;
    try {
        _input = std::thread(inputLoop, _shared, this, notify, user);
    } catch (const std::system_error& e) {
        zv_log_out(ZV_LL_ERR, "HID input thread not started: %s", e.what());
        started = false;
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return started;
}

void ZvHidDevice::stopInput() {
    _shared->stop.store(true, std::memory_order_release);
    if (!_input.joinable())
        return;
    if (_input.get_id() == std::this_thread::get_id()) {
        // Closed from inside a notification: the thread ends when that returns and then drops
        // the last reference to the handle.
        zv_log_out(ZV_LL_WARN, "HID device closed from its own report callback");
        _input.detach();
        return;
    }
    _input.join();
}

int ZvHidDevice::getFeatureReport(th_u8* buf, size_t len) {
    return hid_get_feature_report(_shared->dev, buf, len);
}

int ZvHidDevice::getIndexedString(int index, wchar_t* buf, size_t maxlen) {
    return hid_get_indexed_string(_shared->dev, index, buf, maxlen);
}

void ZvHidDevice::inputLoop(std::shared_ptr<Shared> shared, ZvHidDevice* self,
                            NotifyFn devNotifyData, void* pUser) {
    pthread_setname_np(pthread_self(), "zv-hid-input");
    th_u8 buf[kReadMax];
    while (!shared->stop.load(std::memory_order_acquire)) {
        const int n = hid_read_timeout(shared->dev, buf, sizeof buf, kReadTimeoutMs);
        if (n < 0) {
            // hidapi reports an unplugged device only as a failed read; it stays failed.
            const wchar_t* why = hid_error(shared->dev);
            zv_log_out(ZV_LL_ERR, "HID read failed, device gone: %ls", why ? why : L"?");
            shared->cancelled.store(true, std::memory_order_release);
            break;
        }
        // A report that arrives while the owner closes is dropped rather than delivered late.
        if (n == 0 || shared->stop.load(std::memory_order_acquire))
            continue;
        devNotifyData(self, buf, n, pUser);
    }
}
