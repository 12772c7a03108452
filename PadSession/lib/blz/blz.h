// A small BlueZ GATT client over the D-Bus system bus (sd-bus): the devices BlueZ knows, connect
// and disconnect, GATT services and characteristics by UUID, reads, writes, notifications and a
// report thread. One context owns one bus connection.
//
// The connection is not thread-safe. Every use of it takes the context's bus lock, and once a
// report thread runs it is the only thread that dispatches incoming messages ("the pump"): other
// threads make their calls under the lock, wake the pump, and wait on a condition instead of
// dispatching themselves. Callbacks run with the bus lock held and must not block.
//
// Any local user may send signals on the system bus, and a signal addressed to this client's own
// connection reaches it whatever its match rules say. Every signal handler therefore accepts only
// messages whose sender is the unique name that owns "org.bluez" right now (tracked through
// NameOwnerChanged). Every method call is bounded by BLZ_CALL_TIMEOUT_USEC, so a BlueZ that does
// not answer costs seconds, not the bus library's 25 s default per call.
#pragma once

#include "blz_raii.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>
#include <string>
#include <thread>
#include <vector>

enum blz_addr_type { BLZ_ADDR_UNKNOWN = 0, BLZ_ADDR_PUBLIC = 1, BLZ_ADDR_RANDOM = 2 };

// Characteristic flags, from BlueZ's "Flags" strings.
enum {
    BLZ_CHAR_BROADCAST = 0x01,
    BLZ_CHAR_READ = 0x02,
    BLZ_CHAR_WRITE_WITHOUT_RESPONSE = 0x04,
    BLZ_CHAR_WRITE = 0x08,
    BLZ_CHAR_NOTIFY = 0x10,
    BLZ_CHAR_INDICATE = 0x20,
};

enum { BLZ_PATH_MAX = 255, BLZ_UUID_LEN = 37, BLZ_NAME_LEN = 20 };

// Time-out of every method call of the client but the connect calls.
constexpr uint64_t BLZ_CALL_TIMEOUT_USEC = 3ull * 1000 * 1000;

struct blz_context;
struct blz_dev;
struct blz_serv;
struct blz_char;

// mac: 6 bytes, least significant first. rssi 0 when BlueZ has none.
typedef void (*blz_scan_handler_t)(const uint8_t* mac, blz_addr_type atype, int8_t rssi,
                                   const uint8_t* data, size_t len, void* user);
// data lives only for the call.
typedef void (*blz_notify_handler_t)(const uint8_t* data, size_t len, blz_char* ch, void* user);
typedef void (*blz_disconn_handler_t)(void* user);
typedef void (*blz_log_handler_t)(const char* format, va_list args);

struct blz_context {
    BlzBus bus;
    char path[BLZ_PATH_MAX] = {};
    blz_scan_handler_t scan_cb = nullptr;
    BlzSlot scan_slot;
    void* scan_user = nullptr;
    // The unique name that owns "org.bluez" now; empty while nobody does. Under the bus lock.
    char owner[256] = {};
    BlzSlot owner_slot;
    // Signals dropped for coming from somebody else, for the log. Under the bus lock.
    unsigned forged = 0;

    // Serialises every use of bus. Recursive, because a callback may call back into the client.
    std::recursive_mutex lock;
    // Written by a thread that used the bus while the pump waits in poll, so that the pump looks
    // at what that thread may have read off the socket; and by whoever ends the pump.
    BlzFd kick;
    // The report thread, while it dispatches for this context.
    std::atomic<bool> pumping{false};
    std::atomic<std::thread::id> pump_id{};
    // Progress of the pump, for threads waiting on a flag set by a callback.
    std::mutex progress_lock;
    std::condition_variable progress;
};

struct blz_dev {
    blz_context* ctx = nullptr;
    char path[BLZ_PATH_MAX] = {};
    uint8_t mac[6] = {};
    char name[BLZ_NAME_LEN + 1] = {};
    BlzSlot connect_slot;
    std::atomic<bool> connect_async_done{false};
    int connect_async_result = 0;
    std::atomic<bool> connected{false};
    std::atomic<bool> services_resolved{false};
    int16_t rssi = 0;
    std::vector<std::string> service_uuids;
    blz_disconn_handler_t disconnect_cb = nullptr;
    void* disconn_user = nullptr;
    // This client asked BlueZ to connect the device. Only then does it disconnect it again: a
    // device that was connected when the client found it is somebody's (the user's, or the
    // tablet's own reconnect) and keeps its link.
    bool connected_here = false;
    std::thread thread;
    // Ends the report thread; the transport also reads it as "the device is gone".
    std::atomic<int> shutdown_thread{0};
};

struct blz_serv {
    blz_context* ctx = nullptr;
    blz_dev* dev = nullptr;
    char path[BLZ_PATH_MAX] = {};
    char uuid[BLZ_UUID_LEN] = {};
    std::vector<std::string> char_uuids;
};

struct blz_char {
    blz_context* ctx = nullptr;
    blz_dev* dev = nullptr;
    char path[BLZ_PATH_MAX] = {};
    char uuid[BLZ_UUID_LEN] = {};
    uint32_t flags = 0;
    blz_notify_handler_t notify_cb = nullptr;
    BlzSlot notify_slot;
    std::atomic<bool> notifying{false};
    void* notify_user = nullptr;
    // Report thread only: values received under the bus lock, handed to notify_cb after it.
    std::vector<std::vector<uint8_t>> pending;
    bool deferred = false;
    // Report thread only: run as the thread's last act (see blz_hand_over_report_thread).
    void (*at_exit)(void*) = nullptr;
    void* at_exit_arg = nullptr;
};

// --- context and event loop (blz_context.cpp) ---
// Opens a private system-bus connection and finds BlueZ and the adapter; null (logged) when
// BlueZ is not on the bus, the adapter is unknown or switched off. The adapter is never powered
// on: a user who switched Bluetooth off keeps it off.
blz_context* blz_init(const char* adapter);
void blz_fini(blz_context* ctx);
// One step: dispatch one message, or wait up to timeout_ms for the bus. False on a bus error.
bool blz_loop_one(blz_context* ctx, int timeout_ms);
// Until *flag is set (0), timeout_ms passed (-1) or a step failed (-2).
int blz_loop_wait(blz_context* ctx, const std::atomic<bool>* flag, int timeout_ms);
// Runs steps until timeout_ms passed.
void blz_loop_wait_nocheck(blz_context* ctx, int timeout_ms);
int blz_get_fd(blz_context* ctx);
// Dispatches everything already received; for callers with their own poll loop. False on error.
bool blz_handle_read(blz_context* ctx);

// --- devices (blz_device.cpp, blz_objects.cpp) ---
// Calls cb for every Device1 object below the adapter. True on success.
bool blz_known_devices(blz_context* ctx, blz_scan_handler_t cb, void* user);
bool blz_scan_start(blz_context* ctx, blz_scan_handler_t cb, void* user);
bool blz_scan_stop(blz_context* ctx);
// 1 connected, 0 not, -1 unknown to BlueZ, -2 other error, -3 path too long.
int blz_get_connect_status(blz_context* ctx, const char* mac, blz_addr_type atype);
// 1 when BlueZ has resolved the device's services, 0 when not (yet), -1 unknown to BlueZ, -2 other
// error, -3 path too long. Asks without connecting or waiting.
int blz_get_services_resolved(blz_context* ctx, const char* mac);
// Connected device with its services resolved, or null (logged).
blz_dev* blz_connect(blz_context* ctx, const char* mac, blz_addr_type atype);
blz_dev* blz_set_disconnect_handler(blz_dev* dev, blz_disconn_handler_t cb, void* user);
// Drops the subscription, asks BlueZ to disconnect the device if this client connected it, frees
// dev.
void blz_disconnect(blz_dev* dev);
// Drops the subscription and frees dev, leaving the link as it is: for devices that were already
// connected when this client looked at them and turned out not to be ours.
void blz_release(blz_dev* dev);
// The device's "UUIDs", also kept in dev->service_uuids; empty on failure.
std::vector<std::string> blz_list_service_uuids(blz_dev* dev);

// --- services and characteristics (blz_objects.cpp) ---
blz_serv* blz_get_serv_from_uuid(blz_dev* dev, const char* uuid);
std::vector<std::string> blz_list_char_uuids(blz_serv* srv);
// Searched below the whole device, as BlueZ lays characteristics out below their service.
blz_char* blz_get_char_from_uuid(blz_serv* srv, const char* uuid);
void blz_serv_free(blz_serv* srv);
void blz_char_free(blz_char* ch);

// --- characteristic I/O (blz_char.cpp) ---
// The value's full length (at most len bytes copied), -1 when the call fails, 0 when the
// characteristic cannot be read.
int blz_char_read(blz_char* ch, uint8_t* buf, size_t len);
bool blz_char_write(blz_char* ch, const uint8_t* data, size_t len);
bool blz_char_write_cmd(blz_char* ch, const uint8_t* data, size_t len);
// Write, then notifications on the same characteristic to cb with user.
bool blz_char_write_callback(blz_char* ch, const uint8_t* data, size_t len, blz_notify_handler_t cb,
                             void* user);
// Subscribes, StartNotify, waits up to 1 s for "Notifying". True unless that failed.
bool blz_char_notify_start(blz_char* ch, blz_notify_handler_t cb, void* user);
bool blz_char_indicate_start(blz_char* ch, blz_notify_handler_t cb, void* user);
// Only when subscribed: StopNotify and unsubscribe. False when there was nothing to stop.
bool blz_char_notify_stop(blz_char* ch);

// --- report thread (blz_report.cpp) ---
// Starts the thread that dispatches the bus and hands ch's notifications to cb outside the bus
// lock. Returns once notifications are started (or failed to start; logged). False when the
// characteristic cannot notify or the thread cannot start.
bool blz_start_read_device_process(blz_char* ch, blz_notify_handler_t cb, void* user);
// Sets the device's shutdown flag, wakes and joins the thread. Not on the report thread itself.
void blz_end_read_device_process(blz_char* ch);
// Whether the calling thread is ch's report thread (a notification callback is running on it).
bool blz_on_report_thread(const blz_char* ch);
// For a callback that ends its own report stream: sets the shutdown flag, so that no further
// notification is delivered once the callback returns, and has the thread call at_exit(arg) as
// its very last act, after it has stopped touching ch, its device and its context (at_exit may
// free them all). The thread can no longer be joined through ch; it is handed to the caller,
// who joins it later from another thread. Only on ch's report thread.
std::thread blz_hand_over_report_thread(blz_char* ch, void (*at_exit)(void*), void* arg);

// --- log sink (blz_log.cpp) ---
void blz_set_log_handler(blz_log_handler_t handler);
