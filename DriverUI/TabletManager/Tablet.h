// One connected tablet as the settings application knows it: the description the core sent, its
// layout, pen and user configuration from the configuration store, and which application
// profile the pages edit. Held by a stable pointer for as long as the tablet is listed.
//
// Every setter is one read-modify-write of its field: the user configuration is read afresh
// from the store (the core may have changed it), the field of the addressed profile is changed,
// and the whole configuration is saved; the setter returns whether the save worked, and only
// then is the copy in memory replaced. Indices and values from the pages are checked first.
#pragma once

#include "ZvConfStoreDll.h"
#include "ZvStruct.h"

#include <QRect>
#include <QString>
#include <QStringList>

#include <memory>

class Tablet {
public:
    // The store may be null or not loaded (a test without files): reads then give the zeroed
    // records and every setter fails. appDir holds the shipped res/, settingsDir the res/ with the
    // per-model user files (the same folder unless the program is installed).
    Tablet(ZvConfStoreDll* store, const QString& appDir, const QString& settingsDir);

    // Reads everything the store holds for the model (the store falls back to its templates) and
    // saves the user configuration once, so that the per-model file exists from now on.
    bool SetDevModel(const QString& model);
    // The description as the core sent it (it knows the firmware's answers).
    void SetTabletCfg(const ZvTabletCfg& cfg);
    // Re-reads the pen description and the user configuration (after the core changed them).
    bool UpdateInfo();

    const ZvTabletCfg& cfg() const { return m_TabletCfg; }
    const ZvUserConfig& userCfg() const { return *m_UserCfg; }
    QString model() const;
    QString GetDevFullModel() const;
    QString penModel() const;
    // The last 11 characters of the full model.
    QString GetDevFirmWareVer() const;
    // The display name; an unknown tablet has none and shows its model instead.
    QString name() const;

    // The profile the setters address: -1 all programs, 0..6 an application.
    int currentAppIdx() const { return m_curAppIdx; }
    bool SetCurrentCfgIdx(int app);
    QStringList GetAppList() const;
    // Adds the program as a new profile, a copy of the all-programs profile; false when the path
    // does not fit, is already listed, or all seven profiles are in use.
    bool AddOneNewApp(const QString& path);

    bool SetHKeyState(bool on);
    bool GetHkeyStatus(int app) const;
    bool SetSKeyStatus(bool on);
    bool GetSKeyStatus(int app) const;
    bool SetMKeyStatus(bool on, int key);
    int GetMKeyStatus(int app, int key) const;
    bool SetTouchMKeyStatus(bool on);
    bool SetDialMekStatus(bool on);
    bool SetWinRaDialStatus(bool on);
    bool SetWinInkStatus(bool on);
    bool GetWinInkStatus(int app) const;
    bool SetWinGameModel(bool on);
    bool GetWinGameModel(int app) const;
    // The pages pass the negated check state; the getter answers in the same sense.
    bool SetMouseModel(bool on);
    bool GetMouseModel(int app) const;
    static constexpr int kMinMouseSpeed = 1;
    static constexpr int kMaxMouseSpeed = 10;
    bool SetMouseSpeed(int speed);
    int GetMouseSpeed() const;
    // 0, 90, 180 or 270.
    bool SetDevRotate(int angle);
    int GetDevRotate() const;

    // The screen the tablet maps to: a monitor index, or kAllScreens (any index at or above
    // the monitor count reads as all screens).
    static constexpr int kAllScreens = 8;
    bool SetMapToAllScreen(bool all);
    bool SetMapScreen(int screen);
    int GetMapScreen() const;
    bool SetTabletAreaRatio(const ZvRectRatio& r, int app);
    ZvRectRatio GetTabletAreaRatio(int app) const;
    // The part of the selected screen; with all screens selected there is no such entry: the
    // whole area reads back and a write is refused.
    bool SetScreenAreaRatio(const ZvRectRatio& r, int app);
    ZvRectRatio GetScreenAreaRatio(int app) const;
    bool SetPressureSetting(ZvPoint p1, ZvPoint p2, ZvPoint p3, int app);
    bool GetPressureSetting(ZvPoint* p1, ZvPoint* p2, ZvPoint* p3, int app) const;
    // The pressure the current profile's curve makes of p (the preview of the pen page).
    int CalcPressure(int p) const;

    // Binding records. Setters: app -1 writes the all-programs profile, any other the current
    // one; key indices are checked against the model's counts.
    bool SetHkeyValue(int app, int key, const ZvEkey& rec);
    bool SetSkeyValue(int app, int key, const ZvEkey& rec);
    bool SetPkeyValue(int app, int key, const ZvEkey& rec);
    bool SetMkeyValue(int app, int key, const ZvMEkey& rec);
    bool GetHkeyValue_r(int app, int key, ZvEkey* rec) const;
    bool GetSkeyValue_r(int app, int key, ZvEkey* rec) const;
    bool GetPkeyValue_r(int app, int key, ZvEkey* rec) const;
    bool GetMkeyValue_r(int app, int key, ZvMEkey* rec) const;

    int GetHkeyNum() const { return m_TabletCfg.hekNum; }
    int GetSkeyNum() const { return m_TabletCfg.sekNum; }
    int GetMKeyNum() const { return m_TabletCfg.mekNum; }
    int GetPKeyNum() const { return m_PenCfg.btnNum; }
    int GetMKeyType(int key) const;
    int GetMKeyFunNum(int key) const;
    int GetMKeyCurFunIdx(int app, int key) const;
    QRect GetHkeyRect(int key) const;
    QRect GetSkeyRect(int key) const;
    QRect GetMKeyRect(int key) const;
    QRect GetPKeyRect(int key) const;
    unsigned GetLangBit() const { return m_TabletCfg.langBit; }
    bool GetTHKeyState(int app) const;
    QRect GetPenArea() const;
    QRect GetSekInRect() const;

    // Back to the shipped settings: the per-model file is removed (a missing one is fine) and
    // made afresh from the template, application profiles included.
    bool LoadDefCfg();
    // The user configuration as saved, exactly its record, to path (a local path or a file URL).
    bool ExportCfg(const QString& path);
    // A file made by ExportCfg for this model; anything else is refused with nothing changed.
    bool LoadCfg(const QString& path);

private:
    template <class F> bool edit(int app, F change);
    // The profile a getter with an application argument reads, null when app is out of range.
    const ZvAppUserCfg* profile(int app) const;
    const ZvAppUserCfg& current() const;
    QByteArray model8() const;
    QString userFile() const;
    void setStorePaths();

    ZvConfStoreDll* m_store;
    QString m_appDir;
    QString m_settingsDir;
    int m_curAppIdx = -1;
    ZvTabletCfg m_TabletCfg;
    ZvPenCfg m_PenCfg;
    ZvLayoutTablet m_TabletLayout;
    ZvLayoutPen m_PenLayOut;
    // 495,132 bytes: on the heap, replaced whole by a successful save.
    std::unique_ptr<ZvUserConfig> m_UserCfg;
};

// The record of a user configuration file as ExportCfg writes it.
constexpr qint64 kUserCfgFileSize = qint64(sizeof(ZvUserConfig));
