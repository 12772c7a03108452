#include "LanguageTran.h"

#include "LocalSettingManager.h"
#include "ZvAppDir.h"
#include "ZvKeyText.h"
#include "ZvLangCodes.h"

#include <QCoreApplication>
#include <QDate>
#include <QDebug>
#include <QFile>
#include <QJsonDocument>
#include <QSettings>

#include <mutex>

#ifndef ZV_ABOUT_WORD
#error "ZV_ABOUT_WORD (the About page's six-letter word) comes from the build"
#endif

namespace {

const QString kEnglish = QStringLiteral("English");

// What translate() reads. Copies of the instance's table: implicitly shared, so making one
// current costs a reference, and a page changing the language never races a reader.
std::mutex g_mutex;
const LanguageTran* g_current = nullptr;
QJsonObject g_table;
QString g_key;

QString lookUp(const QJsonObject& table, const QString& key, const QString& text) {
    if (table.isEmpty() || text.isEmpty())
        return text;
    const QJsonObject entry = table.value(text).toObject();
    QString out = entry.value(key).toString();
    // Entry by entry: a language that lacks this one text still shows the others translated.
    if (out.isEmpty())
        out = entry.value(kEnglish).toString();
    if (out.isEmpty())
        out = text;
    // Texts that name the current year ("© 2020") are written with 2020 in the table.
    out.replace(QStringLiteral("2020"), QString::number(QDate::currentDate().year()));
    return out;
}

} // namespace

LanguageTran* LanguageTran::instance() {
    static LanguageTran* tran = [] {
        const QString dir = zv_app_dir();
        auto* t = new LanguageTran(dir + QStringLiteral("/res/Lang.json"),
                                   dir + QStringLiteral("/setting.ini"),
                                   &LocalSettingManager::instance(), QCoreApplication::instance());
        t->makeCurrent();
        return t;
    }();
    return tran;
}

LanguageTran::LanguageTran(const QString& tableFile, const QString& startFile,
                           LocalSettingManager* settings, QObject* parent)
    : QObject(parent), strLanguageMode(kEnglish), m_settings(settings) {
    QFile file(tableFile);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning() << tableFile << "文件打开失败";
    } else {
        const QByteArray bytes = file.readAll();
        QJsonParseError parseJsonErr;
        const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parseJsonErr);
        if (parseJsonErr.error != QJsonParseError::NoError || !doc.isObject()) {
            qWarning() << "parseJsonErr.error = " << parseJsonErr.error << tableFile;
        } else {
            m_strJson = QString::fromUtf8(bytes);
            m_jsonObject = doc.object();
        }
    }

    // A language key ("German") or a code ("de"); replaced once the main page sets the mode.
    const QString mode = QSettings(startFile, QSettings::IniFormat)
                             .value(QStringLiteral("Language/Mode"))
                             .toString();
    if (!mode.isEmpty())
        strLanguageMode = zvui::isLangKey(mode) ? mode : zvui::langKeyOfCode(mode);
}

LanguageTran::~LanguageTran() {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_current == this) {
        g_current = nullptr;
        g_table = QJsonObject();
        g_key.clear();
    }
}

void LanguageTran::makeCurrent() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_current = this;
    g_table = m_jsonObject;
    g_key = strLanguageMode;
}

QString LanguageTran::translate(const QString& text) {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_current ? lookUp(g_table, g_key, text) : text;
}

QString LanguageTran::getLanguegeMode() const {
    return zvui::storedLangCode(*m_settings);
}

void LanguageTran::setTransMode(const QString& code) {
    strLanguageMode = zvui::langKeyOfCode(code);
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_current == this)
            g_key = strLanguageMode;
    }
    (void)m_settings->saveLanguage(code);
}

void LanguageTran::startTrans() {
    ++m_revision;
    emit signal_translationed();
}

QString LanguageTran::getStringByPreTrans(const QString& text) const {
    return lookUp(m_jsonObject, strLanguageMode, text);
}

QString LanguageTran::getJsonString() const {
    return m_strJson;
}

QString LanguageTran::makeASCIIToString(const QString& code, bool keypad) const {
    return zvui::asciiKeyName(code, keypad);
}

bool LanguageTran::strToLowerCompare(const QString& text) const {
    return text.toLower() == QLatin1String(ZV_ABOUT_WORD);
}

bool LanguageTran::stringCheck(const QString& a, const QString& b) const {
    return a.contains(b, Qt::CaseSensitive);
}

bool LanguageTran::lastIsContaint(const QString& name) const {
    return zvui::isTrailingKeyName(name);
}

QString LanguageTran::languageKey() const {
    return strLanguageMode;
}
