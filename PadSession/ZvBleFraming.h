// The bytes of the Bluetooth LE tablet service: command requests, their answers and the report
// stream. Pure functions, so they can be tested on byte vectors.
#pragma once

#include "ZvType.h"

#include <stddef.h>

enum {
    ZV_BLE_CMD_MARK = 0xCD,   // first byte of every command request
    ZV_BLE_CMD_LEN = 8,       // bytes written per request
    ZV_BLE_NOTIFY_LEN = 14,   // the only report notification length the tablets send
    ZV_BLE_REPORT_ID = 0x08,  // the report id the core expects; the stream carries another
    ZV_BLE_DELIVER_LEN = 13,  // bytes handed to onRead: the id and notification bytes 2..13
    ZV_BLE_WIDEN_MAX = 126,   // characters of a model name widened to UTF-16LE
    ZV_BLE_WIDEN_LIMIT = 128, // a "text" this long is no model name and is left alone
};

// Fills the 8-byte request for command index into buf (at least ZV_BLE_CMD_LEN bytes).
void zv_ble_make_request(th_u8 index, th_u8* buf);

// A report notification as the core reads it: out[0] = 0x08, out[1..12] = data[2..13], and a
// zero after them, so that onRead sees as many bytes as from the USB transport. False (out
// untouched) for any length but 14: nothing is read past what arrived.
bool zv_ble_frame_report(const th_u8* data, size_t len, th_u8 (&out)[ZV_BLE_DELIVER_LEN + 1]);

// The answer to a request: its payload (from byte 2) into buf, zeros after it up to bufLen. The
// answer's byte 1 names the command it answers; an answer to another command than index is
// refused (false, buf untouched), as is one of fewer than two bytes.
bool zv_ble_take_answer(th_u8 index, const th_u8* data, size_t len, th_u8* buf, size_t bufLen);

// The model name of command 201 arrives as 8-bit text, but the core reads it as UTF-16LE:
// widens the text in buf in place, each byte followed by a zero, at most ZV_BLE_WIDEN_MAX
// characters and never past bufLen (terminator included). A text of ZV_BLE_WIDEN_LIMIT bytes or
// more is left as it is.
void zv_ble_widen_model(th_u8* buf, size_t bufLen);
