// The session callbacks and the asynchronous road: a session library that answers commands
// through on_got_string_desc drives start-up from here.
#include "ZvTabletThread.h"

#include "Global.h"
#include "TabletParse.h"
#include "ZvLog.h"

#include <string.h>

namespace {

// Answers arrive in the library's command buffer, which holds at least this much.
constexpr size_t kAnswerLen = 128;
constexpr size_t kPayloadLen = kAnswerLen - 2;
// One second of GetTickCount (microseconds). A device round trip takes milliseconds; the old
// figure of 1000 ticks gave up after one millisecond.
constexpr th_u32 kAsyncCmdTimeout = 1000000u;

} // namespace

void ZvTabletThread::on_opened(void* context) {
    if (ZvTabletThread* t = get_match_thread(context))
        t->onOpened();
}

void ZvTabletThread::on_closed(void* context) {
    if (ZvTabletThread* t = get_match_thread(context))
        t->onClosed();
}

void ZvTabletThread::on_got_string_desc(void* context, th_u8* buf) {
    if (ZvTabletThread* t = get_match_thread(context))
        t->onCmd(buf);
}

void ZvTabletThread::on_read(void* context, th_u8* buf) {
    if (ZvTabletThread* t = get_match_thread(context))
        t->onRead(buf);
}

void ZvTabletThread::onOpened() {
    initVariant();
    if (_tablet.isAsyncCmd()) {
        (void)initTabletInfo();
        return;
    }
    if (!initTabletInfo() || !initDriverInfo()) {
        _holdBack = true;
        reqQuit();
    }
}

void ZvTabletThread::onClosed() {
    reqQuitPassive();
}

void ZvTabletThread::onRead(const th_u8* buf) {
    _asyncSignalTime = GetTickCount();
    if (!_bInitDone.load(std::memory_order_acquire) || buf == nullptr)
        return;
    if (is_invalid_report(buf, ZV_REPORT_LEN))
        return;
    if (buf != _obj->buf)
        memcpy(_obj->buf, buf, ZV_REPORT_LEN);
    if (dispatch())
        memcpy(_obj->lastBuf, _obj->buf, ZV_REPORT_LEN);
}

void ZvTabletThread::onCmd(const th_u8* buff) {
    _asyncReqCmdTime = 0;
    _asyncSignalTime = GetTickCount();
    if (buff == nullptr)
        return;
    const th_u8 cmd = buff[1];
    const th_u8* p = buff + 2;
    zv_log_out(ZV_LL_INFO, "ZvTabletThread::onCmd cmd:%d", cmd);
    ZvMsgBody body;
    memset(&body, 0, sizeof body);
    memcpy(body.sModel, _obj->tc.sModel, ZV_MODEL_LEN);
    body.sModel[ZV_MODEL_LEN - 1] = '\0';
    const th_u8 b0 = parse_cmd_resp_byte(p, kPayloadLen);
    switch (cmd) {
    case 200:
        _bRecv200 = true;
        if (!_bInitDone)
            (void)parse_cmd_resp_200(p, kPayloadLen, _obj->tc);
        break;
    case 201:
        _bRecv201 = true;
        if (!_bInitDone) {
            (void)parse_cmd_resp_201_utf8(p, kPayloadLen, _obj->tc);
            reqCmdAsync(200);
        }
        break;
    case 206:
    case 207:
    case 208:
        body.ledState.bState = b0;
        notify_ui_msg(ZVMC_REPLY | ZVMC_UI_LED_QUERY, body);
        break;
    case 209:
        body.battery.battery = battery_answer_byte(_tablet.getProtocolFlag(), p, kPayloadLen,
                                                   _obj->tc.levelNumBattery);
        notify_ui_msg(ZVMC_REPLY | ZVMC_UI_BATTERY_QUERY, body);
        break;
    case 213:
        body.thkeyState.bState = b0;
        notify_ui_msg(ZVMC_REPLY | ZVMC_UI_THKEY_QUERY, body);
        break;
    case 217:
        body.ledLightOffset.offset = static_cast<th_i8>(b0);
        notify_ui_msg(ZVMC_REPLY | ZVMC_UI_LED_LIGHT_QUERY, body);
        break;
    case 220:
        body.sleepOffset.offset = static_cast<th_i8>(b0);
        notify_ui_msg(ZVMC_REPLY | ZVMC_UI_SLEEP_QUERY, body);
        break;
    default:
        break;
    }
    if (_bRecv200 && _bRecv201 && !_bInitDone && !initDriverInfo()) {
        _holdBack = true;
        reqQuitPassive();
    }
}

void ZvTabletThread::loopAsync() {
    const th_u32 sent = _asyncReqCmdTime.load();
    if (_tablet.isAsyncCmd() && sent != 0) {
        const th_u32 now = GetTickCount();
        // Unsigned difference: GetTickCount wraps every 71.6 minutes.
        if (static_cast<th_u32>(now - sent) >= kAsyncCmdTimeout) {
            zv_log_out(ZV_LL_WARN,
                       "ZvTabletThread::loopAsync() timeout, nowTime:%u - _asyncReqCmdTime:%u", now,
                       sent);
            reqQuitPassive();
            return;
        }
    }
    if (_bInitDone) {
        suspend();
        return;
    }
    idleWait(100);
}
