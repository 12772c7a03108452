// The global hot key against a real X server: key presses are faked through XTest on a second
// connection, which also plays the other program that may hold a key first.
#include "MyGlobalShortCut.h"
#include "ZvDBusDaemon.h"
#include "ZvHotKeyText.h"
#include "ZvTrayTypes.h"
#include "ZvXvfb.h"

#include <QApplication>
#include <QSignalSpy>
#include <QX11Info>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <memory>
#include <vector>

// Last: Xlib's macros (None, Bool, True) would break the headers above.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

ZvXvfb* g_xvfb = nullptr;
ZvDBusDaemon* g_bus = nullptr;

bool g_refused = false;
int recordRefusal(Display*, XErrorEvent* e) {
    if (e->request_code == X_GrabKey && e->error_code == BadAccess)
        g_refused = true;
    return 0;
}

// A chord as the test presses it: the keysyms in press order, the key last.
using Chord = std::vector<KeySym>;
const Chord kCtrlShiftH = {XK_Control_L, XK_Shift_L, XK_H};
const Chord kCtrlAltJ = {XK_Control_L, XK_Alt_L, XK_J};
const Chord kAltF7 = {XK_Alt_L, XK_F7};
// Not Ctrl+Alt+F<n>: the server keeps those for itself (console switches).
const Chord kMarker = {XK_Control_L, XK_Shift_L, XK_F11};

} // namespace

class HotKey : public ::testing::Test {
protected:
    void SetUp() override {
        ZV_XVFB_OR_SKIP(*g_xvfb);
        ZV_DBUS_OR_SKIP(*g_bus);
        _other.reset(XOpenDisplay(nullptr));
        ASSERT_NE(_other, nullptr);
        // Events of our own shortcut's chords come in server order on one connection: once the
        // marker has fired, every press before it has been filtered.
        _marker = std::make_unique<MyGlobalShortCut>();
        ASSERT_TRUE(_marker->registerHotKey(QStringLiteral("Ctrl+Shift+F11")));
        _markerSpy = std::make_unique<QSignalSpy>(_marker.get(), &MyGlobalShortCut::activated);
    }

    void press(const Chord& chord) {
        Display* d = _other.get();
        for (KeySym s : chord)
            XTestFakeKeyEvent(d, XKeysymToKeycode(d, s), True, CurrentTime);
        for (auto it = chord.rbegin(); it != chord.rend(); ++it)
            XTestFakeKeyEvent(d, XKeysymToKeycode(d, *it), False, CurrentTime);
        XSync(d, False);
    }

    // Presses the marker and waits until this client has seen it, and so every press before.
    void drain() {
        const int before = _markerSpy->count();
        press(kMarker);
        ASSERT_TRUE(_markerSpy->count() > before || _markerSpy->wait(5000));
    }

    // Whether another client may grab keysym with exactly mods: false while someone holds it.
    bool otherCanGrab(KeySym sym, unsigned int mods) {
        Display* d = _other.get();
        const int code = XKeysymToKeycode(d, sym);
        XSync(d, False);
        g_refused = false;
        XErrorHandler previous = XSetErrorHandler(recordRefusal);
        XGrabKey(d, code, mods, DefaultRootWindow(d), True, GrabModeAsync, GrabModeAsync);
        XSync(d, False);
        XSetErrorHandler(previous);
        const bool ok = !g_refused;
        XUngrabKey(d, code, mods, DefaultRootWindow(d));
        XSync(d, False);
        return ok;
    }

    struct CloseDisplay {
        void operator()(Display* d) const { XCloseDisplay(d); }
    };
    std::unique_ptr<Display, CloseDisplay> _other;
    std::unique_ptr<MyGlobalShortCut> _marker;
    std::unique_ptr<QSignalSpy> _markerSpy;
};

TEST(HotKeyText, ParsesOneChordIntoKeysymAndModifiers) {
    struct Case {
        const char* text;
        bool ok;
        unsigned long keysym;
        unsigned int mods;
    } cases[] = {
        {"Ctrl+Shift+H", true, XK_H, ControlMask | ShiftMask},
        {"Alt+F5", true, XK_F5, Mod1Mask},
        {"Win+A", true, XK_A, Mod4Mask},
        {"Ctrl+win+Space", true, XK_space, ControlMask | Mod4Mask},
        {"Meta+Ctrl+1", true, XK_1, Mod4Mask | ControlMask},
        {"Ctrl+Alt+PgDown", true, XK_Page_Down, ControlMask | Mod1Mask},
        {"Shift+Esc", true, XK_Escape, ShiftMask},
        {"", false, 0, 0},
        {"Ctrl+Shift", false, 0, 0},    // modifiers only
        {"Ctrl+H,Ctrl+J", false, 0, 0}, // two chords
        {"Ctrl+NoSuchKey", false, 0, 0},
        {"Ctrl+Win", false, 0, 0},
    };
    for (const Case& c : cases) {
        ZvHotKey key{0xdead, 0xbeef};
        EXPECT_EQ(zv_parse_hot_key(QString::fromLatin1(c.text), &key), c.ok) << c.text;
        const ZvHotKey want = c.ok ? ZvHotKey{c.keysym, c.mods} : ZvHotKey{0xdead, 0xbeef};
        EXPECT_EQ(key.keysym, want.keysym) << c.text;
        EXPECT_EQ(key.mods, want.mods) << c.text;
    }
}

TEST_F(HotKey, FiresWithEveryLockState) {
    MyGlobalShortCut shortcut;
    QSignalSpy fired(&shortcut, &MyGlobalShortCut::activated);
    ASSERT_TRUE(shortcut.registerHotKey(QStringLiteral("Ctrl+Shift+H")));
    EXPECT_EQ(shortcut.hotKey(), QStringLiteral("Ctrl+Shift+H"));

    Display* d = _other.get();
    const KeySym locks[] = {NoSymbol, XK_Num_Lock, XK_Caps_Lock};
    for (KeySym lock : locks) {
        if (lock != NoSymbol) {
            press({lock});
            XkbStateRec state{};
            ASSERT_EQ(XkbGetState(d, XkbUseCoreKbd, &state), Success);
            ASSERT_NE(state.locked_mods, 0) << "lock " << lock << " did not switch on";
        }
        fired.clear();
        press(kCtrlShiftH);
        press(kCtrlAltJ); // not ours: must not count
        drain();
        EXPECT_EQ(fired.count(), 1) << "lock " << lock;
        if (lock != NoSymbol)
            press({lock});
    }
}

TEST_F(HotKey, HeldChordFiresOnce) {
    MyGlobalShortCut shortcut;
    QSignalSpy fired(&shortcut, &MyGlobalShortCut::activated);
    ASSERT_TRUE(shortcut.registerHotKey(QStringLiteral("Ctrl+Shift+H")));
    // What a held key sends to a client with detectable auto-repeat: presses, then one release.
    // XTest cannot press a key that is down, so the events are handed to the filter directly.
    const uint8_t h = XKeysymToKeycode(_other.get(), XK_H);
    const uint16_t chord = ControlMask | ShiftMask;
    struct Step {
        uint8_t type;
        uint16_t state;
        int fired; // total after this event
    } steps[] = {
        {XCB_KEY_PRESS, chord, 1}, {XCB_KEY_PRESS, chord, 1},
        {XCB_KEY_PRESS, chord, 1}, {XCB_KEY_RELEASE, chord, 1},
        {XCB_KEY_PRESS, chord, 2}, {XCB_KEY_RELEASE, ControlMask, 2}, // Shift let go first
        {XCB_KEY_PRESS, chord, 3},
    };
    for (const Step& st : steps) {
        xcb_key_press_event_t e{};
        e.response_type = st.type;
        e.detail = h;
        e.state = st.state;
        shortcut.nativeEventFilter("xcb_generic_event_t", &e, nullptr);
        EXPECT_EQ(fired.count(), st.fired) << &st - steps;
    }
}

TEST_F(HotKey, KeyHeldElsewhereFailsAndKeepsTheOldKey) {
    MyGlobalShortCut shortcut;
    QSignalSpy fired(&shortcut, &MyGlobalShortCut::activated);
    ASSERT_TRUE(shortcut.registerHotKey(QStringLiteral("Ctrl+Shift+H")));

    Display* d = _other.get();
    const int j = XKeysymToKeycode(d, XK_J);
    XGrabKey(d, j, ControlMask | Mod1Mask, DefaultRootWindow(d), True, GrabModeAsync,
             GrabModeAsync);
    XSync(d, False);
    EXPECT_FALSE(shortcut.registerHotKey(QStringLiteral("Ctrl+Alt+J")));
    EXPECT_EQ(shortcut.hotKey(), QStringLiteral("Ctrl+Shift+H"));
    XUngrabKey(d, j, ControlMask | Mod1Mask, DefaultRootWindow(d));
    XSync(d, False);
    // The lock variants the server did grant were given back.
    EXPECT_TRUE(otherCanGrab(XK_J, ControlMask | Mod1Mask | LockMask));

    press(kCtrlShiftH);
    drain();
    EXPECT_EQ(fired.count(), 1);
}

TEST_F(HotKey, ReRegisterReplacesAndDestructionReleases) {
    auto shortcut = std::make_unique<MyGlobalShortCut>();
    QSignalSpy fired(shortcut.get(), &MyGlobalShortCut::activated);
    ASSERT_TRUE(shortcut->registerHotKey(QStringLiteral("Ctrl+Shift+H")));
    ASSERT_FALSE(otherCanGrab(XK_H, ControlMask | ShiftMask));
    // The same key once more keeps it grabbed.
    ASSERT_TRUE(shortcut->registerHotKey(QStringLiteral("Ctrl+Shift+H")));
    EXPECT_FALSE(otherCanGrab(XK_H, ControlMask | ShiftMask));
    EXPECT_FALSE(shortcut->registerHotKey(QStringLiteral("Ctrl+Shift")));
    EXPECT_FALSE(otherCanGrab(XK_H, ControlMask | ShiftMask)) << "a failure kept the old key";

    ASSERT_TRUE(shortcut->registerHotKey(QStringLiteral("Alt+F7")));
    EXPECT_TRUE(otherCanGrab(XK_H, ControlMask | ShiftMask));
    press(kCtrlShiftH);
    drain();
    EXPECT_EQ(fired.count(), 0) << "the old key still fires";
    press(kAltF7);
    drain();
    EXPECT_EQ(fired.count(), 1);

    shortcut.reset();
    EXPECT_TRUE(otherCanGrab(XK_F7, Mod1Mask));
}

int main(int argc, char** argv) {
    // The X server and the bus before Qt: it reads both on first use, and with a display but
    // no bus it would start a bus daemon of its own that outlives the test.
    ZvXvfb xvfb(1280, 800);
    g_xvfb = &xvfb;
    ZvDBusDaemon bus;
    g_bus = &bus;
    ::testing::InitGoogleTest(&argc, argv);
    // Kept to the end of the process, as in the other Qt tests: the platform plugin's objects
    // are torn down in an order LeakSanitizer reports.
    static int qtArgc = argc;
    if (xvfb.available() && bus.available()) {
        static QApplication* app = new QApplication(qtArgc, argv);
        (void)app;
        zv_register_tray_types();
    }
    return RUN_ALL_TESTS();
}
