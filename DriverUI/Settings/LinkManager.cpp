#include "LinkManager.h"

#include "LocalSettingManager.h"
#include "ZvLangCodes.h"

#include <QUrl>

#ifndef ZV_LINK_SITE_CN
#error "ZV_LINK_SITE_CN and ZV_LINK_SITE_INTL (the web sites' base addresses) come from the build"
#endif

LinkManager::LinkManager(const LocalSettingManager* settings) : m_settings(settings) {}

QString LinkManager::site(bool chinese) const {
    return chinese ? QStringLiteral(ZV_LINK_SITE_CN) : QStringLiteral(ZV_LINK_SITE_INTL);
}

bool LinkManager::textsChinese() const {
    return zvui::isChineseCode(zvui::storedLangCode(*m_settings));
}

bool LinkManager::translationChinese() const {
    const QString lang = m_settings->getLang();
    return zvui::isChineseCode(lang.isEmpty() ? zvui::systemLangCode() : lang);
}

QString LinkManager::getUpdateLogUrl() const {
    return site(textsChinese()) + QStringLiteral("/driver/changelog");
}

QString LinkManager::getUpdateUrl() const {
    return site(textsChinese()) + QStringLiteral("/driver/download");
}

QString LinkManager::getFeedBackUrl(const QString& model, const QString& fullModel) const {
    // Encoded by hand: QUrlQuery leaves a "&" or "=" inside a value as it is, and a model name
    // comes from the tablet.
    return site(textsChinese()) + QStringLiteral("/support/feedback?model=") +
           QString::fromLatin1(QUrl::toPercentEncoding(model)) + QStringLiteral("&fullModel=") +
           QString::fromLatin1(QUrl::toPercentEncoding(fullModel));
}

QString LinkManager::getFAQUrl() const {
    return site(textsChinese()) + QStringLiteral("/support/faq");
}

QString LinkManager::getQuestionUrl() const {
    return site(textsChinese()) + QStringLiteral("/support/contact");
}

QString LinkManager::getMallUrl() const {
    return site(textsChinese()) + QStringLiteral("/shop");
}

QString LinkManager::getAdvertising(int n) const {
    if (n < 1 || n > 5)
        return QString();
    return site(textsChinese()) + QStringLiteral("/news/%1").arg(n);
}

QString LinkManager::getLicenseUrl() const {
    return site(translationChinese()) + QStringLiteral("/legal/license");
}

QString LinkManager::getHelpUrl() const {
    return site(translationChinese()) + QStringLiteral("/support/manual");
}
