#include "LogicCenter.h"

#include "UIMsgInterface.h"
#include "ZvCoreRecord.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSet>

LogicCenter::LogicCenter(const QString& appDir)
    : m_devices(appDir.isEmpty() ? QCoreApplication::applicationDirPath() : appDir),
      m_pMsgAdapter(std::make_unique<MsgAdapter>()) {
    m_storeReady = m_devices.InitConfStore(&m_storeError);
    m_pMsgAdapter->SetLogicCenter(this);
}

LogicCenter::~LogicCenter() {
    Destory();
}

void LogicCenter::Destory() {
    m_pMsgAdapter->stop();
}

int LogicCenter::batteryPercent(th_u8 battery) {
    switch (battery) {
    case 1:
        return 10;
    case 2:
        return 20;
    case 4:
        return 40;
    case 8:
        return 50;
    case 16:
        return 60;
    case 32:
        return 70;
    case 64:
        return 80;
    case 128:
        return 100;
    default:
        return 15;
    }
}

void LogicCenter::connectCurrent() {
    if (m_pUIMsgInterface == nullptr)
        return;
    const Tablet* t = m_devices.Current();
    if (t == nullptr)
        m_pUIMsgInterface->coreDevConnect(QString(), 0, 0);
    else
        m_pUIMsgInterface->coreDevConnect(t->model(), t->cfg().maxX, t->cfg().maxY);
}

void LogicCenter::TabletNum(const ZvMsg& msg) {
    const int n = msg.body.tablets.num;
    QStringList reported;
    for (int i = 0; i < n; ++i) {
        const QString model = zvui::modelOf(msg.body.tablets.model[i]);
        if (!model.isEmpty() && !reported.contains(model))
            reported << model;
    }
    const bool first = !m_listSeen;
    m_listSeen = true;
    for (auto it = m_infoAsked.begin(); it != m_infoAsked.end();)
        it = reported.contains(it.key()) ? std::next(it) : m_infoAsked.erase(it);
    if (reported.isEmpty()) {
        // The answer comes every 3 s: the pages hear of "no tablet" when it changes (and once
        // at the start), not each time.
        if (m_devices.Count() > 0 || first) {
            m_devices.RemoveAll();
            connectCurrent();
        }
        return;
    }
    for (const QString& model : m_devices.Models()) {
        if (reported.contains(model))
            continue;
        m_devices.Remove(model);
        qInfo("TabletNum: %s is gone", qPrintable(model));
        connectCurrent();
    }
    const auto now = std::chrono::steady_clock::now();
    for (const QString& model : reported) {
        if (m_devices.Find(model) != nullptr)
            continue;
        auto asked = m_infoAsked.find(model);
        if (asked != m_infoAsked.end() && now - asked.value() < kInfoRetry)
            continue;
        qInfo("getTabletInfo %s", qPrintable(model));
        if (m_pMsgAdapter->GetTabletInfo(model))
            m_infoAsked.insert(model, now);
    }
}

void LogicCenter::TabletInfo(const ZvMsg& msg) {
    const QString model = zvui::modelOf(msg.body.tc.tc.sModel);
    // Only the answer to a request for a listed tablet is taken: one that comes after the
    // tablet was unplugged (and the list reconciled) must not bring it back, and a model already
    // known is not added twice.
    if (m_infoAsked.remove(model) == 0 || m_devices.Find(model) != nullptr)
        return;
    if (m_devices.Add(msg.body.tc.tc) != nullptr)
        connectCurrent();
}

void LogicCenter::AdminState(const ZvMsg& msg) {
    if (m_pUIMsgInterface != nullptr)
        m_pUIMsgInterface->coreAdminState(msg.body.bAdmin != 0);
}

void LogicCenter::BatteryValue(const ZvMsg& msg) {
    if (m_pUIMsgInterface != nullptr)
        m_pUIMsgInterface->corePowerInfo(batteryPercent(msg.body.battery.battery));
}

void LogicCenter::LedState(const ZvMsg& msg) {
    if (m_pUIMsgInterface != nullptr)
        m_pUIMsgInterface->coreLedState(msg.body.ledState.bState != 0);
}

void LogicCenter::DialState(const ZvMsg& msg) {
    if (m_pUIMsgInterface != nullptr)
        m_pUIMsgInterface->coreDialState(msg.body.dialState.bState != 0);
}

void LogicCenter::THKeyState(const ZvMsg& msg) {
    if (m_pUIMsgInterface != nullptr)
        m_pUIMsgInterface->coreTHKeyState(msg.body.thkeyState.bState != 0);
}

void LogicCenter::TScreenState(const ZvMsg& msg) {
    if (m_pUIMsgInterface != nullptr)
        m_pUIMsgInterface->coreTScreenState(msg.body.tscreenState.bState != 0);
}

void LogicCenter::LedLightLevel(const ZvMsg& msg) {
    if (m_pUIMsgInterface != nullptr)
        m_pUIMsgInterface->coreLedLightLevel(msg.body.ledLightOffset.offset);
}

void LogicCenter::SleepLevel(const ZvMsg& msg) {
    if (m_pUIMsgInterface != nullptr)
        m_pUIMsgInterface->coreSleepLevel(msg.body.sleepOffset.offset);
}

void LogicCenter::TabletOpen(const ZvMsg& msg) {
    if (m_pUIMsgInterface != nullptr)
        m_pUIMsgInterface->coreTabletOpen(zvui::modelOf(msg.body.tabletOpen.sModel));
}

void LogicCenter::TabletClose(const ZvMsg& msg) {
    if (m_pUIMsgInterface != nullptr)
        m_pUIMsgInterface->coreTabletClose(zvui::modelOf(msg.body.sModel));
}

void LogicCenter::SwitchDisplay(const ZvMsg& msg) {
    if (m_pUIMsgInterface != nullptr)
        m_pUIMsgInterface->coreSwitchScreen(msg.body.curScreenIndex.curScreenIndex);
}

void LogicCenter::SwitchMouseMode(const ZvMsg& msg) {
    if (m_devices.Find(zvui::modelOf(msg.body.sModel)) == nullptr)
        return;
    if (m_pUIMsgInterface != nullptr)
        m_pUIMsgInterface->coreSwitchMouseMode(true);
}

void LogicCenter::ShowMekMenu(const ZvMsg& msg) {
    const ZvCurMekMuxIndex& v = msg.body.curMuxVal;
    const QString model = zvui::modelOf(v.sModel);
    if (m_devices.Find(model) == nullptr || m_pUIMsgInterface == nullptr)
        return;
    m_pUIMsgInterface->coreMekPressKeyDown(model, v.appIdx, v.mekIdx, v.muxIdx);
}

void LogicCenter::ShowEKeyValue(const ZvMsg& msg) {
    const QString model = zvui::modelOf(msg.body.sModel);
    const Tablet* t = m_devices.Find(model);
    if (t != nullptr && m_pUIMsgInterface != nullptr)
        m_pUIMsgInterface->coreShowEKeyValue(model, true, t->currentAppIdx());
}

void LogicCenter::ShowMainWindow() {
    if (m_pUIMsgInterface != nullptr)
        m_pUIMsgInterface->showMainWindow();
}

void LogicCenter::DefaultProc(const ZvMsg&) {}

void LogicCenter::DisConnect() {
    // The core is gone and its tablets with it: the list starts afresh when it returns, so the
    // same tablet connects again then.
    m_devices.RemoveAll();
    m_infoAsked.clear();
    m_listSeen = false;
    if (m_pUIMsgInterface != nullptr)
        m_pUIMsgInterface->coreDevDisConnect(QString());
}

void LogicCenter::CoreRunError(int error) {
    qWarning("LogicCenter::CoreRunError %d", error);
    DisConnect();
}

void LogicCenter::UI_Quit() {
    (void)m_pMsgAdapter->SendQuit();
}
void LogicCenter::UI_GetTabletNum() {
    (void)m_pMsgAdapter->GetTabletNum();
}
void LogicCenter::UI_GetAdmin() {
    (void)m_pMsgAdapter->GetAdmin();
}
void LogicCenter::UI_SendRunaAsAdmin() {
    (void)m_pMsgAdapter->SendRunaAsAdmin();
}
void LogicCenter::UI_SendPhysicsScreenChange() {
    (void)m_pMsgAdapter->SendPhysicsScreenChang(QString());
}

// The requests for the current tablet: without one there is nobody to ask.
#define ZV_FOR_CURRENT(call)                                                                       \
    do {                                                                                           \
        const QString model = current();                                                           \
        if (!model.isEmpty())                                                                      \
            (void)m_pMsgAdapter->call;                                                             \
    } while (0)

void LogicCenter::UI_GetTabletInfo() {
    ZV_FOR_CURRENT(GetTabletInfo(model));
}
void LogicCenter::UI_SendCfgChange() {
    ZV_FOR_CURRENT(SendCfgChange(model));
}
void LogicCenter::UI_SendMonitorChange(int idx) {
    ZV_FOR_CURRENT(SendMonitorChange(model, idx));
}
void LogicCenter::UI_SendCalibrateStart() {
    ZV_FOR_CURRENT(SendCalibrateStart(model));
}
void LogicCenter::UI_SendCalibrateEnd() {
    ZV_FOR_CURRENT(SendCalibrateEnd(model));
}
void LogicCenter::UI_GetBatteryInfo() {
    ZV_FOR_CURRENT(GetBatteryInfo(model));
}
void LogicCenter::UI_GetLedInfo() {
    ZV_FOR_CURRENT(GetLedInfo(model));
}
void LogicCenter::UI_SendLedState(bool on) {
    ZV_FOR_CURRENT(SendLedState(model, on));
}
void LogicCenter::UI_GetDialInfo() {
    ZV_FOR_CURRENT(GetDialInfo(model));
}
void LogicCenter::UI_SendDialState(bool on) {
    ZV_FOR_CURRENT(SendDialState(model, on));
}
void LogicCenter::UI_GetTHkeyInfo() {
    ZV_FOR_CURRENT(GetTHkeyInfo(model));
}
void LogicCenter::UI_SendTHKeyState(bool open) {
    ZV_FOR_CURRENT(SendTHKeyState(model, open));
}
void LogicCenter::UI_GetTScreenInfo() {
    ZV_FOR_CURRENT(GetTScreenInfo(model));
}
void LogicCenter::UI_SendTSCreenState(bool open) {
    ZV_FOR_CURRENT(SendTSCreenState(model, open));
}
void LogicCenter::UI_GetLedLight() {
    ZV_FOR_CURRENT(GetLedLight(model));
}
void LogicCenter::UI_SendLedLightLevel(int level) {
    ZV_FOR_CURRENT(SendLedLightLevel(model, level));
}
void LogicCenter::UI_GetSleepInfo() {
    ZV_FOR_CURRENT(GetSleepInfo(model));
}
void LogicCenter::UI_SendSleepLevel(int level) {
    ZV_FOR_CURRENT(SendSleepLevel(model, level));
}

#undef ZV_FOR_CURRENT

void LogicCenter::UI_SendChangeCurTablet(QString model) {
    if (m_devices.Find(model) != nullptr)
        (void)m_pMsgAdapter->SendChangeCurTablet(model);
}

bool LogicCenter::UI_SetCurrentDevIdx(int idx) {
    const QString before = current();
    const int was = m_devices.CurrentIdx();
    if (!m_devices.SetCurrent(idx))
        return false;
    qInfo("UI_SetCurrentDevIdx-------- %s %d -> %s %d", qPrintable(before), was,
          qPrintable(current()), idx);
    (void)m_pMsgAdapter->SendDevChange(current());
    connectCurrent();
    return true;
}

int LogicCenter::UI_GetCurrentDevIdx() {
    return m_devices.CurrentIdx();
}

QString LogicCenter::UI_GetDevName(int idx) {
    const Tablet* t = m_devices.At(idx);
    return t != nullptr ? t->name() : QString();
}

QString LogicCenter::UI_GetDevModel(int idx) {
    const Tablet* t = m_devices.At(idx);
    return t != nullptr ? t->model() : QString();
}

QString LogicCenter::UI_GetDevFullModel(int idx) {
    const Tablet* t = m_devices.At(idx);
    return t != nullptr ? t->fullModel() : QString();
}
