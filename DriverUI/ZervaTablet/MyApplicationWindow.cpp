#include "MyApplicationWindow.h"

#include <QDebug>
#include <QMouseEvent>
#include <QScreen>
#include <QTabletEvent>

int MyApplicationWindow::_pressure = 0;

MyApplicationWindow::MyApplicationWindow(QWindow* parent) : QQuickWindow(parent) {
    setColor(QColor(0, 0, 0, 0));
    const auto follow = [this](QScreen* s) {
        disconnect(m_screenWatch);
        if (s != nullptr)
            m_screenWatch = connect(s, &QScreen::availableGeometryChanged, this,
                                    &MyApplicationWindow::availableGeometryChanged);
        emit availableGeometryChanged();
    };
    connect(this, &QWindow::screenChanged, this, follow);
    follow(screen());
    // Once: how long the start took is measured up to this line (make bench).
    m_firstFrame = connect(
        this, &QQuickWindow::frameSwapped, this,
        [this] {
            disconnect(m_firstFrame);
            qInfo("first frame");
        },
        Qt::DirectConnection);
}

QRect MyApplicationWindow::availableGeometry() const {
    const QScreen* s = screen();
    return s != nullptr ? s->availableGeometry() : QRect();
}

void MyApplicationWindow::_onMousePressed(QPoint p) {
    m_leftMousePressed = true;
    m_startPoint = p;
    m_bMove = false;
}

void MyApplicationWindow::_onMouseReleased() {
    m_leftMousePressed = false;
    m_bMove = false;
    qDebug("mouseReleaseEvent");
    _pressure = 0;
}

void MyApplicationWindow::mouseMoveEvent(QMouseEvent* event) {
    if (m_leftMousePressed && !m_bMove) {
        qDebug("mouseMoveEvent");
        // The window manager moves the window from here on and keeps the pointer; the release
        // of this press may never reach us, so the drag ends on our side now.
        if (startSystemMove()) {
            m_bMove = true;
            m_leftMousePressed = false;
        } else {
            // No window manager that moves windows: follow the pointer ourselves.
            setPosition(event->globalPos() - m_startPoint);
        }
    }
    QQuickWindow::mouseMoveEvent(event);
}

void MyApplicationWindow::tabletEvent(QTabletEvent* event) {
    _pressure = static_cast<int>(event->pressure() * 8191);
    QQuickWindow::tabletEvent(event);
}
