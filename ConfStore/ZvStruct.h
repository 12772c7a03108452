// The fixed-layout records shared by the core, the configuration store, the messaging record and
// the settings application. Their byte layout is the contract: they are copied with one memory
// copy between files, messages and processes, so every size and offset is checked below.
//
// No member is aligned to more than 4 bytes (pack 4); this only moves the 64-bit event word of
// _ZvEkey. Padding is spelled out as members so that writers can zero it.
#pragma once

#include "ZvType.h"

#include <stddef.h>
#include <type_traits>

#pragma pack(push, 4)

// ---------------------------------------------------------------------------------------------
// Geometry

typedef struct _ZvRect {
    th_i32 left;
    th_i32 top;
    th_i32 right;
    th_i32 bottom;
} ZvRect;

typedef struct _ZvPoint {
    th_i32 x;
    th_i32 y;
} ZvPoint;

typedef struct _ZvSize {
    th_i32 cx;
    th_i32 cy;
} ZvSize;

// A rectangle as fractions of a reference rectangle.
typedef struct _ZvRectRatio {
    th_f32 l;
    th_f32 t;
    th_f32 r;
    th_f32 b;
} ZvRectRatio;

typedef struct _ZvPointRatio {
    th_f32 x;
    th_f32 y;
} ZvPtRatio;

// A point with fractional coordinates (pen positions in flight).
typedef struct ZvDot {
    float x;
    float y;
} ZvDot;
typedef ZvDot CGPoint;

// ---------------------------------------------------------------------------------------------
// Device descriptions

// Limits of the arrays below.
enum {
    ZV_MAX_HEK = 24,   // hardware express keys
    ZV_MAX_SEK = 16,   // soft keys
    ZV_MAX_PEK = 4,    // pen buttons
    ZV_MAX_MEK = 2,    // multi-function controls
    ZV_MAX_MUX = 4,    // function sets of one multi-function control
    ZV_MEK_EKEYS = 16, // assignments of one function set
    ZV_MAX_APPS = 7,   // application profiles besides the default one
    ZV_MAX_SCREEN_AREAS = 8,
    ZV_MODEL_LEN = 24, // size of every model string field
};

// Kinds of multi-function control (mekFuncBit).
enum {
    ZV_MEK_NONE = 0,
    ZV_MEK_SLIDER = 1,
    ZV_MEK_RING = 2,
    ZV_MEK_DIAL = 4,
    ZV_MEK_TOUCH = 16,
    ZV_MEK_TOUCH13 = 32,
};

// One tablet model. The first 244 bytes (everything before sName) are the version-1 record.
typedef struct _ZvTabletCfg {
    th_u32 maxX;
    th_u32 maxY;
    th_u16 maxP;
    th_u16 lpi;
    th_u16 rate;
    th_u8 bPassive;
    th_u8 bMonitor;
    th_u8 bOSD;
    th_u8 bTitl;
    th_u8 bWireless;
    th_u8 bBluetooth;
    th_u8 bDongle;
    th_u8 bBattery;
    th_u8 bLed;
    th_u8 bTHkey;
    th_u8 bTouchScreen;
    th_u8 bLedLight;
    th_u8 bSleep;
    th_u8 levelNumBattery;
    th_u8 levelNumSleep;
    th_u8 levelNumLedLight;
    th_u8 hekNum;
    th_u8 sekNum;
    th_u8 pekNum;
    th_u8 mekNum;
    th_u8 mekEkeyNum[ZV_MAX_MEK];
    th_u8 mekMuxNum[ZV_MAX_MEK];
    th_u8 pad0[2];
    th_u32 mekFuncBit[ZV_MAX_MEK];
    th_u32 hekCode[ZV_MAX_HEK];
    th_u32 mekCode[ZV_MAX_MEK];
    th_u32 langBit;
    th_u8 grade;
    th_u8 bNibSet;
    // Reserved in files; in the core's memory the session's protocol flag.
    th_u16 reserve;
    th_char sPenModel[ZV_MODEL_LEN];
    th_char sModel[ZV_MODEL_LEN];
    th_char sFullModel[36];
    // Display name, UTF-16LE, 64 code units; never narrowed.
    th_char sName[128];
} ZvTabletCfg;

enum { ZV_TABLET_CFG_V1_SIZE = 244 };

// One pen model.
typedef struct _ZvPenCfg {
    th_u8 btnNum;
    th_u8 bNibSet;
    th_char sModel[ZV_MODEL_LEN];
    th_char sName[64];
} ZvPenCfg;

// Geometry of a ring-shaped control on the device picture.
typedef struct _ZvLayoutEkey {
    ZvRect rect;
    ZvRect inRect;
    ZvPoint center;
} ZvLayoutEkey;

// Where the value label of one key is drawn.
typedef struct _ZvLayoutEkeyValue {
    ZvPoint pt[4];
    ZvRect ekv;
    th_u32 bgColor;
    th_u32 rectColor;
    th_u8 align;
    th_u8 pad0[3];
} ZvLayoutEkeyValue;

// The same for a multi-function control: one label box per position.
typedef struct _ZvLayoutMEkeyValue {
    ZvPoint pt[4];
    ZvRect ekv[16];
    th_u32 bgColor;
    th_u32 rectColor;
    th_u8 align;
    th_u8 pad0[3];
} ZvLayoutMEkeyValue;

// The picture of one tablet model; rectangles are in the picture's pixel frame.
typedef struct _ZvLayoutTablet {
    th_char sModel[ZV_MODEL_LEN];
    ZvSize size;
    ZvRect penArea;
    ZvRect sekInRect;
    ZvRect heks[ZV_MAX_HEK];
    ZvLayoutEkeyValue hekVals[ZV_MAX_HEK];
    ZvRect seks[ZV_MAX_SEK];
    ZvLayoutEkeyValue sekVals[ZV_MAX_SEK];
    ZvLayoutEkey meks[ZV_MAX_MEK];
    ZvLayoutMEkeyValue mekVals[ZV_MAX_MEK];
} ZvLayoutTablet;

// The picture of one pen model.
typedef struct _ZvLayoutPen {
    th_char sModel[ZV_MODEL_LEN];
    ZvSize size;
    ZvRect peks[ZV_MAX_PEK];
} ZvLayoutPen;

// The pen handler's current sample (memory only).
typedef struct _ZvPenData {
    ZvDot pt;
    ZvPtRatio pr;
    th_u32 ps;
    th_u32 curApp;
    th_i8 ax;
    th_i8 ay;
    th_u8 btn;
    th_u8 cursor;
} ZvPenData;

// ---------------------------------------------------------------------------------------------
// Key assignments

// One key of a key combination or sequence; code is a Linux input event code.
typedef struct _ZvKbtnVal {
    th_u8 code;
    th_u8 scanCode;
    th_u8 flag;
} ZvKbtnVal;

// A keyboard action: modifiers plus up to 16 keys.
typedef struct _ZvKbtn {
    th_u8 bCtrl;
    th_u8 bAlt;
    th_u8 bShift;
    th_u8 bWin;
    th_u8 len;
    ZvKbtnVal kbKeys[16];
} ZvKbtn;

// Action bits of an assignment's funcBit.
typedef enum ZvEkeyFunc {
    ZVEF_NONE = 0,
    ZVEF_SWITCH_DISPLAY = 0x1,
    ZVEF_SWITCH_BRUSH = 0x2,
    ZVEF_KBTN = 0x4,
    ZVEF_EXEC = 0x8,
    ZVEF_MOUSE_LEFT = 0x10,
    ZVEF_MOUSE_MID = 0x20,
    ZVEF_MOUSE_RIGHT = 0x40,
    ZVEF_MOUSE_WHEEL_FORWARD = 0x80,
    ZVEF_MOUSE_WHEEL_BACKWARD = 0x100,
    ZVEF_MOUSE_DBCLICK = 0x200,
    ZVEF_SWITCH_MEK_FUNC = 0x1000,
    ZVEF_SHOW_EKEY_VALUE_PAGE = 0x10000,
    ZVEF_FINE_MODE = 0x20000,
    ZVEF_RADIAL_MENU = 0x40000,
    ZVEF_MOVE_ROLL = 0x80000,
    ZVEF_RRIVATE_CMD = 0x100000,
    ZVEF_MAC_MMK_CODE = 0x1000000,
    ZVEF_FIXED_PRESSURE = 0x10000000,
    ZVEF_SWITCH_GAME = 0x20000000,
    ZVEF_SWITCH_ABSOLUTEMODE = 0x40000000,
} ZvEkeyFunc;

// Phase of an action, two bits per action bit in funcEvtBit.
typedef enum ZvEkeyEvent {
    ZVEK_NONE = 0,
    ZVEK_UP = 1,
    ZVEK_DOWN = 2,
    ZVEK_CLICK = 3,
} ZvEkeyEvent;

// Private (system) commands of ZVEF_RRIVATE_CMD.
enum {
    ZV_PRIVATE_CMD_SHUTDOWN = 1,
    ZV_PRIVATE_CMD_SLEEP = 2,
    ZV_PRIVATE_CMD_LOCK_SCREEN = 3,
};

// The assignment of one key, button or control position.
typedef struct _ZvEkey {
    th_char name[32];
    th_u32 funcBit;
    // Working field: the phase of each action bit while the assignment is carried out.
    th_u64 funcEvtBit;
    union {
        th_u8 mekIndex;
        th_char cmdPath[260];
        ZvKbtn kbtn;
        th_u16 macMMKCode;
        th_u8 privateCmd;
    };
} ZvEkey;

// One function set of a multi-function control.
typedef struct _ZvMekEkey {
    ZvEkey eks[ZV_MEK_EKEYS];
} ZvMekEkey;

// All assignments of one multi-function control.
typedef struct _ZvMEkey {
    th_u8 muxIndex;
    th_u8 pad0[3];
    ZvMekEkey mekEkeys[ZV_MAX_MUX];
} ZvMEkey;

// Values of bMek; bit 0 is "enabled" for every kind.
typedef enum ZV_M_KEY_STATE_ENUMS {
    MKEY_SLIDER_DISABLED = 0,
    MKEY_SLIDER_ENABLED = 1,
    MKEY_RING_DISABLED = 2,
    MKEY_RING_ENABLED = 3,
    MKEY_DIAL_DISABLED = 4,
    MKEY_DIAL_ENABLED_WIN = 6,
    MKEY_DIAL_ENABLED_DIAL = 7,
    MKEY_TOUCH_DISABLED = 16,
    MKEY_TOUCH_ENABLED = 17,
    MKEY_TOUCH13_DISABLED = 32,
    MKEY_TOUCH13_ENABLED = 33,
} ZV_M_KEY_STATE_ENUMS;

// ---------------------------------------------------------------------------------------------
// User settings

// One application profile.
typedef struct _ZvAppUserCfg {
    th_char pid[260];
    ZvEkey heks[ZV_MAX_HEK];
    ZvEkey theks[ZV_MAX_HEK];
    ZvEkey seks[ZV_MAX_SEK];
    ZvEkey peks[ZV_MAX_PEK];
    ZvMEkey meks[ZV_MAX_MEK];
    ZvEkey rmks[6];
    th_u8 bTilt;
    th_u8 bTHkey;
    th_u8 bTouchScreen;
    th_u8 bGame;
    th_u8 bWinInk;
    th_u8 bAbsoluteMode;
    th_u8 bWintab;
    th_u8 bHek;
    th_u8 bSek;
    th_u8 bMek[ZV_MAX_MEK];
    th_u8 bCtrlCursor;
    ZvPoint pressCtrlPt[3];
    th_i32 pressFactor;
    th_u32 rotateAngle;
    ZvRectRatio workarea;
    ZvRectRatio screenArea[ZV_MAX_SCREEN_AREAS];
    th_u8 fineModeLevel;
    th_u8 mouseModeA;
    th_u8 moveRollLevel;
    th_u8 pad0;
} ZvAppUserCfg;

// Settings of one device plus its default profile. app0 is the last member, so app0 and the
// apps of _ZvUserConfig form one contiguous array of eight profiles.
typedef struct _ZvUserCfg {
    th_u8 bLed;
    th_u8 levelLedLight;
    th_u8 levelSleep;
    th_u8 bCalibrated;
    th_u32 curScreenIndex;
    th_i32 calibrateFactors[7];
    ZvPoint clbPoint[16];
    th_char sModel[ZV_MODEL_LEN];
    ZvAppUserCfg app0;
} ZvUserCfg;

// The whole user configuration of one model.
typedef struct _ZvUserConfig {
    ZvUserCfg base;
    ZvAppUserCfg apps[ZV_MAX_APPS];
} ZvUserConfig;

// ---------------------------------------------------------------------------------------------
// Version-1 user settings (read only; converted on load)

typedef struct _ZvAppUserCfgV1 {
    th_char pid[260];
    ZvEkey heks[ZV_MAX_HEK];
    ZvEkey theks[ZV_MAX_HEK];
    ZvEkey seks[ZV_MAX_SEK];
    ZvEkey peks[ZV_MAX_PEK];
    ZvMEkey meks[ZV_MAX_MEK];
} ZvAppUserCfgV1;

typedef struct _ZvUserCfgV1 {
    th_u8 bLed;
    th_u8 bTHkey;
    th_u8 bTouchScreen;
    th_u8 levelLedLight;
    th_u8 levelSleep;
    th_u8 bGame;
    th_u8 bWinInk;
    th_u8 bWintab;
    th_u8 bTilt;
    th_u8 bHek;
    th_u8 bSek;
    th_u8 bMek;
    th_u8 bWinDail;
    th_u8 bDail;
    th_u8 bCtrlCursor;
    th_u8 bCalibrated;
    th_u8 bAbsoluteMode;
    th_u8 pad0[3];
    th_u32 curScreenIndex;
    th_i32 calibrateFactors[7];
    ZvPoint clbPoint[16];
    ZvPoint pressCtrlPt[3];
    th_i32 pressFactor;
    th_u32 rotateAngle;
    ZvRectRatio workarea;
    ZvRectRatio screenArea[ZV_MAX_SCREEN_AREAS];
    th_char sModel[ZV_MODEL_LEN];
    ZvAppUserCfgV1 app0;
} ZvUserCfgV1;

typedef struct _ZvUserConfigV1 {
    ZvUserCfgV1 base;
    ZvAppUserCfgV1 apps[ZV_MAX_APPS];
} ZvUserConfigV1;

// ---------------------------------------------------------------------------------------------
// File header of every configuration file

enum { ZV_CFG_VER_1 = 1, ZV_CFG_VER_2 = 2 };

typedef struct _ZVCfgFileHead {
    th_char sZerva[70];
    th_u8 pad0[2];
    th_u32 size; // records in the write request
    th_u32 len;  // length of one record
    th_u8 ver;   // ZV_CFG_VER_*
    th_u8 pad1[3];
} ZvCfgFileHead;

#pragma pack(pop)

// The generic model whose template settings unknown tablets use.
#define ZV_GENERIC_MODEL "OEMFF_FFFF"

// ---------------------------------------------------------------------------------------------
// Layout checks

#define ZV_CHECK_RECORD(T, bytes)                                                                  \
    static_assert(sizeof(T) == (bytes), #T " size");                                               \
    static_assert(std::is_trivially_copyable<T>::value, #T " trivially copyable");                 \
    static_assert(std::is_standard_layout<T>::value, #T " standard layout")
#define ZV_CHECK_OFFSET(T, m, off) static_assert(offsetof(T, m) == (off), #T "." #m " offset")

ZV_CHECK_RECORD(ZvRect, 16);
ZV_CHECK_OFFSET(ZvRect, left, 0);
ZV_CHECK_OFFSET(ZvRect, top, 4);
ZV_CHECK_OFFSET(ZvRect, right, 8);
ZV_CHECK_OFFSET(ZvRect, bottom, 12);
ZV_CHECK_RECORD(ZvPoint, 8);
ZV_CHECK_OFFSET(ZvPoint, y, 4);
ZV_CHECK_RECORD(ZvSize, 8);
ZV_CHECK_OFFSET(ZvSize, cy, 4);
ZV_CHECK_RECORD(ZvRectRatio, 16);
ZV_CHECK_OFFSET(ZvRectRatio, t, 4);
ZV_CHECK_OFFSET(ZvRectRatio, r, 8);
ZV_CHECK_OFFSET(ZvRectRatio, b, 12);
ZV_CHECK_RECORD(ZvPtRatio, 8);
ZV_CHECK_RECORD(ZvDot, 8);

ZV_CHECK_RECORD(ZvTabletCfg, 372);
ZV_CHECK_OFFSET(ZvTabletCfg, maxY, 4);
ZV_CHECK_OFFSET(ZvTabletCfg, maxP, 8);
ZV_CHECK_OFFSET(ZvTabletCfg, lpi, 10);
ZV_CHECK_OFFSET(ZvTabletCfg, rate, 12);
ZV_CHECK_OFFSET(ZvTabletCfg, bPassive, 14);
ZV_CHECK_OFFSET(ZvTabletCfg, bMonitor, 15);
ZV_CHECK_OFFSET(ZvTabletCfg, bOSD, 16);
ZV_CHECK_OFFSET(ZvTabletCfg, bTitl, 17);
ZV_CHECK_OFFSET(ZvTabletCfg, bWireless, 18);
ZV_CHECK_OFFSET(ZvTabletCfg, bBluetooth, 19);
ZV_CHECK_OFFSET(ZvTabletCfg, bDongle, 20);
ZV_CHECK_OFFSET(ZvTabletCfg, bBattery, 21);
ZV_CHECK_OFFSET(ZvTabletCfg, bLed, 22);
ZV_CHECK_OFFSET(ZvTabletCfg, bTHkey, 23);
ZV_CHECK_OFFSET(ZvTabletCfg, bTouchScreen, 24);
ZV_CHECK_OFFSET(ZvTabletCfg, bLedLight, 25);
ZV_CHECK_OFFSET(ZvTabletCfg, bSleep, 26);
ZV_CHECK_OFFSET(ZvTabletCfg, levelNumBattery, 27);
ZV_CHECK_OFFSET(ZvTabletCfg, levelNumSleep, 28);
ZV_CHECK_OFFSET(ZvTabletCfg, levelNumLedLight, 29);
ZV_CHECK_OFFSET(ZvTabletCfg, hekNum, 30);
ZV_CHECK_OFFSET(ZvTabletCfg, sekNum, 31);
ZV_CHECK_OFFSET(ZvTabletCfg, pekNum, 32);
ZV_CHECK_OFFSET(ZvTabletCfg, mekNum, 33);
ZV_CHECK_OFFSET(ZvTabletCfg, mekEkeyNum, 34);
ZV_CHECK_OFFSET(ZvTabletCfg, mekMuxNum, 36);
ZV_CHECK_OFFSET(ZvTabletCfg, mekFuncBit, 40);
ZV_CHECK_OFFSET(ZvTabletCfg, hekCode, 48);
ZV_CHECK_OFFSET(ZvTabletCfg, mekCode, 144);
ZV_CHECK_OFFSET(ZvTabletCfg, langBit, 152);
ZV_CHECK_OFFSET(ZvTabletCfg, grade, 156);
ZV_CHECK_OFFSET(ZvTabletCfg, bNibSet, 157);
ZV_CHECK_OFFSET(ZvTabletCfg, reserve, 158);
ZV_CHECK_OFFSET(ZvTabletCfg, sPenModel, 160);
ZV_CHECK_OFFSET(ZvTabletCfg, sModel, 184);
ZV_CHECK_OFFSET(ZvTabletCfg, sFullModel, 208);
ZV_CHECK_OFFSET(ZvTabletCfg, sName, 244);
static_assert(offsetof(ZvTabletCfg, sName) == ZV_TABLET_CFG_V1_SIZE, "version-1 tablet record");

ZV_CHECK_RECORD(ZvPenCfg, 90);
ZV_CHECK_OFFSET(ZvPenCfg, bNibSet, 1);
ZV_CHECK_OFFSET(ZvPenCfg, sModel, 2);
ZV_CHECK_OFFSET(ZvPenCfg, sName, 26);

ZV_CHECK_RECORD(ZvLayoutEkey, 40);
ZV_CHECK_OFFSET(ZvLayoutEkey, inRect, 16);
ZV_CHECK_OFFSET(ZvLayoutEkey, center, 32);
ZV_CHECK_RECORD(ZvLayoutEkeyValue, 60);
ZV_CHECK_OFFSET(ZvLayoutEkeyValue, ekv, 32);
ZV_CHECK_OFFSET(ZvLayoutEkeyValue, bgColor, 48);
ZV_CHECK_OFFSET(ZvLayoutEkeyValue, rectColor, 52);
ZV_CHECK_OFFSET(ZvLayoutEkeyValue, align, 56);
ZV_CHECK_RECORD(ZvLayoutMEkeyValue, 300);
ZV_CHECK_OFFSET(ZvLayoutMEkeyValue, ekv, 32);
ZV_CHECK_OFFSET(ZvLayoutMEkeyValue, bgColor, 288);
ZV_CHECK_OFFSET(ZvLayoutMEkeyValue, rectColor, 292);
ZV_CHECK_OFFSET(ZvLayoutMEkeyValue, align, 296);

ZV_CHECK_RECORD(ZvLayoutTablet, 3784);
ZV_CHECK_OFFSET(ZvLayoutTablet, size, 24);
ZV_CHECK_OFFSET(ZvLayoutTablet, penArea, 32);
ZV_CHECK_OFFSET(ZvLayoutTablet, sekInRect, 48);
ZV_CHECK_OFFSET(ZvLayoutTablet, heks, 64);
ZV_CHECK_OFFSET(ZvLayoutTablet, hekVals, 448);
ZV_CHECK_OFFSET(ZvLayoutTablet, seks, 1888);
ZV_CHECK_OFFSET(ZvLayoutTablet, sekVals, 2144);
ZV_CHECK_OFFSET(ZvLayoutTablet, meks, 3104);
ZV_CHECK_OFFSET(ZvLayoutTablet, mekVals, 3184);

ZV_CHECK_RECORD(ZvLayoutPen, 96);
ZV_CHECK_OFFSET(ZvLayoutPen, size, 24);
ZV_CHECK_OFFSET(ZvLayoutPen, peks, 32);

ZV_CHECK_RECORD(ZvPenData, 28);
ZV_CHECK_OFFSET(ZvPenData, pr, 8);
ZV_CHECK_OFFSET(ZvPenData, ps, 16);
ZV_CHECK_OFFSET(ZvPenData, curApp, 20);
ZV_CHECK_OFFSET(ZvPenData, ax, 24);
ZV_CHECK_OFFSET(ZvPenData, ay, 25);
ZV_CHECK_OFFSET(ZvPenData, btn, 26);
ZV_CHECK_OFFSET(ZvPenData, cursor, 27);

ZV_CHECK_RECORD(ZvKbtnVal, 3);
ZV_CHECK_OFFSET(ZvKbtnVal, scanCode, 1);
ZV_CHECK_OFFSET(ZvKbtnVal, flag, 2);
ZV_CHECK_RECORD(ZvKbtn, 53);
ZV_CHECK_OFFSET(ZvKbtn, len, 4);
ZV_CHECK_OFFSET(ZvKbtn, kbKeys, 5);

ZV_CHECK_RECORD(ZvEkey, 304);
ZV_CHECK_OFFSET(ZvEkey, funcBit, 32);
ZV_CHECK_OFFSET(ZvEkey, funcEvtBit, 36);
ZV_CHECK_OFFSET(ZvEkey, mekIndex, 44);
ZV_CHECK_OFFSET(ZvEkey, cmdPath, 44);
ZV_CHECK_OFFSET(ZvEkey, kbtn, 44);
ZV_CHECK_OFFSET(ZvEkey, macMMKCode, 44);
ZV_CHECK_OFFSET(ZvEkey, privateCmd, 44);
ZV_CHECK_RECORD(ZvMekEkey, 4864);
ZV_CHECK_RECORD(ZvMEkey, 19460);
ZV_CHECK_OFFSET(ZvMEkey, mekEkeys, 4);

ZV_CHECK_RECORD(ZvAppUserCfg, 61868);
ZV_CHECK_OFFSET(ZvAppUserCfg, heks, 260);
ZV_CHECK_OFFSET(ZvAppUserCfg, theks, 7556);
ZV_CHECK_OFFSET(ZvAppUserCfg, seks, 14852);
ZV_CHECK_OFFSET(ZvAppUserCfg, peks, 19716);
ZV_CHECK_OFFSET(ZvAppUserCfg, meks, 20932);
ZV_CHECK_OFFSET(ZvAppUserCfg, rmks, 59852);
ZV_CHECK_OFFSET(ZvAppUserCfg, bTilt, 61676);
ZV_CHECK_OFFSET(ZvAppUserCfg, bTHkey, 61677);
ZV_CHECK_OFFSET(ZvAppUserCfg, bTouchScreen, 61678);
ZV_CHECK_OFFSET(ZvAppUserCfg, bGame, 61679);
ZV_CHECK_OFFSET(ZvAppUserCfg, bWinInk, 61680);
ZV_CHECK_OFFSET(ZvAppUserCfg, bAbsoluteMode, 61681);
ZV_CHECK_OFFSET(ZvAppUserCfg, bWintab, 61682);
ZV_CHECK_OFFSET(ZvAppUserCfg, bHek, 61683);
ZV_CHECK_OFFSET(ZvAppUserCfg, bSek, 61684);
ZV_CHECK_OFFSET(ZvAppUserCfg, bMek, 61685);
ZV_CHECK_OFFSET(ZvAppUserCfg, bCtrlCursor, 61687);
ZV_CHECK_OFFSET(ZvAppUserCfg, pressCtrlPt, 61688);
ZV_CHECK_OFFSET(ZvAppUserCfg, pressFactor, 61712);
ZV_CHECK_OFFSET(ZvAppUserCfg, rotateAngle, 61716);
ZV_CHECK_OFFSET(ZvAppUserCfg, workarea, 61720);
ZV_CHECK_OFFSET(ZvAppUserCfg, screenArea, 61736);
ZV_CHECK_OFFSET(ZvAppUserCfg, fineModeLevel, 61864);
ZV_CHECK_OFFSET(ZvAppUserCfg, mouseModeA, 61865);
ZV_CHECK_OFFSET(ZvAppUserCfg, moveRollLevel, 61866);

ZV_CHECK_RECORD(ZvUserCfg, 62056);
ZV_CHECK_OFFSET(ZvUserCfg, levelLedLight, 1);
ZV_CHECK_OFFSET(ZvUserCfg, levelSleep, 2);
ZV_CHECK_OFFSET(ZvUserCfg, bCalibrated, 3);
ZV_CHECK_OFFSET(ZvUserCfg, curScreenIndex, 4);
ZV_CHECK_OFFSET(ZvUserCfg, calibrateFactors, 8);
ZV_CHECK_OFFSET(ZvUserCfg, clbPoint, 36);
ZV_CHECK_OFFSET(ZvUserCfg, sModel, 164);
ZV_CHECK_OFFSET(ZvUserCfg, app0, 188);
ZV_CHECK_RECORD(ZvUserConfig, 495132);
ZV_CHECK_OFFSET(ZvUserConfig, apps, 62056);

ZV_CHECK_RECORD(ZvAppUserCfgV1, 59852);
ZV_CHECK_OFFSET(ZvAppUserCfgV1, heks, 260);
ZV_CHECK_OFFSET(ZvAppUserCfgV1, theks, 7556);
ZV_CHECK_OFFSET(ZvAppUserCfgV1, seks, 14852);
ZV_CHECK_OFFSET(ZvAppUserCfgV1, peks, 19716);
ZV_CHECK_OFFSET(ZvAppUserCfgV1, meks, 20932);
ZV_CHECK_RECORD(ZvUserCfgV1, 60232);
ZV_CHECK_OFFSET(ZvUserCfgV1, bAbsoluteMode, 16);
ZV_CHECK_OFFSET(ZvUserCfgV1, curScreenIndex, 20);
ZV_CHECK_OFFSET(ZvUserCfgV1, calibrateFactors, 24);
ZV_CHECK_OFFSET(ZvUserCfgV1, clbPoint, 52);
ZV_CHECK_OFFSET(ZvUserCfgV1, pressCtrlPt, 180);
ZV_CHECK_OFFSET(ZvUserCfgV1, pressFactor, 204);
ZV_CHECK_OFFSET(ZvUserCfgV1, rotateAngle, 208);
ZV_CHECK_OFFSET(ZvUserCfgV1, workarea, 212);
ZV_CHECK_OFFSET(ZvUserCfgV1, screenArea, 228);
ZV_CHECK_OFFSET(ZvUserCfgV1, sModel, 356);
ZV_CHECK_OFFSET(ZvUserCfgV1, app0, 380);
ZV_CHECK_RECORD(ZvUserConfigV1, 479196);
ZV_CHECK_OFFSET(ZvUserConfigV1, apps, 60232);

ZV_CHECK_RECORD(ZvCfgFileHead, 84);
ZV_CHECK_OFFSET(ZvCfgFileHead, size, 72);
ZV_CHECK_OFFSET(ZvCfgFileHead, len, 76);
ZV_CHECK_OFFSET(ZvCfgFileHead, ver, 80);

#undef ZV_CHECK_RECORD
#undef ZV_CHECK_OFFSET
