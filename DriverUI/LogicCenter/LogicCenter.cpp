#include "LogicCenter.h"

#include "UIMsgInterface.h"
#include "ZvCoreRecord.h"
#include "ZvModelQuirks.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QSet>
#include <QUrl>

#include <json/reader.h>

#include <memory>

LogicCenter::LogicCenter(const QString& appDir)
    : m_devices(appDir.isEmpty() ? QCoreApplication::applicationDirPath() : appDir),
      m_pMsgAdapter(std::make_unique<MsgAdapter>()) {
    m_storeReady = m_devices.InitConfStore(&m_storeError);
    m_pMsgAdapter->SetLogicCenter(this);
    InitDevImages();
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
    const Tablet* t = m_devices.GetCurrentTablet();
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
            m_devices.RemoveAllDev();
            connectCurrent();
        }
        return;
    }
    for (const QString& model : m_devices.GetDevModelList()) {
        if (reported.contains(model))
            continue;
        m_devices.RemoveDev(model);
        qInfo("TabletNum: %s is gone", qPrintable(model));
        connectCurrent();
    }
    const auto now = std::chrono::steady_clock::now();
    for (const QString& model : reported) {
        if (m_devices.GetTablet(model) != nullptr)
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
    if (m_infoAsked.remove(model) == 0 || m_devices.GetTablet(model) != nullptr)
        return;
    if (m_devices.AddDev(msg.body.tc.tc) != nullptr)
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
    // The core has switched and saved the screen itself: the copy here is re-read, never written
    // back (a write would race the core's with a stale copy).
    (void)m_devices.UpdateDevInfo(zvui::modelOf(msg.body.curScreenIndex.sModel));
    if (m_pUIMsgInterface != nullptr)
        m_pUIMsgInterface->coreSwitchScreen(msg.body.curScreenIndex.curScreenIndex);
}

void LogicCenter::SwitchMouseMode(const ZvMsg& msg) {
    if (m_devices.GetTablet(zvui::modelOf(msg.body.sModel)) == nullptr)
        return;
    (void)m_devices.UpdateDevInfo(zvui::modelOf(msg.body.sModel));
    if (m_pUIMsgInterface != nullptr)
        m_pUIMsgInterface->coreSwitchMouseMode(true);
}

void LogicCenter::ShowMekMenu(const ZvMsg& msg) {
    const ZvCurMekMuxIndex& v = msg.body.curMuxVal;
    const QString model = zvui::modelOf(v.sModel);
    if (m_devices.GetTablet(model) == nullptr)
        return;
    (void)m_devices.UpdateDevInfo(model);
    if (m_pUIMsgInterface != nullptr)
        m_pUIMsgInterface->coreMekPressKeyDown(model, v.appIdx, v.mekIdx, v.muxIdx);
}

void LogicCenter::ShowEKeyValue(const ZvMsg& msg) {
    const QString model = zvui::modelOf(msg.body.sModel);
    const Tablet* t = m_devices.GetTablet(model);
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
    m_devices.RemoveAllDev();
    m_infoAsked.clear();
    m_listSeen = false;
    if (m_pUIMsgInterface != nullptr)
        m_pUIMsgInterface->coreDevDisConnect(QString());
}

void LogicCenter::CoreOnBus(bool present) {
    if (m_pUIMsgInterface != nullptr)
        m_pUIMsgInterface->coreServiceChange(present);
    if (!present)
        DisConnect();
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
    if (m_devices.GetTablet(model) != nullptr)
        (void)m_pMsgAdapter->SendChangeCurTablet(model);
}

bool LogicCenter::saved(bool ok) {
    if (ok)
        UI_SendCfgChange();
    return ok;
}

// The current tablet, or the neutral result without one.
#define ZV_CURRENT_OR(fallback)                                                                    \
    Tablet* t = m_devices.GetCurrentTablet();                                                      \
    if (t == nullptr)                                                                              \
    return fallback

bool LogicCenter::UI_SetHKeyState(bool on) {
    ZV_CURRENT_OR(false);
    return saved(t->SetHKeyState(on));
}
bool LogicCenter::UI_SetSKeyStatus(bool on) {
    ZV_CURRENT_OR(false);
    return saved(t->SetSKeyStatus(on));
}
bool LogicCenter::UI_SetMekStatus(bool on) {
    ZV_CURRENT_OR(false);
    return saved(t->SetMKeyStatus(on, 0));
}
bool LogicCenter::UI_SetTouchMekStatus(bool on) {
    ZV_CURRENT_OR(false);
    return saved(t->SetTouchMKeyStatus(on));
}
bool LogicCenter::UI_SetDialMekStatus(bool on) {
    ZV_CURRENT_OR(false);
    return saved(t->SetDialMekStatus(on));
}
bool LogicCenter::UI_SetWinRaDialStatus(bool on) {
    ZV_CURRENT_OR(false);
    return saved(t->SetWinRaDialStatus(on));
}
bool LogicCenter::UI_SetWinInkStatus(bool on) {
    ZV_CURRENT_OR(false);
    return saved(t->SetWinInkStatus(on));
}
bool LogicCenter::UI_SetWinGameModel(bool on) {
    ZV_CURRENT_OR(false);
    return saved(t->SetWinGameModel(on));
}
bool LogicCenter::UI_SetMouseModel(bool on) {
    ZV_CURRENT_OR(false);
    return saved(t->SetMouseModel(on));
}
bool LogicCenter::UI_SetMapToAllScreen(bool all) {
    ZV_CURRENT_OR(false);
    return all ? saved(t->SetMapToAllScreen(true)) : true;
}
int LogicCenter::UI_GetDevRotate() {
    ZV_CURRENT_OR(0);
    return t->GetDevRotate();
}
bool LogicCenter::UI_SetDevRotate(int angle) {
    ZV_CURRENT_OR(false);
    return saved(t->SetDevRotate(angle));
}
bool LogicCenter::UI_SetCurrentCfgAppIdx(int app) {
    ZV_CURRENT_OR(false);
    // Which profile the pages edit: nothing changes in the files.
    return t->SetCurrentCfgIdx(app);
}

bool LogicCenter::UI_SetCurrentDevIdx(int idx) {
    const QString before = current();
    const int was = m_devices.GetCurrentDevIdx();
    if (!m_devices.SetCurrentDevIdx(idx))
        return false;
    qInfo("UI_SetCurrentDevIdx-------- %s %d -> %s %d", qPrintable(before), was,
          qPrintable(current()), idx);
    (void)m_pMsgAdapter->SendDevChange(current());
    connectCurrent();
    return true;
}

int LogicCenter::hekMirror(const QString& model, int key) {
    const QByteArray m = model.toLatin1();
    if (key < 0)
        return -1;
    if (zv_model_has_quirk(ZvModelQuirk::MirrorKeys20, m.constData()) && key < 20)
        return key < 10 ? key + 10 : key - 10;
    if (zv_model_has_quirk(ZvModelQuirk::MirrorKeys16, m.constData()) && key < 16)
        return key < 8 ? key + 8 : key - 8;
    return -1;
}

int LogicCenter::mekMirror(const QString& model, int key) {
    const QByteArray m = model.toLatin1();
    if (zv_model_has_quirk(ZvModelQuirk::MirrorDials, m.constData()) && (key == 0 || key == 1))
        return 1 - key;
    return -1;
}

bool LogicCenter::setKey(int app, int key, int funBit, bool ctrl, bool alt, bool shift, bool win,
                         const QString& keys, const QString& name,
                         bool (Tablet::*save)(int, int, const ZvEkey&), int mirror) {
    ZV_CURRENT_OR(false);
    ZvEkey rec;
    QString why;
    if (!zvui::makeEkey(quint32(funBit), ctrl, alt, shift, win, keys, name, m_keyTrans, &rec,
                        &why)) {
        qWarning("binding of key %d not saved: %s", key, qPrintable(why));
        return false;
    }
    if (!(t->*save)(app, key, rec))
        return false;
    // The partner is written after the key itself: a failure leaves the key bound and says so.
    if (mirror >= 0 && !(t->*save)(app, mirror, rec)) {
        UI_SendCfgChange();
        return false;
    }
    return saved(true);
}

bool LogicCenter::UI_SetHkeyValue(int app, int key, int funBit, bool ctrl, bool alt, bool shift,
                                  bool win, QString keys, QString name) {
    return setKey(app, key, funBit, ctrl, alt, shift, win, keys, name, &Tablet::SetHkeyValue,
                  hekMirror(current(), key));
}
bool LogicCenter::UI_SetSkeyValue(int app, int key, int funBit, bool ctrl, bool alt, bool shift,
                                  bool win, QString keys, QString name) {
    return setKey(app, key, funBit, ctrl, alt, shift, win, keys, name, &Tablet::SetSkeyValue, -1);
}
bool LogicCenter::UI_SetPkeyValue(int app, int key, int funBit, bool ctrl, bool alt, bool shift,
                                  bool win, QString keys, QString name) {
    return setKey(app, key, funBit, ctrl, alt, shift, win, keys, name, &Tablet::SetPkeyValue, -1);
}

bool LogicCenter::UI_SetMkeyValue(int app, int key, int fun, int funBit, bool ctrl, bool alt,
                                  bool shift, bool win, QString keys, QString name, int funBit2,
                                  bool ctrl2, bool alt2, bool shift2, bool win2, QString keys2,
                                  QString name2) {
    ZV_CURRENT_OR(false);
    const int profile = app == -1 ? -1 : t->currentAppIdx();
    ZvMEkey mek;
    if (!t->GetMkeyValue_r(profile, key, &mek))
        return false;
    ZvEkey first, second;
    QString why;
    if (!zvui::makeEkey(quint32(funBit), ctrl, alt, shift, win, keys, name, m_keyTrans, &first,
                        &why) ||
        !zvui::makeEkey(quint32(funBit2), ctrl2, alt2, shift2, win2, keys2, name2, m_keyTrans,
                        &second, &why)) {
        qWarning("binding of control %d not saved: %s", key, qPrintable(why));
        return false;
    }
    // Touch strips keep one binding per position in the first function set; the other controls
    // two bindings per function set.
    const int type = t->GetMKeyType(key);
    if (type == ZV_MEK_TOUCH || type == ZV_MEK_TOUCH13) {
        if (fun < 0 || fun >= ZV_MEK_EKEYS)
            return false;
        mek.mekEkeys[0].eks[fun] = first;
    } else {
        if (fun < 0 || fun >= ZV_MAX_MUX)
            return false;
        mek.mekEkeys[fun].eks[0] = first;
        mek.mekEkeys[fun].eks[1] = second;
    }
    if (!t->SetMkeyValue(app, key, mek))
        return false;
    const int mirror = mekMirror(t->model(), key);
    if (mirror >= 0 && !t->SetMkeyValue(app, mirror, mek)) {
        UI_SendCfgChange();
        return false;
    }
    return saved(true);
}

EKeyValue LogicCenter::UI_GetHkeyValue_r(int app, int key) {
    ZV_CURRENT_OR(EKeyValue());
    ZvEkey rec;
    if (!t->GetHkeyValue_r(app, key, &rec))
        return EKeyValue();
    EKeyValue v = zvui::ekeyToValue(rec);
    v.idx_v = key;
    return v;
}
EKeyValue LogicCenter::UI_GetSkeyValue_r(int app, int key) {
    ZV_CURRENT_OR(EKeyValue());
    ZvEkey rec;
    if (!t->GetSkeyValue_r(app, key, &rec))
        return EKeyValue();
    EKeyValue v = zvui::ekeyToValue(rec);
    v.idx_v = key;
    return v;
}
EKeyValue LogicCenter::UI_GetPkeyValue_r(int app, int key) {
    ZV_CURRENT_OR(EKeyValue());
    ZvEkey rec;
    if (!t->GetPkeyValue_r(app, key, &rec))
        return EKeyValue();
    EKeyValue v = zvui::ekeyToValue(rec);
    v.idx_v = key;
    return v;
}
EKeyValue LogicCenter::UI_GetMkeyValue_r(int app, int key, int fun) {
    ZV_CURRENT_OR(EKeyValue());
    ZvMEkey mek;
    if (!t->GetMkeyValue_r(app, key, &mek))
        return EKeyValue();
    return zvui::mekToValue(mek, t->GetMKeyType(key), key, fun);
}
QString LogicCenter::UI_GetHkeyValue(int app, int key) {
    ZV_CURRENT_OR(QString());
    ZvEkey rec;
    return t->GetHkeyValue_r(app, key, &rec) ? zvui::keyValueText(rec, m_keyTrans, m_tr)
                                             : QString();
}
QString LogicCenter::UI_GetSKeyValue(int app, int key) {
    ZV_CURRENT_OR(QString());
    ZvEkey rec;
    return t->GetSkeyValue_r(app, key, &rec) ? zvui::keyValueText(rec, m_keyTrans, m_tr)
                                             : QString();
}
QString LogicCenter::UI_GetPKeyValue(int app, int key) {
    ZV_CURRENT_OR(QString());
    ZvEkey rec;
    return t->GetPkeyValue_r(app, key, &rec) ? zvui::keyValueText(rec, m_keyTrans, m_tr)
                                             : QString();
}
QString LogicCenter::UI_GetMKeyValue(int app, int key, int fun, bool named) {
    ZV_CURRENT_OR(QString());
    ZvMEkey mek;
    if (!t->GetMkeyValue_r(app, key, &mek))
        return QString();
    return zvui::mekValueText(mek, t->GetMKeyType(key), fun, named, m_keyTrans, m_tr);
}
QString LogicCenter::UI_GetMKeyValueWithModel(QString model, int app, int key, int fun) {
    const Tablet* t = m_devices.GetTablet(model);
    ZvMEkey mek;
    if (t == nullptr || !t->GetMkeyValue_r(app, key, &mek))
        return QString();
    return zvui::mekValueText(mek, t->GetMKeyType(key), fun, false, m_keyTrans, m_tr);
}

QStringList LogicCenter::UI_GetAppList() {
    QStringList out{QStringLiteral("所有程序")};
    if (const Tablet* t = m_devices.GetCurrentTablet())
        out << t->GetAppList();
    out << QStringLiteral("添加应用程序");
    return out;
}
bool LogicCenter::UI_SetAddOneNewApp(QString path) {
    ZV_CURRENT_OR(false);
    const QUrl url(path);
    return saved(t->AddOneNewApp(url.isLocalFile() ? url.toLocalFile() : path));
}
void LogicCenter::UI_SetWorkMapType(int type) {
    const QString model = current();
    if (!model.isEmpty())
        m_DevCfgValue[model.toStdString()]["mapType"] = type;
}
int LogicCenter::UI_GetWorkAreaType() {
    const std::string model = current().toStdString();
    if (model.empty() || !m_DevCfgValue.isMember(model))
        return 0;
    return m_DevCfgValue[model].get("mapType", 0).asInt();
}
bool LogicCenter::UI_GetHkeyStatus(int app) {
    ZV_CURRENT_OR(false);
    return t->GetHkeyStatus(app);
}
bool LogicCenter::UI_GetSKeyStatus(int app) {
    ZV_CURRENT_OR(false);
    return t->GetSKeyStatus(app);
}
int LogicCenter::UI_GetMKeyType(int key) {
    ZV_CURRENT_OR(0);
    return t->GetMKeyType(key);
}
int LogicCenter::UI_GetMKeyFunNum(int key) {
    ZV_CURRENT_OR(0);
    return t->GetMKeyFunNum(key);
}
int LogicCenter::UI_GetMKeyStatus(int app, int key) {
    ZV_CURRENT_OR(0);
    return t->GetMKeyStatus(app, key);
}
int LogicCenter::UI_GetMKeyCurFunIdx(int app, int key) {
    ZV_CURRENT_OR(0);
    return t->GetMKeyCurFunIdx(app, key);
}
int LogicCenter::UI_GetCurrentCfgAppIdx() {
    ZV_CURRENT_OR(-1);
    return t->currentAppIdx();
}
int LogicCenter::UI_GetCurrentDevIdx() {
    return m_devices.GetCurrentDevIdx();
}
bool LogicCenter::UI_GetWinInkStatus(int app) {
    ZV_CURRENT_OR(false);
    return t->GetWinInkStatus(app);
}
bool LogicCenter::UI_GetWinGameModel(int app) {
    ZV_CURRENT_OR(false);
    return t->GetWinGameModel(app);
}
bool LogicCenter::UI_GetMouseModel(int app) {
    ZV_CURRENT_OR(false);
    return t->GetMouseModel(app);
}
bool LogicCenter::UI_SetMouseSpeed(int speed) {
    ZV_CURRENT_OR(false);
    return saved(t->SetMouseSpeed(speed));
}
int LogicCenter::UI_GetMouseSpeed() {
    ZV_CURRENT_OR(0);
    return t->GetMouseSpeed();
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
    return t != nullptr ? t->GetDevFullModel() : QString();
}
QString LogicCenter::UI_GetDevFirmWareVer(int idx) {
    const Tablet* t = m_devices.At(idx);
    return t != nullptr ? t->GetDevFirmWareVer() : QString();
}

void LogicCenter::InitDevImages() {
    m_DevImagesValue = Json::Value();
    QFile file(m_devices.appDir() + QStringLiteral("/res/StatuImg.js"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return; // no key pictures shipped: every key picture path is empty
    const QByteArray text = file.readAll();
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value root;
    std::string errors;
    if (!reader->parse(text.constData(), text.constData() + text.size(), &root, &errors) ||
        !root.isObject()) {
        qWarning("m_DevImagesValue parese fail: %s", errors.c_str());
        return;
    }
    m_DevImagesValue = root;
}

QString LogicCenter::UI_GetDevPicPath() {
    const QString model = current();
    if (model.isEmpty())
        return QString();
    return QStringLiteral("file://%1%2%3/%4.png")
        .arg(m_devices.appDir(), QStringLiteral("/res/DevImg/"), model, model);
}
QString LogicCenter::UI_GetPenPicPath() {
    ZV_CURRENT_OR(QString());
    const QString pen = t->penModel();
    if (pen.isEmpty())
        return QString();
    return QStringLiteral("file://%1%2%3/%4.png")
        .arg(m_devices.appDir(), QStringLiteral("/res/DevImg/"), pen, pen);
}

QString LogicCenter::keyPicPath(const char* kind, int key) const {
    const QString model = current();
    if (model.isEmpty() || key < 0)
        return QString();
    const std::string m = model.toStdString();
    if (!m_DevImagesValue.isMember(m) || !m_DevImagesValue[m].isObject())
        return QString();
    const Json::Value& kinds = m_DevImagesValue[m];
    if (!kinds.isMember(kind) || !kinds[kind].isObject())
        return QString();
    const Json::Value& name = kinds[kind][std::to_string(key)];
    if (!name.isString() || name.asString().empty())
        return QString();
    return QStringLiteral("file://") + m_devices.appDir() + QStringLiteral("/res/DevImg/") + model +
           QLatin1Char('/') + QString::fromStdString(name.asString());
}

int LogicCenter::UI_GetHKeyNum() {
    ZV_CURRENT_OR(0);
    return t->GetHkeyNum();
}
QRect LogicCenter::UI_GetHKeyRect(int key) {
    ZV_CURRENT_OR(QRect());
    return t->GetHkeyRect(key);
}
QString LogicCenter::UI_GetHKeyPicPath(int key) {
    return keyPicPath("HBUTTON", key);
}
int LogicCenter::UI_GetSKeyNum() {
    ZV_CURRENT_OR(0);
    return t->GetSkeyNum();
}
QRect LogicCenter::UI_GetSKeyRect(int key) {
    ZV_CURRENT_OR(QRect());
    return t->GetSkeyRect(key);
}
QString LogicCenter::UI_GetSKeyPicPath(int key) {
    return keyPicPath("SBUTTON_AREA", key);
}
int LogicCenter::UI_GetMKeyNum() {
    ZV_CURRENT_OR(0);
    return t->GetMKeyNum();
}
QRect LogicCenter::UI_GetMKeyRect(int key) {
    ZV_CURRENT_OR(QRect());
    return t->GetMKeyRect(key);
}
QString LogicCenter::UI_GetMKeyPicPath(int key) {
    return keyPicPath("MBUTTON", key);
}
int LogicCenter::UI_GetPKeyNum() {
    ZV_CURRENT_OR(0);
    return t->GetPKeyNum();
}
QRect LogicCenter::UI_GetPKeyRect(int key) {
    ZV_CURRENT_OR(QRect());
    return t->GetPKeyRect(key);
}
QString LogicCenter::UI_GetPKeyPicPath(int key) {
    // Pen buttons are drawn with the express keys' kind of picture.
    return keyPicPath("HBUTTON", key);
}
bool LogicCenter::UI_GetTHKeyState(int app) {
    ZV_CURRENT_OR(false);
    return t->GetTHKeyState(app);
}

QRect LogicCenter::UI_GetWorkArea() {
    ZV_CURRENT_OR(QRect());
    return t->GetPenArea();
}
QRect LogicCenter::UI_GetSekArea() {
    ZV_CURRENT_OR(QRect());
    return t->GetSekInRect();
}
QRect LogicCenter::UI_GetWorkMapArea(int) {
    return UI_GetSekArea();
}
int LogicCenter::UI_GetMapScreen(int) {
    ZV_CURRENT_OR(0);
    return t->GetMapScreen();
}
bool LogicCenter::UI_SetMapScreen(int screen, int) {
    ZV_CURRENT_OR(false);
    return saved(t->SetMapScreen(screen));
}
ZvRectRatio LogicCenter::UI_GetTabletAreaRatio(int app) {
    ZV_CURRENT_OR((ZvRectRatio{0, 0, 1, 1}));
    return t->GetTabletAreaRatio(app);
}
bool LogicCenter::UI_SetTabletAreaRatio(ZvRectRatio ratio, int app) {
    ZV_CURRENT_OR(false);
    return saved(t->SetTabletAreaRatio(ratio, app));
}
ZvRectRatio LogicCenter::UI_GetScreenAreaRatio(int app) {
    ZV_CURRENT_OR((ZvRectRatio{0, 0, 1, 1}));
    return t->GetScreenAreaRatio(app);
}
bool LogicCenter::UI_SetScreenAreaRatio(ZvRectRatio ratio, int app) {
    ZV_CURRENT_OR(false);
    return saved(t->SetScreenAreaRatio(ratio, app));
}
bool LogicCenter::UI_GetPressureSetting(ZvPoint* p1, ZvPoint* p2, ZvPoint* p3, int app) {
    ZV_CURRENT_OR(false);
    return t->GetPressureSetting(p1, p2, p3, app);
}
bool LogicCenter::UI_SetPressureSetting(ZvPoint p1, ZvPoint p2, ZvPoint p3, int app) {
    ZV_CURRENT_OR(false);
    return saved(t->SetPressureSetting(p1, p2, p3, app));
}
int LogicCenter::UI_CalcPressure(int pressure) {
    ZV_CURRENT_OR(0);
    return t->CalcPressure(pressure);
}
bool LogicCenter::UI_LoadDefCfg() {
    ZV_CURRENT_OR(false);
    return saved(t->LoadDefCfg());
}
bool LogicCenter::UI_ExportCfg(QString path) {
    ZV_CURRENT_OR(false);
    return t->ExportCfg(path);
}
bool LogicCenter::UI_LoadCfg(QString path) {
    ZV_CURRENT_OR(false);
    return saved(t->LoadCfg(path));
}
unsigned LogicCenter::UI_GetLangBit() {
    ZV_CURRENT_OR(0);
    return t->GetLangBit();
}

#undef ZV_CURRENT_OR
