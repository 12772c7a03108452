// The 396-byte record the core and the settings application exchange, in both directions, and
// the core sends to itself. It is copied raw between processes, so its layout is checked below.
// Senders start from an all-zero record: every byte a message does not define is zero.
#pragma once

#include "ZvStruct.h"

#include <stddef.h>
#include <type_traits>

#pragma pack(push, 4)

typedef struct _MsgHead {
    th_u16 cmd; // ZVMC_* code
    th_u8 pad0[2];
    th_u64 pid;  // the sender's process id
    th_u64 hwnd; // the sender's window handle (0)
} ZvMsgHead;

typedef struct _TabletInfo {
    ZvTabletCfg tc;
    th_u8 isCurr;
    th_u8 pad0[3];
} ZvTabletInfo;

typedef struct _TabletNum {
    th_u8 num;
    th_char model[2][ZV_MODEL_LEN];
} ZvTabletNum;

typedef struct _BoolState {
    th_char sModel[ZV_MODEL_LEN];
    th_u8 bState;
} ZvBoolState;

typedef struct _OffsetVal {
    th_char sModel[ZV_MODEL_LEN];
    th_i8 offset;
} ZvOffsetVal;

typedef struct _BatteryState {
    th_char sModel[ZV_MODEL_LEN];
    th_u8 battery;
} ZvBatteryState;

typedef struct _TabletOpen {
    th_char sModel[ZV_MODEL_LEN];
    th_u8 bUnknowTablet;
} ZvTabletOpen;

typedef struct _CurScreenIndex {
    th_char sModel[ZV_MODEL_LEN];
    th_u16 curScreenIndex;
} ZvCurScreenIndex;

typedef struct _CurMekMuxIndex {
    th_char sModel[ZV_MODEL_LEN];
    th_u8 appIdx;
    th_u8 mekIdx;
    th_u8 muxIdx;
} ZvCurMekMuxIndex;

// The body: which member is in use depends on the code.
typedef union _MsgBody {
    th_char sModel[ZV_MODEL_LEN];
    ZvTabletInfo tc;
    ZvTabletNum tablets;
    ZvBoolState ledState;
    ZvBoolState dialState;
    ZvBoolState thkeyState;
    ZvBoolState tscreenState;
    ZvOffsetVal ledLightOffset;
    ZvOffsetVal sleepOffset;
    ZvBatteryState battery;
    th_u8 bAdmin;
    ZvTabletOpen tabletOpen;
    ZvCurScreenIndex curScreenIndex;
    ZvCurMekMuxIndex curMuxVal;
    th_u8 raw[376];
} ZvMsgBody;

typedef struct tagZVMsg {
    ZvMsgHead head;
    ZvMsgBody body;
} ZvMsg;

#pragma pack(pop)

// Message codes. A reply carries its request's code with ZVMC_REPLY set.
enum : th_u16 {
    ZVMC_REPLY = 0x8000,

    // settings application to core
    ZVMC_UI_QUIT = 1,
    ZVMC_UI_TABLET_NUM = 2,
    ZVMC_UI_TABLET_INFO = 3,
    ZVMC_UI_CONFIG_CHANGED = 4,
    ZVMC_UI_MONITOR_CHANGED = 5,
    ZVMC_UI_CALIBRATE_BEGIN = 6,
    ZVMC_UI_CALIBRATE_END = 7,
    ZVMC_UI_IF_ADMIN = 8,
    ZVMC_UI_RUN_AS_ADMIN = 9,
    ZVMC_UI_CHANGE_CUR_TABLET = 10,
    ZVMC_UI_BATTERY_QUERY = 16,
    ZVMC_UI_LED_QUERY = 32,
    ZVMC_UI_LED_CHANGE = 33,
    ZVMC_UI_DIAL_QUERY = 48,
    ZVMC_UI_DIAL_CHANGE = 49,
    ZVMC_UI_THKEY_QUERY = 64,
    ZVMC_UI_THKEY_CHANGE = 65,
    ZVMC_UI_TSCREEN_QUERY = 80,
    ZVMC_UI_TSCREEN_CHANGE = 81,
    ZVMC_UI_LED_LIGHT_QUERY = 96,
    ZVMC_UI_LED_LIGHT_CHANGE = 97,
    ZVMC_UI_SLEEP_QUERY = 112,
    ZVMC_UI_SLEEP_CHANGE = 113,
    ZVMC_UI_SCREEN_CHANGED = 128,

    // core to settings application
    ZVMC_CORE_TABLET_OPEN = 0x101,
    ZVMC_CORE_TABLET_CLOSE = 0x102,
    ZVMC_CORE_SWITCH_DISPLAY = 0x103,
    ZVMC_CORE_SWITCH_MEK_FUNC = 0x110,
    ZVMC_CORE_SHOW_EKEY_VALUE = 0x111,
    ZVMC_CORE_FINE_MODE = 0x112,
    ZVMC_CORE_SWITCH_GAME = 0x113,
    ZVMC_CORE_RADIAL_MENU = 0x114,
    ZVMC_CORE_SWITCH_ABSOLUTEMODE = 0x115,

    // core to itself
    ZVMC_CORE_USB_ON = 0x6001,
    ZVMC_CORE_USB_OFF = 0x6002,
    ZVMC_CORE_BLZ_ON = 0x6003,
    ZVMC_CORE_BLZ_OFF = 0x6004,
    ZVMC_CORE_WHEEL_FORWARD = 0x6005,
    ZVMC_CORE_WHEEL_BACKWARD = 0x6006,
};

static_assert(sizeof(ZvMsgHead) == 20, "message head");
static_assert(offsetof(ZvMsgHead, pid) == 4 && offsetof(ZvMsgHead, hwnd) == 12, "head offsets");
static_assert(sizeof(ZvMsgBody) == 376, "message body");
static_assert(sizeof(ZvMsg) == 396, "message record");
static_assert(offsetof(ZvMsg, body) == 20, "body offset");
static_assert(offsetof(ZvTabletInfo, isCurr) == 372, "isCurr at 392 of the record");
static_assert(offsetof(ZvTabletNum, model) == 1, "second model at 45 of the record");
static_assert(offsetof(ZvBoolState, bState) == 24 && offsetof(ZvOffsetVal, offset) == 24 &&
                  offsetof(ZvBatteryState, battery) == 24 &&
                  offsetof(ZvTabletOpen, bUnknowTablet) == 24 &&
                  offsetof(ZvCurScreenIndex, curScreenIndex) == 24 &&
                  offsetof(ZvCurMekMuxIndex, appIdx) == 24 &&
                  offsetof(ZvCurMekMuxIndex, mekIdx) == 25 &&
                  offsetof(ZvCurMekMuxIndex, muxIdx) == 26,
              "state members at 44 of the record");
static_assert(std::is_trivially_copyable<ZvMsg>::value && std::is_standard_layout<ZvMsg>::value,
              "the record is copied as bytes");
