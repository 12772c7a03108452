#include "LocalSettingManager.h"

#include "ZvAppDir.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>

namespace {

const QString kLanguage = QStringLiteral("Language/lang");
const QString kHotKey = QStringLiteral("HotKey/hotkey");
const QString kLang = QStringLiteral("Setting/Lang");
const QString kSkin = QStringLiteral("Setting/Skin");
const QString kMapType = QStringLiteral("Setting/MapType");

constexpr int kMapTypes = 3;

} // namespace

LocalSettingManager& LocalSettingManager::instance() {
    static LocalSettingManager manager(userFilePath(),
                                       zv_app_dir() + QStringLiteral("/res/setting.ini"));
    return manager;
}

QString LocalSettingManager::userFilePath() {
    // Not QSettings' own user path: it reads XDG_CONFIG_HOME once per process and keeps it.
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/Zerva/ZervaTablet.conf");
}

LocalSettingManager::LocalSettingManager(const QString& userFile, const QString& defaultsFile)
    : m_strPath(userFile), m_pSettings(std::make_unique<QSettings>(userFile, QSettings::IniFormat)),
      m_defaults(std::make_unique<QSettings>(defaultsFile, QSettings::IniFormat)) {
    if (m_defaults->status() != QSettings::NoError)
        qWarning() << "unreadable defaults" << defaultsFile;
}

QVariant LocalSettingManager::value(const QString& key, const QVariant& fallback) const {
    if (m_pSettings->contains(key))
        return m_pSettings->value(key);
    return m_defaults->value(key, fallback);
}

bool LocalSettingManager::save(const QString& key, const QVariant& value) {
    // QSettings creates the file but not its folder.
    const QString dir = QFileInfo(m_strPath).absolutePath();
    if (!QDir().mkpath(dir)) {
        qWarning() << "cannot make the settings folder" << dir;
        return false;
    }
    m_pSettings->setValue(key, value);
    m_pSettings->sync();
    if (m_pSettings->status() != QSettings::NoError) {
        qWarning() << "cannot save" << key << "to" << m_strPath;
        return false;
    }
    return true;
}

QString LocalSettingManager::getLanguage() const {
    return value(kLanguage, QString()).toString();
}

bool LocalSettingManager::saveLanguage(const QString& code) {
    return save(kLanguage, code);
}

QString LocalSettingManager::getHotKey() const {
    const QString text = value(kHotKey, QString()).toString();
    return text.isEmpty() ? QStringLiteral("Ctrl + Shift + H") : text;
}

bool LocalSettingManager::saveHotKey(const QString& text) {
    return save(kHotKey, text);
}

QString LocalSettingManager::getLang() const {
    return value(kLang, QString()).toString();
}

bool LocalSettingManager::saveLang(const QString& code) {
    return save(kLang, code);
}

int LocalSettingManager::getSkin() const {
    return value(kSkin, 0).toInt();
}

bool LocalSettingManager::saveSkin(int skin) {
    return save(kSkin, skin);
}

int LocalSettingManager::getMapType() const {
    bool ok = false;
    const int mode = value(kMapType, 0).toInt(&ok);
    return ok && mode >= 0 && mode < kMapTypes ? mode : 0;
}

bool LocalSettingManager::saveMapType(int mode) {
    if (mode < 0 || mode >= kMapTypes) {
        qWarning() << "no such work-area mode" << mode;
        return false;
    }
    return save(kMapType, mode);
}
