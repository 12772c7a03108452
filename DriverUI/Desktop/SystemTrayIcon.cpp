#include "SystemTrayIcon.h"

#include "MyMenu.h"
#include "ZvTrayTypes.h"

#include <QCoreApplication>
#include <QIcon>
#include <QMenu>
#include <QtDebug>

SystemTrayIcon::SystemTrayIcon(QQuickItem* parent)
    : QQuickItem(parent), m_systemTray(std::make_unique<QSystemTrayIcon>()) {
    connect(m_systemTray.get(), &QSystemTrayIcon::activated, this, &SystemTrayIcon::onActivated);
    connect(m_systemTray.get(), &QSystemTrayIcon::messageClicked, this,
            &SystemTrayIcon::onMessageClicked);
    connect(this, &QQuickItem::visibleChanged, this, &SystemTrayIcon::onVisibleChanged);
    setVisible(false);
}

SystemTrayIcon::~SystemTrayIcon() = default;

void SystemTrayIcon::setIcon(const QUrl& icon) {
    if (icon == m_icon)
        return;
    m_icon = icon;
    m_systemTray->setIcon(QIcon(zv_tray_icon_path(icon)));
    emit iconChanged();
}

QString SystemTrayIcon::toolTip() const {
    qDebug() << "toolTip " << m_systemTray->toolTip();
    return m_systemTray->toolTip();
}

void SystemTrayIcon::setToolTip(const QString& toolTip) {
    if (toolTip == m_toolTip)
        return;
    qDebug() << "setToolTip " << toolTip;
    m_toolTip = toolTip;
    m_systemTray->setToolTip(toolTip);
    emit toolTipChanged();
}

void SystemTrayIcon::setMenu(MyMenu* menu) {
    qDebug() << "Menu";
    if (menu == m_menu)
        return;
    m_menu = menu;
    m_systemTray->setContextMenu(menu != nullptr ? menu->menu() : nullptr);
    m_systemTray->installEventFilter(this);
    emit menuChanged();
}

bool SystemTrayIcon::available() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void SystemTrayIcon::onExit() {
    m_systemTray->hide();
    QCoreApplication::quit();
}

void SystemTrayIcon::onActivated(QSystemTrayIcon::ActivationReason reason) {
    qDebug() << "reson:" << reason;
    if (reason == QSystemTrayIcon::Trigger)
        emit trigger(QSystemTrayIcon::Trigger);
}

void SystemTrayIcon::onMessageClicked() {
    qDebug() << "tray message clicked";
}

void SystemTrayIcon::onVisibleChanged() {
    m_systemTray->setVisible(isVisible());
}
