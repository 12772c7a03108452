// The HID access layer on stock hidapi: an open HID interface with its own input thread, which
// hands every input report to a notification and raises `cancelled` once the device is gone.
#pragma once

#include "ZvType.h"

#include <atomic>
#include <memory>
#include <stddef.h>
#include <thread>
#include <wchar.h>

typedef struct hid_device_ hid_device;

class ZvHidDevice {
public:
    // Called on the input thread for every report, with at least one byte.
    typedef void (*NotifyFn)(ZvHidDevice* dev, const th_u8* data, int len, void* user);

    // How long one read of the input thread waits. Close waits at most this long for the
    // thread, and a silent device costs this many wake-ups a second (10): within the idle budget.
    static constexpr int kReadTimeoutMs = 100;
    // Longest input report read at once; a full-speed interrupt packet.
    static constexpr size_t kReadMax = 64;

    // hid_open_path; null (logged) when the interface cannot be opened.
    static std::unique_ptr<ZvHidDevice> open(const char* path);
    // Stops the input thread, then closes the handle.
    ~ZvHidDevice();
    ZvHidDevice(const ZvHidDevice&) = delete;
    ZvHidDevice& operator=(const ZvHidDevice&) = delete;

    // Starts the input thread; from now on reports go to notify(this, data, len, user).
    // False (logged) when the thread cannot be created. Called at most once.
    bool startInput(NotifyFn notify, void* user);
    // Stops the input thread and waits for it, so that no notification runs once it returns.
    // Called from a notification itself it only asks the thread to stop.
    void stopInput();

    // Non-zero once a read failed: the device is gone or its input was cancelled.
    bool cancelled() const { return _shared->cancelled.load(std::memory_order_acquire); }

    // Handles not yet given back with hid_close, counting those an input thread still holds
    // after a close from inside its own notification. hid_exit must wait for 0.
    static int openCount();

    // hidapi's results: bytes read (report id included) or -1.
    int getFeatureReport(th_u8* buf, size_t len);
    int getIndexedString(int index, wchar_t* buf, size_t maxlen);

private:
    // Owned jointly with the input thread, so that a close from inside a notification can leave
    // the handle to the thread, which closes it on its way out.
    struct Shared {
        explicit Shared(hid_device* d);
        ~Shared();
        hid_device* const dev;
        std::atomic<bool> stop{false};
        std::atomic<bool> cancelled{false};
    };

    explicit ZvHidDevice(hid_device* dev);
    static void inputLoop(std::shared_ptr<Shared> shared, ZvHidDevice* self, NotifyFn devNotifyData,
                          void* pUser);

    std::shared_ptr<Shared> _shared;
    std::thread _input;
};
