// Taking the tablet's bytes apart: the 12-byte input reports, the answers to numbered commands,
// and the small index rules that turn a report into the slot of a configured key or control.
//
// Every function that reads device bytes takes the buffer and its length. A byte the buffer does
// not have reads as zero, so a short, long or garbage buffer gives a defined value and is never
// read past its end.
#pragma once

#include "ZvStruct.h"
#include "ZvType.h"

#include <stddef.h>

constexpr th_u8 ZV_REPORT_ID = 8;         // byte 0 of every valid input report
constexpr size_t ZV_REPORT_LEN = 12;      // the unit in which reports are read and kept
constexpr size_t ZV_CMD200_LEN = 15;      // device parameters: bytes 0..14 carry what we read
constexpr size_t ZV_CMD201_UNITS = 35;    // UTF-16 units of the model text that are converted
constexpr size_t ZV_FULL_MODEL_LEN = 17;  // characters of sFullModel taken from the device
constexpr size_t ZV_SHORT_MODEL_LEN = 10; // characters of sModel: the key of every lookup

// Report kinds (byte 1). Any kind up to 0x90 goes to the pen handler; the low bits of a pen kind
// combine tip and barrel buttons (0x83 is tip down with the lower button held).
typedef enum ZVReportDataType {
    ZVRD_PEN_HOVER = 0x80,
    ZVRD_PEN_PRESS = 0x81,
    ZVRD_PEN_BTN_BELOW = 0x82,
    ZVRD_PEN_BTN_ABOVE = 0x84,
    ZVRD_MEK_TOUCH_MOVE = 0x90,
    ZVRD_HKEY = 0xE0,
    ZVRD_MEK_TOUCH = 0xE1,
    ZVRD_THKEY = 0xE2,
    ZVRD_MEK_SLIDER = 0xF0,
    ZVRD_MEK_DAIL = 0xF1,
} ZVReportDataType;

// ---------------------------------------------------------------------------------------------
// Input reports

// True unless the buffer holds a whole report whose byte 0 is the report id 8. A report shorter
// than 12 bytes is invalid too: its missing bytes would otherwise decode as a pen at (0, 0).
bool is_invalid_report(const th_u8* buf, size_t len);
th_u8 report_type(const th_u8* buf, size_t len);
// 24-bit positions: bytes 2-3 (low 16 bits) with byte 8 on top, Y from bytes 4-5 and byte 9.
th_i32 report_x(const th_u8* buf, size_t len);
th_i32 report_y(const th_u8* buf, size_t len);
th_u16 report_p(const th_u8* buf, size_t len);
th_i8 report_ax(const th_u8* buf, size_t len);
// The device counts Y tilt the other way round; the byte is negated in two's complement, so
// -128 (0x80) stays -128.
th_i8 report_ay(const th_u8* buf, size_t len);
// Express keys: one bit per key in bytes 4..7.
th_u32 report_hbtn_id(const th_u8* buf, size_t len);
th_u16 report_touch_id(const th_u8* buf, size_t len);
th_u8 report_slider_id(const th_u8* buf, size_t len);
th_u8 report_dail_id(const th_u8* buf, size_t len);

// ---------------------------------------------------------------------------------------------
// Command answers (the payload: byte 0 of a synchronous answer, byte 2 of an asynchronous one)

// Command 200, one field each.
th_u32 parse_maxx(const th_u8* p, size_t len);
th_u32 parse_maxy(const th_u8* p, size_t len);
th_u16 parse_maxp(const th_u8* p, size_t len);
th_u16 parse_lpi(const th_u8* p, size_t len);
th_u8 parse_pbtn_num(const th_u8* p, size_t len);
th_u8 parse_hbtn_num(const th_u8* p, size_t len);
th_u8 parse_sbtn_num(const th_u8* p, size_t len);
th_u8 parse_is_monitor(const th_u8* p, size_t len); // byte 14 AND 0x0A
th_u8 parse_is_passive(const th_u8* p, size_t len); // byte 14 AND 0x0C
// The raw rate byte. The device reuses byte 5, the top byte of maxY, for it.
th_u8 parse_rate(const th_u8* p, size_t len);

// Fills maxX, maxY, maxP, pekNum, hekNum, sekNum, lpi, rate (byte 5 times 4), bMonitor and
// bPassive of tc; nothing else. Returns 0, or -22 when the payload is shorter than 15 bytes or
// null, and then tc is left untouched.
int parse_cmd_resp_200(const th_u8* p, size_t len, ZvTabletCfg& tc);

// Command 201, the model name as UTF-16LE (synchronous answer): the first 35 units (fewer when
// the payload is shorter) become UTF-8; sFullModel gets its first 17 bytes and sModel the first
// 10 of those, both zero-filled. Prints both on standard output. Returns 0, or -22 for a null
// payload with a non-zero length.
int parse_cmd_resp_201(const th_u8* p, size_t len, ZvTabletCfg& tc);
// The same for an asynchronous answer, whose payload is already UTF-8. Returns 0 or -22.
int parse_cmd_resp_201_utf8(const th_u8* p, size_t len, ZvTabletCfg& tc);

// Payload byte 0 (LED, battery, touch-key, brightness, sleep and touch-screen answers).
th_u8 parse_cmd_resp_byte(const th_u8* p, size_t len);

// The battery answer of the Bluetooth LE protocol counts in maxLevel steps; the UI wants one bit
// of eight. Returns 0x01..0x80, or 0 for an empty battery, a level above the maximum or a
// maximum of 0.
th_u8 battery_level_switch(th_u8 maxLevel, th_u8 battery);
// The battery byte the settings application reads (one bit per level step) from the payload of
// an answer to command 209. Over the Bluetooth LE protocol (flag 2) the device sends its number
// of levels and its level; over USB it sends its level, counted in the description's levelNum
// steps. A levelNum of 0 (unknown) passes the device's byte through.
th_u8 battery_answer_byte(th_u8 protocolFlag, const th_u8* payload, size_t len, th_u8 levelNum);

// ---------------------------------------------------------------------------------------------
// Slots of keys and controls

// Express key slot: by the hekCode table when its first entry is set, else by the highest bit.
int parse_index_hek(th_u32 hekID, const ZvTabletCfg& tc);
// Index of the first hekCode entry equal to hekID, or -1.
int parse_index_hek_by_code(th_u32 hekID, const ZvTabletCfg& tc);
// Number of the highest set bit (0 for an id of 0); -1 when a bit above 23 is set.
int parse_index_hek_default(th_u32 hekID);
// Control 0 or 1 of a multi-function report, by its 24-bit code (byte 1 << 16 | byte 3 << 8 |
// byte 2) against mekCode; 0 when mekCode[0] is 0 (a single control); 255 when neither matches.
th_u8 parse_index_mek(const th_u8* buf, size_t len, const ZvTabletCfg& tc);
// Dial reports number their dial from 1 in byte 3: returns byte 3 minus 1 as a byte (255 for a
// byte 3 of 0). Prints bytes 0..4 on standard output.
th_u8 parse_index_mek_dail(const th_u8* buf, size_t len);
// Touch-key slot 0..12 of a touch id, or -1 for an id without a slot.
int parse_index_touch(th_u32 id);
// Direction of a ring step: +1, -1 or 0. A step of at most `space` positions counts in its own
// direction; a larger one wrapped round the end of the ring and counts the other way.
int parse_ring_orientate(th_u8 prevPos, th_u8 curPos, th_u8 space);
// True when sDevModel starts with sModel; false when either is null.
bool cmp_dev_model(const char* sDevModel, const char* sModel);
