// The tray icon as a QML item. The item itself draws nothing: its visible property shows and
// hides the tray icon, which starts hidden. Where the desktop has no tray, available is false
// and the window's close button must quit instead of hiding to a tray that is not there.
#pragma once

#include <QQuickItem>
#include <QString>
#include <QSystemTrayIcon>
#include <QUrl>

#include <memory>

class MyMenu;

class SystemTrayIcon : public QQuickItem {
    Q_OBJECT
    Q_PROPERTY(QUrl icon READ icon WRITE setIcon NOTIFY iconChanged)
    Q_PROPERTY(QString toolTip READ toolTip WRITE setToolTip NOTIFY toolTipChanged)
    Q_PROPERTY(MyMenu* menu READ menu WRITE setMenu NOTIFY menuChanged)
    // Asked afresh on each read (a tray may start after us); QML reads it when the window closes.
    Q_PROPERTY(bool available READ available CONSTANT)
public:
    explicit SystemTrayIcon(QQuickItem* parent = nullptr);
    ~SystemTrayIcon() override;

    QUrl icon() const { return m_icon; }
    void setIcon(const QUrl& icon);
    QString toolTip() const;
    void setToolTip(const QString& toolTip);
    MyMenu* menu() const { return m_menu; }
    void setMenu(MyMenu* menu);
    bool available() const;

    QSystemTrayIcon* trayIcon() const { return m_systemTray.get(); }

    // The menu's exit entry: hides the icon and ends the event loop. The core daemon keeps
    // running; it serves the pen without the settings application.
    Q_INVOKABLE void onExit();

signals:
    void iconChanged();
    void toolTipChanged();
    void menuChanged();
    // A click on the icon, as QSystemTrayIcon::Trigger (3).
    void trigger(int inTriggerTyep);

private slots:
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    void onMessageClicked();
    void onVisibleChanged();

private:
    std::unique_ptr<QSystemTrayIcon> m_systemTray;
    MyMenu* m_menu = nullptr;
    QString m_toolTip;
    QUrl m_icon;
};
