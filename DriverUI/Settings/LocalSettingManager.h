// Per-user state of the settings application: the chosen language, the show-window hot key, the
// skin and the work-area mode.
//
// Written to the user's own file under $XDG_CONFIG_HOME (~/.config); the program's folder holds
// res/setting.ini with the shipped defaults, which is only read. The program is installed by
// root and shared by every user of the machine: one user's choice must not become everybody's,
// and the folder is not writable for users anyway.
#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>

#include <memory>

class LocalSettingManager {
public:
    // The process-wide instance: the user's file and <application dir>/res/setting.ini.
    static LocalSettingManager& instance();

    // "$XDG_CONFIG_HOME/Zerva/ZervaTablet.conf", with ~/.config when XDG_CONFIG_HOME is unset,
    // empty or relative.
    static QString userFilePath();

    // Reads and writes userFile; defaultsFile is only read (it need not exist).
    LocalSettingManager(const QString& userFile, const QString& defaultsFile);

    // Every save returns false (logged) when the user's file could not be written.

    // The language code of the translation table (group "Language", key "lang"); empty when
    // none was chosen.
    QString getLanguage() const;
    bool saveLanguage(const QString& code);

    // The show-window hot key as the user typed it, with blanks; "Ctrl + Shift + H" by default.
    QString getHotKey() const;
    bool saveHotKey(const QString& text);

    // The code of the Qt translation last loaded ("Setting/Lang"); empty when none was.
    QString getLang() const;
    bool saveLang(const QString& code);

    int getSkin() const;
    bool saveSkin(int skin);

    // The work-area page's mapping mode ("Setting/MapType"): 0 the whole area, 1 a custom
    // area, 2 proportional to the screen. 0 when unset or out of range.
    int getMapType() const;
    bool saveMapType(int mode);

    QString userFile() const { return m_strPath; }

private:
    QVariant value(const QString& key, const QVariant& fallback) const;
    bool save(const QString& key, const QVariant& value);

    QString m_strPath;
    std::unique_ptr<QSettings> m_pSettings;
    std::unique_ptr<QSettings> m_defaults;
};
