#include "ZvThread.h"

#include "ZvLog.h"

#include <sys/syscall.h>
#include <unistd.h>

namespace {

long thread_id() {
    return static_cast<long>(syscall(SYS_gettid));
}

} // namespace

ZvThread::ZvThread() {
    zv_log_out(ZV_LL_INFO, " ZvThread m_runFlag\t= 0 ");
}

// A thread is never left unjoined. A subclass whose run() uses its own members must stop the
// thread in its own destructor (waitQuit) before those members go; by the time this one runs,
// only a thread that has already finished, or one that touches nothing but the base, is safe.
ZvThread::~ZvThread() { waitQuit(); }

bool ZvThread::start(const char* callFuncName) {
    m_reqQuit = false;
    pthread_barrier_init(&m_barrier, nullptr, 2);
    m_handle = pthread_create(&m_tid, nullptr, &ZvThread::threadFunc, this);
    const bool created = m_handle == 0;
    m_running.store(created, std::memory_order_release);
    zv_log_out(ZV_LL_INFO, " thread start m_handle=%d m_running =%d", m_handle, created);
    if (!created) {
        pthread_barrier_destroy(&m_barrier);
        return false;
    }
    m_started = true;
    // Returns only once the new thread has finished init().
    pthread_barrier_wait(&m_barrier);
    zv_log_out(ZV_LL_INFO, "ZvThread::start(%s) pid=%ld", callFuncName ? callFuncName : "",
               thread_id());
    return true;
}

ZvThread& ZvThread::reqQuit() {
    m_reqQuit = true;
    zv_log_out(ZV_LL_NOTICE, "ZvThread:reqQuit m_runFlag\t= 0");
    m_runFlag.store(0, std::memory_order_release);
    resume();
    return *this;
}

void ZvThread::waitQuit() {
    reqQuit();
    if (!m_started)
        return;
    // A worker that stops itself must not join its own thread.
    if (pthread_equal(m_tid, pthread_self()))
        return;
    zv_log_out(ZV_LL_INFO, "ZvThread::waitQuit() WaitForSingleObject(%lx, )",
               static_cast<unsigned long>(thread_id()));
    pthread_join(m_tid, nullptr);
    pthread_barrier_destroy(&m_barrier);
    m_started = false;
    m_handle = 0;
    m_tid = pthread_t{};
    zv_log_out(ZV_LL_INFO, "ZvThread::waitQuit() end");
}

void ZvThread::zero(ZvThread** ppt) {
    if (ppt == nullptr || *ppt == nullptr)
        return;
    (*ppt)->waitQuit();
    delete *ppt;
    *ppt = nullptr;
}

void* ZvThread::threadFunc(void* arg) {
    auto* self = static_cast<ZvThread*>(arg);
    zv_log_out(ZV_LL_INFO, "Thread::threadFunc(%p) %lx begin", arg,
               static_cast<unsigned long>(thread_id()));
    self->m_reqQuit = false;
    self->m_runFlag.store(1, std::memory_order_release);
    const bool ok = self->init();
    pthread_barrier_wait(&self->m_barrier);
    zv_log_out(ZV_LL_INFO, "thread run start ------ ^_^ ------ ");
    if (ok) {
        zv_log_out(ZV_LL_INFO, " init ok  start run  @_@  p->m_runFlag=%d ",
                   static_cast<int>(self->m_runFlag.load()));
        while (self->m_runFlag.load(std::memory_order_acquire) != 0) {
            self->run();
            // Keeps a run() that returns at once from spinning.
            usleep(100);
        }
    }
    zv_log_out(ZV_LL_NOTICE, " thread run out ------ *o* ------ !\n");
    self->uninit();
    zv_log_out(ZV_LL_INFO, "ZvThread::threadFunc %lx end", static_cast<unsigned long>(thread_id()));
    self->m_running.store(false, std::memory_order_release);
    return nullptr;
}
