#include "ZvLangCodes.h"

#include "LocalSettingManager.h"

#include <QLocale>
#include <QRegularExpression>

namespace zvui {

namespace {

struct Language {
    const char* code;    // the code a page passes and the file code
    const char* key;     // the translation table's key
    const char* ownName; // UTF-8
};

// In the bit order of a tablet's language mask.
constexpr Language kLanguages[kLanguageCount] = {
    {"zh_CN", "CN", "简体中文"},
    {"zh_TCN", "TCN", "繁體中文"},
    {"ko", "Korean", "한국어"},
    {"ja", "Japan", "日本語"},
    {"en", "English", "English"},
    {"de", "German", "Deutsch"},
    {"fr", "French", "Français"},
    {"ru", "Russian", "Русский"},
    {"pl", "Polish", "Polski"},
    {"nl", "Dutch", "Nederlands"},
    {"id", "Indonesia", "Bahasa Indonesia"},
    {"it", "Italian", "Italiano"},
    {"es", "Spaish", "Español"},
    {"pt", "Portu", "Português"},
    {"ar", "Arabic", "العربية"},
    {"ms", "Malaysian", "Bahasa Melayu"},
    {"sv", "Swedish", "Svenska"},
};
constexpr int kSimplified = 0;
constexpr int kTraditional = 1;
constexpr int kEnglish = 4;

// A code splits into the language part and what follows it: "zh_TW", "zh-Hant", "de_DE.UTF-8",
// "sr@latin".
QStringList codeParts(const QString& code) {
    static const QRegularExpression sep(QStringLiteral("[_.@-]"));
    return code.trimmed().split(sep, Qt::SkipEmptyParts);
}

// Index into kLanguages, -1 for an unknown code.
int languageIndex(const QString& code) {
    const QStringList parts = codeParts(code);
    if (parts.isEmpty())
        return -1;
    const QString lang = parts.first().toLower();
    if (lang == QLatin1String("zh")) {
        // The script or region after the language part; our own code "zh_TCN" among them.
        for (int i = 1; i < parts.size(); ++i) {
            const QString p = parts[i].toUpper();
            if (p == QLatin1String("TW") || p == QLatin1String("HK") || p == QLatin1String("MO") ||
                p == QLatin1String("TCN") || p == QLatin1String("HANT"))
                return kTraditional;
        }
        return kSimplified;
    }
    for (int i = 0; i < kLanguageCount; ++i) {
        if (i != kSimplified && i != kTraditional && lang == QLatin1String(kLanguages[i].code))
            return i;
    }
    return -1;
}

} // namespace

QString langKeyOfCode(const QString& code) {
    const int i = languageIndex(code);
    return QLatin1String(kLanguages[i < 0 ? kEnglish : i].key);
}

bool isLangKey(const QString& key) {
    for (const Language& l : kLanguages) {
        if (key == QLatin1String(l.key))
            return true;
    }
    return false;
}

QString langFileCode(const QString& code) {
    const int i = languageIndex(code);
    if (i >= 0)
        return QLatin1String(kLanguages[i].code);
    const QStringList parts = codeParts(code);
    return parts.isEmpty() ? QString() : parts.first().toLower();
}

bool isChineseCode(const QString& code) {
    const int i = languageIndex(code);
    return i == kSimplified || i == kTraditional;
}

QStringList langNamesOfMask(quint32 mask) {
    QStringList names;
    for (int i = 0; i < kLanguageCount; ++i) {
        if (mask & (1u << i))
            names << QString::fromUtf8(kLanguages[i].ownName);
    }
    return names;
}

QString langCodeOfName(const QString& name) {
    for (const Language& l : kLanguages) {
        if (name == QString::fromUtf8(l.ownName))
            return QLatin1String(l.code);
    }
    return QString();
}

QString langNameOfCode(const QString& code) {
    const int i = languageIndex(code);
    return i < 0 ? QString() : QString::fromUtf8(kLanguages[i].ownName);
}

QString systemLangCode() {
    const QString name = QLocale::system().name();
    if (name.isEmpty() || name == QLatin1String("C") || name == QLatin1String("POSIX"))
        return QStringLiteral("en");
    return name;
}

QString storedLangCode(const LocalSettingManager& settings) {
    const QString code = settings.getLanguage();
    return code.isEmpty() ? systemLangCode() : code;
}

} // namespace zvui
