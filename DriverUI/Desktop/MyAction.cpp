#include "MyAction.h"

#include "ZvTrayTypes.h"

#include <QIcon>

MyAction::MyAction(QObject* parent) : QAction(parent) {
    setObjectName(QStringLiteral("MyAction"));
}

void MyAction::setIcon(const QUrl& icon) {
    if (icon == m_icon)
        return;
    m_icon = icon;
    QAction::setIcon(QIcon(zv_tray_icon_path(icon)));
    emit iconChanged(icon);
}

MyShowUI::MyShowUI(QObject* parent) : QAction(parent) {
    setObjectName(QStringLiteral("MyShowUI"));
}

MySeparator::MySeparator(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("MySeparator"));
}
