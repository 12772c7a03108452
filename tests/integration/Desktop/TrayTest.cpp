// The tray types as QML declares them, on the same X server as the hot key (no tray manager
// runs there, so the icon itself is never shown).
#include "MyAction.h"
#include "MyMenu.h"
#include "SystemTrayIcon.h"
#include "ZvTrayTypes.h"
#include "ZvXvfb.h"

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

TEST(TrayTypes, IconUrlBecomesAFileQIconCanLoad) {
    struct Case {
        const char* url;
        const char* path;
    } cases[] = {
        {"qrc:/Images/Icon.png", ":/Images/Icon.png"},
        {"qrc:///Images/Icon_d.png", ":/Images/Icon_d.png"},
        {"file:///opt/zerva/res/Icon.png", "/opt/zerva/res/Icon.png"},
        {"res/Icon.png", "res/Icon.png"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(zv_tray_icon_path(QUrl(QString::fromLatin1(c.url))).toStdString(), c.path)
            << c.url;
}

TEST(TrayTypes, QmlMenuKeepsTheDeclaredOrder) {
    if (QCoreApplication::instance() == nullptr)
        GTEST_SKIP() << "no X server";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString png = dir.filePath(QStringLiteral("exit.png"));
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(png));

    QQmlEngine engine;
    QQmlComponent component(&engine);
    component.setData(QStringLiteral("import Zerva.utility 1.0\n"
                                     "MyMenu {\n"
                                     "    MyShowUI { text: 'show' }\n"
                                     "    MySeparator {}\n"
                                     "    MyAction { text: 'exit'; icon: '%1' }\n"
                                     "    MyMenu { objectName: 'MyMenu' }\n"
                                     "}\n")
                          .arg(QUrl::fromLocalFile(png).toString())
                          .toUtf8(),
                      QUrl());
    std::unique_ptr<QObject> root(component.create());
    ASSERT_NE(root, nullptr) << component.errorString().toStdString();
    auto* menu = qobject_cast<MyMenu*>(root.get());
    ASSERT_NE(menu, nullptr);

    const QList<QAction*> actions = menu->menu()->actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_NE(qobject_cast<MyShowUI*>(actions[0]), nullptr);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("show"));
    EXPECT_TRUE(actions[1]->isSeparator());
    auto* exit = qobject_cast<MyAction*>(actions[2]);
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(exit->text(), QStringLiteral("exit"));
    EXPECT_FALSE(exit->QAction::icon().isNull()) << "the icon URL was not loaded";
    auto* sub = menu->findChild<MyMenu*>();
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(actions[3]->menu(), sub->menu());
}

TEST(TrayTypes, TrayIconFollowsTheItemAndReportsClicks) {
    if (QCoreApplication::instance() == nullptr)
        GTEST_SKIP() << "no X server";
    SystemTrayIcon tray;
    EXPECT_FALSE(tray.available()) << "this X server runs no tray";
    EXPECT_FALSE(tray.trayIcon()->isVisible()) << "the icon starts hidden";
    tray.setIcon(QUrl(QStringLiteral("qrc:/no/such.png")));
    tray.setVisible(true);
    EXPECT_TRUE(tray.trayIcon()->isVisible());
    tray.setVisible(false);
    EXPECT_FALSE(tray.trayIcon()->isVisible());

    QSignalSpy trigger(&tray, &SystemTrayIcon::trigger);
    const QSystemTrayIcon::ActivationReason reasons[] = {
        QSystemTrayIcon::Context, QSystemTrayIcon::DoubleClick, QSystemTrayIcon::Trigger,
        QSystemTrayIcon::MiddleClick};
    for (QSystemTrayIcon::ActivationReason r : reasons)
        emit tray.trayIcon()->activated(r);
    ASSERT_EQ(trigger.count(), 1);
    EXPECT_EQ(trigger[0][0].toInt(), 3);

    MyMenu menu;
    QSignalSpy menuChanged(&tray, &SystemTrayIcon::menuChanged);
    tray.setMenu(&menu);
    tray.setMenu(&menu);
    EXPECT_EQ(menuChanged.count(), 1);
    EXPECT_EQ(tray.trayIcon()->contextMenu(), menu.menu());

    // Exit ends the event loop with the icon hidden; the guard ends a loop Exit did not.
    tray.setVisible(true);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    guard.start(5000);
    QTimer::singleShot(0, &tray, &SystemTrayIcon::onExit);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_FALSE(tray.trayIcon()->isVisible());
}
