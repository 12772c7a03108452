// ZvCoordMap::init over the monitor layouts of a real X server: enumeration, the stored screen
// index (read, never rewritten), and the recovery when the desktop appears after the map was set
// up, without a connection attempt per pen sample meanwhile.
#include "XServerTest.h"

#include "ZvCoordMap.h"
#include "ZvCursor.h"
#include "ZvLog.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace {

std::atomic<int> g_xOpens{0};
std::atomic<int> g_errLines{0};

void countErrors(int level, const char*, va_list) {
    if (level == ZV_LL_ERR)
        ++g_errLines;
}

// A display number no server here listens on.
std::string absentDisplay() {
    for (int n = 4242;; ++n)
        if (access(("/tmp/.X11-unix/X" + std::to_string(n)).c_str(), F_OK) != 0)
            return ":" + std::to_string(n);
}

} // namespace

// Every connection attempt of this program passes here on its way to libX11, to be counted.
extern "C" struct _XDisplay* XOpenDisplay(const char* name) {
    using Open = struct _XDisplay* (*)(const char*);
    static const Open real = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "XOpenDisplay"));
    ++g_xOpens;
    return real ? real(name) : nullptr;
}

namespace {

const ZvAppUserCfg* baseApp(void* owner) {
    return &static_cast<ZvUserConfig*>(owner)->base.app0;
}

// A 40000 x 25000 tablet with the whole tablet and whole screens selected.
class CoordMapInit : public XServerTest {
protected:
    void SetUp() override {
        XServerTest::SetUp();
        if (IsSkipped())
            return;
        _tc.maxX = 40000;
        _tc.maxY = 25000;
        ZvAppUserCfg& a = _uc->base.app0;
        a.workarea = {0.0f, 0.0f, 1.0f, 1.0f};
        for (ZvRectRatio& sa : a.screenArea)
            sa = {0.0f, 0.0f, 1.0f, 1.0f};
        _map.bind(ZvCoordMapCtx{&_tc, _uc.get(), nullptr, baseApp, _uc.get()});
    }

    ZvTabletCfg _tc{};
    std::unique_ptr<ZvUserConfig> _uc = std::make_unique<ZvUserConfig>();
    ZvCoordMap _map;
};

struct InitCase {
    const char* name;
    std::vector<ZvXvfbMonitor> layout;
    th_u32 storedIndex;
    unsigned monitorNum;
    th_u32 index; // the one the map uses
    ZvRect asAct;
    ZvRect csMapRaw;
};

} // namespace

TEST_F(CoordMapInit, MapsEachLayout) {
    const InitCase cases[] = {
        {"side by side, right",
         ZvXvfb::sideBySide(),
         1,
         2,
         1,
         {0, 0, 3840, 1080},
         {20000, 0, 39999, 25000}},
        {"side by side, template 8 is all screens",
         ZvXvfb::sideBySide(),
         8,
         2,
         2,
         {0, 0, 3840, 1080},
         {0, 0, 39999, 25000}},
        {"side by side, any index past the count is all screens",
         ZvXvfb::sideBySide(),
         3,
         2,
         2,
         {0, 0, 3840, 1080},
         {0, 0, 39999, 25000}},
        {"stacked, lower",
         ZvXvfb::stacked(),
         1,
         2,
         1,
         {0, 0, 1920, 2160},
         {0, 12500, 39999, 25000}},
        {"negative offset, the monitor at the origin",
         ZvXvfb::negative(),
         0,
         2,
         0,
         {-1920, 0, 1920, 1080},
         {20000, 0, 39999, 25000}},
        {"negative offset, the monitor left of it",
         ZvXvfb::negative(),
         1,
         2,
         1,
         {-1920, 0, 1920, 1080},
         {0, 0, 19999, 25000}},
        {"one monitor, template 8",
         ZvXvfb::one(),
         8,
         1,
         1,
         {0, 0, 1920, 1080},
         {0, 0, 39999, 25000}},
    };
    for (const InitCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(xvfb->setMonitors(c.layout)) << xvfb->reason();
        _uc->base.curScreenIndex = c.storedIndex;
        _map.init();
        EXPECT_EQ(_map.monitorNum(), c.monitorNum);
        EXPECT_EQ(_map.curScreenIndex(), c.index);
        EXPECT_EQ(_map._asActRect, c.asAct);
        EXPECT_EQ(_map._csMapRawRect, c.csMapRaw);
        EXPECT_EQ(_map._workRect, (ZvRect{0, 0, 40000, 25000}));
        // The settings are saved by any key action that changes one (and by the display switch
        // itself, which does nothing here): a limit of this desktop must not go with them, or
        // "all screens" turns into a single monitor once another is plugged in.
        EXPECT_FALSE(_map.switchDisplay(_map.curScreenIndex()));
        EXPECT_EQ(_uc->base.curScreenIndex, c.storedIndex);
    }
}

// The core may start before the desktop, with a $DISPLAY whose server is not up yet. Meanwhile
// the pen works over the tablet's whole range and the stored choice is kept; however fast the
// pen reports, the map and the pointer query of mouse mode try the server at most about once a
// second (an attempt is three connects on the tablet's input thread), and the outage is logged
// once. The first samples after the server answers pick the monitors up, without anyone ending
// the wait.
TEST_F(CoordMapInit, PicksUpDesktopThatAppearsLater) {
    using Clock = std::chrono::steady_clock;
    using std::chrono::milliseconds;
    ASSERT_TRUE(xvfb->setMonitors(ZvXvfb::sideBySide()));
    _uc->base.curScreenIndex = 8;
    g_errLines = 0;
    zv_set_log_handler(countErrors);
    {
        const std::string absent = absentDisplay();
        NoDisplay hidden(absent.c_str());
        const int opensBefore = g_xOpens.load();
        const Clock::time_point start = Clock::now();
        _map.init();
        EXPECT_EQ(_map.monitorNum(), 0u);
        EXPECT_EQ(_map._csMapRawRect, (ZvRect{0, 0, 39999, 25000}));
        // About a thousand hovering samples a second for 1.5 s; mouse mode anchors on every
        // tenth.
        int samples = 0;
        for (; Clock::now() - start < milliseconds(1500); ++samples) {
            CGPoint pt{};
            _map.cPtInCursorCoord({0.5f, 0.5f}, pt);
            ASSERT_FLOAT_EQ(pt.x, 19999.5f);
            ASSERT_FLOAT_EQ(pt.y, 12500.0f);
            CGPoint cursor{-1.0f, -1.0f};
            if (samples % 10 == 0) {
                ASSERT_FALSE(GetCursorPos(cursor));
            }
            usleep(1000);
        }
        const auto elapsed = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
        const int attempts = g_xOpens.load() - opensBefore;
        ASSERT_GT(samples, 100);
        EXPECT_GE(attempts, 2) << "one at init, one after the first second";
        EXPECT_LE(attempts, 1 + elapsed.count() / ZV_DISPLAY_RETRY_MS) << samples << " samples";
        EXPECT_EQ(g_errLines.load(), 1);
        EXPECT_EQ(_map.monitorNum(), 0u);
    }
    const Clock::time_point back = Clock::now();
    CGPoint pt{};
    while (_map.monitorNum() == 0 && Clock::now() - back < milliseconds(3000)) {
        _map.cPtInCursorCoord({0.75f, 0.5f}, pt);
        usleep(1000);
    }
    zv_set_log_handler(nullptr);
    EXPECT_LT(Clock::now() - back, milliseconds(ZV_DISPLAY_RETRY_MS + 500));
    ASSERT_EQ(_map.monitorNum(), 2u);
    EXPECT_EQ(_uc->base.curScreenIndex, 8u);
    EXPECT_EQ(_map._asActRect, (ZvRect{0, 0, 3840, 1080}));
    EXPECT_FLOAT_EQ(pt.x, 29999.25f);
    EXPECT_FLOAT_EQ(pt.y, 12500.0f);
    EXPECT_EQ(g_errLines.load(), 1);
}
