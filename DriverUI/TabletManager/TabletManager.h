// The tablets the core serves, in the order they became known, and which one the pages show.
// Used on the GUI thread only.
#pragma once

#include "Tablet.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class TabletManager {
public:
    int Count() const { return int(m_devs.size()); }
    // Null when no tablet of that model is listed.
    Tablet* Find(const QString& model) const;
    Tablet* At(int idx) const;
    // Adds a tablet of a model not listed yet (null otherwise); the first one becomes current.
    Tablet* Add(const ZvTabletCfg& cfg);
    // Removes that model; the current tablet stays current when another one goes, and the first
    // remaining one becomes current when the current one goes.
    bool Remove(const QString& model);
    void RemoveAll();

    // -1 without tablets.
    int CurrentIdx() const { return m_cur; }
    Tablet* Current() const { return At(m_cur); }
    QString CurrentModel() const;
    bool SetCurrent(int idx);

    QStringList Models() const;
    QStringList Names() const;

private:
    std::vector<std::unique_ptr<Tablet>> m_devs;
    int m_cur = -1;
};
