// Devices: connection status, connect on both roads, property changes, disconnect.
#include "blz_conv.h"
#include "blz_internal.h"

#include <errno.h>
#include <string.h>

namespace {

// D-Bus timeout of the connect calls, and how long the loop waits for them and for the services.
constexpr uint64_t kConnectCallUsec = 60ull * 1000 * 1000;
constexpr int kConnectWaitMs = 60000;

// One boolean property of a device: 1 or 0, -1 when BlueZ does not know the device, -2 on any
// other error.
int read_flag(blz_context* ctx, const char* path, const char* name, BlzError* err) {
    int value = 0;
    BlzBusLock lock(ctx);
    const int r = sd_bus_get_property_trivial(ctx->bus.get(), BLZ_BUS_NAME, path, BLZ_DEVICE_IFACE,
                                              name, err->get(), 'b', &value);
    if (r < 0)
        return err->is(BLZ_ERR_UNKNOWN_OBJECT) ? -1 : -2;
    return value ? 1 : 0;
}

int read_status(blz_context* ctx, const char* path, BlzError* err) {
    return read_flag(ctx, path, "Connected", err);
}

int on_device_changed(sd_bus_message* m, void* user, sd_bus_error*) {
    blz_dev* dev = static_cast<blz_dev*>(user);
    // A forged "Connected" false would drop the tablet.
    if (!blz_from_bluez(dev->ctx, m))
        return 0;
    const char* iface = nullptr;
    if (sd_bus_message_read_basic(m, 's', &iface) < 0 || strcmp(iface, BLZ_DEVICE_IFACE) != 0)
        return 0;
    bool lost = false;
    const int r = blz_read_props(m, [&](const char* name, sd_bus_message* v) {
        if (strcmp(name, "Name") == 0)
            return blz_read_variant_string(v, dev->name, sizeof dev->name);
        if (strcmp(name, "UUIDs") == 0)
            return blz_read_variant_strv(v, &dev->service_uuids);
        if (strcmp(name, "RSSI") == 0)
            return blz_read_variant_int16(v, &dev->rssi);
        bool b = false;
        int rr = 0;
        if (strcmp(name, "ServicesResolved") == 0) {
            if ((rr = blz_read_variant_bool(v, &b)) > 0)
                dev->services_resolved.store(b, std::memory_order_release);
        } else if (strcmp(name, "Connected") == 0) {
            if ((rr = blz_read_variant_bool(v, &b)) > 0) {
                dev->connected.store(b, std::memory_order_release);
                lost = lost || !b;
            }
        }
        return rr;
    });
    if (r < 0)
        blz_log("BLZ: bad property change of %s: %s", dev->path, strerror(-r));
    if (lost && dev->disconnect_cb != nullptr)
        dev->disconnect_cb(dev->disconn_user);
    return 0;
}

int on_connect_reply(sd_bus_message* m, void* user, sd_bus_error*) {
    blz_dev* dev = static_cast<blz_dev*>(user);
    const sd_bus_error* e = sd_bus_message_get_error(m);
    int result = 0;
    if (e != nullptr) {
        result = -sd_bus_message_get_errno(m);
        if (result == 0)
            result = -EIO;
        if (sd_bus_error_has_name(e, BLZ_ERR_UNKNOWN_METHOD)) {
            blz_log("BLZ: Connect new failed: Bluez < 5.49 (with -E flag) doesn't support "
                    "ConnectDevice");
            result = -2;
        } else {
            blz_log("BLZ: Connect failed: %s", e->message ? e->message : e->name);
        }
    } else if (sd_bus_message_has_signature(m, "o")) {
        const char* path = nullptr;
        if (sd_bus_message_read_basic(m, 'o', &path) >= 0 && strcmp(path, dev->path) != 0) {
            blz_log("BLZ: Connect new device paths don't match (%s %s)", path, dev->path);
            result = -1;
        }
    }
    dev->connect_async_result = result;
    dev->connect_async_done.store(true, std::memory_order_release);
    return 0;
}

// Starts one asynchronous connect call and waits for its answer: its result, or -ETIMEDOUT.
int connect_call(blz_dev* dev, bool known, blz_addr_type atype) {
    blz_context* ctx = dev->ctx;
    dev->connect_async_done.store(false);
    dev->connect_async_result = 0;
    BlzSlot slot;
    {
        BlzBusLock lock(ctx);
        sd_bus_message* raw = nullptr;
        int r;
        if (known) {
            r = sd_bus_message_new_method_call(ctx->bus.get(), &raw, BLZ_BUS_NAME, dev->path,
                                               BLZ_DEVICE_IFACE, "Connect");
        } else {
            char mac[18];
            blz_mac_print(dev->mac, mac, sizeof mac);
            r = sd_bus_message_new_method_call(ctx->bus.get(), &raw, BLZ_BUS_NAME, ctx->path,
                                               BLZ_ADAPTER_IFACE, "ConnectDevice");
            if (r >= 0)
                r = sd_bus_message_append(raw, "a{sv}", 2, "Address", "s", mac, "AddressType", "s",
                                          atype == BLZ_ADDR_PUBLIC ? "public" : "random");
        }
        BlzMessage call(raw);
        sd_bus_slot* s = nullptr;
        if (r >= 0)
            r = sd_bus_call_async(ctx->bus.get(), &s, call.get(), on_connect_reply, dev,
                                  kConnectCallUsec);
        slot.reset(s);
        if (r < 0) {
            blz_log("BLZ: Connect call failed: %s", strerror(-r));
            return r;
        }
    }
    if (blz_loop_wait(ctx, &dev->connect_async_done, kConnectWaitMs) != 0) {
        blz_log("BLZ: Connect timeout");
        BlzBusLock lock(ctx);
        slot.reset();
        return -ETIMEDOUT;
    }
    BlzBusLock lock(ctx);
    slot.reset();
    return dev->connect_async_result;
}

void drop(blz_dev* dev, bool disconnect) {
    if (dev == nullptr)
        return;
    blz_context* ctx = dev->ctx;
    if (dev->thread.joinable()) {
        dev->shutdown_thread.store(1, std::memory_order_release);
        blz_kick(ctx);
        dev->thread.join();
    }
    BlzBusLock lock(ctx);
    dev->connect_slot.reset();
    if (disconnect && dev->connected_here && dev->connected.load()) {
        BlzError err;
        if (sd_bus_call_method(ctx->bus.get(), BLZ_BUS_NAME, dev->path, BLZ_DEVICE_IFACE,
                               "Disconnect", err.get(), nullptr, "") < 0)
            blz_log("BLZ: Failed to disconnect: %s", err.message());
    }
    delete dev;
}

} // namespace

int blz_get_connect_status(blz_context* ctx, const char* mac, blz_addr_type atype) {
    (void)atype;
    char path[BLZ_PATH_MAX];
    if (!blz_device_path(ctx->path, mac, path, sizeof path))
        return -3;
    BlzError err;
    const int status = read_status(ctx, path, &err);
    if (status == -2)
        blz_log("BLZ: Failed to get connected: %s", err.message());
    return status;
}

int blz_get_services_resolved(blz_context* ctx, const char* mac) {
    char path[BLZ_PATH_MAX];
    if (!blz_device_path(ctx->path, mac, path, sizeof path))
        return -3;
    BlzError err;
    const int resolved = read_flag(ctx, path, "ServicesResolved", &err);
    if (resolved == -2)
        blz_log("BLZ: Failed to get ServicesResolved: %s", err.message());
    return resolved;
}

blz_dev* blz_connect(blz_context* ctx, const char* mac, blz_addr_type atype) {
    std::unique_ptr<blz_dev> owned(new (std::nothrow) blz_dev());
    if (!owned) {
        blz_log("BLZ: Connect blz_dev alloc failed");
        return nullptr;
    }
    blz_dev* dev = owned.get();
    dev->ctx = ctx;
    if (!blz_device_path(ctx->path, mac, dev->path, sizeof dev->path) ||
        !blz_mac_parse(mac, dev->mac)) {
        blz_log("BLZ: Connect failed to construct device path");
        return nullptr;
    }
    BlzError err;
    const int status = read_status(ctx, dev->path, &err);
    if (status == -2) {
        blz_log("BLZ: Failed to get connected: %s", err.message());
        return nullptr;
    }
    blz_log("BLZ: Device %s status=%d", mac, status);
    if (status == 1) {
        blz_log("BLZ: Device %s already was connected", mac);
        int resolved = 0;
        BlzError e2;
        BlzBusLock lock(ctx);
        if (sd_bus_get_property_trivial(ctx->bus.get(), BLZ_BUS_NAME, dev->path, BLZ_DEVICE_IFACE,
                                        "ServicesResolved", e2.get(), 'b', &resolved) < 0) {
            blz_log("BLZ: Failed to get ServicesResolved: %s", e2.message());
            return nullptr;
        }
        dev->services_resolved.store(resolved != 0);
        dev->connected.store(true);
    }
    {
        BlzBusLock lock(ctx);
        sd_bus_slot* s = nullptr;
        const int r =
            sd_bus_match_signal(ctx->bus.get(), &s, BLZ_BUS_NAME, dev->path, BLZ_PROPS_IFACE,
                                "PropertiesChanged", on_device_changed, dev);
        dev->connect_slot.reset(s);
        if (r < 0) {
            blz_log("BLZ: Failed to watch %s: %s", dev->path, strerror(-r));
            return nullptr;
        }
    }
    int result = 0;
    // From here on the link is this client's doing (also when the call fails late: BlueZ may
    // still be connecting), and a failure below takes it down again.
    dev->connected_here = status != 1;
    if (status == 0) {
        result = connect_call(dev, /* known= */ true, atype);
    } else if (status == -1) {
        result = connect_call(dev, /* known= */ false, atype);
        if (result < 0 && atype == BLZ_ADDR_UNKNOWN)
            result = connect_call(dev, /* known= */ false, BLZ_ADDR_PUBLIC);
    }
    if (result < 0) {
        drop(owned.release(), /* disconnect= */ true);
        return nullptr;
    }
    dev->connected.store(true);
    // The services may have been resolved before the answer came (a device created by
    // ConnectDevice starts out resolved, with no change to announce).
    {
        int resolved = 0;
        BlzError e3;
        BlzBusLock lock(ctx);
        if (sd_bus_get_property_trivial(ctx->bus.get(), BLZ_BUS_NAME, dev->path, BLZ_DEVICE_IFACE,
                                        "ServicesResolved", e3.get(), 'b', &resolved) >= 0 &&
            resolved)
            dev->services_resolved.store(true);
    }
    if (blz_loop_wait(ctx, &dev->services_resolved, kConnectWaitMs) != 0) {
        blz_log("BLZ: Timeout waiting for ServicesResolved");
        drop(owned.release(), /* disconnect= */ true);
        return nullptr;
    }
    return owned.release();
}

blz_dev* blz_set_disconnect_handler(blz_dev* dev, blz_disconn_handler_t cb, void* user) {
    BlzBusLock lock(dev->ctx);
    dev->disconnect_cb = cb;
    dev->disconn_user = user;
    return dev;
}

void blz_disconnect(blz_dev* dev) {
    drop(dev, /* disconnect= */ true);
}

void blz_release(blz_dev* dev) {
    drop(dev, /* disconnect= */ false);
}

std::vector<std::string> blz_list_service_uuids(blz_dev* dev) {
    BlzBusLock lock(dev->ctx);
    BlzError err;
    sd_bus_message* reply = nullptr;
    int r = sd_bus_get_property(dev->ctx->bus.get(), BLZ_BUS_NAME, dev->path, BLZ_DEVICE_IFACE,
                                "UUIDs", err.get(), &reply, "as");
    BlzMessage owned(reply);
    if (r < 0) {
        blz_log("BLZ: Failed to get UUIDs: %s", err.message());
        return {};
    }
    std::vector<std::string> list;
    if ((r = sd_bus_message_enter_container(reply, 'a', "s")) >= 0) {
        const char* s = nullptr;
        while ((r = sd_bus_message_read_basic(reply, 's', &s)) > 0)
            list.emplace_back(s);
    }
    if (r < 0) {
        blz_log("BLZ: Failed to read UUIDs: %s", strerror(-r));
        return {};
    }
    dev->service_uuids = list;
    return list;
}

// --- scan ---

namespace {

int on_interfaces_added(sd_bus_message* m, void* user, sd_bus_error*) {
    blz_context* ctx = static_cast<blz_context*>(user);
    if (!blz_from_bluez(ctx, m))
        return 0;
    const char* path = nullptr;
    if (sd_bus_message_read_basic(m, 'o', &path) < 0 ||
        strncmp(path, ctx->path, strlen(ctx->path)) != 0 || ctx->scan_cb == nullptr)
        return 0;
    if (sd_bus_message_enter_container(m, 'a', "{sa{sv}}") < 0)
        return 0;
    while (sd_bus_message_enter_container(m, 'e', "sa{sv}") > 0) {
        const char* iface = nullptr;
        if (sd_bus_message_read_basic(m, 's', &iface) < 0)
            return 0;
        if (strcmp(iface, BLZ_DEVICE_IFACE) != 0) {
            if (sd_bus_message_skip(m, "a{sv}") < 0)
                return 0;
        } else {
            char address[32] = {};
            int16_t rssi = 0;
            if (blz_read_props(m, [&](const char* name, sd_bus_message* v) {
                    if (strcmp(name, "Address") == 0)
                        return blz_read_variant_string(v, address, sizeof address);
                    if (strcmp(name, "RSSI") == 0)
                        return blz_read_variant_int16(v, &rssi);
                    return 0;
                }) < 0)
                return 0;
            uint8_t mac[6];
            if (blz_mac_parse(address, mac))
                ctx->scan_cb(mac, BLZ_ADDR_UNKNOWN, static_cast<int8_t>(rssi), nullptr, 0,
                             ctx->scan_user);
        }
        if (sd_bus_message_exit_container(m) < 0)
            return 0;
    }
    return 0;
}

} // namespace

bool blz_scan_start(blz_context* ctx, blz_scan_handler_t cb, void* user) {
    BlzBusLock lock(ctx);
    ctx->scan_cb = cb;
    ctx->scan_user = user;
    sd_bus_slot* s = nullptr;
    int r = sd_bus_match_signal(ctx->bus.get(), &s, BLZ_BUS_NAME, "/", BLZ_OBJMGR_IFACE,
                                "InterfacesAdded", on_interfaces_added, ctx);
    ctx->scan_slot.reset(s);
    if (r < 0) {
        blz_log("BLZ: Failed to watch for devices: %s", strerror(-r));
        return false;
    }
    BlzError err;
    r = sd_bus_call_method(ctx->bus.get(), BLZ_BUS_NAME, ctx->path, BLZ_ADAPTER_IFACE,
                           "StartDiscovery", err.get(), nullptr, "");
    if (r < 0) {
        blz_log("BLZ: Failed to start discovery: %s", err.message());
        ctx->scan_slot.reset();
        return false;
    }
    return true;
}

bool blz_scan_stop(blz_context* ctx) {
    BlzBusLock lock(ctx);
    BlzError err;
    const int r = sd_bus_call_method(ctx->bus.get(), BLZ_BUS_NAME, ctx->path, BLZ_ADAPTER_IFACE,
                                     "StopDiscovery", err.get(), nullptr, "");
    if (r < 0)
        blz_log("BLZ: Failed to stop discovery: %s", err.message());
    ctx->scan_slot.reset();
    ctx->scan_cb = nullptr;
    ctx->scan_user = nullptr;
    return r >= 0;
}
