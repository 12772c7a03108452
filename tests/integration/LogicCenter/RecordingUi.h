// The user interface's end of the logic center for tests: every callback becomes one line of
// text ("connect ZT-A01 40000 25000", "power 15", ...), kept in order. Called on the GUI thread,
// read from the test thread.
#pragma once

#include "UIMsgInterface.h"

#include <QString>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class RecordingUi : public UIMsgInterface {
public:
    std::vector<std::string> lines();
    // Waits until the line at or after index from equals line; its index, or -1 after timeoutMs.
    long waitLine(const std::string& line, int timeoutMs, size_t from = 0);
    size_t size();
    // The thread of the last callback.
    std::thread::id lastThread();

    void coreDevConnect(QString model, unsigned maxx, unsigned maxy) override;
    void coreDevDisConnect(QString model) override;
    void coreSwitchScreen(int screen) override;
    void coreSwitchMouseMode(bool on) override;
    void coreSwitchGameModel(bool on) override;
    void corePenPressureChanged(int pressure) override;
    void coreMekPressKeyDown(QString model, int appIdx, int keyIdx, int funIdx) override;
    void coreShowEKeyValue(QString model, bool show, int appIdx) override;
    void coreShowFineModel(bool show, int value) override;
    void coreShowRadialMenu(bool show, int value) override;
    void corePowerInfo(int percent) override;
    void coreDialState(bool on) override;
    void coreAdminState(bool admin) override;
    void coreLedState(bool on) override;
    void coreTHKeyState(bool on) override;
    void coreTScreenState(bool on) override;
    void coreLedLightLevel(int level) override;
    void coreSleepLevel(int level) override;
    void coreTabletOpen(QString model) override;
    void coreTabletClose(QString model) override;
    void sysScreenChange() override;
    void showMainWindow() override;

private:
    void add(const QString& line);

    std::mutex _mu;
    std::condition_variable _cv;
    std::vector<std::string> _lines;
    std::thread::id _thread;
};
