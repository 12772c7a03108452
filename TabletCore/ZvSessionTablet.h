// One tablet's session in libpadsession. The object's own address is the session context: the
// library hands it back to the callbacks, and the worker finds itself from it.
#pragma once

#include "ZvPadSessionDll.h"

class ZvSessionTablet {
public:
    ZvSessionTablet() = default;
    ~ZvSessionTablet();
    ZvSessionTablet(const ZvSessionTablet&) = delete;
    ZvSessionTablet& operator=(const ZvSessionTablet&) = delete;

    // Copies the resolved functions; a table without them leaves every call a no-op failure.
    void init(const G_DLL_FUNC_HANDLE& h);

    // The library's result: >= 0 open, -2 the open completes later through onOpened, other
    // negative values failure. The flags the library wrote back are kept in every case.
    th_i16 open(th_fOnOpened onOpened, th_fOnClosed onClosed, th_fOnGotStringDesc onGot,
                th_fOnRead onRead);
    // Closes the session once; later calls do nothing.
    void close();
    // Asks the library not to offer this session's device again until it has been unplugged
    // (before close). Does nothing when the session is not open.
    void holdBack();
    th_i16 read(th_u8* buf, th_u16 bufSize);
    void startRead(th_u8 stat);
    // Command answers land in buf (payload at byte 0) on synchronous sessions.
    th_i16 reqCmd(th_u8 cmd, th_u8* buf, th_u16 bufSize);
    th_i16 alive();

    bool isAsyncRead() const { return (_asyncFlag & 0x4u) != 0; }
    bool isAsyncCmd() const { return (_asyncFlag & 0x8u) != 0; }
    bool haveAsync() const { return (_asyncFlag & 0xFu) != 0; }
    th_u8 getProtocolFlag() const { return _protocolFlag; }

    void* _dll = nullptr;
    th_u32 _asyncFlag = 0;
    th_u8 _protocolFlag = 0;
    bool _opened = false;
    th_i16 (*zvtc_open)(PZvTabletOpenPatam) = nullptr;
    void (*zvtc_close)(void*) = nullptr;
    th_i16 (*zvtc_read)(void*, th_u8*, th_u16) = nullptr;
    th_i16 (*zvtc_start_read)(void*, th_u8) = nullptr;
    th_i16 (*zvtc_get_str_desc)(void*, th_u8, th_u8*, th_u16) = nullptr;
    th_i16 (*zvtc_alive)(void*) = nullptr;
    th_i16 (*zvtc_hold_back)(void*) = nullptr;
    bool (*zvtc_check_usb_dev)(char*) = nullptr;
    bool (*zvtc_check_blz_dev)(char*) = nullptr;
};
