// The global show-window hot key: a key grab on the X root window, so the chord reaches us
// whichever program has the focus. Only Qt's xcb platform has such a thing; elsewhere no key
// can be registered. Lives on the GUI thread.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

class ZvX11KeyGrab;

class MyGlobalShortCut : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit MyGlobalShortCut(QObject* parent = nullptr);
    // Releases the key.
    ~MyGlobalShortCut() override;

    // Makes text ("Ctrl+Shift+H", no blanks) the hot key. The new key is grabbed first and the
    // old one released only once that worked, so a failure (logged: unknown key, a key another
    // program holds, no X11) leaves the old key working and returns false.
    bool registerHotKey(const QString& text);
    // The text of the key now registered, empty when none.
    QString hotKey() const { return m_text; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, long* result) override;

signals:
    void activated();

private slots:
    void activateShortcut();

private:
    std::unique_ptr<ZvX11KeyGrab> m_shortcut;
    QString m_text;
    bool m_held = false;      // the chord is down: its repeats do not fire again
    uint16_t m_heldState = 0; // the modifiers it went down with
};
