// The logic center as the message adapter and the QML bridge see it. The core-message handlers
// are called on the GUI thread with a record that has already been checked (ZvCoreRecord): its
// model strings are terminated and accepted, its counts and indices within their arrays.
#pragma once

#include "EKeyValue.h"
#include "ZvMsg.h"

#include <QRect>
#include <QString>
#include <QStringList>

class TabletManager;
class UIMsgInterface;

class LogicCenterInterface {
public:
    virtual ~LogicCenterInterface() = default;

    // Lifecycle and the core's messages.
    virtual void Destory() = 0;
    virtual void CoreRunError(int error) = 0;
    virtual void SetUIMsgInterface(UIMsgInterface* ui) = 0;
    virtual void TabletNum(const ZvMsg& msg) = 0;
    virtual void TabletInfo(const ZvMsg& msg) = 0;
    virtual void AdminState(const ZvMsg& msg) = 0;
    virtual void BatteryValue(const ZvMsg& msg) = 0;
    virtual void LedState(const ZvMsg& msg) = 0;
    virtual void DialState(const ZvMsg& msg) = 0;
    virtual void THKeyState(const ZvMsg& msg) = 0;
    virtual void TScreenState(const ZvMsg& msg) = 0;
    virtual void LedLightLevel(const ZvMsg& msg) = 0;
    virtual void SleepLevel(const ZvMsg& msg) = 0;
    virtual void TabletOpen(const ZvMsg& msg) = 0;
    virtual void TabletClose(const ZvMsg& msg) = 0;
    virtual void SwitchDisplay(const ZvMsg& msg) = 0;
    virtual void SwitchMouseMode(const ZvMsg& msg) = 0;
    virtual void ShowMekMenu(const ZvMsg& msg) = 0;
    virtual void ShowEKeyValue(const ZvMsg& msg) = 0;
    virtual void ShowMainWindow() = 0;
    virtual void DefaultProc(const ZvMsg& msg) = 0;
    // The core's service left the bus: no tablet is served any more.
    virtual void DisConnect() = 0;
    // The core's service gained (true) or lost its owner; losing it also disconnects.
    virtual void CoreOnBus(bool present) = 0;

    // Requests to the core. Those for a tablet address the current one and do nothing without
    // a device.
    virtual void UI_Quit() = 0;
    virtual void UI_GetTabletNum() = 0;
    virtual void UI_GetTabletInfo() = 0;
    virtual void UI_SendCfgChange() = 0;
    virtual void UI_SendMonitorChange(int idx) = 0;
    virtual void UI_SendPhysicsScreenChange() = 0;
    virtual void UI_SendCalibrateStart() = 0;
    virtual void UI_SendCalibrateEnd() = 0;
    virtual void UI_GetAdmin() = 0;
    virtual void UI_SendRunaAsAdmin() = 0;
    virtual void UI_SendChangeCurTablet(QString model) = 0;
    virtual void UI_GetBatteryInfo() = 0;
    virtual void UI_GetLedInfo() = 0;
    virtual void UI_SendLedState(bool on) = 0;
    virtual void UI_GetDialInfo() = 0;
    virtual void UI_SendDialState(bool on) = 0;
    virtual void UI_GetTHkeyInfo() = 0;
    virtual void UI_SendTHKeyState(bool open) = 0;
    virtual void UI_GetTScreenInfo() = 0;
    virtual void UI_SendTSCreenState(bool open) = 0;
    virtual void UI_GetLedLight() = 0;
    virtual void UI_SendLedLightLevel(int level) = 0;
    virtual void UI_GetSleepInfo() = 0;
    virtual void UI_SendSleepLevel(int level) = 0;

    // Switches of the current application profile of the current tablet. Each is saved
    // through the store; true when saved (and the core is told), false (nothing sent) when
    // there is no tablet, the value is out of range or the save failed.
    virtual bool UI_SetHKeyState(bool on) = 0;
    virtual bool UI_SetSKeyStatus(bool on) = 0;
    virtual bool UI_SetMekStatus(bool on) = 0;
    virtual bool UI_SetTouchMekStatus(bool on) = 0;
    virtual bool UI_SetDialMekStatus(bool on) = 0;
    virtual bool UI_SetWinRaDialStatus(bool on) = 0;
    virtual bool UI_SetWinInkStatus(bool on) = 0;
    virtual bool UI_SetWinGameModel(bool on) = 0;
    virtual bool UI_SetMouseModel(bool on) = 0;
    virtual bool UI_SetMapToAllScreen(bool all) = 0;
    virtual int UI_GetDevRotate() = 0;
    virtual bool UI_SetDevRotate(int angle) = 0;
    virtual bool UI_SetCurrentCfgAppIdx(int app) = 0;
    virtual bool UI_SetCurrentDevIdx(int idx) = 0;

    // Key bindings. Setters take what a binding page entered (function bits, the four modifier
    // flags, the key text, the name) and save one record; on models with mirrored keys the
    // partner key gets the same binding. app -1 addresses the all-programs profile, any other
    // value the current one. The _r reads return the flat value; the others the text shown.
    virtual bool UI_SetHkeyValue(int app, int key, int funBit, bool ctrl, bool alt, bool shift,
                                 bool win, QString keys, QString name) = 0;
    virtual bool UI_SetSkeyValue(int app, int key, int funBit, bool ctrl, bool alt, bool shift,
                                 bool win, QString keys, QString name) = 0;
    virtual bool UI_SetPkeyValue(int app, int key, int funBit, bool ctrl, bool alt, bool shift,
                                 bool win, QString keys, QString name) = 0;
    virtual bool UI_SetMkeyValue(int app, int key, int fun, int funBit, bool ctrl, bool alt,
                                 bool shift, bool win, QString keys, QString name, int funBit2,
                                 bool ctrl2, bool alt2, bool shift2, bool win2, QString keys2,
                                 QString name2) = 0;
    virtual EKeyValue UI_GetHkeyValue_r(int app, int key) = 0;
    virtual EKeyValue UI_GetSkeyValue_r(int app, int key) = 0;
    virtual EKeyValue UI_GetPkeyValue_r(int app, int key) = 0;
    virtual EKeyValue UI_GetMkeyValue_r(int app, int key, int fun) = 0;
    virtual QString UI_GetHkeyValue(int app, int key) = 0;
    virtual QString UI_GetSKeyValue(int app, int key) = 0;
    virtual QString UI_GetPKeyValue(int app, int key) = 0;
    virtual QString UI_GetMKeyValue(int app, int key, int fun, bool named) = 0;
    virtual QString UI_GetMKeyValueWithModel(QString model, int app, int key, int fun) = 0;

    // Application profiles and reads of the current tablet (app -1: all programs).
    virtual QStringList UI_GetAppList() = 0;
    virtual bool UI_SetAddOneNewApp(QString path) = 0;
    virtual void UI_SetWorkMapType(int type) = 0;
    virtual int UI_GetWorkAreaType() = 0;
    virtual bool UI_GetHkeyStatus(int app) = 0;
    virtual bool UI_GetSKeyStatus(int app) = 0;
    virtual int UI_GetMKeyType(int key) = 0;
    virtual int UI_GetMKeyFunNum(int key) = 0;
    virtual int UI_GetMKeyStatus(int app, int key) = 0;
    virtual int UI_GetMKeyCurFunIdx(int app, int key) = 0;
    virtual int UI_GetCurrentCfgAppIdx() = 0;
    virtual int UI_GetCurrentDevIdx() = 0;
    virtual bool UI_GetWinInkStatus(int app) = 0;
    virtual bool UI_GetWinGameModel(int app) = 0;
    virtual bool UI_GetMouseModel(int app) = 0;
    virtual bool UI_SetMouseSpeed(int speed) = 0;
    virtual int UI_GetMouseSpeed() = 0;
    // The pages have controls for these that change nothing: the multi-function keys have no
    // speed of their own (it reads as 3), the work area is set through its ratios, and the
    // display settings through the screen operations.
    virtual void UI_SetMKeySpeed(int speed) = 0;
    virtual int UI_GetMKeySpeed() = 0;
    virtual void UI_SetWorkMapArea(QRect area) = 0;
    virtual void UI_SetDisplaySetting() = 0;

    // Device description and layout.
    virtual QString UI_GetDevName(int idx) = 0;
    virtual QString UI_GetDevModel(int idx) = 0;
    virtual QString UI_GetDevFullModel(int idx) = 0;
    virtual QString UI_GetDevFirmWareVer(int idx) = 0;
    virtual QString UI_GetDevPicPath() = 0;
    virtual QString UI_GetPenPicPath() = 0;
    virtual int UI_GetHKeyNum() = 0;
    virtual QRect UI_GetHKeyRect(int key) = 0;
    virtual QString UI_GetHKeyPicPath(int key) = 0;
    virtual int UI_GetSKeyNum() = 0;
    virtual QRect UI_GetSKeyRect(int key) = 0;
    virtual QString UI_GetSKeyPicPath(int key) = 0;
    virtual int UI_GetMKeyNum() = 0;
    virtual QRect UI_GetMKeyRect(int key) = 0;
    virtual QString UI_GetMKeyPicPath(int key) = 0;
    virtual int UI_GetPKeyNum() = 0;
    virtual QRect UI_GetPKeyRect(int key) = 0;
    virtual QString UI_GetPKeyPicPath(int key) = 0;
    virtual bool UI_GetTHKeyState(int app) = 0;

    // Areas, pressure and files.
    virtual QRect UI_GetWorkArea() = 0;
    virtual QRect UI_GetSekArea() = 0;
    virtual QRect UI_GetWorkMapArea(int app) = 0;
    virtual int UI_GetMapScreen(int app) = 0;
    virtual bool UI_SetMapScreen(int screen, int app) = 0;
    virtual ZvRectRatio UI_GetTabletAreaRatio(int app) = 0;
    virtual bool UI_SetTabletAreaRatio(ZvRectRatio ratio, int app) = 0;
    virtual ZvRectRatio UI_GetScreenAreaRatio(int app) = 0;
    virtual bool UI_SetScreenAreaRatio(ZvRectRatio ratio, int app) = 0;
    virtual bool UI_GetPressureSetting(ZvPoint* p1, ZvPoint* p2, ZvPoint* p3, int app) = 0;
    virtual bool UI_SetPressureSetting(ZvPoint p1, ZvPoint p2, ZvPoint p3, int app) = 0;
    virtual int UI_CalcPressure(int pressure) = 0;
    virtual bool UI_LoadDefCfg() = 0;
    virtual bool UI_ExportCfg(QString path) = 0;
    virtual bool UI_LoadCfg(QString path) = 0;
    virtual unsigned UI_GetLangBit() = 0;
};
