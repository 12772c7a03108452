#include "ZvLanguageServices.h"

#include "KeyTrans.h"
#include "LangManager.h"
#include "LanguageTran.h"
#include "LocalSettingManager.h"

#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QtQml>

void zv_install_language_services(QQmlApplicationEngine& engine) {
    qmlRegisterUncreatableType<LangManager>("an.translate", 1, 0, "Language",
                                            QStringLiteral("不能创建TranslateController对象"));
    auto* langManager = new LangManager(&engine, &LocalSettingManager::instance(),
                                        QStringLiteral(":/DriverUI_"), &engine);
    engine.rootContext()->setContextProperty(QStringLiteral("langManager"), langManager);
    engine.rootContext()->setContextProperty(QStringLiteral("jsonTrans"), LanguageTran::instance());
    KeyTrans::SetLabelTranslator(&LanguageTran::translate);
}
