// The translation of every visible text ("jsonTrans" of the pages). The table res/Lang.json maps
// each source text (Simplified Chinese, as written in the program and its pages) to its
// translations by language key. English and Simplified Chinese are complete; a text missing in
// another language is shown in English, and a text missing from the table as written: a user
// never sees an empty label.
//
// Lives on the GUI thread. The static translate() may be called from any thread: the binding
// and media-key texts are made wherever a record is turned into text.
#pragma once

#include <QJsonObject>
#include <QObject>
#include <QString>

class LocalSettingManager;

class LanguageTran : public QObject {
    Q_OBJECT
    // Counts the translations started: a page binding that reads it (UIHelper.tr) is evaluated
    // again, in the new language, each time.
    Q_PROPERTY(int revision READ revision NOTIFY signal_translationed)
public:
    // The process-wide instance over <application dir>/res/Lang.json and the user's settings;
    // it is also the one translate() uses.
    static LanguageTran* instance();

    // Reads tableFile; the language choice is read from and saved to settings (not owned).
    // startFile is an INI file whose "Language/Mode" gives the language until setTransMode is
    // called (it need not exist).
    LanguageTran(const QString& tableFile, const QString& startFile, LocalSettingManager* settings,
                 QObject* parent = nullptr);
    ~LanguageTran() override;

    // Makes this table and language the ones translate() uses, until another is made current
    // or this one is destroyed.
    void makeCurrent();

    // The text of the current translation; the identity while no table is current. Safe from
    // any thread; has the signature that KeyTrans::SetLabelTranslator and zvui::Translator take.
    static QString translate(const QString& text);

    // The chosen language code, else the system locale's name, else "en".
    Q_INVOKABLE QString getLanguegeMode() const;
    // Selects the translation for code by its language part and stores the code.
    Q_INVOKABLE void setTransMode(const QString& code);
    // Tells every page to read its texts again.
    Q_INVOKABLE void startTrans();
    // The translation of text, with every "2020" in it made the current year.
    Q_INVOKABLE QString getStringByPreTrans(const QString& text) const;
    // The table as read; empty when it did not parse.
    Q_INVOKABLE QString getJsonString() const;
    Q_INVOKABLE QString makeASCIIToString(const QString& code, bool keypad) const;
    // Whether the lower-cased text is the About page's word.
    Q_INVOKABLE bool strToLowerCompare(const QString& text) const;
    // Whether a contains b (case-sensitive).
    Q_INVOKABLE bool stringCheck(const QString& a, const QString& b) const;
    // Whether name is one of the arrows or F1 ... F12.
    Q_INVOKABLE bool lastIsContaint(const QString& name) const;

    // The current language key of the table ("English", "CN", ...).
    QString languageKey() const;
    int revision() const { return m_revision; }

signals:
    void signal_translationed();

private:
    QString m_strJson;
    QString strLanguageMode;
    QJsonObject m_jsonObject;
    LocalSettingManager* m_settings;
    int m_revision = 0;
};
