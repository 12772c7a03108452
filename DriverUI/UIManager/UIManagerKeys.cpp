// The switches, reads and bindings of the current tablet: each forwards to the logic center.
#include "LogicCenter.h"
#include "UIManager.h"
#include "ZvStruct.h"

bool UIManager::setHKeyStatus(bool on) {
    return m_pLogicCenter->UI_SetHKeyState(on);
}
bool UIManager::setSKeyStatus(bool on) {
    return m_pLogicCenter->UI_SetSKeyStatus(on);
}
bool UIManager::setMKeyStatus(bool on) {
    return m_pLogicCenter->UI_SetMekStatus(on);
}
bool UIManager::setTouchMekStatus(bool on) {
    return m_pLogicCenter->UI_SetTouchMekStatus(on);
}
bool UIManager::setDialMekStatus(bool on) {
    return m_pLogicCenter->UI_SetDialMekStatus(on);
}
bool UIManager::setWinRaDialStatus(bool on) {
    return m_pLogicCenter->UI_SetWinRaDialStatus(on);
}
bool UIManager::setWinInkStatus(bool on) {
    return m_pLogicCenter->UI_SetWinInkStatus(on);
}
bool UIManager::setWinGameModel(bool on) {
    return m_pLogicCenter->UI_SetWinGameModel(on);
}
bool UIManager::setMouseModel(bool on) {
    return m_pLogicCenter->UI_SetMouseModel(on);
}
void UIManager::setDisplaySetting() {
    m_pLogicCenter->UI_SetDisplaySetting();
}
bool UIManager::setDevRotate(int angle) {
    return m_pLogicCenter->UI_SetDevRotate(angle);
}
bool UIManager::setCurrentCfgIdx(int app) {
    return m_pLogicCenter->UI_SetCurrentCfgAppIdx(app);
}
bool UIManager::setMouseSpeed(int speed) {
    return m_pLogicCenter->UI_SetMouseSpeed(speed);
}
void UIManager::setMKeySpeed(int speed) {
    m_pLogicCenter->UI_SetMKeySpeed(speed);
}
bool UIManager::setAddOneNewApp(QString path) {
    return m_pLogicCenter->UI_SetAddOneNewApp(path);
}
void UIManager::setRunAsAdmin() {
    m_pLogicCenter->UI_SendRunaAsAdmin();
}
void UIManager::setTKeyStatus() {
    m_pLogicCenter->UI_GetTHkeyInfo();
}
bool UIManager::getRunAsAdmin() {
    m_pLogicCenter->UI_GetAdmin();
    return true;
}

void UIManager::queryDevStates() {
    m_pLogicCenter->UI_GetBatteryInfo();
    m_pLogicCenter->UI_GetLedInfo();
    m_pLogicCenter->UI_GetDialInfo();
    m_pLogicCenter->UI_GetTHkeyInfo();
    m_pLogicCenter->UI_GetTScreenInfo();
    m_pLogicCenter->UI_GetLedLight();
    m_pLogicCenter->UI_GetSleepInfo();
}
void UIManager::setLedState(bool on) {
    m_pLogicCenter->UI_SendLedState(on);
}
void UIManager::setTHKeyState(bool on) {
    m_pLogicCenter->UI_SendTHKeyState(on);
}
void UIManager::setTScreenState(bool on) {
    m_pLogicCenter->UI_SendTSCreenState(on);
}
void UIManager::setLedLightLevel(int level) {
    m_pLogicCenter->UI_SendLedLightLevel(level);
}
void UIManager::setSleepLevel(int level) {
    m_pLogicCenter->UI_SendSleepLevel(level);
}

int UIManager::getMouseSpeed() {
    return m_pLogicCenter->UI_GetMouseSpeed();
}
int UIManager::getMKeySpeed() {
    return m_pLogicCenter->UI_GetMKeySpeed();
}
QStringList UIManager::getAppList() {
    return m_pLogicCenter->UI_GetAppList();
}
bool UIManager::getHKeyStatus(int app) {
    return m_pLogicCenter->UI_GetHkeyStatus(app);
}
QString UIManager::getHKeyValue(int app, int key) {
    return m_pLogicCenter->UI_GetHkeyValue(app, key);
}
bool UIManager::getSKeyStatus(int app) {
    return m_pLogicCenter->UI_GetSKeyStatus(app);
}
QString UIManager::getSKeyValue(int app, int key) {
    return m_pLogicCenter->UI_GetSKeyValue(app, key);
}
QString UIManager::getPKeyValue(int app, int key) {
    return m_pLogicCenter->UI_GetPKeyValue(app, key);
}
bool UIManager::getWinInkStatus(int app) {
    return m_pLogicCenter->UI_GetWinInkStatus(app);
}
bool UIManager::getWinGameModel(int app) {
    return m_pLogicCenter->UI_GetWinGameModel(app);
}
bool UIManager::getMouseModel(int app) {
    return m_pLogicCenter->UI_GetMouseModel(app);
}
int UIManager::getCurrentCfgIdx() {
    return m_pLogicCenter->UI_GetCurrentCfgAppIdx();
}
int UIManager::getDevRotate() {
    return m_pLogicCenter->UI_GetDevRotate();
}
bool UIManager::getTHKEyState(int app) {
    return m_pLogicCenter->UI_GetTHKeyState(app);
}
int UIManager::getMKeyType(int key) {
    return m_pLogicCenter->UI_GetMKeyType(key);
}
int UIManager::getMKeyFunNum(int key) {
    return m_pLogicCenter->UI_GetMKeyFunNum(key);
}
int UIManager::getMKeyStatus(int app, int key) {
    return m_pLogicCenter->UI_GetMKeyStatus(app, key);
}
int UIManager::getMKeyCurFunIdx(int app, int key) {
    return m_pLogicCenter->UI_GetMKeyCurFunIdx(app, key);
}
QString UIManager::getMKeyValue(int app, int key, int fun, bool named) {
    return m_pLogicCenter->UI_GetMKeyValue(app, key, fun, named);
}
QString UIManager::getMKeyValueWithModel(QString model, int app, int key, int fun) {
    return m_pLogicCenter->UI_GetMKeyValueWithModel(model, app, key, fun);
}
int UIManager::getHKeyNum() {
    return m_pLogicCenter->UI_GetHKeyNum();
}
QRect UIManager::getHKeyRect(int key) {
    return m_pLogicCenter->UI_GetHKeyRect(key);
}
QString UIManager::getHKeyPicPath(int key) {
    return m_pLogicCenter->UI_GetHKeyPicPath(key);
}
int UIManager::getSKeyNum() {
    return m_pLogicCenter->UI_GetSKeyNum();
}
QRect UIManager::getSKeyRect(int key) {
    return m_pLogicCenter->UI_GetSKeyRect(key);
}
QString UIManager::getSKeyPicPath(int key) {
    return m_pLogicCenter->UI_GetSKeyPicPath(key);
}
int UIManager::getMKeyNum() {
    return m_pLogicCenter->UI_GetMKeyNum();
}
QRect UIManager::getMKeyRect(int key) {
    return m_pLogicCenter->UI_GetMKeyRect(key);
}
QString UIManager::getMKeyPicPath(int key) {
    return m_pLogicCenter->UI_GetMKeyPicPath(key);
}
int UIManager::getPKeyNum() {
    return m_pLogicCenter->UI_GetPKeyNum();
}
QRect UIManager::getPKeyRect(int key) {
    return m_pLogicCenter->UI_GetPKeyRect(key);
}
QString UIManager::getPKeyPicPath(int key) {
    return m_pLogicCenter->UI_GetPKeyPicPath(key);
}

bool UIManager::setHKeyValue(int app, int key, int funBit, bool ctrl, bool alt, bool shift,
                             bool win, QString keys, QString name) {
    return m_pLogicCenter->UI_SetHkeyValue(app, key, funBit, ctrl, alt, shift, win, keys, name);
}
bool UIManager::setSKeyValue(int app, int key, int funBit, bool ctrl, bool alt, bool shift,
                             bool win, QString keys, QString name) {
    return m_pLogicCenter->UI_SetSkeyValue(app, key, funBit, ctrl, alt, shift, win, keys, name);
}
bool UIManager::setPKeyValue(int app, int key, int funBit, bool ctrl, bool alt, bool shift,
                             bool win, QString keys, QString name) {
    return m_pLogicCenter->UI_SetPkeyValue(app, key, funBit, ctrl, alt, shift, win, keys, name);
}
bool UIManager::setMKeyValue(int app, int key, int fun, int funBit, bool ctrl, bool alt, bool shift,
                             bool win, QString keys, QString name, int funBit2, bool ctrl2,
                             bool alt2, bool shift2, bool win2, QString keys2, QString name2) {
    return m_pLogicCenter->UI_SetMkeyValue(app, key, fun, funBit, ctrl, alt, shift, win, keys, name,
                                           funBit2, ctrl2, alt2, shift2, win2, keys2, name2);
}
void UIManager::getHKeyValue_r(int app, int key) {
    m_EKeyValue = m_pLogicCenter->UI_GetHkeyValue_r(app, key);
}
void UIManager::getSKeyValue_r(int app, int key) {
    m_EKeyValue = m_pLogicCenter->UI_GetSkeyValue_r(app, key);
}
void UIManager::getPKeyValue_r(int app, int key) {
    m_EKeyValue = m_pLogicCenter->UI_GetPkeyValue_r(app, key);
}
void UIManager::getMKeyValue_r(int app, int key, int fun) {
    m_EKeyValue = m_pLogicCenter->UI_GetMkeyValue_r(app, key, fun);
}
int UIManager::getidx(bool) {
    return m_EKeyValue.idx_v;
}
int UIManager::getiFunIdx(bool) {
    return m_EKeyValue.iFunIdx_v;
}
int UIManager::getiFunBit(bool b) {
    return b ? m_EKeyValue.iFunBit_2_v : m_EKeyValue.iFunBit_v;
}
bool UIManager::getbCtrl(bool b) {
    return b ? m_EKeyValue.bCtrl_2_v : m_EKeyValue.bCtrl_v;
}
bool UIManager::getbAlt(bool b) {
    return b ? m_EKeyValue.bAlt_2_v : m_EKeyValue.bAlt_v;
}
bool UIManager::getbShift(bool b) {
    return b ? m_EKeyValue.bShift_2_v : m_EKeyValue.bShift_v;
}
bool UIManager::getbWin(bool b) {
    return b ? m_EKeyValue.bWin_2_v : m_EKeyValue.bWin_v;
}
int UIManager::getKeys(bool b) {
    return b ? m_EKeyValue.ckeys_2 : m_EKeyValue.keys_v;
}
QString UIManager::getName(bool b) {
    return b ? m_EKeyValue.sname_2 : m_EKeyValue.sname;
}
QString UIManager::getKeys_String(bool b) {
    const int funBit = getiFunBit(b);
    const int code = getKeys(b);
    if (funBit & ZVEF_RRIVATE_CMD)
        return KeyTrans::PrivateCmdToString(code);
    return m_keyTrans.CodeToString(static_cast<unsigned char>(code), OSLinux);
}
