// The one object through which the QML pages reach the application. QML creates it in the main
// window; it creates the logic center (and with it the message adapter) and turns the logic
// center's callbacks into signals. Lives and is called on the GUI thread.
#pragma once

#include "UIMsgInterface.h"

#include <QMap>
#include <QObject>
#include <QString>

#include <memory>

class LogicCenter;

class UIManager : public QObject, public UIMsgInterface {
    Q_OBJECT
public:
    explicit UIManager(QObject* parent = nullptr);
    // Stops the message adapter (exitCore).
    ~UIManager() override;

    // Start-up and system.
    Q_INVOKABLE bool getStartArgumentIsShow();
    Q_INVOKABLE bool getStartupTimeIsShow();
    // Stops the message adapter. The core is not asked to quit: it serves the pen whether or
    // not the settings run, and a user process may not signal it anyway.
    Q_INVOKABLE void exitCore();
    Q_INVOKABLE bool setAutoStart();
    Q_INVOKABLE bool rmAutoStart();
    Q_INVOKABLE int getCheckAutoStart();

    // The devices (an index out of range reads as empty).
    Q_INVOKABLE QString getDevName(int idx);
    Q_INVOKABLE QString getDevModel(int idx);
    Q_INVOKABLE QString getDevFullModel(int idx);
    Q_INVOKABLE int getCurrentDevIdx();
    Q_INVOKABLE bool setCurrentDevIdx(int idx);

    LogicCenter* logicCenter() const { return m_pLogicCenter.get(); }

    // UIMsgInterface.
    void coreDevConnect(QString model, unsigned maxx, unsigned maxy) override;
    void coreDevDisConnect(QString model) override;
    void coreSwitchScreen(int screen) override { emit switchScreen(screen); }
    void coreSwitchMouseMode(bool) override { emit switchMouseMode(); }
    void coreSwitchGameModel(bool on) override { emit switchGameModel(on); }
    void corePenPressureChanged(int pressure) override { emit penPressureChanged(pressure); }
    void coreMekPressKeyDown(QString model, int appIdx, int keyIdx, int funIdx) override {
        emit mekPressKeyDown(model, appIdx, keyIdx, funIdx);
    }
    void coreShowEKeyValue(QString model, bool show, int appIdx) override {
        emit showEKeyValue(model, show, appIdx);
    }
    void coreShowFineModel(bool show, int value) override { emit showFineModel(show, value); }
    void coreShowRadialMenu(bool show, int value) override { emit showRadialMenu(show, value); }
    void corePowerInfo(int percent) override { emit powerInfo(percent); }
    void coreDialState(bool on) override { emit dialState(on ? 1 : 0); }
    void coreAdminState(bool admin) override { emit adminiState(admin); }
    void coreLedState(bool on) override { emit ledState(on ? 1 : 0); }
    void coreTHKeyState(bool on) override { emit thKeyState(on ? 1 : 0); }
    void coreTScreenState(bool on) override { emit tScreenState(on); }
    void coreLedLightLevel(int level) override { emit ledLightLevel(level); }
    void coreSleepLevel(int level) override { emit sleepLevel(level); }
    void coreTabletOpen(QString model) override { emit tabletOpen(model); }
    void coreTabletClose(QString model) override { emit tabletClose(model); }
    void sysScreenChange() override;
    void showMainWindow() override { emit showUI(); }

signals:
    void devConnect(QString strModel, unsigned maxx, unsigned maxy);
    void devDisConnect(const QString& strModel);
    void switchScreen(int screenIdx);
    void switchMouseMode();
    void switchGameModel(bool on);
    void penPressureChanged(int pressure);
    void showFineModel(bool show, int value);
    void showRadialMenu(bool show, int value);
    void powerInfo(int percent);
    void dialState(int on);
    void adminiState(bool admin);
    void ledState(int on);
    void thKeyState(int on);
    void tScreenState(bool on);
    void ledLightLevel(int level);
    void sleepLevel(int level);
    void tabletOpen(QString model);
    void tabletClose(QString model);
    void mekPressKeyDown(QString strModel, int iAppIdx, int iKeyIdx, int iFunIdx);
    void showEKeyValue(QString strModel, bool bShow, int iAppIdx);
    void showUI();

private:
    // A tablet's coordinate range as first reported: the core repeats a connection with 0, 0
    // when it has no description at hand, and the pages keep the known range then.
    struct workArea {
        unsigned maxx = 0;
        unsigned maxy = 0;
    };

    std::unique_ptr<LogicCenter> m_pLogicCenter;
    QMap<QString, workArea> map_workArea;
};
