// The QML bridge and the main window without a screen: Qt's offscreen platform, and a private
// session bus for the message adapter the bridge creates.
#include "MyApplicationWindow.h"
#include "UIManager.h"
#include "ZvDBusDaemon.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTabletEvent>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

ZvDBusDaemon* g_bus = nullptr;

QTabletEvent tablet(QEvent::Type type, qreal pressure) {
    return QTabletEvent(type, QPointF(10, 10), QPointF(10, 10), QTabletEvent::Stylus,
                        QTabletEvent::Pen, pressure, 0, 0, 0, 0, 0, Qt::NoModifier, 1,
                        type == QEvent::TabletRelease ? Qt::NoButton : Qt::LeftButton,
                        type == QEvent::TabletRelease ? Qt::NoButton : Qt::LeftButton);
}

} // namespace

TEST(AppBridge, WindowKeepsTheLastTabletPressure) {
    MyApplicationWindow window;
    EXPECT_EQ(window.color().alpha(), 0);
    struct Case {
        QEvent::Type type;
        qreal pressure;
        int expected;
    } cases[] = {
        {QEvent::TabletPress, 0.5, 4095}, {QEvent::TabletMove, 1.0, 8191},
        {QEvent::TabletMove, 0.0001, 0},  {QEvent::TabletMove, 0.25, 2047},
        {QEvent::TabletRelease, 0.0, 0},
    };
    for (const Case& c : cases) {
        QTabletEvent ev = tablet(c.type, c.pressure);
        QCoreApplication::sendEvent(&window, &ev);
        EXPECT_EQ(window.getPressure(), c.expected) << c.pressure;
    }
    QTabletEvent ev = tablet(QEvent::TabletMove, 0.5);
    QCoreApplication::sendEvent(&window, &ev);
    window._onMouseReleased();
    EXPECT_EQ(window.getPressure(), 0) << "a release of the title bar clears it";
}

TEST(AppBridge, ConnectKeepsTheFirstKnownRangeUntilDisconnect) {
    ZV_DBUS_OR_SKIP(*g_bus);
    UIManager ui;
    QSignalSpy connected(&ui, &UIManager::devConnect);
    QSignalSpy gone(&ui, &UIManager::devDisConnect);
    QSignalSpy show(&ui, &UIManager::showUI);

    struct Step {
        enum { Connect, Disconnect } what;
        QString model;
        unsigned maxx, maxy;
        // Expected devConnect arguments, or a devDisConnect of model when disconnected is set.
        unsigned wantX, wantY;
        bool disconnected;
    } steps[] = {
        {Step::Connect, "M1", 40000, 25000, 40000, 25000, false},
        {Step::Connect, "M1", 0, 0, 40000, 25000, false},     // repeated without a description
        {Step::Connect, "M1", 100, 100, 40000, 25000, false}, // the first range stays
        {Step::Connect, "M2", 2000, 1000, 2000, 1000, false},
        {Step::Connect, "", 0, 0, 0, 0, true},
        {Step::Connect, "M1", 0, 0, 40000, 25000, false}, // an empty model drops no cache
        {Step::Disconnect, "M1", 0, 0, 0, 0, true},
        {Step::Connect, "M1", 0, 0, 0, 0, false}, // gone: starts afresh
    };
    for (const Step& s : steps) {
        connected.clear();
        gone.clear();
        if (s.what == Step::Connect)
            ui.coreDevConnect(s.model, s.maxx, s.maxy);
        else
            ui.coreDevDisConnect(s.model);
        if (s.disconnected) {
            ASSERT_EQ(gone.size(), 1);
            EXPECT_EQ(gone[0][0].toString(), s.what == Step::Connect ? QString() : s.model);
            EXPECT_EQ(connected.size(), 0);
        } else {
            ASSERT_EQ(connected.size(), 1) << s.model.toStdString();
            EXPECT_EQ(connected[0][0].toString(), s.model);
            EXPECT_EQ(connected[0][1].toUInt(), s.wantX) << s.model.toStdString();
            EXPECT_EQ(connected[0][2].toUInt(), s.wantY);
            EXPECT_EQ(gone.size(), 0);
        }
    }
    ui.showMainWindow();
    EXPECT_EQ(show.size(), 1);
    // Without tablets the device reads are empty, and exitCore may be called more than once
    // (QML, then the destructor).
    EXPECT_EQ(ui.getCurrentDevIdx(), -1);
    EXPECT_EQ(ui.getDevModel(0), QString());
    EXPECT_FALSE(ui.setCurrentDevIdx(0));
    ui.exitCore();
}

TEST(AppBridge, TextsOfThePagesWithoutATablet) {
    ZV_DBUS_OR_SKIP(*g_bus);
    UIManager ui;
    const struct {
        const char* path;
        const char* name;
    } apps[] = {
        {"/usr/bin/krita", "krita"}, // absolute: the file name
        {"tools/bin/draw", "toolsdraw"},
        {"draw", "draw"},
    };
    for (const auto& a : apps)
        EXPECT_EQ(ui.getAppName(a.path), QString::fromUtf8(a.name)) << a.path;
    EXPECT_EQ(ui.getAppName(QString(80, QLatin1Char('a'))).size(), 50);
    EXPECT_EQ(ui.rmString("Ctrl+Shift+Z", "+"), QStringLiteral("CtrlShiftZ"));
    EXPECT_EQ(ui.rmString("abc", ""), QStringLiteral("abc"));
    EXPECT_TRUE(ui.bTabletPath(ui.tabletPath()));
    EXPECT_FALSE(ui.bTabletPath(ui.tabletPath() + "x"));
    EXPECT_EQ(ui.codeToString(42), QStringLiteral("LShift"));
    EXPECT_EQ(ui.codeToString(300), QString());
    // "Copyright © 2025" or "Copyright © 2025-<year of the build>".
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Copyright © 2025(-20[2-9][0-9])? Zerva$"))
                    .match(ui.getCopyright())
                    .hasMatch())
        << ui.getCopyright().toStdString();
    EXPECT_FALSE(ui.getConnectState());
    EXPECT_FALSE(ui.getCoreRunning()) << "no core on this bus";
    EXPECT_EQ(ui.getDevTitle(0), QString());
    EXPECT_EQ(ui.getPressureSettingPt(true, 7, -1), 0) << "no tablet: the neutral value";
    EXPECT_EQ(ui.localPath(QUrl(QStringLiteral("file:///home/a%20b/x.cfg"))),
              QStringLiteral("/home/a b/x.cfg"));
    EXPECT_EQ(ui.localPath(QUrl(QStringLiteral("https://example.org/x.cfg"))), QString());
    ui.exitCore();
}

// The settings page's hot key field: what a key press becomes, and what it refuses.
TEST(AppBridge, HotKeyTextOfAPress) {
    ZV_DBUS_OR_SKIP(*g_bus);
    UIManager ui;
    const int ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier, alt = Qt::AltModifier;
    const struct {
        int key;
        int mods;
        const char* text;
    } presses[] = {
        {Qt::Key_H, ctrl | shift, "Ctrl + Shift + H"},
        {Qt::Key_K, ctrl | alt, "Ctrl + Alt + K"},
        {Qt::Key_Plus, ctrl, "Ctrl + +"}, // the plus key stays one key
        {Qt::Key_F5, 0, "F5"},            // function keys need no modifier
        {Qt::Key_H, 0, ""},               // a plain letter would be taken from every program
        {Qt::Key_H, shift, ""},
        {Qt::Key_Control, ctrl, ""}, // modifiers alone are no key yet
        {Qt::Key_Shift, ctrl | shift, ""},
    };
    for (const auto& p : presses)
        EXPECT_EQ(ui.hotKeyTextOf(p.key, p.mods), QString::fromLatin1(p.text)) << p.text;
    ui.exitCore();
}

int main(int argc, char** argv) {
    // The bus first: Qt reads its address on first use.
    ZvDBusDaemon bus;
    g_bus = &bus;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Kept to the end of the process on purpose: Qt's offscreen platform and Qt Quick's registry
    // of tablet devices are torn down with the application in an order that leaves cycles of
    // their own objects behind, which LeakSanitizer reports at exit.
    static int qtArgc = argc;
    static QGuiApplication* app = new QGuiApplication(qtArgc, argv);
    (void)app;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
