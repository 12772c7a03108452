#include "MyMenu.h"

#include <QAction>
#include <QMenu>

MyMenu::MyMenu(QQuickItem* parent) : QQuickItem(parent), m_menu(std::make_unique<QMenu>()) {
    setObjectName(QStringLiteral("MyMenu"));
}

MyMenu::~MyMenu() = default;

int MyMenu::menuWidth() const {
    return m_menu->width();
}

void MyMenu::setMenuWidth(int width) {
    if (width == m_menu->width())
        return;
    m_menu->setFixedWidth(width);
    emit menuSizeChanged();
}

int MyMenu::menuHeight() const {
    return m_menu->height();
}

void MyMenu::setMenuHeight(int height) {
    if (height == m_menu->height())
        return;
    m_menu->setFixedHeight(height);
    emit menuSizeChanged();
}

void MyMenu::addAction(QAction* action) {
    if (action != nullptr)
        m_menu->addAction(action);
}

void MyMenu::addSeparator() {
    m_menu->addSeparator();
}

void MyMenu::addMenu(MyMenu* menu) {
    if (menu != nullptr)
        m_menu->addMenu(menu->menu());
}

void MyMenu::clear() {
    m_menu->clear();
}

void MyMenu::componentComplete() {
    QQuickItem::componentComplete();
    // QML parents the declared entries to this item in declaration order, nested menus
    // included, so the children list is the menu's order.
    for (QObject* child : children()) {
        const QString name = child->objectName();
        if (name == QLatin1String("MyShowUI") || name == QLatin1String("MyAction"))
            addAction(qobject_cast<QAction*>(child));
        else if (name == QLatin1String("MySeparator"))
            addSeparator();
        else if (name == QLatin1String("MyMenu"))
            addMenu(qobject_cast<MyMenu*>(child));
    }
}
