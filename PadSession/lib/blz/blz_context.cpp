#include "blz_internal.h"

#include <chrono>
#include <errno.h>
#include <poll.h>
#include <stdio.h>
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
    int r = sd_bus_open_system(&bus);
    ctx->bus.reset(bus);
    if (r < 0) {
        blz_log("BLZ: Failed to connect to system bus: %s", strerror(-r));
        return nullptr;
    }
    BlzError err;
    r = sd_bus_set_property(ctx->bus.get(), BLZ_BUS_NAME, ctx->path, BLZ_ADAPTER_IFACE, "Powered",
                            err.get(), "b", 1);
    if (r < 0) {
        if (err.is(BLZ_ERR_UNKNOWN_OBJECT))
            blz_log("BLZ: Adapter %s not known", adapter);
        else
            blz_log("BLZ: bluetooth not power on: %s", err.message());
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
