// ScreenInfo on a private X server: the list in the core's order, the debounced update after
// a monitor change, and the in-memory desktop picture.
#include "ScreenInfo.h"
#include "FakeCore.h"
#include "RecordingUi.h"
#include "UIManager.h"
#include "ZvDBusDaemon.h"
#include "ZvDesktopCapture.h"
#include "ZvDisplayEnum.h"
#include "ZvXvfb.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickImageProvider>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <functional>
#include <vector>

namespace {

ZvDBusDaemon* g_bus = nullptr;

// Counts the updates and the screen count each one saw.
class ScreenUi : public RecordingUi {
public:
    explicit ScreenUi(const ScreenInfo* info) : _info(info) {}
    void sysScreenChange() override {
        counts.push_back(_info->GetScreenNum());
        at.push_back(clock.elapsed());
        RecordingUi::sysScreenChange();
    }
    std::vector<int> counts;
    std::vector<qint64> at; // ms on clock
    QElapsedTimer clock;

private:
    const ScreenInfo* _info;
};

// Runs the event loop until pred holds or ms have passed; the final value of pred.
bool waitFor(const std::function<bool()>& pred, int ms) {
    QElapsedTimer t;
    t.start();
    while (!pred() && t.elapsed() < ms)
        QTest::qWait(10);
    return pred();
}

class ScreenInfoTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { xvfb = new ZvXvfb(); }
    static void TearDownTestSuite() {
        delete xvfb;
        xvfb = nullptr;
    }
    void SetUp() override {
        ZV_XVFB_OR_SKIP(*xvfb);
        ZV_DBUS_OR_SKIP(*g_bus);
        zv_display_retry_now();
    }
    static inline ZvXvfb* xvfb = nullptr;
};

const std::vector<ZvXvfbMonitor> kMirrored = {
    {0, 0, 1920, 1080}, {0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};

} // namespace

TEST_F(ScreenInfoTest, ListsMonitorsInTheCoresOrder) {
    struct Case {
        const char* name;
        std::vector<ZvXvfbMonitor> layout;
        QVector<QRect> screens;
        QRect desktop;
    } cases[] = {
        {"side by side",
         ZvXvfb::sideBySide(),
         {{0, 0, 1920, 1080}, {1920, 0, 1920, 1080}},
         {0, 0, 3840, 1080}},
        {"negative offset",
         ZvXvfb::negative(),
         {{0, 0, 1920, 1080}, {-1920, 0, 1920, 1080}},
         {-1920, 0, 3840, 1080}},
        // The server's order, not the geometric one.
        {"right one first",
         {{1920, 0, 1920, 1080}, {0, 0, 1920, 1080}},
         {{1920, 0, 1920, 1080}, {0, 0, 1920, 1080}},
         {0, 0, 3840, 1080}},
        // Away from the origin: the desktop still reaches back to it.
        {"offset", {{100, 200, 800, 600}}, {{100, 200, 800, 600}}, {0, 0, 900, 800}},
        // Mirrored monitors stay two entries: index 2 must be the monitor the core calls 2.
        {"mirrored",
         kMirrored,
         {{0, 0, 1920, 1080}, {0, 0, 1920, 1080}, {1920, 0, 1280, 1024}},
         {0, 0, 3200, 1080}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(xvfb->setMonitors(c.layout)) << xvfb->reason();
        ScreenInfo info;
        const int n = c.screens.size();
        ASSERT_EQ(info.GetScreenNum(), n);
        for (int i = 0; i < n; ++i)
            EXPECT_EQ(info.GetScreenRect(i), c.screens[i]) << "screen " << i;
        EXPECT_EQ(info.GetDesktopRect(), c.desktop);
        EXPECT_EQ(info.GetScreenSize(), c.desktop.size());
        EXPECT_TRUE(info.GetPrimaryScreenRect().isEmpty());
        // Index n is "all screens"; any other index out of range is the first screen.
        EXPECT_EQ(info.GetScreenRect(n), c.desktop);
        for (int bad : {-1, n + 1, 5, ScreenInfo::kAllScreensStored})
            EXPECT_EQ(info.GetScreenRect(bad), c.screens[0]) << "index " << bad;
        // A stored choice at or above the count is all screens, as the core reads it.
        for (int stored : {n, n + 1, ScreenInfo::kAllScreensStored})
            EXPECT_EQ(info.GetMappedScreenRect(stored), c.desktop) << "stored " << stored;
        EXPECT_EQ(info.GetMappedScreenRect(n - 1), c.screens[n - 1]);
        EXPECT_TRUE(info.IsScreenExist(c.screens[n - 1]));
        EXPECT_FALSE(info.IsScreenExist(c.desktop));
    }
}

TEST_F(ScreenInfoTest, OneDebouncedUpdatePerBurst) {
    ASSERT_TRUE(xvfb->setMonitors(ZvXvfb::one())) << xvfb->reason();
    ScreenInfo info;
    ScreenUi ui(&info);
    ui.clock.start();
    info.SetUIMsgInterFace(&ui);
    ASSERT_TRUE(waitFor([&] { return ui.counts.size() == 1; }, 3000)) << "no first update";
    EXPECT_EQ(ui.counts[0], 1);
    EXPECT_GE(ui.at[0], ScreenInfo::kDebounceMs - 50) << "the first update is debounced too";

    // Deleting and adding monitors sends the server's change notice several times.
    ASSERT_TRUE(xvfb->setMonitors(ZvXvfb::sideBySide())) << xvfb->reason();
    ASSERT_TRUE(waitFor([&] { return ui.counts.size() >= 2; }, 3000)) << "no update";
    (void)waitFor([&] { return ui.counts.size() > 2; }, 2 * ScreenInfo::kDebounceMs);
    ASSERT_EQ(ui.counts.size(), 2u) << "one monitor change, one update";
    EXPECT_EQ(ui.counts[1], 2);
    EXPECT_EQ(info.GetScreenNum(), 2);

    // Signals closer together than the debounce: one update, after the last of them.
    qint64 last = 0;
    for (int i = 0; i < 5; ++i) {
        info.DisplayChange();
        last = ui.clock.elapsed();
        QTest::qWait(ScreenInfo::kDebounceMs / 5);
    }
    (void)waitFor([&] { return ui.counts.size() > 3; }, 2 * ScreenInfo::kDebounceMs);
    ASSERT_EQ(ui.counts.size(), 3u);
    EXPECT_GE(ui.at[2] - last, ScreenInfo::kDebounceMs - 50);
}

TEST_F(ScreenInfoTest, PictureServedFromMemory) {
    ASSERT_TRUE(xvfb->setMonitors(ZvXvfb::negative())) << xvfb->reason();
    // A root window of one known colour: the monitor on the X screen shows it, the one left of
    // the origin lies off the X screen and stays grey.
    const QRgb root = qRgb(0x33, 0x66, 0xcc);
    Display* d = XOpenDisplay(nullptr);
    ASSERT_NE(d, nullptr);
    XSetWindowBackground(d, DefaultRootWindow(d), root & 0xffffff);
    XClearWindow(d, DefaultRootWindow(d));
    XSync(d, False);
    XCloseDisplay(d);

    ScreenInfo info;
    QQmlEngine engine;
    ASSERT_TRUE(info.AddImageProvider(&engine));
    EXPECT_FALSE(info.AddImageProvider(&engine)) << "the first provider stays";
    auto* provider = dynamic_cast<QQuickImageProvider*>(engine.imageProvider("zvscreen"));
    ASSERT_NE(provider, nullptr);

    const QString first = info.GetScreenPicPath();
    EXPECT_TRUE(first.startsWith("image://zvscreen/desktop?")) << first.toStdString();
    EXPECT_EQ(info.GetScreenPicPath(), first) << "no new capture without a refresh";
    const QString second = info.RefreshScreenPic();
    EXPECT_NE(second, first) << "QML must not keep the old picture";

    QSize size;
    const QImage image =
        provider->requestImage(second.mid(int(strlen("image://zvscreen/"))), &size, QSize());
    ASSERT_EQ(image.size(), QSize(3840, 1080));
    EXPECT_EQ(size, image.size());
    const QRgb grey = qRgb(kZvDesktopGrey, kZvDesktopGrey, kZvDesktopGrey);
    EXPECT_EQ(image.pixel(100, 100), grey) << "the monitor left of the origin";
    EXPECT_EQ(image.pixel(1920 + 100, 100), root) << "the monitor at the origin";
    EXPECT_EQ(image.pixel(3839, 1079), root);

    const QImage half = provider->requestImage("desktop", &size, QSize(1920, 0));
    EXPECT_EQ(half.size(), QSize(1920, 540));
    EXPECT_EQ(size, QSize(3840, 1080));
}

// The bridge on top: after a monitor change the core hears of it (request 128) and the pages get
// one displayChange with the new count.
TEST_F(ScreenInfoTest, BridgeTellsTheCoreAndThePagesOnceAfterAMonitorChange) {
    ASSERT_TRUE(xvfb->setMonitors(ZvXvfb::one())) << xvfb->reason();
    FakeCore core;
    ASSERT_TRUE(core.claim());
    UIManager ui;
    QSignalSpy changed(&ui, &UIManager::displayChange);
    // The first update comes shortly after start.
    ASSERT_TRUE(waitFor([&] { return changed.count() == 1; }, 3000));
    ASSERT_EQ(core.waitCount(ZVMC_UI_SCREEN_CHANGED, 1, 3000), 1u);

    ASSERT_TRUE(xvfb->setMonitors(ZvXvfb::sideBySide())) << xvfb->reason();
    ASSERT_TRUE(waitFor([&] { return changed.count() >= 2; }, 3000));
    QTest::qWait(1200); // nothing more follows
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed.at(1).at(2).toInt(), 2);
    EXPECT_EQ(changed.at(1).at(1).toSize(), QSize(3840, 1080));
    EXPECT_TRUE(changed.at(1).at(0).toString().startsWith(QStringLiteral("image://zvscreen/")));
    EXPECT_EQ(core.waitCount(ZVMC_UI_SCREEN_CHANGED, 2, 3000), 2u);
    EXPECT_EQ(ui.getMapScreenNum(), 2);
    EXPECT_EQ(ui.getScreenRect(2), QRect(0, 0, 3840, 1080)) << "all screens";
    ui.exitCore();
}

int main(int argc, char** argv) {
    // The bus first: Qt reads its address on first use.
    ZvDBusDaemon bus;
    g_bus = &bus;
    // The monitors come from the X server through our own connection; Qt's platform does not
    // matter and the offscreen one needs no window system.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int qtArgc = argc;
    static QGuiApplication* app = new QGuiApplication(qtArgc, argv);
    (void)app;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
