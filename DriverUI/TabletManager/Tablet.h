// One connected tablet as the settings application knows it: the description the core sent.
// Held by a stable pointer for as long as the tablet is listed.
#pragma once

#include "ZvStruct.h"

#include <QString>

class Tablet {
public:
    // cfg has been checked (ZvCoreRecord): its strings are terminated and its model accepted.
    explicit Tablet(const ZvTabletCfg& cfg) : m_cfg(cfg) {}

    const ZvTabletCfg& cfg() const { return m_cfg; }
    QString model() const;
    QString fullModel() const;
    // The display name; an unknown tablet has none and shows its model instead.
    QString name() const;
    // The application profile in use (0: all programs).
    int currentAppIdx() const { return m_appIdx; }

private:
    ZvTabletCfg m_cfg;
    int m_appIdx = 0;
};
