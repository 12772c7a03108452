#include "MyGlobalShortCut.h"

#include "ZvHotKeyText.h"
#include "ZvX11KeyGrab.h"

#include <QCoreApplication>
#include <QX11Info>
#include <QtDebug>

#include <xcb/xcb.h>

MyGlobalShortCut::MyGlobalShortCut(QObject* parent) : QObject(parent) {
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->installNativeEventFilter(this);
}

MyGlobalShortCut::~MyGlobalShortCut() {
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
    } else if (m_shortcut) {
        // The application and its display connection went first.
        m_shortcut->forget();
    }
}

bool MyGlobalShortCut::registerHotKey(const QString& text) {
    ZvHotKey key;
    const char* why = nullptr;
    std::unique_ptr<ZvX11KeyGrab> grab;
    if (!QX11Info::isPlatformX11()) {
        why = "global keys need X11";
    } else if (!zv_parse_hot_key(text, &key)) {
        why = "not a key";
    } else {
        grab = std::make_unique<ZvX11KeyGrab>(QX11Info::display(), QX11Info::appRootWindow(), key);
        if (m_shortcut && m_shortcut->sameChord(*grab)) {
            // Grabbing it again and releasing the old grab would release the key itself.
            m_text = text;
            return true;
        }
        if (!grab->grab(&why))
            grab.reset();
    }
    if (!grab) {
        qWarning() << "hot key was registed fail:" << text << why;
        return false;
    }
    m_shortcut = std::move(grab);
    m_held = false;
    m_text = text;
    return true;
}

bool MyGlobalShortCut::nativeEventFilter(const QByteArray& eventType, void* message, long*) {
    if (!m_shortcut || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_KEY_RELEASE) {
        const auto* release = static_cast<const xcb_key_release_event_t*>(message);
        if (m_held && m_shortcut->matches(release->detail, m_heldState))
            m_held = false;
        return false;
    }
    if (type != XCB_KEY_PRESS)
        return false;
    const auto* press = static_cast<const xcb_key_press_event_t*>(message);
    if (!m_shortcut->matches(press->detail, press->state))
        return false;
    // A held key repeats as presses without releases (Qt asks for detectable auto-repeat);
    // the window must not flicker between shown and hidden while the user holds the chord.
    if (!m_held) {
        m_held = true;
        m_heldState = press->state;
        activateShortcut();
    }
    // The press came to the root window only because of our grab: no window of ours wants it.
    return true;
}

void MyGlobalShortCut::activateShortcut() {
    emit activated();
}
