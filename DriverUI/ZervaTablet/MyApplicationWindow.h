// The frameless main window. It is transparent, so that the QML content draws the rounded body;
// the title bar's mouse area drags it through the window manager; and it remembers the last pen
// pressure any window saw, for the pressure test of the pen page.
#pragma once

#include <QPoint>
#include <QQuickWindow>
#include <QRect>

class MyApplicationWindow : public QQuickWindow {
    Q_OBJECT
    // The part of the window's screen that windows may use (without panels), followed as the
    // window moves to another screen or the screen changes.
    Q_PROPERTY(QRect availableGeometry READ availableGeometry NOTIFY availableGeometryChanged)
public:
    explicit MyApplicationWindow(QWindow* parent = nullptr);

    // The last tablet pressure, 0..8191 (0 after a release of the title bar).
    Q_INVOKABLE int getPressure() const { return _pressure; }
    // The same, for the bridge, which has no window at hand.
    static int lastPressure() { return _pressure; }
    // A start hidden in the tray still makes its native window at once, so that showing it
    // later (a second start, the tray) is only a map.
    Q_INVOKABLE void createHidden() { create(); }
    QRect availableGeometry() const;

signals:
    void availableGeometryChanged();

public slots:
    // From the title bar's mouse area: p in window coordinates.
    void _onMousePressed(QPoint p);
    void _onMouseReleased();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void tabletEvent(QTabletEvent* event) override;

private:
    bool m_leftMousePressed = false;
    QPoint m_startPoint;
    // The window manager has taken this drag over.
    bool m_bMove = false;
    static int _pressure;
    QMetaObject::Connection m_screenWatch;
    QMetaObject::Connection m_firstFrame;
};
