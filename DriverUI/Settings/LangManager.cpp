#include "LangManager.h"

#include "LocalSettingManager.h"
#include "ZvLangCodes.h"

#include <QCoreApplication>
#include <QDebug>
#include <QQmlEngine>
#include <QTranslator>

namespace {

// The languages a Qt translation file may exist for.
const QStringList kFileCodes = {
    QStringLiteral("zh_CN"), QStringLiteral("zh_TCN"), QStringLiteral("ja"), QStringLiteral("ko"),
    QStringLiteral("en"),    QStringLiteral("fr"),     QStringLiteral("de"), QStringLiteral("ru"),
    QStringLiteral("pl"),    QStringLiteral("it"),     QStringLiteral("pt"), QStringLiteral("es"),
    QStringLiteral("ar"),    QStringLiteral("id"),
};

} // namespace

LangManager::LangManager(QQmlEngine* engine, LocalSettingManager* settings,
                         const QString& filePrefix, QObject* parent)
    : QObject(parent), m_engine(engine), m_translator(new QTranslator(this)), m_settings(settings),
      m_prefix(filePrefix) {
    if (QCoreApplication::instance())
        QCoreApplication::installTranslator(m_translator);
}

LangManager::~LangManager() {
    if (QCoreApplication::instance())
        QCoreApplication::removeTranslator(m_translator);
}

bool LangManager::load(const QString& code) {
    if (!kFileCodes.contains(code))
        return false;
    const QString file = m_prefix + code + QStringLiteral(".qm");
    if (!m_translator->load(file)) {
        qDebug() << "no translation file" << file;
        return false;
    }
    if (m_engine)
        m_engine->retranslate();
    if (!m_settings->saveLang(code))
        qWarning() << "the language" << code << "is used but not saved";
    m_strLang = code;
    return true;
}

void LangManager::loadLanguage(const QString& code) {
    QString c = code;
    if (c.isEmpty())
        c = m_settings->getLang();
    if (c.isEmpty())
        c = zvui::systemLangCode();
    emit message(load(zvui::langFileCode(c)));
}

QString LangManager::getCurrentLanguage() const {
    return m_strLang;
}

QString LangManager::codeOfName(const QString& name) const {
    return zvui::langCodeOfName(name);
}

QString LangManager::nameOfCode(const QString& code) const {
    return zvui::langNameOfCode(code);
}
