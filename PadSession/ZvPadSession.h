// One session of the pool g_ts: the transports it can open a tablet with and the state the caller
// sees through its context. The pool's functions choose and release sessions.
#pragma once

#include "ZvBluetooth.h"
#include "ZvProtocol.h"
#include "ZvUsb.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

class ZvPadSession {
public:
    ZvPadSession();
    ~ZvPadSession();
    ZvPadSession(const ZvPadSession&) = delete;
    ZvPadSession& operator=(const ZvPadSession&) = delete;

    // The pool. Opening, closing and the probes choose and release sessions under one lock, so
    // that the core may probe on its main thread while tablet threads open and close. Nothing
    // that waits for BlueZ runs under it: a Bluetooth open reserves its session and then each
    // candidate's key under the lock and talks to BlueZ without it, and the Bluetooth probe only
    // asks the pool whether a key is taken.

    // 0 with a session opened for param->context, -1 when none is free or nothing opened.
    static th_i16 openFree(PZvTabletOpenPatam param);
    // Closes the session of context, if any; once it returns no report reaches its onRead. A
    // session still opening over Bluetooth is closed once its open has ended.
    static void closeClient(void* context);
    // A call in flight on the open session of a context. While one exists the session's device
    // stays open: a close from another thread (the core's quit path closes every tablet from its
    // own thread) waits until the call has returned. Lock-free to take, so that a tablet thread
    // never waits for the other session's open or probe.
    class Use {
    public:
        explicit Use(void* context);
        ~Use();
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;
        // The session, or null when context has no open session.
        ZvPadSession* get() const { return _session; }

    private:
        ZvPadSession* _session = nullptr;
    };
    // The device of context's session is not offered again (to an open or a probe) while it
    // stays attached: the caller gave it back on purpose (its start-up failed, or it was told to
    // leave the tablets alone). Closing a USB device hands it back to the kernel, which announces
    // it anew; without this the caller would take that for a new tablet and reopen it. 0, or -4
    // for an unknown context. Bluetooth sessions hold no key and are not affected.
    static th_i16 holdBack(void* context);
    // Whether the device of this key was held back. With the pool lock held.
    static bool isHeldBack(const char* key);
    // Keeps only the held-back devices among `keys` (those attached now) that kept their
    // kernel address: a device that comes back after leaving is a new plug, also when it came
    // back to the same port, so under the same key, before anybody enumerated. With the pool
    // lock held.
    static void forgetDetached(const char* const* keys, size_t count);
    static bool probeUsb(char* path);
    static bool probeBle(char* path);
    // Whether a session holds the device of this key. Called by the transports with the pool
    // lock held; an empty key matches nothing.
    static bool isMatchTabletOpenning(const char* key);
    // The same, taking the pool lock; for the Bluetooth probe.
    static bool isKeyTaken(const char* key);
    // The Bluetooth open's reservation of the candidate it is about to talk to: makes key the
    // device key of context's session unless a session holds it already (false, nothing
    // changed). Takes the pool lock.
    static bool claimKey(ZvSessionContext& context, const char* key);
    // Gives a key taken by claimKey back. Takes the pool lock.
    static void unclaimKey(ZvSessionContext& context);

    th_i16 read(th_u8* buf);
    th_i16 startRead(th_u8 stat);
    th_i16 getStringDesc(th_u16 index, th_u8* buf, th_u32 bufLen);
    bool alive();

private:
    // Takes the free session for param (callbacks and context) and tries USB; with the lock
    // held. 0 when USB opened, 1 when Bluetooth is to be tried, -1 when nothing opened.
    th_i16 openUsb(PZvTabletOpenPatam param);
    // With the lock held, after a failed open: frees the session and, when no device of the HID
    // layer is open any more, shuts that layer down.
    void failOpen();
    // Closes the device; may wait for a running report callback, so it runs without the lock.
    void closeTransport();
    // Frees the session, device key included; with the lock held.
    void release();
    void clearContext();
    // Counts a caller in; true when the session is open for context (the caller must leave()
    // either way).
    bool enter(void* context);
    void leave();
    // Waits until no call is inside the session; _client is already null, so none can enter.
    void waitIdle();

    // First, so that it exists before the transports bind their references to it.
    ZvSessionContext _context{};
    ZvUsb _usbhid;
    ZvBluetooth _bluetooth;
    ZvProtocol* _protocol = nullptr;
    // idClient of an open session, published once it is fully open.
    std::atomic<void*> _client{nullptr};
    bool _closing = false;
    // A Bluetooth open runs without the pool lock; a close of the same context (the core's quit
    // path, from another thread) waits for it to end. Under the pool lock.
    bool _opening = false;
    // Calls inside the session (see Use); close waits on _idle for the count to reach 0.
    std::atomic<int> _users{0};
    std::mutex _usersLock;
    std::condition_variable _idle;
};
