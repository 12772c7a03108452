// The tray's context menu as a QML item: the entries declared inside it (MyShowUI, MyAction,
// MySeparator, nested MyMenu) become a widget menu in declaration order once QML has built it.
#pragma once

#include <QQuickItem>

#include <memory>

class QAction;
class QMenu;

class MyMenu : public QQuickItem {
    Q_OBJECT
    // The menu widget's size, not the (invisible) item's.
    Q_PROPERTY(int width READ menuWidth WRITE setMenuWidth NOTIFY menuSizeChanged)
    Q_PROPERTY(int height READ menuHeight WRITE setMenuHeight NOTIFY menuSizeChanged)
public:
    explicit MyMenu(QQuickItem* parent = nullptr);
    ~MyMenu() override;

    QMenu* menu() const { return m_menu.get(); }

    int menuWidth() const;
    void setMenuWidth(int width);
    int menuHeight() const;
    void setMenuHeight(int height);

    Q_INVOKABLE void addAction(QAction* action);
    Q_INVOKABLE void addSeparator();
    Q_INVOKABLE void addMenu(MyMenu* menu);
    Q_INVOKABLE void clear();

signals:
    void menuSizeChanged();

protected:
    void componentComplete() override;

private:
    std::unique_ptr<QMenu> m_menu;
};
