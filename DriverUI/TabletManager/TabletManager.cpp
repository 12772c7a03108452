#include "TabletManager.h"

#include "ZvSettingsDir.h"

#include <QDebug>

#include <string.h>

TabletManager::TabletManager(const QString& appDir) : m_appDir(appDir) {
    char dir[512];
    if (zv_settings_dir(appDir.toUtf8().constData(), dir, sizeof dir))
        m_settingsDir = QString::fromUtf8(dir);
}

Tablet* TabletManager::GetTablet(const QString& model) const {
    for (const auto& t : m_devs)
        if (t->model() == model)
            return t.get();
    return nullptr;
}

Tablet* TabletManager::At(int idx) const {
    return idx >= 0 && idx < Count() ? m_devs[size_t(idx)].get() : nullptr;
}

bool TabletManager::InitConfStore(QString* error) {
    if (m_settingsDir.isEmpty()) {
        const QString why = QStringLiteral(ZV_NO_SETTINGS_DIR);
        qCritical("%s", qPrintable(why));
        if (error != nullptr)
            *error = why;
        return false;
    }
    const QByteArray path = (m_appDir + QStringLiteral("/libs/libconfstore.so")).toUtf8();
    std::string why;
    if (m_store.load(path.constData(), &why))
        return true;
    qCritical("Load Libconfstore.so error! \n%s\n%s", path.constData(), why.c_str());
    if (error != nullptr)
        *error = QString::fromStdString(why);
    return false;
}

Tablet* TabletManager::AddDev(const ZvTabletCfg& cfg) {
    auto t = std::make_unique<Tablet>(&m_store, m_appDir, m_settingsDir);
    const QString model = QString::fromUtf8(cfg.sModel, int(strnlen(cfg.sModel, ZV_MODEL_LEN)));
    if (model.isEmpty() || GetTablet(model) != nullptr)
        return nullptr;
    (void)t->SetDevModel(model);
    t->SetTabletCfg(cfg);
    m_devs.push_back(std::move(t));
    if (m_cur < 0)
        m_cur = 0;
    return m_devs.back().get();
}

bool TabletManager::RemoveDev(const QString& model) {
    for (size_t i = 0; i < m_devs.size(); ++i) {
        if (m_devs[i]->model() != model)
            continue;
        m_devs.erase(m_devs.begin() + long(i));
        if (m_devs.empty())
            m_cur = -1;
        else if (int(i) < m_cur)
            --m_cur;
        else if (int(i) == m_cur)
            m_cur = 0;
        return true;
    }
    return false;
}

void TabletManager::RemoveAllDev() {
    m_devs.clear();
    m_cur = -1;
}

bool TabletManager::UpdateDevInfo(const QString& model) {
    Tablet* t = GetTablet(model);
    return t != nullptr && t->UpdateInfo();
}

QString TabletManager::GetCurrentDevModel() const {
    const Tablet* t = GetCurrentTablet();
    return t != nullptr ? t->model() : QString();
}

bool TabletManager::SetCurrentDevIdx(int idx) {
    if (At(idx) == nullptr)
        return false;
    m_cur = idx;
    return true;
}

QStringList TabletManager::GetDevModelList() const {
    QStringList out;
    for (const auto& t : m_devs)
        out << t->model();
    return out;
}

QStringList TabletManager::GetDevNameList() const {
    QStringList out;
    for (const auto& t : m_devs)
        out << t->name();
    return out;
}
