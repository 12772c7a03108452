#include "Tablet.h"

#include "PressCurve.h"
#include "ZvWorkArea.h"

#include <QDebug>
#include <QFile>
#include <QSaveFile>
#include <QUrl>

#include <string.h>

namespace {

QString fieldText(const char* field, size_t size) {
    return QString::fromUtf8(field, int(strnlen(field, size))).trimmed();
}

bool terminated(const char* field, size_t size) {
    return memchr(field, '\0', size) != nullptr;
}

bool validEkey(const ZvEkey& k) {
    return terminated(k.name, sizeof k.name);
}

// Strings terminated everywhere; values checked in the profiles in use (an unused one is
// replaced whole when an application is added).
bool validProfile(const ZvAppUserCfg& a, bool used) {
    if (!terminated(a.pid, sizeof a.pid))
        return false;
    for (const ZvEkey& k : a.heks)
        if (!validEkey(k))
            return false;
    for (const ZvEkey& k : a.seks)
        if (!validEkey(k))
            return false;
    for (const ZvEkey& k : a.peks)
        if (!validEkey(k))
            return false;
    for (const ZvMEkey& m : a.meks) {
        if (m.muxIndex >= ZV_MAX_MUX)
            return false;
        for (const ZvMekEkey& set : m.mekEkeys)
            for (const ZvEkey& k : set.eks)
                if (!validEkey(k))
                    return false;
    }
    if (!used)
        return true;
    if (a.rotateAngle % 90 != 0 || a.rotateAngle > 270)
        return false;
    if (a.mouseModeA > Tablet::kMaxMouseSpeed)
        return false;
    if (!zvui::validAreaRatio(a.workarea))
        return false;
    for (const ZvRectRatio& r : a.screenArea)
        if (!zvui::validAreaRatio(r))
            return false;
    return true;
}

// A file for this model whose strings are terminated and whose values a page could have set.
bool validUserCfg(const ZvUserConfig& uc, const QByteArray& model) {
    if (!terminated(uc.base.sModel, sizeof uc.base.sModel) || model != uc.base.sModel)
        return false;
    if (!validProfile(uc.base.app0, true))
        return false;
    for (const ZvAppUserCfg& a : uc.apps)
        if (!validProfile(a, a.pid[0] != '\0'))
            return false;
    return true;
}

QString localPath(const QString& path) {
    const QUrl url(path);
    return url.isLocalFile() ? url.toLocalFile() : path;
}

QRect rectOf(const ZvRect& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom));
}

} // namespace

Tablet::Tablet(ZvConfStoreDll* store, const QString& appDir, const QString& settingsDir)
    : m_store(store), m_appDir(appDir), m_settingsDir(settingsDir),
      m_UserCfg(std::make_unique<ZvUserConfig>()) {
    memset(&m_TabletCfg, 0, sizeof m_TabletCfg);
    memset(&m_PenCfg, 0, sizeof m_PenCfg);
    memset(&m_TabletLayout, 0, sizeof m_TabletLayout);
    memset(&m_PenLayOut, 0, sizeof m_PenLayOut);
    memset(m_UserCfg.get(), 0, sizeof *m_UserCfg);
}

QByteArray Tablet::model8() const {
    return QByteArray(m_TabletCfg.sModel, int(strnlen(m_TabletCfg.sModel, ZV_MODEL_LEN)));
}

void Tablet::setStorePaths() {
    // The store is shared by every tablet: each call names this one's folders again.
    m_store->setCfgPath(m_appDir.toUtf8().constData(), m_settingsDir.toUtf8().constData());
}

QString Tablet::userFile() const {
    return m_settingsDir + QStringLiteral("/res/") + model() + QStringLiteral(".cfg");
}

bool Tablet::SetDevModel(const QString& model) {
    const QByteArray m = model.toUtf8();
    if (m.isEmpty() || m.size() >= ZV_MODEL_LEN)
        return false;
    memset(m_TabletCfg.sModel, 0, ZV_MODEL_LEN);
    memcpy(m_TabletCfg.sModel, m.constData(), size_t(m.size()));
    if (m_store == nullptr || !m_store->loaded())
        return false;
    setStorePaths();
    ZvTabletCfg tc;
    if (m_store->readTabletCfg(m.constData(), &tc) == 0)
        m_TabletCfg = tc;
    (void)m_store->readTabletLayout(m.constData(), &m_TabletLayout);
    (void)m_store->readPenCfg(m_TabletCfg.sPenModel, &m_PenCfg);
    (void)m_store->readPenLayout(m_TabletCfg.sPenModel, &m_PenLayOut);
    auto uc = std::make_unique<ZvUserConfig>();
    if (m_store->readUserCfg(m.constData(), uc.get()) != 0)
        return false;
    m_UserCfg = std::move(uc);
    // The unknown-model defaults are not stored; every other model has its own file from now on.
    (void)m_store->writeUserCfg(m_UserCfg.get());
    return true;
}

void Tablet::SetTabletCfg(const ZvTabletCfg& cfg) {
    m_TabletCfg = cfg;
}

bool Tablet::UpdateInfo() {
    if (m_store == nullptr || !m_store->loaded())
        return false;
    setStorePaths();
    (void)m_store->readPenCfg(m_TabletCfg.sPenModel, &m_PenCfg);
    auto uc = std::make_unique<ZvUserConfig>();
    if (m_store->readUserCfg(model8().constData(), uc.get()) != 0)
        return false;
    m_UserCfg = std::move(uc);
    return true;
}

QString Tablet::model() const {
    return fieldText(m_TabletCfg.sModel, sizeof m_TabletCfg.sModel);
}

QString Tablet::GetDevFullModel() const {
    return fieldText(m_TabletCfg.sFullModel, sizeof m_TabletCfg.sFullModel);
}

QString Tablet::penModel() const {
    return fieldText(m_TabletCfg.sPenModel, sizeof m_TabletCfg.sPenModel);
}

QString Tablet::GetDevFirmWareVer() const {
    return GetDevFullModel().right(11);
}

QString Tablet::name() const {
    // UTF-16LE, up to 64 code units, ended by the first zero unit.
    const int units = int(sizeof m_TabletCfg.sName / 2);
    QString text;
    text.reserve(units);
    for (int i = 0; i < units; ++i) {
        const auto lo = static_cast<unsigned char>(m_TabletCfg.sName[2 * i]);
        const auto hi = static_cast<unsigned char>(m_TabletCfg.sName[2 * i + 1]);
        const char16_t unit = char16_t(lo | (hi << 8));
        if (unit == 0)
            break;
        text.append(QChar(unit));
    }
    // A lone surrogate cut off by the field's end is dropped rather than shown as garbage.
    if (!text.isEmpty() && text.at(text.size() - 1).isHighSurrogate())
        text.chop(1);
    text = text.trimmed();
    return text.isEmpty() ? model() : text;
}

const ZvAppUserCfg* Tablet::profile(int app) const {
    if (app == -1)
        return &m_UserCfg->base.app0;
    return app >= 0 && app < ZV_MAX_APPS ? &m_UserCfg->apps[app] : nullptr;
}

const ZvAppUserCfg& Tablet::current() const {
    return *profile(m_curAppIdx);
}

template <class F> bool Tablet::edit(int app, F change) {
    if (m_store == nullptr || !m_store->loaded() || app < -1 || app >= ZV_MAX_APPS)
        return false;
    auto uc = std::make_unique<ZvUserConfig>();
    if (m_store->readUserCfg(model8().constData(), uc.get()) != 0)
        return false;
    ZvAppUserCfg& p = app == -1 ? uc->base.app0 : uc->apps[app];
    if (!change(*uc, p))
        return false;
    if (m_store->writeUserCfg(uc.get()) != 0) {
        qWarning("Tablet: the settings of %s could not be saved", model8().constData());
        return false;
    }
    m_UserCfg = std::move(uc);
    return true;
}

bool Tablet::SetCurrentCfgIdx(int app) {
    if (app < -1 || app >= ZV_MAX_APPS || (app >= 0 && m_UserCfg->apps[app].pid[0] == '\0'))
        return false;
    m_curAppIdx = app;
    return true;
}

QStringList Tablet::GetAppList() const {
    QStringList out;
    for (const ZvAppUserCfg& a : m_UserCfg->apps) {
        if (a.pid[0] == '\0')
            break;
        out << fieldText(a.pid, sizeof a.pid);
    }
    return out;
}

bool Tablet::AddOneNewApp(const QString& path) {
    const QByteArray p = path.toUtf8();
    if (p.isEmpty() || p.size() >= int(sizeof m_UserCfg->apps[0].pid))
        return false;
    return edit(-1, [&](ZvUserConfig& uc, ZvAppUserCfg& all) {
        for (ZvAppUserCfg& a : uc.apps) {
            if (p == a.pid)
                return false;
            if (a.pid[0] == '\0') {
                a = all;
                memset(a.pid, 0, sizeof a.pid);
                memcpy(a.pid, p.constData(), size_t(p.size()));
                return true;
            }
        }
        return false;
    });
}

#define ZV_SET_FIELD(field, value)                                                                 \
    edit(m_curAppIdx, [&](ZvUserConfig&, ZvAppUserCfg& a) {                                        \
        a.field = (value);                                                                         \
        return true;                                                                               \
    })

bool Tablet::SetHKeyState(bool on) {
    return ZV_SET_FIELD(bHek, on ? 1 : 0);
}

bool Tablet::GetHkeyStatus(int app) const {
    return (app == -1 ? m_UserCfg->base.app0 : current()).bHek != 0;
}

bool Tablet::SetSKeyStatus(bool on) {
    return ZV_SET_FIELD(bSek, on ? 1 : 0);
}

bool Tablet::GetSKeyStatus(int app) const {
    return (app == -1 ? m_UserCfg->base.app0 : current()).bSek != 0;
}

bool Tablet::SetMKeyStatus(bool on, int key) {
    if (key < 0 || key >= ZV_MAX_MEK || key >= GetMKeyNum())
        return false;
    return ZV_SET_FIELD(bMek[key], on ? 1 : 0);
}

int Tablet::GetMKeyStatus(int app, int key) const {
    const ZvAppUserCfg* p = profile(app);
    return p != nullptr && key >= 0 && key < ZV_MAX_MEK ? p->bMek[key] : 0;
}

bool Tablet::SetTouchMKeyStatus(bool on) {
    th_u8 value = 0;
    switch (m_TabletCfg.mekFuncBit[0]) {
    case ZV_MEK_SLIDER:
        value = on ? MKEY_SLIDER_ENABLED : MKEY_SLIDER_DISABLED;
        break;
    case ZV_MEK_RING:
        value = on ? MKEY_RING_ENABLED : MKEY_RING_DISABLED;
        break;
    case ZV_MEK_TOUCH:
        value = on ? MKEY_TOUCH_ENABLED : MKEY_TOUCH_DISABLED;
        break;
    case ZV_MEK_TOUCH13:
        value = on ? MKEY_TOUCH13_ENABLED : MKEY_TOUCH13_DISABLED;
        break;
    default:
        return false;
    }
    return ZV_SET_FIELD(bMek[0], value);
}

bool Tablet::SetDialMekStatus(bool on) {
    return ZV_SET_FIELD(bMek[0], on ? MKEY_DIAL_ENABLED_DIAL : MKEY_DIAL_DISABLED);
}

bool Tablet::SetWinRaDialStatus(bool on) {
    return ZV_SET_FIELD(bMek[0], on ? MKEY_DIAL_ENABLED_WIN : MKEY_DIAL_DISABLED);
}

bool Tablet::SetWinInkStatus(bool on) {
    return ZV_SET_FIELD(bWinInk, on ? 1 : 0);
}

bool Tablet::GetWinInkStatus(int app) const {
    const ZvAppUserCfg* p = profile(app);
    return p != nullptr && p->bWinInk != 0;
}

bool Tablet::SetWinGameModel(bool on) {
    return ZV_SET_FIELD(bGame, on ? 1 : 0);
}

bool Tablet::GetWinGameModel(int app) const {
    const ZvAppUserCfg* p = profile(app);
    return p != nullptr && p->bGame != 0;
}

bool Tablet::SetMouseModel(bool on) {
    return ZV_SET_FIELD(bAbsoluteMode, on ? 1 : 0);
}

bool Tablet::GetMouseModel(int app) const {
    const ZvAppUserCfg* p = profile(app);
    return p != nullptr && p->bAbsoluteMode == 0;
}

bool Tablet::SetMouseSpeed(int speed) {
    if (speed < kMinMouseSpeed || speed > kMaxMouseSpeed)
        return false;
    return ZV_SET_FIELD(mouseModeA, th_u8(speed));
}

int Tablet::GetMouseSpeed() const {
    return current().mouseModeA;
}

bool Tablet::SetDevRotate(int angle) {
    if (angle != 0 && angle != 90 && angle != 180 && angle != 270)
        return false;
    return ZV_SET_FIELD(rotateAngle, th_u32(angle));
}

int Tablet::GetDevRotate() const {
    return int(current().rotateAngle);
}

#undef ZV_SET_FIELD

bool Tablet::SetMapToAllScreen(bool all) {
    if (!all)
        return true;
    return SetMapScreen(kAllScreens);
}

bool Tablet::SetMapScreen(int screen) {
    if (screen < 0 || screen > kAllScreens)
        return false;
    return edit(-1, [&](ZvUserConfig& uc, ZvAppUserCfg&) {
        uc.base.curScreenIndex = th_u32(screen);
        return true;
    });
}

int Tablet::GetMapScreen() const {
    const th_u32 s = m_UserCfg->base.curScreenIndex;
    return s >= th_u32(kAllScreens) ? kAllScreens : int(s);
}

bool Tablet::SetTabletAreaRatio(const ZvRectRatio& r, int app) {
    if (!zvui::validAreaRatio(r))
        return false;
    return edit(app, [&](ZvUserConfig&, ZvAppUserCfg& a) {
        a.workarea = r;
        return true;
    });
}

ZvRectRatio Tablet::GetTabletAreaRatio(int app) const {
    const ZvAppUserCfg* p = profile(app);
    return p != nullptr ? p->workarea : ZvRectRatio{0, 0, 1, 1};
}

bool Tablet::SetScreenAreaRatio(const ZvRectRatio& r, int app) {
    if (!zvui::validAreaRatio(r))
        return false;
    return edit(app, [&](ZvUserConfig& uc, ZvAppUserCfg& a) {
        const th_u32 s = uc.base.curScreenIndex;
        if (s >= th_u32(ZV_MAX_SCREEN_AREAS))
            return false;
        a.screenArea[s] = r;
        return true;
    });
}

ZvRectRatio Tablet::GetScreenAreaRatio(int app) const {
    const ZvAppUserCfg* p = profile(app);
    const th_u32 s = m_UserCfg->base.curScreenIndex;
    if (p == nullptr || s >= th_u32(ZV_MAX_SCREEN_AREAS))
        return ZvRectRatio{0, 0, 1, 1};
    return p->screenArea[s];
}

bool Tablet::SetPressureSetting(ZvPoint p1, ZvPoint p2, ZvPoint p3, int app) {
    const int maxP = m_TabletCfg.maxP;
    for (const ZvPoint& p : {p1, p2, p3})
        if (p.x < 0 || p.y < 0 || p.x > maxP || p.y > maxP)
            return false;
    return edit(app, [&](ZvUserConfig&, ZvAppUserCfg& a) {
        a.pressCtrlPt[0] = p1;
        a.pressCtrlPt[1] = p2;
        a.pressCtrlPt[2] = p3;
        a.pressFactor = 32767;
        return true;
    });
}

bool Tablet::GetPressureSetting(ZvPoint* p1, ZvPoint* p2, ZvPoint* p3, int app) const {
    const ZvAppUserCfg* p = profile(app);
    if (p == nullptr)
        return false;
    *p1 = p->pressCtrlPt[0];
    *p2 = p->pressCtrlPt[1];
    *p3 = p->pressCtrlPt[2];
    return true;
}

int Tablet::CalcPressure(int p) const {
    const th_u16 maxP = m_TabletCfg.maxP;
    if (p < 0 || p > maxP)
        return 0;
    if (p == maxP || p == maxP - 1)
        return p;
    return int(calibrate_press_high(current(), th_u32(p), maxP));
}

namespace {

// Which records of a profile a key kind lives in, and how many of them the model has.
template <class T, size_t N> T* keyAt(T (&keys)[N], int key, int count) {
    return key >= 0 && size_t(key) < N && key < count ? &keys[key] : nullptr;
}

} // namespace

bool Tablet::SetHkeyValue(int app, int key, const ZvEkey& rec) {
    return edit(app == -1 ? -1 : m_curAppIdx, [&](ZvUserConfig&, ZvAppUserCfg& a) {
        ZvEkey* k = keyAt(a.heks, key, GetHkeyNum());
        return k != nullptr && validEkey(rec) && (*k = rec, true);
    });
}

bool Tablet::SetSkeyValue(int app, int key, const ZvEkey& rec) {
    return edit(app == -1 ? -1 : m_curAppIdx, [&](ZvUserConfig&, ZvAppUserCfg& a) {
        ZvEkey* k = keyAt(a.seks, key, GetSkeyNum());
        return k != nullptr && validEkey(rec) && (*k = rec, true);
    });
}

bool Tablet::SetPkeyValue(int app, int key, const ZvEkey& rec) {
    return edit(app == -1 ? -1 : m_curAppIdx, [&](ZvUserConfig&, ZvAppUserCfg& a) {
        ZvEkey* k = keyAt(a.peks, key, GetPKeyNum());
        return k != nullptr && validEkey(rec) && (*k = rec, true);
    });
}

bool Tablet::SetMkeyValue(int app, int key, const ZvMEkey& rec) {
    return edit(app == -1 ? -1 : m_curAppIdx, [&](ZvUserConfig&, ZvAppUserCfg& a) {
        ZvMEkey* k = keyAt(a.meks, key, GetMKeyNum());
        return k != nullptr && rec.muxIndex < ZV_MAX_MUX && (*k = rec, true);
    });
}

bool Tablet::GetHkeyValue_r(int app, int key, ZvEkey* rec) const {
    const ZvAppUserCfg* p = profile(app);
    const ZvEkey* k = p != nullptr ? keyAt(p->heks, key, GetHkeyNum()) : nullptr;
    return k != nullptr && (*rec = *k, true);
}

bool Tablet::GetSkeyValue_r(int app, int key, ZvEkey* rec) const {
    const ZvAppUserCfg* p = profile(app);
    const ZvEkey* k = p != nullptr ? keyAt(p->seks, key, GetSkeyNum()) : nullptr;
    return k != nullptr && (*rec = *k, true);
}

bool Tablet::GetPkeyValue_r(int app, int key, ZvEkey* rec) const {
    const ZvAppUserCfg* p = profile(app);
    const ZvEkey* k = p != nullptr ? keyAt(p->peks, key, GetPKeyNum()) : nullptr;
    return k != nullptr && (*rec = *k, true);
}

bool Tablet::GetMkeyValue_r(int app, int key, ZvMEkey* rec) const {
    const ZvAppUserCfg* p = profile(app);
    const ZvMEkey* k = p != nullptr ? keyAt(p->meks, key, GetMKeyNum()) : nullptr;
    return k != nullptr && (*rec = *k, true);
}

int Tablet::GetMKeyType(int key) const {
    return key >= 0 && key < ZV_MAX_MEK ? int(m_TabletCfg.mekFuncBit[key]) : 0;
}

int Tablet::GetMKeyFunNum(int key) const {
    return key >= 0 && key < ZV_MAX_MEK ? m_TabletCfg.mekMuxNum[key] : 0;
}

int Tablet::GetMKeyCurFunIdx(int app, int key) const {
    const ZvAppUserCfg* p = profile(app);
    return p != nullptr && key >= 0 && key < ZV_MAX_MEK ? p->meks[key].muxIndex : 0;
}

QRect Tablet::GetHkeyRect(int key) const {
    return key >= 0 && key < ZV_MAX_HEK ? rectOf(m_TabletLayout.heks[key]) : QRect();
}

QRect Tablet::GetSkeyRect(int key) const {
    return key >= 0 && key < ZV_MAX_SEK ? rectOf(m_TabletLayout.seks[key]) : QRect();
}

QRect Tablet::GetMKeyRect(int key) const {
    return key >= 0 && key < ZV_MAX_MEK ? rectOf(m_TabletLayout.meks[key].rect) : QRect();
}

QRect Tablet::GetPKeyRect(int key) const {
    return key >= 0 && key < ZV_MAX_PEK ? rectOf(m_PenLayOut.peks[key]) : QRect();
}

bool Tablet::GetTHKeyState(int app) const {
    const ZvAppUserCfg* p = profile(app);
    return p != nullptr && p->bTHkey != 0;
}

QRect Tablet::GetPenArea() const {
    return rectOf(m_TabletLayout.penArea);
}

QRect Tablet::GetSekInRect() const {
    return rectOf(m_TabletLayout.sekInRect);
}

bool Tablet::LoadDefCfg() {
    const QString file = userFile();
    if (QFile::exists(file) && !QFile::remove(file)) {
        qWarning("%s remove failed", qPrintable(file));
        return false;
    }
    qInfo("%s remove success", qPrintable(file));
    m_curAppIdx = -1;
    const ZvTabletCfg fromCore = m_TabletCfg;
    const bool ok = SetDevModel(model()) && QFile::exists(file);
    m_TabletCfg = fromCore;
    return ok;
}

bool Tablet::ExportCfg(const QString& path) {
    if (!UpdateInfo())
        return false;
    QSaveFile out(localPath(path));
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(reinterpret_cast<const char*>(m_UserCfg.get()), kUserCfgFileSize) !=
            kUserCfgFileSize ||
        !out.commit()) {
        qWarning("%s ---- %s", qPrintable(out.errorString()), qPrintable(path));
        return false;
    }
    return true;
}

bool Tablet::LoadCfg(const QString& path) {
    QFile in(localPath(path));
    if (!in.open(QIODevice::ReadOnly)) {
        qWarning("%s --- %s", qPrintable(in.errorString()), qPrintable(path));
        return false;
    }
    if (in.size() != kUserCfgFileSize) {
        qWarning("%s: %lld bytes, not a settings file", qPrintable(path), in.size());
        return false;
    }
    auto scratch = std::make_unique<ZvUserConfig>();
    if (in.read(reinterpret_cast<char*>(scratch.get()), kUserCfgFileSize) != kUserCfgFileSize ||
        !validUserCfg(*scratch, model8())) {
        qWarning("%s: not a settings file of %s", qPrintable(path), model8().constData());
        return false;
    }
    if (m_store == nullptr || !m_store->loaded() || m_store->writeUserCfg(scratch.get()) != 0)
        return false;
    m_UserCfg = std::move(scratch);
    if (m_curAppIdx >= 0 && m_UserCfg->apps[m_curAppIdx].pid[0] == '\0')
        m_curAppIdx = -1;
    return true;
}
