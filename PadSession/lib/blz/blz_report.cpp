// The report thread: the pump of a context while reports flow.
#include "blz_internal.h"

namespace {

// An idle report stream costs no wake-ups: the thread sleeps in poll until the bus has data or
// someone kicks it (another thread used the bus, or the thread is to end).
constexpr int kIdleWaitMs = -1;

void report_loop(blz_char* ch, std::mutex* startLock, std::condition_variable* started,
                 bool* startDone) {
    blz_context* ctx = ch->ctx;
    blz_dev* dev = ch->dev;
    ctx->pump_id.store(std::this_thread::get_id());
    ctx->pumping.store(true, std::memory_order_release);
    {
        // Notifications are on before start returns, so nothing sent after it is lost.
        blz_notify_handler_t cb;
        void* user;
        {
            BlzBusLock lock(ctx);
            cb = ch->notify_cb;
            user = ch->notify_user;
        }
        (void)blz_char_subscribe(ch, cb, user);
        std::lock_guard<std::mutex> guard(*startLock);
        *startDone = true;
        started->notify_all();
    }
    blz_log("report blz thread ^_^ ");
    std::vector<std::vector<uint8_t>> batch;
    while (!dev->shutdown_thread.load(std::memory_order_acquire)) {
        if (!blz_loop_one(ctx, kIdleWaitMs)) {
            // The connection itself is broken (the bus or BlueZ went away): nothing will come
            // any more, and spinning on it would only fill the log. The device is gone.
            blz_log("blz_loop_one false!!! ");
            dev->shutdown_thread.store(1, std::memory_order_release);
            break;
        }
        blz_notify_handler_t cb;
        void* user;
        {
            BlzBusLock lock(ctx);
            batch.swap(ch->pending);
            cb = ch->notify_cb;
            user = ch->notify_user;
        }
        blz_progress(ctx);
        for (const auto& value : batch) {
            if (dev->shutdown_thread.load(std::memory_order_acquire))
                break;
            if (cb != nullptr)
                cb(value.data(), value.size(), ch, user);
        }
        batch.clear();
    }
    ctx->pumping.store(false, std::memory_order_release);
    blz_progress(ctx);
    blz_log("report blz thread *o* ");
    // Set only by this thread (blz_hand_over_report_thread); may free ch, dev and ctx.
    if (ch->at_exit != nullptr) {
        void (*fn)(void*) = ch->at_exit;
        fn(ch->at_exit_arg);
    }
}

} // namespace

bool blz_start_read_device_process(blz_char* ch, blz_notify_handler_t cb, void* user) {
    if (!(ch->flags & (BLZ_CHAR_NOTIFY | BLZ_CHAR_INDICATE))) {
        blz_log("BLZ: Characteristic does not support notify");
        return false;
    }
    if (ch->dev->thread.joinable())
        return false;
    {
        BlzBusLock lock(ch->ctx);
        ch->notify_cb = cb;
        ch->notify_user = user;
        ch->deferred = true;
    }
    std::mutex startLock;
    std::condition_variable started;
    bool startDone = false;
    // Held until the thread handle is stored: the thread delivers nothing before it has taken
    // this lock, and a callback that ends its own stream takes the handle over.
    std::unique_lock<std::mutex> lock(startLock);
    try {
        ch->dev->thread = std::thread(report_loop, ch, &startLock, &started, &startDone);
    } catch (const std::system_error& e) {
        blz_log("BLZ: report thread failed: %s", e.what());
        return false;
    }
    started.wait(lock, [&] { return startDone; });
    return true;
}

void blz_end_read_device_process(blz_char* ch) {
    blz_dev* dev = ch->dev;
    dev->shutdown_thread.store(1, std::memory_order_release);
    blz_kick(ch->ctx);
    if (dev->thread.joinable())
        dev->thread.join();
}

bool blz_on_report_thread(const blz_char* ch) {
    return ch != nullptr && ch->dev != nullptr && ch->dev->thread.joinable() &&
           ch->dev->thread.get_id() == std::this_thread::get_id();
}

std::thread blz_hand_over_report_thread(blz_char* ch, void (*at_exit)(void*), void* arg) {
    blz_dev* dev = ch->dev;
    dev->shutdown_thread.store(1, std::memory_order_release);
    ch->at_exit = at_exit;
    ch->at_exit_arg = arg;
    return std::move(dev->thread);
}
