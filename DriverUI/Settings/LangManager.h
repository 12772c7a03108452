// The Qt translations of the QML engine ("langManager" of the pages). The pages' texts are
// translated through the JSON table (LanguageTran); Qt translation files are optional extras,
// so a language without one is answered message(false) and the JSON table still applies.
#pragma once

#include <QObject>
#include <QString>

class LocalSettingManager;
class QQmlEngine;
class QTranslator;

class LangManager : public QObject {
    Q_OBJECT
public:
    // Installs its translator into the application. Files are looked for as filePrefix + code +
    // ".qm"; the program's are in its resources (":/DriverUI_"). settings is not owned.
    LangManager(QQmlEngine* engine, LocalSettingManager* settings,
                const QString& filePrefix = QStringLiteral(":/DriverUI_"),
                QObject* parent = nullptr);
    ~LangManager() override;

    // Loads the translation for code ("de_DE" -> "de", any Traditional Chinese -> "zh_TCN");
    // an empty code is the one last loaded, else the system's. On success retranslates the
    // engine and stores the code. Emits message() with the result.
    Q_INVOKABLE void loadLanguage(const QString& code);
    // The code last loaded; empty before the first success.
    Q_INVOKABLE QString getCurrentLanguage() const;

    // The language code of a language's own name as the pages list it ("Deutsch" -> "de"),
    // and back.
    Q_INVOKABLE QString codeOfName(const QString& name) const;
    Q_INVOKABLE QString nameOfCode(const QString& code) const;

signals:
    void message(bool bRes);

private:
    bool load(const QString& code);

    QString m_strLang;
    QQmlEngine* m_engine;
    QTranslator* m_translator;
    LocalSettingManager* m_settings;
    QString m_prefix;
};
