#include "blz_internal.h"

#include <chrono>
#include <errno.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/eventfd.h>

BlzBusLock::~BlzBusLock() {
    _lock.unlock();
    if (_ctx->pumping.load(std::memory_order_acquire) &&
        _ctx->pump_id.load() != std::this_thread::get_id())
        blz_kick(_ctx);
}

void blz_kick(blz_context* ctx) {
    const uint64_t one = 1;
    (void)!write(ctx->kick.get(), &one, sizeof one);
}

void blz_progress(blz_context* ctx) {
    // Taking the lock orders this wake-up after the flag a callback set, against a waiter that
    // tests the flag under the same lock.
    { std::lock_guard<std::mutex> guard(ctx->progress_lock); }
    ctx->progress.notify_all();
}

namespace {

const char* const kDBusName = "org.freedesktop.DBus";

// sd_bus_open_system, but with the client's call time-out in place before the first call (the
// Hello of a new connection included).
int open_system_bus(sd_bus** out) {
    sd_bus* raw = nullptr;
    int r = sd_bus_new(&raw);
    BlzBus bus(raw);
    if (r < 0)
        return r;
    const char* address = secure_getenv("DBUS_SYSTEM_BUS_ADDRESS");
    if ((r = sd_bus_set_method_call_timeout(bus.get(), BLZ_CALL_TIMEOUT_USEC)) < 0 ||
        (r = sd_bus_set_address(bus.get(), address != nullptr && address[0] != '\0'
                                               ? address
                                               : "unix:path=/run/dbus/system_bus_socket")) < 0 ||
        (r = sd_bus_set_bus_client(bus.get(), 1)) < 0 || (r = sd_bus_start(bus.get())) < 0)
        return r;
    *out = bus.release();
    return 0;
}

int on_owner_changed(sd_bus_message* m, void* user, sd_bus_error*) {
    blz_context* ctx = static_cast<blz_context*>(user);
    // Only the bus itself announces owners; nobody else can send as "org.freedesktop.DBus".
    const char* sender = sd_bus_message_get_sender(m);
    const char *name = nullptr, *from = nullptr, *to = nullptr;
    if (sender == nullptr || strcmp(sender, kDBusName) != 0 ||
        sd_bus_message_read(m, "sss", &name, &from, &to) < 0 || strcmp(name, BLZ_BUS_NAME) != 0)
        return 0;
    if (strcmp(ctx->owner, to) != 0)
        blz_log("BLZ: %s is now owned by '%s'", BLZ_BUS_NAME, to);
    snprintf(ctx->owner, sizeof ctx->owner, "%s", to);
    return 0;
}

// Subscribes to owner changes first, then asks for the owner, so that no change falls between.
bool track_owner(blz_context* ctx) {
    sd_bus_slot* slot = nullptr;
    int r = sd_bus_add_match(ctx->bus.get(), &slot,
                             "type='signal',sender='org.freedesktop.DBus',"
                             "path='/org/freedesktop/DBus',interface='org.freedesktop.DBus',"
                             "member='NameOwnerChanged',arg0='" BLZ_BUS_NAME "'",
                             on_owner_changed, ctx);
    ctx->owner_slot.reset(slot);
    if (r < 0) {
        blz_log("BLZ: Failed to watch the owner of %s: %s", BLZ_BUS_NAME, strerror(-r));
        return false;
    }
    BlzError err;
    sd_bus_message* reply = nullptr;
    r = sd_bus_call_method(ctx->bus.get(), kDBusName, "/org/freedesktop/DBus", kDBusName,
                           "GetNameOwner", err.get(), &reply, "s", BLZ_BUS_NAME);
    BlzMessage owned(reply);
    const char* owner = nullptr;
    if (r >= 0)
        r = sd_bus_message_read(reply, "s", &owner);
    if (r < 0) {
        blz_log("BLZ: %s is not on the bus: %s", BLZ_BUS_NAME, err.message());
        return false;
    }
    snprintf(ctx->owner, sizeof ctx->owner, "%s", owner);
    return true;
}

} // namespace

bool blz_from_bluez(blz_context* ctx, sd_bus_message* m) {
    const char* sender = sd_bus_message_get_sender(m);
    if (sender != nullptr && ctx->owner[0] != '\0' && strcmp(sender, ctx->owner) == 0)
        return true;
    // Said once per power of two: whoever floods the bus with forgeries does not flood the log.
    const unsigned n = ++ctx->forged;
    if ((n & (n - 1)) != 0)
        return false;
    blz_log("BLZ: signal %s.%s of %s from %s, not from %s, dropped (%u so far)",
            sd_bus_message_get_interface(m) ? sd_bus_message_get_interface(m) : "?",
            sd_bus_message_get_member(m) ? sd_bus_message_get_member(m) : "?",
            sd_bus_message_get_path(m) ? sd_bus_message_get_path(m) : "?",
            sender ? sender : "(nobody)", BLZ_BUS_NAME, n);
    return false;
}

blz_context* blz_init(const char* adapter) {
    std::unique_ptr<blz_context> ctx(new (std::nothrow) blz_context());
    if (!ctx) {
        blz_log("BLZ: blz_context alloc failed");
        return nullptr;
    }
    const int n = snprintf(ctx->path, sizeof ctx->path, "/org/bluez/%s", adapter ? adapter : "");
    if (adapter == nullptr || n <= 0 || size_t(n) >= sizeof ctx->path) {
        blz_log("BLZ: Adapter %s not known", adapter ? adapter : "(null)");
        return nullptr;
    }
    ctx->kick = BlzFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (ctx->kick.get() < 0) {
        blz_log("BLZ: eventfd failed: %s", strerror(errno));
        return nullptr;
    }
    // A connection of our own rather than the thread's default one: it is shared between the
    // tablet thread and the report thread, under the context's lock.
    sd_bus* bus = nullptr;
    int r = open_system_bus(&bus);
    ctx->bus.reset(bus);
    if (r < 0) {
        blz_log("BLZ: Failed to connect to system bus: %s", strerror(-r));
        return nullptr;
    }
    if (!track_owner(ctx.get()))
        return nullptr;
    // Looked at, never switched: an adapter that is off has nothing connected to offer.
    BlzError err;
    int powered = 0;
    r = sd_bus_get_property_trivial(ctx->bus.get(), BLZ_BUS_NAME, ctx->path, BLZ_ADAPTER_IFACE,
                                    "Powered", err.get(), 'b', &powered);
    if (r < 0) {
        if (err.is(BLZ_ERR_UNKNOWN_OBJECT))
            blz_log("BLZ: Adapter %s not known", adapter);
        else
            blz_log("BLZ: bluetooth not power on: %s", err.message());
        return nullptr;
    }
    if (!powered) {
        blz_log("BLZ: bluetooth not power on: adapter %s is off", adapter);
        return nullptr;
    }
    return ctx.release();
}

void blz_fini(blz_context* ctx) {
    delete ctx;
}

int blz_get_fd(blz_context* ctx) {
    BlzBusLock lock(ctx);
    return sd_bus_get_fd(ctx->bus.get());
}

bool blz_handle_read(blz_context* ctx) {
    BlzBusLock lock(ctx);
    int r;
    while ((r = sd_bus_process(ctx->bus.get(), nullptr)) > 0) {
    }
    if (r < 0)
        blz_log("BLZ: Failed to process bus: %s", strerror(-r));
    return r >= 0;
}

bool blz_loop_one(blz_context* ctx, int timeout_ms) {
    struct pollfd fds[2];
    int timeout = timeout_ms;
    {
        BlzBusLock lock(ctx);
        const int r = sd_bus_process(ctx->bus.get(), nullptr);
        if (r < 0) {
            blz_log("BLZ: Failed to process bus: %s", strerror(-r));
            return false;
        }
        if (r > 0)
            return true;
        const int events = sd_bus_get_events(ctx->bus.get());
        fds[0].fd = sd_bus_get_fd(ctx->bus.get());
        fds[0].events = static_cast<short>(events > 0 ? events : POLLIN);
        uint64_t until = 0;
        if (sd_bus_get_timeout(ctx->bus.get(), &until) > 0 && until != UINT64_MAX) {
            struct timespec ts;
            clock_gettime(CLOCK_MONOTONIC, &ts);
            const uint64_t now = uint64_t(ts.tv_sec) * 1000000u + uint64_t(ts.tv_nsec) / 1000u;
            const int ms = until <= now ? 0 : int((until - now + 999) / 1000);
            if (timeout < 0 || ms < timeout)
                timeout = ms;
        }
    }
    fds[1].fd = ctx->kick.get();
    fds[1].events = POLLIN;
    // Only the pump listens for kicks; another thread stepping the loop has nobody to wake it.
    const bool isPump = ctx->pumping.load(std::memory_order_acquire) &&
                        ctx->pump_id.load() == std::this_thread::get_id();
    const int r = poll(fds, isPump ? 2 : 1, timeout);
    if (r < 0 && errno != EINTR) {
        blz_log("BLZ: poll failed: %s", strerror(errno));
        return false;
    }
    if (isPump && r > 0 && (fds[1].revents & POLLIN)) {
        uint64_t count;
        (void)!read(ctx->kick.get(), &count, sizeof count);
    }
    return true;
}

namespace {

long long now_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

int blz_loop_wait(blz_context* ctx, const std::atomic<bool>* flag, int timeout_ms) {
    const long long end = now_ms() + timeout_ms;
    for (;;) {
        if (flag->load(std::memory_order_acquire))
            return 0;
        const long long left = end - now_ms();
        if (left <= 0)
            return -1;
        const bool otherPump = ctx->pumping.load(std::memory_order_acquire) &&
                               ctx->pump_id.load() != std::this_thread::get_id();
        if (otherPump) {
            // The report thread dispatches; wait for it to make progress.
            std::unique_lock<std::mutex> lock(ctx->progress_lock);
            ctx->progress.wait_for(lock, std::chrono::milliseconds(left), [&] {
                return flag->load(std::memory_order_acquire) ||
                       !ctx->pumping.load(std::memory_order_acquire);
            });
            continue;
        }
        if (!blz_loop_one(ctx, int(left)))
            return -2;
    }
}

void blz_loop_wait_nocheck(blz_context* ctx, int timeout_ms) {
    const std::atomic<bool> never{false};
    (void)blz_loop_wait(ctx, &never, timeout_ms);
}
