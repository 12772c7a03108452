// The exported functions: argument checks and result codes over the session pool.
#include "ZvLog.h"
#include "ZvPadSession.h"
#include "ZvPadSessionApi.h"

extern "C" {

ZV_EXPORT th_i16 zvtc_open(PZvTabletOpenPatam param) {
    if (param == nullptr || param->context == nullptr) {
        zv_log_out(ZV_LL_ERR, "zvtc_open: no open request or no context");
        return ZV_ER_FAIL;
    }
    return ZvPadSession::openFree(param);
}

ZV_EXPORT void zvtc_close(void* context) {
    ZvPadSession::closeClient(context);
}

ZV_EXPORT th_i16 zvtc_read(void* context, th_u8* buf, th_u16 bufSize) {
    ZvPadSession::Use use(context);
    ZvPadSession* session = use.get();
    if (session == nullptr)
        return ZV_ER_CONTEXT;
    if (buf == nullptr || bufSize < ZV_TABLET_REPORT_LEN) {
        zv_log_out(ZV_LL_ERR, "zvtc_read: buffer of %u bytes", unsigned(bufSize));
        return ZV_ER_FAIL;
    }
    return session->read(buf);
}

ZV_EXPORT th_i16 zvtc_start_read(void* context, th_u8 stat) {
    ZvPadSession::Use use(context);
    ZvPadSession* session = use.get();
    if (session == nullptr)
        return ZV_ER_CONTEXT;
    return session->startRead(stat);
}

ZV_EXPORT th_i16 zvtc_get_str_desc(void* context, th_u8 index, th_u8* buf, th_u16 bufSize) {
    ZvPadSession::Use use(context);
    ZvPadSession* session = use.get();
    if (session == nullptr) {
        zv_log_out(ZV_LL_ERR, "zvtc_get_str_desc ZV_ER_CONTEXT context=%p;", context);
        return ZV_ER_CONTEXT;
    }
    if (buf == nullptr || bufSize < _ZVS_STRING_DESC_MAX_LEN) {
        zv_log_out(ZV_LL_ERR, "zvtc_get_str_desc: buffer of %u bytes", unsigned(bufSize));
        return ZV_ER_FAIL;
    }
    return session->getStringDesc(index, buf, bufSize);
}

ZV_EXPORT th_i16 zvtc_alive(void* context) {
    ZvPadSession::Use use(context);
    ZvPadSession* session = use.get();
    return session != nullptr && session->alive() ? 0 : ZV_ER_FAIL;
}

ZV_EXPORT th_i16 zvtc_hold_back(void* context) {
    return ZvPadSession::holdBack(context);
}

ZV_EXPORT bool zvtc_check_usb_device(char* path) {
    return ZvPadSession::probeUsb(path);
}

ZV_EXPORT bool zvtc_check_blz_device(char* path) {
    return ZvPadSession::probeBle(path);
}
}
