// The per-session state the transports see, and the abstract transport itself.
#pragma once

#include "ZvPadSessionApi.h"

enum { ZV_SESSION_KEY_LEN = 520 };

// One session's callbacks and the key of the device it holds. Cleared as a whole whenever the
// session becomes free.
struct _ZvSessionContext {
    th_fOnOpened onOpened;
    th_fOnClosed onClosed;
    th_fOnRead onRead;
    th_fOnGotStringDesc onGotStrDesc;
    void* idClient;                        // the caller's context; null while the session is free
    th_u32 usbID;                          // reserved, 0
    th_u32 hidID;                          // reserved, 0
    th_char bleID[ZV_SESSION_KEY_LEN];     // reserved, empty
    th_char usbIDPath[ZV_SESSION_KEY_LEN]; // key of the held device; empty when none
};
typedef struct _ZvSessionContext ZvSessionContext;

// A way to reach a tablet. The session forwards every call to the transport that opened it.
class ZvProtocol {
public:
    explicit ZvProtocol(ZvSessionContext& context) : _context(context) {}
    virtual ~ZvProtocol() = default;
    ZvProtocol(const ZvProtocol&) = delete;
    ZvProtocol& operator=(const ZvProtocol&) = delete;

    // Releases the device. Once it returns, no report of this transport reaches onRead.
    virtual void close() = 0;
    // Finds and opens a device no session holds; writes the capability bits.
    virtual bool open(th_u32* tsfafBits) = 0;
    // 2 while the device is there (reports come through onRead), negative once it is gone.
    virtual th_i16 read(th_u8* buf) = 0;
    virtual th_i16 startRead(th_u8 stat) = 0;
    // Command request: 0 with the answer's payload from buf[0], negative on failure.
    virtual th_i16 getStringDesc(th_u16 index, th_u8* buf, th_u32 bufLen) = 0;
    virtual bool alive() = 0;

protected:
    bool _bCallback = false;
    ZvSessionContext& _context;
};
