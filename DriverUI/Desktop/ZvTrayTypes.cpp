#include "ZvTrayTypes.h"

#include "MyAction.h"
#include "MyMenu.h"
#include "SystemTrayIcon.h"

#include <QtQml>

void zv_register_tray_types() {
    const char* uri = "Zerva.utility";
    qmlRegisterType<SystemTrayIcon>(uri, 1, 0, "SystemTrayIcon");
    qmlRegisterType<MyMenu>(uri, 1, 0, "MyMenu");
    qmlRegisterType<MyAction>(uri, 1, 0, "MyAction");
    qmlRegisterType<MyShowUI>(uri, 1, 0, "MyShowUI");
    qmlRegisterType<MySeparator>(uri, 1, 0, "MySeparator");
}

QString zv_tray_icon_path(const QUrl& url) {
    const QString local = url.toLocalFile();
    if (!local.isEmpty())
        return local;
    // QIcon knows resources as ":/path"; QML writes them as "qrc:/path" or "qrc:///path".
    if (url.scheme() == QLatin1String("qrc"))
        return QLatin1Char(':') + url.path();
    return url.toString();
}
