// Characteristic I/O: read, write and notifications.
#include "blz_internal.h"

#include <string.h>

namespace {

constexpr int kNotifyStartWaitMs = 1000;

// Opens "a{sv}" options and leaves them empty.
int append_empty_options(sd_bus_message* m) {
    int r = sd_bus_message_open_container(m, 'a', "{sv}");
    return r < 0 ? r : sd_bus_message_close_container(m);
}

int on_char_changed(sd_bus_message* m, void* user, sd_bus_error*) {
    blz_char* ch = static_cast<blz_char*>(user);
    // A forged value would become the tablet's input or a command's answer.
    if (!blz_from_bluez(ch->ctx, m))
        return 0;
    const char* iface = nullptr;
    if (sd_bus_message_read_basic(m, 's', &iface) < 0)
        return 0;
    if (strcmp(iface, BLZ_CHAR_IFACE) != 0) {
        blz_log("BLZ notify interface %s ignored", iface);
        return 0;
    }
    // Only the first changed property counts: BlueZ sends Notifying and Value separately.
    if (sd_bus_message_enter_container(m, 'a', "{sv}") <= 0 ||
        sd_bus_message_enter_container(m, 'e', "sv") <= 0)
        return 0;
    const char* name = nullptr;
    if (sd_bus_message_read_basic(m, 's', &name) < 0)
        return 0;
    if (strcmp(name, "Notifying") == 0) {
        int b = 0;
        if (sd_bus_message_enter_container(m, 'v', "b") > 0 &&
            sd_bus_message_read_basic(m, 'b', &b) >= 0)
            ch->notifying.store(b != 0, std::memory_order_release);
        return 0;
    }
    if (strcmp(name, "Value") != 0) {
        blz_log("BLZ notify property %s ignored", name);
        return 0;
    }
    const void* data = nullptr;
    size_t len = 0;
    if (sd_bus_message_enter_container(m, 'v', "ay") <= 0 ||
        sd_bus_message_read_array(m, 'y', &data, &len) < 0)
        return 0;
    if (ch->notify_cb == nullptr) {
        blz_log("BLZ: Signal no callback");
        return 0;
    }
    if (ch->deferred) {
        // The report thread hands these to the callback once it has left the bus lock.
        const uint8_t* p = static_cast<const uint8_t*>(data);
        ch->pending.emplace_back(p, p + len);
        return 0;
    }
    ch->notify_cb(static_cast<const uint8_t*>(data), len, ch, ch->notify_user);
    return 0;
}

bool write_value(blz_char* ch, const uint8_t* data, size_t len) {
    if (!(ch->flags & (BLZ_CHAR_WRITE | BLZ_CHAR_WRITE_WITHOUT_RESPONSE))) {
        blz_log("BLZ: Characteristic does not support write");
        return false;
    }
    BlzBusLock lock(ch->ctx);
    sd_bus_message* raw = nullptr;
    int r = sd_bus_message_new_method_call(ch->ctx->bus.get(), &raw, BLZ_BUS_NAME, ch->path,
                                           BLZ_CHAR_IFACE, "WriteValue");
    BlzMessage call(raw);
    if (r >= 0)
        r = sd_bus_message_append_array(call.get(), 'y', data, len);
    if (r >= 0)
        r = append_empty_options(call.get());
    BlzError err;
    if (r >= 0)
        r = sd_bus_call(ch->ctx->bus.get(), call.get(), 0, err.get(), nullptr);
    if (r < 0) {
        blz_log("BLZ: Failed to write: %s", err.message());
        return false;
    }
    return true;
}

} // namespace

bool blz_char_subscribe(blz_char* ch, blz_notify_handler_t cb, void* user) {
    BlzBusLock lock(ch->ctx);
    ch->notify_cb = cb;
    ch->notify_user = user;
    if (!ch->notify_slot) {
        sd_bus_slot* s = nullptr;
        const int r =
            sd_bus_match_signal(ch->ctx->bus.get(), &s, BLZ_BUS_NAME, ch->path, BLZ_PROPS_IFACE,
                                "PropertiesChanged", on_char_changed, ch);
        ch->notify_slot.reset(s);
        if (r < 0) {
            blz_log("BLZ: Failed to watch %s: %s", ch->path, strerror(-r));
            return false;
        }
    }
    BlzError err;
    const int r = sd_bus_call_method(ch->ctx->bus.get(), BLZ_BUS_NAME, ch->path, BLZ_CHAR_IFACE,
                                     "StartNotify", err.get(), nullptr, "");
    if (r < 0) {
        blz_log("BLZ: Failed to start notify: %s rcm=%d", err.message(), r);
        return false;
    }
    return true;
}

int blz_char_read(blz_char* ch, uint8_t* buf, size_t len) {
    if (!(ch->flags & BLZ_CHAR_READ)) {
        blz_log("BLZ: Characteristic does not support read");
        return 0;
    }
    BlzBusLock lock(ch->ctx);
    sd_bus_message* raw = nullptr;
    int r = sd_bus_message_new_method_call(ch->ctx->bus.get(), &raw, BLZ_BUS_NAME, ch->path,
                                           BLZ_CHAR_IFACE, "ReadValue");
    BlzMessage call(raw);
    if (r >= 0)
        r = append_empty_options(call.get());
    BlzError err;
    sd_bus_message* rawReply = nullptr;
    if (r >= 0)
        r = sd_bus_call(ch->ctx->bus.get(), call.get(), 0, err.get(), &rawReply);
    BlzMessage reply(rawReply);
    if (r < 0) {
        blz_log("BLZ: Failed to read: %s", err.message());
        return -1;
    }
    const void* data = nullptr;
    size_t got = 0;
    if ((r = sd_bus_message_read_array(reply.get(), 'y', &data, &got)) < 0) {
        blz_log("BLZ: Failed to read: %s", strerror(-r));
        return -1;
    }
    if (buf != nullptr && got > 0)
        memcpy(buf, data, got < len ? got : len);
    return static_cast<int>(got);
}

bool blz_char_write(blz_char* ch, const uint8_t* data, size_t len) {
    return write_value(ch, data, len);
}

bool blz_char_write_cmd(blz_char* ch, const uint8_t* data, size_t len) {
    return write_value(ch, data, len);
}

bool blz_char_write_callback(blz_char* ch, const uint8_t* data, size_t len, blz_notify_handler_t cb,
                             void* user) {
    return write_value(ch, data, len) && blz_char_notify_start(ch, cb, user);
}

bool blz_char_notify_start(blz_char* ch, blz_notify_handler_t cb, void* user) {
    if (!(ch->flags & (BLZ_CHAR_NOTIFY | BLZ_CHAR_INDICATE))) {
        blz_log("BLZ: Characteristic does not support notify");
        return false;
    }
    if (!blz_char_subscribe(ch, cb, user))
        return false;
    return blz_loop_wait(ch->ctx, &ch->notifying, kNotifyStartWaitMs) == 0;
}

bool blz_char_indicate_start(blz_char* ch, blz_notify_handler_t cb, void* user) {
    return blz_char_notify_start(ch, cb, user);
}

bool blz_char_notify_stop(blz_char* ch) {
    BlzBusLock lock(ch->ctx);
    if (!ch->notify_slot)
        return false;
    BlzError err;
    const int r = sd_bus_call_method(ch->ctx->bus.get(), BLZ_BUS_NAME, ch->path, BLZ_CHAR_IFACE,
                                     "StopNotify", err.get(), nullptr, "");
    if (r < 0)
        blz_log("BLZ: Failed to stop notify: %s", err.message());
    ch->notify_slot.reset();
    ch->notify_cb = nullptr;
    ch->notify_user = nullptr;
    ch->notifying.store(false);
    return r >= 0;
}

void blz_char_free(blz_char* ch) {
    if (ch == nullptr)
        return;
    // The report thread works on ch until it is joined.
    if (ch->deferred && ch->dev != nullptr && ch->dev->thread.joinable())
        blz_end_read_device_process(ch);
    {
        BlzBusLock lock(ch->ctx);
        ch->notify_slot.reset();
    }
    delete ch;
}
