// What the client's files share and nobody else sees.
#pragma once

#include "blz.h"

#define BLZ_BUS_NAME "org.bluez"
#define BLZ_ADAPTER_IFACE "org.bluez.Adapter1"
#define BLZ_DEVICE_IFACE "org.bluez.Device1"
#define BLZ_SERVICE_IFACE "org.bluez.GattService1"
#define BLZ_CHAR_IFACE "org.bluez.GattCharacteristic1"
#define BLZ_OBJMGR_IFACE "org.freedesktop.DBus.ObjectManager"
#define BLZ_PROPS_IFACE "org.freedesktop.DBus.Properties"
#define BLZ_ERR_UNKNOWN_OBJECT "org.freedesktop.DBus.Error.UnknownObject"
#define BLZ_ERR_UNKNOWN_METHOD "org.freedesktop.DBus.Error.UnknownMethod"

void blz_log(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Whether a signal comes from the BlueZ that owns "org.bluez" now; with the bus lock held (as
// every callback is). Anything else is somebody on the bus pretending, and is dropped.
bool blz_from_bluez(blz_context* ctx, sd_bus_message* m);

// The bus lock. Leaving it wakes the pump (if another thread is the pump), because the calls
// made under it may have read messages off the socket into the queue the pump dispatches from.
class BlzBusLock {
public:
    explicit BlzBusLock(blz_context* ctx) : _ctx(ctx), _lock(ctx->lock) {}
    ~BlzBusLock();
    BlzBusLock(const BlzBusLock&) = delete;
    BlzBusLock& operator=(const BlzBusLock&) = delete;

private:
    blz_context* _ctx;
    std::unique_lock<std::recursive_mutex> _lock;
};

// Sets the notification handler, subscribes to the characteristic's changes and sends
// StartNotify, without waiting for "Notifying" (blz_char.cpp).
bool blz_char_subscribe(blz_char* ch, blz_notify_handler_t cb, void* user);

// Wakes the pump out of its poll.
void blz_kick(blz_context* ctx);
// Tells threads waiting in blz_loop_wait that the pump made progress.
void blz_progress(blz_context* ctx);

// Reads one "a{sv}" property dictionary; calls fn(name, m) positioned on each variant, which
// either consumes the variant (returns 1) or leaves it (returns 0, it is skipped). Negative errno
// on a malformed message.
template <typename Fn> int blz_read_props(sd_bus_message* m, Fn fn);

// Reads a variant of the given signature into out when it has that signature, else skips it.
int blz_read_variant_string(sd_bus_message* m, char* out, size_t outSize);
int blz_read_variant_bool(sd_bus_message* m, bool* out);
int blz_read_variant_int16(sd_bus_message* m, int16_t* out);
int blz_read_variant_strv(sd_bus_message* m, std::vector<std::string>* out);

template <typename Fn> int blz_read_props(sd_bus_message* m, Fn fn) {
    int r = sd_bus_message_enter_container(m, 'a', "{sv}");
    if (r < 0)
        return r;
    while ((r = sd_bus_message_enter_container(m, 'e', "sv")) > 0) {
        const char* name = nullptr;
        r = sd_bus_message_read_basic(m, 's', &name);
        if (r < 0)
            return r;
        r = fn(name, m);
        if (r < 0)
            return r;
        if (r == 0 && (r = sd_bus_message_skip(m, "v")) < 0)
            return r;
        if ((r = sd_bus_message_exit_container(m)) < 0)
            return r;
    }
    if (r < 0)
        return r;
    return sd_bus_message_exit_container(m);
}
