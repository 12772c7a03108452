// The logic center as the message adapter and the QML bridge see it. The core-message handlers
// are called on the GUI thread with a record that has already been checked (ZvCoreRecord): its
// model strings are terminated and accepted, its counts and indices within their arrays.
#pragma once

#include "ZvMsg.h"

#include <QString>

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

    // The devices.
    virtual bool UI_SetCurrentDevIdx(int idx) = 0;
    virtual int UI_GetCurrentDevIdx() = 0;
    virtual QString UI_GetDevName(int idx) = 0;
    virtual QString UI_GetDevModel(int idx) = 0;
    virtual QString UI_GetDevFullModel(int idx) = 0;
};
