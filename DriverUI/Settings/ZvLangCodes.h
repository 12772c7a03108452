// The languages of the settings application: the codes a user or the system gives, the keys of
// the translation table, the codes of the Qt translation files and the languages' own names.
//
// Codes are matched by their language part: a system locale always carries a country ("de_DE",
// "pt_BR.UTF-8"), and a table that matched whole codes only would show such a user English.
// Chinese is the one language whose country decides the script: Taiwan, Hong Kong and Macau
// write Traditional Chinese, everyone else Simplified.
#pragma once

#include <QString>
#include <QStringList>

class LocalSettingManager;

namespace zvui {

// Number of languages a tablet can list (the bits of its language mask).
constexpr int kLanguageCount = 17;

// The key of the translation table for a language code: "CN", "TCN", "German", ...; "English"
// for an empty or unknown code.
QString langKeyOfCode(const QString& code);
// Whether key is one of the translation table's language keys.
bool isLangKey(const QString& key);

// The code under which a Qt translation file would be shipped: "zh_CN" or "zh_TCN" for Chinese,
// else the lower-case language part ("de_DE" -> "de"). Empty for an empty code.
QString langFileCode(const QString& code);

// Whether the code is one of the Chinese ones (the web links have a Chinese set).
bool isChineseCode(const QString& code);

// The languages' own names for the set bits 0 ... 16 of a tablet's language mask, in bit order.
QStringList langNamesOfMask(quint32 mask);
// The code of a language's own name ("Deutsch" -> "de"); empty for an unknown name.
QString langCodeOfName(const QString& name);
// The own name of a language code, matched by language part ("de_AT" -> "Deutsch"); empty for
// an unknown code.
QString langNameOfCode(const QString& code);

// The system locale's name, or "en" when the system names none ("C", "POSIX").
QString systemLangCode();

// The language the user chose (group "Language", key "lang"), else the system's.
QString storedLangCode(const LocalSettingManager& settings);

} // namespace zvui
