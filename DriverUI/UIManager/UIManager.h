// The one object through which the QML pages reach the application. QML creates it in the main
// window; it creates the logic center (and with it the message adapter) and turns the logic
// center's callbacks into signals. Lives and is called on the GUI thread.
#pragma once

#include "EKeyValue.h"
#include "KeyTrans.h"
#include "UIMsgInterface.h"
#include "ZvStruct.h"

#include <QMap>
#include <QObject>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>

class LinkManager;
class MyGlobalShortCut;
class ScreenInfo;

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
    // What the pages call the device: its name, or its model when the tablet has no name (an
    // unknown model is still a connected tablet).
    Q_INVOKABLE QString getDevTitle(int idx);
    // The firmware version, or the one remembered for the current model when the device has
    // none to tell.
    Q_INVOKABLE QString getDevFirmWareVer(int idx);
    Q_INVOKABLE int getCurrentDevIdx();
    Q_INVOKABLE bool setCurrentDevIdx(int idx);
    // True while a device is present.
    Q_INVOKABLE bool getConnectState();
    // True while the driver (the core's service) is on the bus.
    Q_INVOKABLE bool getCoreRunning();
    Q_INVOKABLE QString getDevPicPath();
    Q_INVOKABLE QString getPenPicPath();
    // The languages the current tablet's firmware offers, by their own names.
    Q_INVOKABLE QStringList getLangList();
    // The pressure grade of the current tablet's pen (0, 1, 2) and its largest pressure.
    Q_INVOKABLE int getPressureGrade();
    Q_INVOKABLE int getMaxPressure();

    // Switches of the current profile; true when saved.
    Q_INVOKABLE bool setHKeyStatus(bool on);
    Q_INVOKABLE bool setSKeyStatus(bool on);
    Q_INVOKABLE bool setMKeyStatus(bool on);
    Q_INVOKABLE bool setTouchMekStatus(bool on);
    Q_INVOKABLE bool setDialMekStatus(bool on);
    Q_INVOKABLE bool setWinRaDialStatus(bool on);
    Q_INVOKABLE bool setWinInkStatus(bool on);
    Q_INVOKABLE bool setWinGameModel(bool on);
    Q_INVOKABLE bool setMouseModel(bool on);
    Q_INVOKABLE void setDisplaySetting();
    Q_INVOKABLE bool setDevRotate(int angle);
    Q_INVOKABLE bool setCurrentCfgIdx(int app);
    Q_INVOKABLE bool setMouseSpeed(int speed);
    Q_INVOKABLE void setMKeySpeed(int speed);
    Q_INVOKABLE bool setAddOneNewApp(QString path);
    Q_INVOKABLE void setRunAsAdmin();
    // Asks the core for the touch keys' state (the answer comes as thKeyState).
    Q_INVOKABLE void setTKeyStatus();
    // Asks whether the core runs as administrator (the answer comes as adminiState).
    Q_INVOKABLE bool getRunAsAdmin();

    // Device states: each query's answer comes as the signal of the same name; a change is sent
    // to the tablet through the core.
    Q_INVOKABLE void queryDevStates();
    Q_INVOKABLE void setLedState(bool on);
    Q_INVOKABLE void setTHKeyState(bool on);
    Q_INVOKABLE void setTScreenState(bool on);
    Q_INVOKABLE void setLedLightLevel(int level);
    Q_INVOKABLE void setSleepLevel(int level);

    // Reads of the current tablet (app -1: all programs).
    Q_INVOKABLE int getMouseSpeed();
    Q_INVOKABLE int getMKeySpeed();
    Q_INVOKABLE QStringList getAppList();
    Q_INVOKABLE bool getHKeyStatus(int app);
    Q_INVOKABLE QString getHKeyValue(int app, int key);
    Q_INVOKABLE bool getSKeyStatus(int app);
    Q_INVOKABLE QString getSKeyValue(int app, int key);
    Q_INVOKABLE QString getPKeyValue(int app, int key);
    Q_INVOKABLE bool getWinInkStatus(int app);
    Q_INVOKABLE bool getWinGameModel(int app);
    Q_INVOKABLE bool getMouseModel(int app);
    Q_INVOKABLE int getCurrentCfgIdx();
    Q_INVOKABLE int getDevRotate();
    Q_INVOKABLE bool getTHKEyState(int app);
    Q_INVOKABLE int getMKeyType(int key);
    Q_INVOKABLE int getMKeyFunNum(int key);
    Q_INVOKABLE int getMKeyStatus(int app, int key);
    Q_INVOKABLE int getMKeyCurFunIdx(int app, int key);
    Q_INVOKABLE QString getMKeyValue(int app, int key, int fun, bool named);
    Q_INVOKABLE QString getMKeyValueWithModel(QString model, int app, int key, int fun);
    Q_INVOKABLE int getHKeyNum();
    Q_INVOKABLE QRect getHKeyRect(int key);
    Q_INVOKABLE QString getHKeyPicPath(int key);
    Q_INVOKABLE int getSKeyNum();
    Q_INVOKABLE QRect getSKeyRect(int key);
    Q_INVOKABLE QString getSKeyPicPath(int key);
    Q_INVOKABLE int getMKeyNum();
    Q_INVOKABLE QRect getMKeyRect(int key);
    Q_INVOKABLE QString getMKeyPicPath(int key);
    Q_INVOKABLE int getPKeyNum();
    Q_INVOKABLE QRect getPKeyRect(int key);
    Q_INVOKABLE QString getPKeyPicPath(int key);

    // Bindings. The _r reads keep the value for the accessors below (b: the second binding).
    Q_INVOKABLE bool setHKeyValue(int app, int key, int funBit, bool ctrl, bool alt, bool shift,
                                  bool win, QString keys, QString name);
    Q_INVOKABLE bool setSKeyValue(int app, int key, int funBit, bool ctrl, bool alt, bool shift,
                                  bool win, QString keys, QString name);
    Q_INVOKABLE bool setPKeyValue(int app, int key, int funBit, bool ctrl, bool alt, bool shift,
                                  bool win, QString keys, QString name);
    Q_INVOKABLE bool setMKeyValue(int app, int key, int fun, int funBit, bool ctrl, bool alt,
                                  bool shift, bool win, QString keys, QString name, int funBit2,
                                  bool ctrl2, bool alt2, bool shift2, bool win2, QString keys2,
                                  QString name2);
    Q_INVOKABLE void getHKeyValue_r(int app, int key);
    Q_INVOKABLE void getSKeyValue_r(int app, int key);
    Q_INVOKABLE void getPKeyValue_r(int app, int key);
    Q_INVOKABLE void getMKeyValue_r(int app, int key, int fun);
    Q_INVOKABLE int getidx(bool b);
    Q_INVOKABLE int getiFunIdx(bool b);
    Q_INVOKABLE int getiFunBit(bool b);
    Q_INVOKABLE bool getbCtrl(bool b);
    Q_INVOKABLE bool getbAlt(bool b);
    Q_INVOKABLE bool getbShift(bool b);
    Q_INVOKABLE bool getbWin(bool b);
    Q_INVOKABLE int getKeys(bool b);
    Q_INVOKABLE QString getName(bool b);
    // The key text a dialog shows: a private command's "0x1".."0x3" (so that saving the dialog
    // again keeps the command), else the key's name.
    Q_INVOKABLE QString getKeys_String(bool b);

    // Areas. Ratios are fractions of the tablet or screen; app -1 is all programs.
    Q_INVOKABLE QRect getWorkArea();
    Q_INVOKABLE QRect getSKeykArea();
    Q_INVOKABLE QRect getWorkMapArea(int app);
    // The part of the tablet the pen can map (soft keys' inner area or the pen area).
    Q_INVOKABLE QRect getUsableArea();
    // Mode 2's area inside the usable area for a screen of that width / height.
    Q_INVOKABLE QRectF getProportionalArea(double screenAspect);
    Q_INVOKABLE int getMapScreen(int app);
    Q_INVOKABLE bool setMapScreen(int screen, int app);
    Q_INVOKABLE void setWorkMapArea(QRect area);
    // The mode (0 whole, 1 custom, 2 proportional), kept per user.
    Q_INVOKABLE bool setWorkMapType(int type);
    Q_INVOKABLE int getWorkMapType();
    Q_INVOKABLE double getTabletAreaLeft(int app);
    Q_INVOKABLE double getTabletAreaTop(int app);
    Q_INVOKABLE double getTabletAreaRight(int app);
    Q_INVOKABLE double getTabletAreaBottom(int app);
    Q_INVOKABLE double getScreenAreaLeft(int app);
    Q_INVOKABLE double getScreenAreaTop(int app);
    Q_INVOKABLE double getScreenAreaRight(int app);
    Q_INVOKABLE double getScreenAreaBottom(int app);
    Q_INVOKABLE bool setTabletAreaLeft(double value, int app);
    Q_INVOKABLE bool setTabletAreaTop(double value, int app);
    Q_INVOKABLE bool setTabletAreaRight(double value, int app);
    Q_INVOKABLE bool setTabletAreaBottom(double value, int app);
    Q_INVOKABLE bool setScreenAreaLeft(double value, int app);
    Q_INVOKABLE bool setScreenAreaTop(double value, int app);
    Q_INVOKABLE bool setScreenAreaRight(double value, int app);
    Q_INVOKABLE bool setScreenAreaBottom(double value, int app);
    // A whole rectangle at once (an edge at a time could pass through an empty area).
    Q_INVOKABLE bool setTabletArea(double left, double top, double right, double bottom, int app);
    Q_INVOKABLE bool setScreenArea(double left, double top, double right, double bottom, int app);
    // The custom area typed in as numbers in tablet units (all programs' profile).
    Q_INVOKABLE bool setCustomArea(int x, int y, int width, int height);

    // Pressure.
    Q_INVOKABLE int getPressureSettingPt(bool isX, int idx, int app);
    Q_INVOKABLE bool setPressureSetting(int x1, int y1, int x2, int y2, int x3, int y3, int app);
    Q_INVOKABLE int getPressure();
    Q_INVOKABLE int getFixedPressure();

    // Files: true when done; a load also tells the pages (devConfigChange).
    Q_INVOKABLE bool loadDefCfg();
    Q_INVOKABLE bool loadCfg(QString path);
    Q_INVOKABLE bool exportCfg(QString path);

    // Texts and helpers of the pages.
    Q_INVOKABLE QString getSoftWareVer();
    Q_INVOKABLE QString getCopyright();
    Q_INVOKABLE int getInternationalVer();
    Q_INVOKABLE QString tabletPath();
    Q_INVOKABLE bool bTabletPath(QString path);
    Q_INVOKABLE QString getAppName(QString path);
    Q_INVOKABLE QString rmString(QString s, QString r);
    Q_INVOKABLE QString codeToString(int code);
    // The key name of a typed character (keypad: the keypad's keys).
    Q_INVOKABLE QString makeASCIIToString(QString code, bool keypad);

    // Screens, in the core's order; index count is all screens.
    Q_INVOKABLE int getMapScreenNum();
    Q_INVOKABLE QSize getScreenSize();
    Q_INVOKABLE QRect getPrimaryScreenRect();
    Q_INVOKABLE QRect getScreenRect(int i);
    Q_INVOKABLE QRect getCurrentScreenRect();
    Q_INVOKABLE QString getScreenPicPath();
    Q_INVOKABLE QString refreshScreenPic();
    // width / height of the screen (or of all screens) the tablet maps to now.
    Q_INVOKABLE double getCurrentScreenAspect();

    // The show-window hot key: registered (the old one kept when the new one cannot be had) and
    // remembered per user. False on a conflict; the page says so.
    Q_INVOKABLE bool setHotKey(QString text);
    Q_INVOKABLE QString getHotKey();
    // The hot key a key press makes, as the settings page shows it ("Ctrl + Shift + H"); empty
    // for a press of modifiers only. key and modifiers as QML's KeyEvent has them.
    Q_INVOKABLE QString hotKeyTextOf(int key, int modifiers);
    // The local file of a file dialog's URL; empty for any other URL.
    Q_INVOKABLE QString localPath(const QUrl& url);

    // Web links, opened only when the user clicks one.
    Q_INVOKABLE QString getUpdateLogUrl();
    Q_INVOKABLE QString getUpdateUrl();
    Q_INVOKABLE QString getFeedBackUrl();
    Q_INVOKABLE QString getLicenseUrl();
    Q_INVOKABLE QString getFAQUrl();
    Q_INVOKABLE QString getQuestionUrl();
    Q_INVOKABLE QString getHelpUrl();
    Q_INVOKABLE QString getMallUrl();
    Q_INVOKABLE QString getAdvertising(int num);
    // Language names as the settings page lists them and the codes loadLanguage takes.
    Q_INVOKABLE QString getLangCode(QString name);
    Q_INVOKABLE QString getLangName(QString code);

public slots:
    void onSetHotKey();

public:
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
    void coreServiceChange(bool running) override { emit coreRunning(running); }

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
    void devConfigChange(QString model);
    void displayChange(QString strScreenPicPath, QSize screenSize, int screenCount);
    void hotKeyshowUI();
    void coreRunning(bool running);

private:
    // A tablet's coordinate range as first reported: the core repeats a connection with 0, 0
    // when it has no description at hand, and the pages keep the known range then.
    struct workArea {
        unsigned maxx = 0;
        unsigned maxy = 0;
        QString firmWareVer;
    };
    // Reads the ratio, replaces one edge (0 left, 1 top, 2 right, 3 bottom), saves it.
    bool setTabletEdge(int edge, double value, int app);
    bool setScreenEdge(int edge, double value, int app);
    double edgeOf(const ZvRectRatio& r, int edge) const;

    std::unique_ptr<LogicCenter> m_pLogicCenter;
    EKeyValue m_EKeyValue;
    KeyTrans m_keyTrans;
    // After the logic center: destroyed first, so no screen notice reaches a stopped adapter.
    std::unique_ptr<ScreenInfo> m_pScreenInfo;
    std::unique_ptr<MyGlobalShortCut> m_shortcut;
    std::unique_ptr<LinkManager> m_links;
    bool m_hotKeyConnected = false;
    int m_iPressure = 0;
    QMap<QString, workArea> map_workArea;
};
