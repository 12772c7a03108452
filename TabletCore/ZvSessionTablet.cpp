#include "ZvSessionTablet.h"

#include "ZvLog.h"

#include <assert.h>

ZvSessionTablet::~ZvSessionTablet() {
    close();
}

void ZvSessionTablet::init(const G_DLL_FUNC_HANDLE& h) {
    _dll = nullptr;
    zvtc_open = h.zvtc_open;
    zvtc_close = h.zvtc_close;
    zvtc_read = h.zvtc_read;
    zvtc_start_read = h.zvtc_start_read;
    zvtc_get_str_desc = h.zvtc_get_str_desc;
    zvtc_alive = h.zvtc_alive;
    zvtc_hold_back = h.zvtc_hold_back;
    zvtc_check_usb_dev = h.zvtc_check_usb_dev;
    zvtc_check_blz_dev = h.zvtc_check_blz_dev;
}

th_i16 ZvSessionTablet::open(th_fOnOpened onOpened, th_fOnClosed onClosed,
                             th_fOnGotStringDesc onGot, th_fOnRead onRead) {
    assert(onOpened && onClosed && onGot && onRead);
    if (zvtc_open == nullptr)
        return -1;
    ZvTabletOpenPatam p{};
    p.onOpened = onOpened;
    p.onClosed = onClosed;
    p.onGot = onGot;
    p.onRead = onRead;
    p.context = this;
    p.tsfafBits = 0;
    p.tspfFlag = 0;
    const th_i16 r = zvtc_open(&p);
    _asyncFlag = p.tsfafBits;
    _protocolFlag = p.tspfFlag;
    // -2 is an open still in progress: the session exists and must be closed later.
    _opened = r >= 0 || r == -2;
    return r;
}

void ZvSessionTablet::close() {
    if (!_opened || zvtc_close == nullptr)
        return;
    _opened = false;
    zvtc_close(this);
}

void ZvSessionTablet::holdBack() {
    if (_opened && zvtc_hold_back != nullptr)
        (void)zvtc_hold_back(this);
}

th_i16 ZvSessionTablet::read(th_u8* buf, th_u16 bufSize) {
    return zvtc_read ? zvtc_read(this, buf, bufSize) : -1;
}

void ZvSessionTablet::startRead(th_u8 stat) {
    if (zvtc_start_read)
        (void)zvtc_start_read(this, stat);
}

th_i16 ZvSessionTablet::reqCmd(th_u8 cmd, th_u8* buf, th_u16 bufSize) {
    zv_log_out(ZV_LL_INFO, "ZvSessionTablet::reqCmd(cmd:%d, , )", cmd);
    return zvtc_get_str_desc ? zvtc_get_str_desc(this, cmd, buf, bufSize) : -1;
}

th_i16 ZvSessionTablet::alive() {
    return zvtc_alive ? zvtc_alive(this) : -1;
}
