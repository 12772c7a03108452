#include "ZvQmlTypes.h"

#include "MyApplicationWindow.h"
#include "UIManager.h"
#include "ZvEnum.h"
#include "ZvTrayTypes.h"

#include <QQuickWindow>
#include <QtQml>

void zv_register_app_types() {
    // The window with the members Qt Quick added to windows later (its closing signal and size
    // limits), which the main page uses.
    qmlRegisterRevision<QWindow, 1>("MyApplicationWindow", 1, 0);
    qmlRegisterRevision<QQuickWindow, 1>("MyApplicationWindow", 1, 0);
    qmlRegisterType<MyApplicationWindow>("MyApplicationWindow", 1, 0, "MyApplicationWindow");
    qmlRegisterType<UIManager>("Zerva.UIManager", 1, 0, "UIManager");
    qmlRegisterType<ZV_ENUM>("Zerva.Enum", 1, 0, "ZvEnum");
    zv_register_tray_types();
}
