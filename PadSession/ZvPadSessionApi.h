// The exported interface of libpadsession, as the core binds it by name: the open request, the
// callbacks, the result codes and the ten exported functions. Plain C types only, so that the
// core can include this header without the library's internals.
#pragma once

#include "ZvType.h"

// Callbacks of the caller. Each receives the caller's own context pointer.
typedef void (*th_fOnOpened)(void* context);
typedef void (*th_fOnClosed)(void* context);
typedef void (*th_fOnGotStringDesc)(void* context, th_u8* buf);
typedef void (*th_fOnRead)(void* context, th_u8* buf);

// The open request, filled by the caller; tsfafBits and tspfFlag are written back.
struct _ZvTabletOpenPatam {
    th_fOnOpened onOpened;     // stored, never called by this library
    th_fOnClosed onClosed;     // stored, never called by this library
    th_fOnGotStringDesc onGot; // stored, never called by this library
    th_fOnRead onRead;         // called with (context, report) for every input report
    void* context;             // the caller's identity: non-null, unique among open sessions
    th_u32 tsfafBits;          // out: bit 2 asynchronous reads, bit 3 asynchronous commands
    th_u8 tspfFlag;            // out: transport used (ZV_TSPF_USB or ZV_TSPF_BLE)
};
typedef struct _ZvTabletOpenPatam ZvTabletOpenPatam;
typedef struct _ZvTabletOpenPatam* PZvTabletOpenPatam;

enum {
    ZV_TABLET_REPORT_LEN = 12,      // smallest read buffer
    _ZVS_STRING_DESC_MAX_LEN = 128, // smallest command buffer
    ZV_REPORT_DELIVER_LEN = 14, // bytes handed to onRead: longer reports are cut, shorter padded
    ZV_PROBE_PATH_MAX = 256,    // the probes write at most this many bytes, terminator included
};

// Transports, as written to tspfFlag.
enum { ZV_TSPF_USB = 0, ZV_TSPF_BLE = 2 };

// Result codes.
enum {
    ZV_OK = 0,
    ZV_ER_FAIL = -1,
    ZV_ER_CONTEXT = -4, // no session has this context
    ZV_ER_BLE_GONE = -6,
    ZV_ER_NODEV = -19,     // the USB device is gone
    ZV_READ_NO_REPORT = 2, // reports arrive only through onRead
};

extern "C" {

// Opens the first unclaimed tablet in a free session: 0, or -1 when no session is free or no
// tablet could be opened (the session stays free). param stays the caller's; the library keeps
// copies of its callbacks and context until zvtc_close.
th_i16 zvtc_open(PZvTabletOpenPatam param);

// Closes the session of context; unknown contexts are ignored. Once it returns, no onRead call
// for this session is running or will run.
void zvtc_close(void* context);

// 2 (reports come only through onRead), -19 once the device is gone, -1 without transport or
// with a buffer below ZV_TABLET_REPORT_LEN, -4 for an unknown context. buf is never written.
th_i16 zvtc_read(void* context, th_u8* buf, th_u16 bufSize);

// 0, -1 without transport, -4 for an unknown context.
th_i16 zvtc_start_read(void* context, th_u8 stat);

// Sends command `index` and writes its answer into buf (payload from byte 0): 0, -1 when the
// device does not answer, is gone or buf is below _ZVS_STRING_DESC_MAX_LEN, -4 for an unknown
// context. On failure buf[0] holds index when the request reached the device.
th_i16 zvtc_get_str_desc(void* context, th_u8 index, th_u8* buf, th_u16 bufSize);

// 0 when the transport reports its device present, else -1 (a USB transport never does).
th_i16 zvtc_alive(void* context);

// Holds back the device of context's session: neither zvtc_open nor zvtc_check_usb_device offers
// it again until it has left the bus (unplugged; plugged again it counts as new). For a caller
// that gives a tablet back on purpose, before zvtc_close. 0, or -4 for an unknown context.
th_i16 zvtc_hold_back(void* context);

// True when a USB tablet that no session holds (and that is not held back) is attached; its full
// HID path is then copied into path (at most ZV_PROBE_PATH_MAX bytes with the terminator).
bool zvtc_check_usb_device(char* path);

// The same for Bluetooth LE tablets; the USB-only build always returns false.
bool zvtc_check_blz_device(char* path);
}
