// The tablets the core serves, in the order they became known, and which one the pages show,
// with the configuration store they are read from and saved to. Used on the GUI thread only.
#pragma once

#include "Tablet.h"
#include "ZvConfStoreDll.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class TabletManager {
public:
    // appDir holds libs/ and res/ (the program's folder); the per-model user files are in the
    // settings folder the core uses too (zv_settings_dir).
    explicit TabletManager(const QString& appDir);

    // Loads appDir/libs/libconfstore.so; false with the loader's text in *error. Without it, or
    // without a settings folder, no setting can be read or saved, so the program does not start.
    bool InitConfStore(QString* error);
    const QString& appDir() const { return m_appDir; }
    const QString& settingsDir() const { return m_settingsDir; }

    int Count() const { return int(m_devs.size()); }
    // Null when no tablet of that model is listed.
    Tablet* GetTablet(const QString& model) const;
    Tablet* At(int idx) const;
    // Adds a tablet of a model not listed yet (null otherwise), with its files from the store and
    // the description the core sent; the first one becomes current.
    Tablet* AddDev(const ZvTabletCfg& cfg);
    // Removes that model; the current tablet stays current when another one goes, and the first
    // remaining one becomes current when the current one goes.
    bool RemoveDev(const QString& model);
    void RemoveAllDev();
    // Re-reads that tablet's pen and user files (the core changed them); false when not listed.
    bool UpdateDevInfo(const QString& model);

    // -1 without tablets.
    int GetCurrentDevIdx() const { return m_cur; }
    Tablet* GetCurrentTablet() const { return At(m_cur); }
    QString GetCurrentDevModel() const;
    bool SetCurrentDevIdx(int idx);

    QStringList GetDevModelList() const;
    QStringList GetDevNameList() const;

private:
    QString m_appDir;
    QString m_settingsDir;
    ZvConfStoreDll m_store;
    std::vector<std::unique_ptr<Tablet>> m_devs;
    int m_cur = -1;
};
