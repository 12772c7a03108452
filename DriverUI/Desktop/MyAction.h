// The entries of the tray menu as QML declares them inside a MyMenu. MyMenu tells them apart
// by their object names, which the constructors set.
#pragma once

#include <QAction>
#include <QObject>
#include <QUrl>

// An entry with an optional icon given as a URL ("qrc:/Images/x.png" or a file).
class MyAction : public QAction {
    Q_OBJECT
    // Shadows QAction's QIcon property: QML hands over URLs.
    Q_PROPERTY(QUrl icon READ iconUrl WRITE setIcon NOTIFY iconChanged)
public:
    explicit MyAction(QObject* parent = nullptr);

    QUrl iconUrl() const { return m_icon; }
    using QAction::setIcon;
    void setIcon(const QUrl& icon);

signals:
    void iconChanged(const QUrl& icon);

private:
    QUrl m_icon;
};

// The entry that shows the main window.
class MyShowUI : public QAction {
    Q_OBJECT
public:
    explicit MyShowUI(QObject* parent = nullptr);
};

// A separator line between entries.
class MySeparator : public QObject {
    Q_OBJECT
public:
    explicit MySeparator(QObject* parent = nullptr);
};
