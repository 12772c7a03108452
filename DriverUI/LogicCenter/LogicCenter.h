// The settings application's controller: turns the core's records into calls on the user
// interface, keeps the device list in step with the core, and sends the pages' requests. It lives
// on the GUI thread; so do all its handlers.
#pragma once

#include "KeyTrans.h"
#include "LogicCenterInterface.h"
#include "MsgAdapter.h"
#include "TabletManager.h"
#include "ZvBindingText.h"

#include <QHash>
#include <QString>

#include <json/value.h>

#include <chrono>
#include <memory>

class LogicCenter : public LogicCenterInterface {
public:
    // A tablet-information request that had no answer (the core closed that tablet meanwhile)
    // is asked again after this long, on a later tablet list that still names the model.
    static constexpr std::chrono::milliseconds kInfoRetry{9000};

    // appDir: the program's folder, with libs/ and res/ (empty: the running program's).
    explicit LogicCenter(const QString& appDir = QString());
    ~LogicCenter() override;
    LogicCenter(const LogicCenter&) = delete;
    LogicCenter& operator=(const LogicCenter&) = delete;

    virtual TabletManager* GetTabletManager() { return &m_devices; }
    MsgAdapter* adapter() { return m_pMsgAdapter.get(); }
    // False when the configuration store could not be loaded (storeError() says why): the
    // program cannot show or save any setting then.
    bool storeReady() const { return m_storeReady; }
    const QString& storeError() const { return m_storeError; }

    // How the binding texts are translated (the application's language table); none: shown in
    // the source language.
    void SetTranslator(zvui::Translator tr) { m_tr = std::move(tr); }
    // The express key (or multi-function control) that mirrors key on this model, -1 for none.
    static int hekMirror(const QString& model, int key);
    static int mekMirror(const QString& model, int key);

    // The percentage shown for the battery byte the core reports.
    static int batteryPercent(th_u8 battery);

    void Destory() override;
    void CoreRunError(int error) override;
    void SetUIMsgInterface(UIMsgInterface* ui) override { m_pUIMsgInterface = ui; }
    void TabletNum(const ZvMsg& msg) override;
    void TabletInfo(const ZvMsg& msg) override;
    void AdminState(const ZvMsg& msg) override;
    void BatteryValue(const ZvMsg& msg) override;
    void LedState(const ZvMsg& msg) override;
    void DialState(const ZvMsg& msg) override;
    void THKeyState(const ZvMsg& msg) override;
    void TScreenState(const ZvMsg& msg) override;
    void LedLightLevel(const ZvMsg& msg) override;
    void SleepLevel(const ZvMsg& msg) override;
    void TabletOpen(const ZvMsg& msg) override;
    void TabletClose(const ZvMsg& msg) override;
    void SwitchDisplay(const ZvMsg& msg) override;
    void SwitchMouseMode(const ZvMsg& msg) override;
    void ShowMekMenu(const ZvMsg& msg) override;
    void ShowEKeyValue(const ZvMsg& msg) override;
    void ShowMainWindow() override;
    void DefaultProc(const ZvMsg& msg) override;
    void DisConnect() override;
    void CoreOnBus(bool present) override;

    void UI_Quit() override;
    void UI_GetTabletNum() override;
    void UI_GetTabletInfo() override;
    void UI_SendCfgChange() override;
    void UI_SendMonitorChange(int idx) override;
    void UI_SendPhysicsScreenChange() override;
    void UI_SendCalibrateStart() override;
    void UI_SendCalibrateEnd() override;
    void UI_GetAdmin() override;
    void UI_SendRunaAsAdmin() override;
    void UI_SendChangeCurTablet(QString model) override;
    void UI_GetBatteryInfo() override;
    void UI_GetLedInfo() override;
    void UI_SendLedState(bool on) override;
    void UI_GetDialInfo() override;
    void UI_SendDialState(bool on) override;
    void UI_GetTHkeyInfo() override;
    void UI_SendTHKeyState(bool open) override;
    void UI_GetTScreenInfo() override;
    void UI_SendTSCreenState(bool open) override;
    void UI_GetLedLight() override;
    void UI_SendLedLightLevel(int level) override;
    void UI_GetSleepInfo() override;
    void UI_SendSleepLevel(int level) override;

    bool UI_SetHKeyState(bool on) override;
    bool UI_SetSKeyStatus(bool on) override;
    bool UI_SetMekStatus(bool on) override;
    bool UI_SetTouchMekStatus(bool on) override;
    bool UI_SetDialMekStatus(bool on) override;
    bool UI_SetWinRaDialStatus(bool on) override;
    bool UI_SetWinInkStatus(bool on) override;
    bool UI_SetWinGameModel(bool on) override;
    bool UI_SetMouseModel(bool on) override;
    bool UI_SetMapToAllScreen(bool all) override;
    int UI_GetDevRotate() override;
    bool UI_SetDevRotate(int angle) override;
    bool UI_SetCurrentCfgAppIdx(int app) override;
    bool UI_SetCurrentDevIdx(int idx) override;
    bool UI_SetHkeyValue(int app, int key, int funBit, bool ctrl, bool alt, bool shift, bool win,
                         QString keys, QString name) override;
    bool UI_SetSkeyValue(int app, int key, int funBit, bool ctrl, bool alt, bool shift, bool win,
                         QString keys, QString name) override;
    bool UI_SetPkeyValue(int app, int key, int funBit, bool ctrl, bool alt, bool shift, bool win,
                         QString keys, QString name) override;
    bool UI_SetMkeyValue(int app, int key, int fun, int funBit, bool ctrl, bool alt, bool shift,
                         bool win, QString keys, QString name, int funBit2, bool ctrl2, bool alt2,
                         bool shift2, bool win2, QString keys2, QString name2) override;
    EKeyValue UI_GetHkeyValue_r(int app, int key) override;
    EKeyValue UI_GetSkeyValue_r(int app, int key) override;
    EKeyValue UI_GetPkeyValue_r(int app, int key) override;
    EKeyValue UI_GetMkeyValue_r(int app, int key, int fun) override;
    QString UI_GetHkeyValue(int app, int key) override;
    QString UI_GetSKeyValue(int app, int key) override;
    QString UI_GetPKeyValue(int app, int key) override;
    QString UI_GetMKeyValue(int app, int key, int fun, bool named) override;
    QString UI_GetMKeyValueWithModel(QString model, int app, int key, int fun) override;
    QStringList UI_GetAppList() override;
    bool UI_SetAddOneNewApp(QString path) override;
    void UI_SetWorkMapType(int type) override;
    int UI_GetWorkAreaType() override;
    bool UI_GetHkeyStatus(int app) override;
    bool UI_GetSKeyStatus(int app) override;
    int UI_GetMKeyType(int key) override;
    int UI_GetMKeyFunNum(int key) override;
    int UI_GetMKeyStatus(int app, int key) override;
    int UI_GetMKeyCurFunIdx(int app, int key) override;
    int UI_GetCurrentCfgAppIdx() override;
    int UI_GetCurrentDevIdx() override;
    bool UI_GetWinInkStatus(int app) override;
    bool UI_GetWinGameModel(int app) override;
    bool UI_GetMouseModel(int app) override;
    bool UI_SetMouseSpeed(int speed) override;
    int UI_GetMouseSpeed() override;
    void UI_SetMKeySpeed(int) override {}
    int UI_GetMKeySpeed() override { return 3; }
    void UI_SetWorkMapArea(QRect) override {}
    void UI_SetDisplaySetting() override {}
    QString UI_GetDevName(int idx) override;
    QString UI_GetDevModel(int idx) override;
    QString UI_GetDevFullModel(int idx) override;
    QString UI_GetDevFirmWareVer(int idx) override;
    QString UI_GetDevPicPath() override;
    QString UI_GetPenPicPath() override;
    int UI_GetHKeyNum() override;
    QRect UI_GetHKeyRect(int key) override;
    QString UI_GetHKeyPicPath(int key) override;
    int UI_GetSKeyNum() override;
    QRect UI_GetSKeyRect(int key) override;
    QString UI_GetSKeyPicPath(int key) override;
    int UI_GetMKeyNum() override;
    QRect UI_GetMKeyRect(int key) override;
    QString UI_GetMKeyPicPath(int key) override;
    int UI_GetPKeyNum() override;
    QRect UI_GetPKeyRect(int key) override;
    QString UI_GetPKeyPicPath(int key) override;
    bool UI_GetTHKeyState(int app) override;
    QRect UI_GetWorkArea() override;
    QRect UI_GetSekArea() override;
    QRect UI_GetWorkMapArea(int app) override;
    int UI_GetMapScreen(int app) override;
    bool UI_SetMapScreen(int screen, int app) override;
    ZvRectRatio UI_GetTabletAreaRatio(int app) override;
    bool UI_SetTabletAreaRatio(ZvRectRatio ratio, int app) override;
    ZvRectRatio UI_GetScreenAreaRatio(int app) override;
    bool UI_SetScreenAreaRatio(ZvRectRatio ratio, int app) override;
    bool UI_GetPressureSetting(ZvPoint* p1, ZvPoint* p2, ZvPoint* p3, int app) override;
    bool UI_SetPressureSetting(ZvPoint p1, ZvPoint p2, ZvPoint p3, int app) override;
    int UI_CalcPressure(int pressure) override;
    bool UI_LoadDefCfg() override;
    bool UI_ExportCfg(QString path) override;
    bool UI_LoadCfg(QString path) override;
    unsigned UI_GetLangBit() override;

private:
    // The current tablet's model; empty (and nothing is to be sent) without devices.
    QString current() const { return m_devices.GetCurrentDevModel(); }
    // After a change was saved: the core re-reads the tablet's settings. Returns saved.
    bool saved(bool saved);
    // The picture of one key: empty when the model's table has none.
    QString keyPicPath(const char* kind, int key) const;
    // Makes the record of a page's entry and saves it with save (and for the mirror partner when
    // there is one); true when everything was saved.
    bool setKey(int app, int key, int funBit, bool ctrl, bool alt, bool shift, bool win,
                const QString& keys, const QString& name,
                bool (Tablet::*save)(int, int, const ZvEkey&), int mirror);
    // Reads res/StatuImg.js into m_DevImagesValue.
    void InitDevImages();
    // Tells the pages which tablet is current now (an empty model: none); they re-read the
    // device list then.
    void connectCurrent();

    UIMsgInterface* m_pUIMsgInterface = nullptr;
    TabletManager m_devices;
    KeyTrans m_keyTrans;
    zvui::Translator m_tr;
    // Key pictures per model and kind; per-model display settings (memory only).
    Json::Value m_DevImagesValue;
    Json::Value m_DevCfgValue;
    bool m_storeReady = false;
    QString m_storeError;
    // Models asked for with a tablet-information request and not answered yet.
    QHash<QString, std::chrono::steady_clock::time_point> m_infoAsked;
    // A tablet list has been answered since the start (or since the core came back).
    bool m_listSeen = false;
    // Last, so that its threads stop before anything they reach goes away.
    std::unique_ptr<MsgAdapter> m_pMsgAdapter;
};
