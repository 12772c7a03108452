// The web addresses the pages offer (update notes, feedback, licence, help, shop, the pictures
// of the no-device page). The addresses are build configuration, one set for the Chinese
// languages and one for the others. Nothing is fetched: a page opens an address in the desktop's
// browser only when the user asks.
#pragma once

#include <QString>

class LocalSettingManager;

class LinkManager {
public:
    // settings is not owned and must outlive the manager.
    explicit LinkManager(const LocalSettingManager* settings);

    // Chosen by the language of the texts.
    QString getUpdateLogUrl() const;
    QString getUpdateUrl() const;
    // With the tablet's model and full model as query parameters.
    QString getFeedBackUrl(const QString& model, const QString& fullModel) const;
    QString getFAQUrl() const;
    QString getQuestionUrl() const;
    QString getMallUrl() const;
    // n = 1 ... 5; empty for any other n.
    QString getAdvertising(int n) const;

    // Chosen by the language of the Qt translation last loaded.
    QString getLicenseUrl() const;
    QString getHelpUrl() const;

private:
    QString site(bool chinese) const;
    bool textsChinese() const;
    bool translationChinese() const;

    const LocalSettingManager* m_settings;
};
