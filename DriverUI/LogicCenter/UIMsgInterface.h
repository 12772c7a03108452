// What the logic center tells the user interface. Implemented by the QML bridge; every call
// comes on the GUI thread, so an implementation may touch QML-visible state directly.
#pragma once

#include <QString>

class UIMsgInterface {
public:
    virtual ~UIMsgInterface() = default;

    // A tablet is there (maxx, maxy: its coordinate range), or, with an empty model, none is.
    virtual void coreDevConnect(QString model, unsigned maxx, unsigned maxy) = 0;
    virtual void coreDevDisConnect(QString model) = 0;
    virtual void coreSwitchScreen(int screen) = 0;
    virtual void coreSwitchMouseMode(bool on) = 0;
    virtual void coreSwitchGameModel(bool on) = 0;
    virtual void corePenPressureChanged(int pressure) = 0;
    virtual void coreMekPressKeyDown(QString model, int appIdx, int keyIdx, int funIdx) = 0;
    virtual void coreShowEKeyValue(QString model, bool show, int appIdx) = 0;
    virtual void coreShowFineModel(bool show, int value) = 0;
    virtual void coreShowRadialMenu(bool show, int value) = 0;
    virtual void corePowerInfo(int percent) = 0;
    virtual void coreDialState(bool on) = 0;
    virtual void coreAdminState(bool admin) = 0;
    virtual void coreLedState(bool on) = 0;
    virtual void coreTHKeyState(bool on) = 0;
    virtual void coreTScreenState(bool on) = 0;
    virtual void coreLedLightLevel(int level) = 0;
    virtual void coreSleepLevel(int level) = 0;
    virtual void coreTabletOpen(QString model) = 0;
    virtual void coreTabletClose(QString model) = 0;
    virtual void sysScreenChange() = 0;
    virtual void showMainWindow() = 0;
    // The core's service appeared on the bus or left it (the driver runs or not).
    virtual void coreServiceChange(bool running) { (void)running; }
};
