// Languages, per-user settings and web links of the settings application, and the shipped
// translation table and default settings.
#include "KeyTrans.h"
#include "LangManager.h"
#include "LanguageTran.h"
#include "LinkManager.h"
#include "LocalSettingManager.h"
#include "ZvBindingText.h"
#include "ZvLangCodes.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>
#include <QUrlQuery>

#include <string.h>

namespace {

const QString kShippedRes = QStringLiteral(ZV_SOURCE_DIR "/DriverUI/res");

bool hasHan(const QString& s) {
    static const QRegularExpression han(QStringLiteral("\\p{Han}"));
    return s.contains(han);
}

// Every file under dir with a digest of its contents.
QMap<QString, QByteArray> snapshot(const QString& dir) {
    QMap<QString, QByteArray> files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        files.insert(path, QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1));
    }
    return files;
}

// A program folder (with res/setting.ini as shipped) and a user's config home, both temporary.
class UiSettings : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_tmp.isValid());
        m_appDir = m_tmp.path() + QStringLiteral("/app");
        m_config = m_tmp.path() + QStringLiteral("/config");
        ASSERT_TRUE(QDir().mkpath(m_appDir + QStringLiteral("/res")));
        ASSERT_TRUE(QFile::copy(kShippedRes + QStringLiteral("/setting.ini"),
                                m_appDir + QStringLiteral("/res/setting.ini")));
        m_oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", m_config.toUtf8());
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", m_oldConfig); }

    std::unique_ptr<LocalSettingManager> settings(const QString& defaults = QString()) {
        return std::make_unique<LocalSettingManager>(
            LocalSettingManager::userFilePath(),
            defaults.isEmpty() ? m_appDir + QStringLiteral("/res/setting.ini") : defaults);
    }

    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = m_tmp.path() + QLatin1Char('/') + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        EXPECT_EQ(f.write(bytes), bytes.size());
        return path;
    }

    // A small table: one text in three languages, one without German, one without English.
    QString table() {
        return write(QStringLiteral("Lang.json"), R"({
            "甲": {"CN": "甲", "English": "first", "German": "erste"},
            "乙": {"CN": "乙", "English": "second"},
            "丙": {"CN": "丙", "German": ""},
            "版权 2020": {"CN": "版权 2020", "English": "Copyright 2020-2020"}
        })");
    }

    QTemporaryDir m_tmp;
    QString m_appDir;
    QString m_config;
    QByteArray m_oldConfig;
};

TEST(LangCodes, MatchedByTheirLanguagePart) {
    struct Case {
        const char* code;
        const char* key;
        const char* file;
        bool chinese;
    };
    const Case cases[] = {
        {"de_DE", "German", "de", false},   {"de_DE.UTF-8", "German", "de", false},
        {"zh_TW", "TCN", "zh_TCN", true},   {"zh_HK", "TCN", "zh_TCN", true},
        {"zh-Hant", "TCN", "zh_TCN", true}, {"zh_TCN", "TCN", "zh_TCN", true},
        {"zh_CN", "CN", "zh_CN", true},     {"zh", "CN", "zh_CN", true},
        {"zh_SG", "CN", "zh_CN", true},     {"pt_BR", "Portu", "pt", false},
        {"es_MX", "Spaish", "es", false},   {"en_US", "English", "en", false},
        {"xx", "English", "xx", false},     {"", "English", "", false},
        {"C", "English", "c", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(zvui::langKeyOfCode(QString::fromUtf8(c.code)).toStdString(), c.key);
        EXPECT_EQ(zvui::langFileCode(QString::fromUtf8(c.code)).toStdString(), c.file);
        EXPECT_EQ(zvui::isChineseCode(QString::fromUtf8(c.code)), c.chinese);
    }
}

TEST(LangCodes, NamesOfTheMaskInBitOrderAndBackToTheirCodes) {
    EXPECT_EQ(zvui::langNamesOfMask(0x11),
              QStringList({QStringLiteral("简体中文"), QStringLiteral("English")}));
    EXPECT_TRUE(zvui::langNamesOfMask(0).isEmpty());
    // Bits above the 17 languages name nothing.
    EXPECT_EQ(zvui::langNamesOfMask(0xFFFFFFFFu).size(), zvui::kLanguageCount);

    const QStringList all = zvui::langNamesOfMask((1u << zvui::kLanguageCount) - 1);
    ASSERT_EQ(all.size(), zvui::kLanguageCount);
    QSet<QString> keys;
    for (const QString& name : all) {
        SCOPED_TRACE(name.toStdString());
        const QString code = zvui::langCodeOfName(name);
        ASSERT_FALSE(code.isEmpty());
        EXPECT_EQ(zvui::langNameOfCode(code), name);
        EXPECT_TRUE(zvui::isLangKey(zvui::langKeyOfCode(code)));
        keys.insert(zvui::langKeyOfCode(code));
    }
    // Every language has a table key of its own.
    EXPECT_EQ(keys.size(), zvui::kLanguageCount);
    EXPECT_TRUE(zvui::langCodeOfName(QStringLiteral("Klingon")).isEmpty());
}

TEST_F(UiSettings, TranslationFallsBackEntryByEntry) {
    auto s = settings();
    LanguageTran tran(table(), QString(), s.get());
    const QString year = QString::number(QDate::currentDate().year());
    struct Case {
        const char* code;
        const char* text;
        QString expected;
    };
    const Case cases[] = {
        {"de_AT", "甲", QStringLiteral("erste")},
        {"de_AT", "乙", QStringLiteral("second")}, // no German: English
        {"de_AT", "丙", QStringLiteral("丙")},     // empty German, no English: the source
        {"de_AT", "丁", QStringLiteral("丁")},     // not in the table
        {"de_AT", "", QString()},
        {"zh_CN", "甲", QStringLiteral("甲")},
        {"ja", "甲", QStringLiteral("first")},
        {"en", "版权 2020", QStringLiteral("Copyright %1-%1").arg(year)},
        {"en", "自 2020 年", QStringLiteral("自 %1 年").arg(year)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.code) + " " + c.text);
        tran.setTransMode(QString::fromUtf8(c.code));
        EXPECT_EQ(tran.getStringByPreTrans(QString::fromUtf8(c.text)), c.expected);
    }
    EXPECT_EQ(tran.getLanguegeMode(), QStringLiteral("en"));
}

TEST_F(UiSettings, BrokenOrMissingTableShowsTextsAsWritten) {
    auto s = settings();
    const QString broken = write(QStringLiteral("broken.json"), R"({"甲": {"English": "first"})");
    for (const QString& file : {broken, m_tmp.path() + QStringLiteral("/none.json")}) {
        LanguageTran tran(file, QString(), s.get());
        tran.setTransMode(QStringLiteral("en"));
        EXPECT_TRUE(tran.getJsonString().isEmpty());
        EXPECT_EQ(tran.getStringByPreTrans(QStringLiteral("甲")), QStringLiteral("甲"));
        EXPECT_EQ(tran.getStringByPreTrans(QStringLiteral("2020")), QStringLiteral("2020"));
    }
}

TEST_F(UiSettings, LanguageChoiceIsStoredAndTheStartFileGivesTheFirstOne) {
    auto s = settings();
    const QString start = write(QStringLiteral("setting.ini"), "[Language]\nMode=German\n");
    {
        LanguageTran tran(table(), start, s.get());
        EXPECT_EQ(tran.languageKey(), QStringLiteral("German"));
        QSignalSpy spy(&tran, &LanguageTran::signal_translationed);
        tran.setTransMode(QStringLiteral("zh_HK"));
        tran.startTrans();
        EXPECT_EQ(spy.count(), 1);
        EXPECT_EQ(tran.languageKey(), QStringLiteral("TCN"));
    }
    // The code itself is kept, so a later start selects by the same rule.
    EXPECT_EQ(settings()->getLanguage(), QStringLiteral("zh_HK"));
    auto reread = settings();
    LanguageTran again(table(), QString(), reread.get());
    EXPECT_EQ(again.getLanguegeMode(), QStringLiteral("zh_HK"));
}

TEST_F(UiSettings, StaticTranslatorFollowsTheCurrentTable) {
    auto s = settings();
    {
        LanguageTran tran(table(), QString(), s.get());
        tran.setTransMode(QStringLiteral("de"));
        EXPECT_EQ(LanguageTran::translate(QStringLiteral("甲")), QStringLiteral("甲"));
        tran.makeCurrent();
        EXPECT_EQ(LanguageTran::translate(QStringLiteral("甲")), QStringLiteral("erste"));
        tran.setTransMode(QStringLiteral("en"));
        EXPECT_EQ(LanguageTran::translate(QStringLiteral("甲")), QStringLiteral("first"));
    }
    EXPECT_EQ(LanguageTran::translate(QStringLiteral("甲")), QStringLiteral("甲"));
}

TEST_F(UiSettings, ShippedTableIsCompleteInEnglishAndChinese) {
    QFile f(kShippedRes + QStringLiteral("/Lang.json"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &err);
    ASSERT_EQ(err.error, QJsonParseError::NoError) << err.errorString().toStdString();
    ASSERT_TRUE(doc.isObject());
    const QJsonObject table = doc.object();
    EXPECT_FALSE(table.isEmpty());
    for (auto it = table.begin(); it != table.end(); ++it) {
        SCOPED_TRACE(it.key().toStdString());
        ASSERT_TRUE(it.value().isObject());
        const QJsonObject entry = it.value().toObject();
        EXPECT_FALSE(entry.value(QStringLiteral("English")).toString().isEmpty());
        EXPECT_FALSE(entry.value(QStringLiteral("CN")).toString().isEmpty());
        for (auto lang = entry.begin(); lang != entry.end(); ++lang) {
            EXPECT_TRUE(zvui::isLangKey(lang.key())) << lang.key().toStdString();
            EXPECT_TRUE(lang.value().isString());
        }
    }
}

// Every Chinese text the pages are written with is an entry of the table, complete in both
// languages: a page never shows a source text to an English reader, even one no test opens.
TEST_F(UiSettings, ShippedTableHoldsEveryTextOfThePages) {
    QFile f(kShippedRes + QStringLiteral("/Lang.json"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QJsonObject table = QJsonDocument::fromJson(f.readAll()).object();
    const QRegularExpression literal(QStringLiteral(R"re("((?:[^"\\]|\\.)*)")re"));
    int texts = 0;
    QDirIterator it(QStringLiteral(ZV_SOURCE_DIR "/DriverUI/qml"),
                    {QStringLiteral("*.qml"), QStringLiteral("*.js")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile page(it.next());
        ASSERT_TRUE(page.open(QIODevice::ReadOnly));
        const QString source = QString::fromUtf8(page.readAll());
        for (auto m = literal.globalMatch(source); m.hasNext();) {
            const QString text = m.next().captured(1);
            if (!hasHan(text))
                continue;
            ++texts;
            const QJsonObject entry = table.value(text).toObject();
            EXPECT_FALSE(entry.value(QStringLiteral("English")).toString().isEmpty())
                << it.fileName().toStdString() << ": " << text.toStdString();
            EXPECT_FALSE(entry.value(QStringLiteral("CN")).toString().isEmpty())
                << it.fileName().toStdString() << ": " << text.toStdString();
        }
    }
    EXPECT_GE(texts, 60) << "the pages were read";
}

// Every label the binding texts and the media keys can show has an English entry: shown in
// English, none of them keeps a Chinese character.
TEST_F(UiSettings, ShippedTableCoversTheBindingAndMediaLabels) {
    auto s = settings();
    LanguageTran tran(kShippedRes + QStringLiteral("/Lang.json"), QString(), s.get());
    tran.setTransMode(QStringLiteral("en_GB"));
    tran.makeCurrent();
    KeyTrans::SetLabelTranslator(&LanguageTran::translate);
    const KeyTrans keys;
    const zvui::Translator tr = &LanguageTran::translate;

    int shown = 0;
    auto check = [&](const ZvEkey& rec) {
        const QString text = zvui::keyValueText(rec, keys, tr);
        EXPECT_FALSE(hasHan(text)) << "funcBit " << rec.funcBit << ": " << text.toStdString();
        shown += hasHan(zvui::EKeyToString(rec, keys)) ? 1 : 0;
    };
    for (int bit = -1; bit < 32; ++bit) {
        ZvEkey rec;
        memset(&rec, 0, sizeof rec);
        rec.funcBit = bit < 0 ? 0 : 1u << bit;
        if (rec.funcBit == ZVEF_RRIVATE_CMD) {
            for (int cmd :
                 {ZV_PRIVATE_CMD_SHUTDOWN, ZV_PRIVATE_CMD_SLEEP, ZV_PRIVATE_CMD_LOCK_SCREEN}) {
                rec.privateCmd = static_cast<th_u8>(cmd);
                check(rec);
            }
        } else {
            check(rec);
        }
    }
    for (const char* media : {"0x71", "0x72", "0x73", "0xA3", "0xA4", "0xA5"}) {
        const QString label =
            keys.CodeToString(keys.StringToCode(QLatin1String(media), OSLinux), OSLinux);
        EXPECT_FALSE(label.isEmpty() || hasHan(label)) << media;
    }
    KeyTrans::SetLabelTranslator(nullptr);
    // The loop really met the Chinese labels (no-function, mouse buttons, commands, modes).
    EXPECT_GE(shown, 15);
}

TEST_F(UiSettings, SettingsGoToTheUsersConfigAndNeverToTheProgramFolder) {
    const auto before = snapshot(m_appDir);
    {
        auto s = settings();
        EXPECT_TRUE(s->saveLanguage(QStringLiteral("de_DE")));
        EXPECT_TRUE(s->saveHotKey(QStringLiteral("Ctrl + Alt + K")));
        EXPECT_TRUE(s->saveLang(QStringLiteral("de")));
        EXPECT_TRUE(s->saveSkin(2));
        EXPECT_TRUE(s->saveMapType(2));
        EXPECT_FALSE(s->saveMapType(3));
        EXPECT_EQ(s->userFile(), m_config + QStringLiteral("/Zerva/ZervaTablet.conf"));
    }
    EXPECT_EQ(snapshot(m_appDir), before);
    EXPECT_TRUE(QFile::exists(m_config + QStringLiteral("/Zerva/ZervaTablet.conf")));

    auto s = settings();
    EXPECT_EQ(s->getLanguage(), QStringLiteral("de_DE"));
    EXPECT_EQ(s->getHotKey(), QStringLiteral("Ctrl + Alt + K"));
    EXPECT_EQ(s->getLang(), QStringLiteral("de"));
    EXPECT_EQ(s->getSkin(), 2);
    EXPECT_EQ(s->getMapType(), 2);

    // A folder that cannot be made: reported, not taken for saved.
    write(QStringLiteral("file"), "x");
    LocalSettingManager blocked(m_tmp.path() + QStringLiteral("/file/Zerva/ZervaTablet.conf"),
                                QString());
    EXPECT_FALSE(blocked.saveSkin(1));
}

TEST_F(UiSettings, DefaultsComeFromTheShippedFileUntilTheUserChooses) {
    struct Case {
        QByteArray defaults; // empty: the shipped file
        const char* hotKey;
        const char* lang;
        int skin;
        int mapType;
    };
    const Case cases[] = {
        {QByteArray(), "Ctrl + Shift + H", "", 0, 0},
        {"[HotKey]\nhotkey=Ctrl + Alt + P\n[Setting]\nLang=fr\nSkin=1\nMapType=1\n",
         "Ctrl + Alt + P", "fr", 1, 1},
        {"[Setting]\nMapType=9\n", "Ctrl + Shift + H", "", 0, 0},
        {"not an ini file", "Ctrl + Shift + H", "", 0, 0},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        const QString file = c.defaults.isEmpty()
                                 ? QString()
                                 : write(QStringLiteral("defaults%1.ini").arg(n), c.defaults);
        ++n;
        auto s = settings(file);
        EXPECT_EQ(s->getHotKey().toStdString(), c.hotKey);
        EXPECT_EQ(s->getLang().toStdString(), c.lang);
        EXPECT_EQ(s->getSkin(), c.skin);
        EXPECT_EQ(s->getMapType(), c.mapType);
        EXPECT_TRUE(s->getLanguage().isEmpty());
    }
    // The user's choice wins over a default, key by key.
    const QString file = write(QStringLiteral("d.ini"), "[Setting]\nSkin=1\nMapType=1\n");
    ASSERT_TRUE(settings(file)->saveMapType(2));
    EXPECT_EQ(settings(file)->getMapType(), 2);
    EXPECT_EQ(settings(file)->getSkin(), 1);
}

TEST(KeyText, TypedCharactersBecomeTheirKeyNames) {
    struct Case {
        const char* typed;
        const char* name;   // typed on the main keys
        const char* keypad; // typed on the keypad
    };
    const Case cases[] = {
        {"a", "A", "A"},         {"z", "Z", "Z"},   {"Q", "Q", "Q"},   {"5", "5", "5"},
        {" ", "Space", "Space"}, {"~", "`", "`"},   {"!", "1", "1"},   {"@", "2", "2"},
        {"#", "3", "3"},         {"$", "4", "4"},   {"%", "5", "5"},   {"^", "6", "6"},
        {"&", "7", "7"},         {"(", "9", "9"},   {")", "0", "0"},   {"{", "[", "["},
        {"}", "]", "]"},         {"|", "\\", "\\"}, {":", ";", ";"},   {";", ";", ";"},
        {"\"", "'", "'"},        {"'", "'", "'"},   {"<", ",", ","},   {">", ".", "."},
        {"?", "/", "/"},         {"_", "-", "-"},   {"+", "=", "KP+"}, {"-", "-", "KP-"},
        {"*", "8", "KP*"},       {"/", "/", "KP/"}, {".", ".", "KP."}, {"=", "=", "="},
        {"`", "`", "`"},         {"é", "é", "é"},   {"", "", ""},      {"ab", "ab", "ab"},
    };
    auto s = std::make_unique<LocalSettingManager>(QString(), QString());
    LanguageTran tran(QString(), QString(), s.get());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const QString typed = QString::fromUtf8(c.typed);
        EXPECT_EQ(tran.makeASCIIToString(typed, false).toStdString(), c.name);
        EXPECT_EQ(tran.makeASCIIToString(typed, true).toStdString(), c.keypad);
    }
}

TEST(KeyText, StringChecks) {
    auto s = std::make_unique<LocalSettingManager>(QString(), QString());
    LanguageTran tran(QString(), QString(), s.get());
    for (const char* name : {"←", "↑", "→", "↓", "F1", "F9", "F12"})
        EXPECT_TRUE(tran.lastIsContaint(QString::fromUtf8(name))) << name;
    for (const char* name : {"F13", "F0", "f1", "", "Up", "A"})
        EXPECT_FALSE(tran.lastIsContaint(QString::fromUtf8(name))) << name;

    const QString word = QStringLiteral(ZV_ABOUT_WORD);
    EXPECT_TRUE(tran.strToLowerCompare(word.toUpper()));
    EXPECT_FALSE(tran.strToLowerCompare(word + QLatin1Char('s')));
    EXPECT_FALSE(tran.strToLowerCompare(QString()));

    EXPECT_TRUE(tran.stringCheck(QStringLiteral("Ctrl+Shift"), QStringLiteral("Shift")));
    EXPECT_FALSE(tran.stringCheck(QStringLiteral("Ctrl+Shift"), QStringLiteral("shift")));
}

TEST_F(UiSettings, QtTranslationsLoadByLanguagePart) {
    // The smallest valid translation file: the magic number and no messages.
    const QByteArray magic = QByteArray::fromHex("3cb86418caef9c95cd211cbf60a1bddd");
    write(QStringLiteral("DriverUI_de.qm"), magic);
    write(QStringLiteral("DriverUI_zh_TCN.qm"), magic);
    write(QStringLiteral("DriverUI_sv.qm"), magic); // not a language with Qt translations
    auto s = settings();
    LangManager lang(nullptr, s.get(), m_tmp.path() + QStringLiteral("/DriverUI_"));
    QSignalSpy spy(&lang, &LangManager::message);

    struct Case {
        const char* code;
        bool loaded;
        const char* current; // and stored
    };
    const Case cases[] = {
        {"fr_FR", false, ""},      {"de_DE", true, "de"},      {"sv", false, "de"},
        {"zh_HK", true, "zh_TCN"}, {"zh_CN", false, "zh_TCN"}, {"de", true, "de"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        spy.clear();
        lang.loadLanguage(QString::fromUtf8(c.code));
        ASSERT_EQ(spy.count(), 1);
        EXPECT_EQ(spy.at(0).at(0).toBool(), c.loaded);
        EXPECT_EQ(lang.getCurrentLanguage().toStdString(), c.current);
        EXPECT_EQ(settings()->getLang().toStdString(), c.current);
    }
    // An empty code is the one stored last.
    ASSERT_TRUE(s->saveLang(QStringLiteral("zh_TW")));
    spy.clear();
    lang.loadLanguage(QString());
    ASSERT_EQ(spy.count(), 1);
    EXPECT_TRUE(spy.at(0).at(0).toBool());
    EXPECT_EQ(lang.getCurrentLanguage(), QStringLiteral("zh_TCN"));
    EXPECT_EQ(lang.codeOfName(lang.nameOfCode(QStringLiteral("de_CH"))), QStringLiteral("de"));
}

TEST_F(UiSettings, LinksFollowTheLanguageGroup) {
    auto s = settings();
    LinkManager links(s.get());
    const QString cn = QStringLiteral(ZV_LINK_SITE_CN);
    const QString intl = QStringLiteral(ZV_LINK_SITE_INTL);
    ASSERT_NE(cn, intl);

    struct Case {
        const char* language; // of the texts
        const char* lang;     // of the Qt translation
        bool textsChinese;
        bool translationChinese;
    };
    const Case cases[] = {
        {"zh_HK", "de", true, false},
        {"de_DE", "zh_CN", false, true},
        {"zh", "zh_TCN", true, true},
        {"pt_BR", "en", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        ASSERT_TRUE(s->saveLanguage(QString::fromUtf8(c.language)));
        ASSERT_TRUE(s->saveLang(QString::fromUtf8(c.lang)));
        const QString texts = c.textsChinese ? cn : intl;
        const QString translation = c.translationChinese ? cn : intl;
        for (const QString& url : {links.getUpdateLogUrl(), links.getUpdateUrl(), links.getFAQUrl(),
                                   links.getQuestionUrl(), links.getMallUrl(),
                                   links.getAdvertising(1), links.getFeedBackUrl("M", "F")})
            EXPECT_TRUE(url.startsWith(texts + QLatin1Char('/'))) << url.toStdString();
        for (const QString& url : {links.getLicenseUrl(), links.getHelpUrl()})
            EXPECT_TRUE(url.startsWith(translation + QLatin1Char('/'))) << url.toStdString();
    }

    QSet<QString> ads;
    for (int n = 1; n <= 5; ++n)
        ads.insert(links.getAdvertising(n));
    EXPECT_EQ(ads.size(), 5);
    EXPECT_TRUE(links.getAdvertising(0).isEmpty());
    EXPECT_TRUE(links.getAdvertising(6).isEmpty());

    const QUrl feedback(links.getFeedBackUrl(QStringLiteral("Z&1=2"), QStringLiteral("Z 1 Pro")));
    ASSERT_TRUE(feedback.isValid());
    const QUrlQuery query(feedback);
    EXPECT_EQ(query.queryItemValue(QStringLiteral("model"), QUrl::FullyDecoded),
              QStringLiteral("Z&1=2"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("fullModel"), QUrl::FullyDecoded),
              QStringLiteral("Z 1 Pro"));
}

} // namespace
