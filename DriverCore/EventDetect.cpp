#include "EventDetect.h"

#include "ZvCoreNotify.h"
#include "ZvLog.h"
#include "ZvMsg.h"
#include "ZvUiBridgeDll.h"

#include <chrono>
#include <condition_variable>
#include <errno.h>
#include <linux/netlink.h>
#include <mutex>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

std::atomic<uint8_t> g_run_flag{0};

namespace {

std::atomic<int64_t> g_timeTickSave{0};

int64_t now_ms() {
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    return static_cast<int64_t>(tv.tv_sec) * 1000 + tv.tv_usec / 1000;
}

void resume_tick_now() {
    int64_t last = g_timeTickSave.load();
    const int64_t now = now_ms();
    const bool resumed = zv_resume_tick(now, &last);
    g_timeTickSave = last;
    // The ticker starts before the messaging library is bound; it posts only once the dispatcher
    // exists (g_run_flag is set after the binding, which makes the binding visible here).
    if (resumed && g_run_flag.load() != 0)
        notify_core_msg(ZVMC_CORE_USB_ON);
}

} // namespace

void notify_core_msg(th_u16 cmd) {
    ZvMsg m;
    memset(&m, 0, sizeof m);
    m.head.cmd = cmd;
    m.head.pid = static_cast<th_u64>(getpid());
    m.head.hwnd = 0;
    (void)zvuc_send_self_msg(&m);
}

th_u16 zv_classify_uevent(const char* buf) {
    if (buf == nullptr || strstr(buf, "FFFF") != nullptr || strstr(buf, "hidraw/") == nullptr ||
        strstr(buf, "7D3A:") == nullptr)
        return 0;
    const bool add = strstr(buf, "add@") != nullptr;
    const bool remove = strstr(buf, "remove@") != nullptr;
    if (add && strstr(buf, "usb") != nullptr)
        return ZVMC_CORE_USB_ON;
    if (remove && strstr(buf, "usb") != nullptr)
        return ZVMC_CORE_USB_OFF;
    if (add && strstr(buf, "uhid") != nullptr)
        return ZVMC_CORE_BLZ_ON;
    if (remove && strstr(buf, "uhid") != nullptr)
        return ZVMC_CORE_BLZ_OFF;
    return 0;
}

th_u16 check_do_command(const char* buf) {
    const th_u16 cmd = zv_classify_uevent(buf);
    switch (cmd) {
    case ZVMC_CORE_USB_ON:
        zv_log_out(ZV_LL_INFO, "USB device 7d3a add !! \n");
        break;
    case ZVMC_CORE_USB_OFF:
        zv_log_out(ZV_LL_INFO, "USB device 7d3a remove !! \n");
        break;
    case ZVMC_CORE_BLZ_ON:
        zv_log_out(ZV_LL_INFO, "Bluetooth device 7d3a add !! \n");
        break;
    case ZVMC_CORE_BLZ_OFF:
        zv_log_out(ZV_LL_INFO, "Bluetooth device 7d3a remove !! \n");
        break;
    default:
        return 0;
    }
    notify_core_msg(cmd);
    return cmd;
}

bool zv_resume_tick(int64_t nowMs, int64_t* lastMs) {
    const int64_t last = *lastMs;
    *lastMs = nowMs;
    if (last != 0 && nowMs - last > 2000) {
        printf("nTimePast=%d \n", static_cast<int>(nowMs - last));
        return true;
    }
    return false;
}

namespace {

// The resume check runs on a thread of our own rather than a POSIX timer's notification thread:
// glibc makes that helper thread behind the back of ThreadSanitizer, which then crashes the
// core in its allocator, and a thread of our own is stopped and joined like every other one.
struct ResumeTicker {
    std::mutex lock;
    std::condition_variable cv;
    bool stop = false;
    pthread_t tid{};
    bool running = false;
    // The thread belongs to the process that made it: a detached daemon (a child) has none, and
    // must not even take the lock, which the parent's thread may have held at the fork.
    std::atomic<pid_t> owner{0};
};
ResumeTicker g_ticker;

void* resume_ticker(void*) {
    std::unique_lock<std::mutex> hold(g_ticker.lock);
    for (;;) {
        // A monotonic wait: one tick a second while running; after a suspend the wait is
        // long over and the tick sees the wall-clock gap.
        if (g_ticker.cv.wait_for(hold, std::chrono::seconds(1), [] { return g_ticker.stop; }))
            return nullptr;
        hold.unlock();
        resume_tick_now();
        hold.lock();
    }
}

} // namespace

int zv_start_detection_timer() {
    std::lock_guard<std::mutex> hold(g_ticker.lock);
    if (g_ticker.running)
        return 0;
    g_ticker.stop = false;
    if (pthread_create(&g_ticker.tid, nullptr, &resume_ticker, nullptr) != 0) {
        printf("zv_start_detection_timer fail!!");
        return -1;
    }
    g_ticker.running = true;
    g_ticker.owner = getpid();
    return 0;
}

void zv_stop_detection_timer() {
    if (g_ticker.owner.load() != getpid())
        return;
    {
        std::lock_guard<std::mutex> hold(g_ticker.lock);
        if (!g_ticker.running)
            return;
        g_ticker.stop = true;
    }
    g_ticker.cv.notify_all();
    pthread_join(g_ticker.tid, nullptr);
    std::lock_guard<std::mutex> hold(g_ticker.lock);
    g_ticker.running = false;
}

bool zv_detection_timer_running() {
    if (g_ticker.owner.load() != getpid())
        return false;
    std::lock_guard<std::mutex> hold(g_ticker.lock);
    return g_ticker.running;
}

EventDetect::EventDetect(bool startTimer) {
    pthread_barrier_init(&m_barrier, nullptr, 2);
    if (startTimer)
        (void)zv_start_detection_timer();
}

EventDetect::~EventDetect() {
    stop_detect();
    pthread_barrier_destroy(&m_barrier);
    zv_stop_detection_timer();
}

bool EventDetect::start_detect() {
    _wake.reset(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    m_handle = pthread_create(&m_tid, nullptr, &EventDetect::detect, this);
    if (m_handle != 0) {
        zv_log_out(ZV_LL_INFO, "thread detect create error %d \n", m_handle);
        return false;
    }
    pthread_barrier_wait(&m_barrier);
    return true;
}

void EventDetect::stop_detect() {
    if (m_handle != 0)
        return;
    const uint64_t one = 1;
    if (write(_wake.get(), &one, sizeof one) < 0)
        zv_log_out(ZV_LL_ERR, "EventDetect: cannot wake the watcher: %s", strerror(errno));
    pthread_join(m_tid, nullptr);
    m_handle = -1;
}

void* EventDetect::detect(void* self) {
    static_cast<EventDetect*>(self)->loop();
    return nullptr;
}

void EventDetect::loop() {
    ZvUniqueFd sock(socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT));
    if (!sock.usable()) {
        zv_log_out(ZV_LL_ERR, "EventDetect: no uevent socket: %s", strerror(errno));
    } else {
        // Plugging a tablet in sends a burst of a dozen uevents (device, interfaces, HID, hiddev,
        // hidraw, binds), and this thread may be slow to read them: a buffer of a kilobyte or two
        // drops the hidraw one that matters, and the tablet would never be opened.
        const int size = kUeventBufferBytes;
        (void)setsockopt(sock.get(), SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
        struct sockaddr_nl addr;
        memset(&addr, 0, sizeof addr);
        addr.nl_family = AF_NETLINK;
        addr.nl_pid = static_cast<__u32>(getpid());
        addr.nl_groups = 1; // kernel events
        if (bind(sock.get(), reinterpret_cast<struct sockaddr*>(&addr), sizeof addr) != 0)
            zv_log_out(ZV_LL_ERR, "EventDetect: cannot bind the uevent socket: %s",
                       strerror(errno));
    }
    printf("USB dection test ");
    pthread_barrier_wait(&m_barrier);

    // No time-out: the stop request wakes the poll through _wake, so an idle core does not
    // wake up here at all.
    struct pollfd fds[2] = {{_wake.get(), POLLIN, 0}, {sock.get(), POLLIN, 0}};
    const nfds_t n = sock.usable() ? 2 : 1;
    while (g_run_flag.load() != 0) {
        fds[0].revents = fds[1].revents = 0;
        const int r = poll(fds, n, -1);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0 || (fds[0].revents & POLLIN) != 0)
            break;
        if ((fds[1].revents & POLLIN) == 0)
            continue;
        char buf[2048];
        memset(buf, 0, sizeof buf);
        const ssize_t got = recv(sock.get(), buf, sizeof buf - 1, 0);
        if (got < 0 && errno == ENOBUFS) {
            // Events were lost all the same: one of them may have been a tablet's. The probe
            // behind this message opens only a tablet that is really waiting.
            zv_log_out(ZV_LL_WARN, "EventDetect: uevents were lost; looking for tablets");
            notify_core_msg(ZVMC_CORE_USB_ON);
            continue;
        }
        if (got <= 0)
            continue;
        printf("--> %s\n", buf);
        _seen.fetch_add(1);
        (void)check_do_command(buf);
    }
}
