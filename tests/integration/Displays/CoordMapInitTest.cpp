// ZvCoordMap::init over the monitor layouts of a real X server: enumeration, the stored screen
// index (read, never rewritten), and the recovery when the desktop appears after the map was set
// up.
#include "XServerTest.h"

#include "ZvCoordMap.h"

#include <memory>
#include <vector>

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

// The core may start before the desktop: the map works on the tablet's own range meanwhile,
// keeps the stored choice, and picks the monitors up on the first cursor placement that finds
// the server.
TEST_F(CoordMapInit, PicksUpDesktopThatAppearsLater) {
    ASSERT_TRUE(xvfb->setMonitors(ZvXvfb::sideBySide()));
    _uc->base.curScreenIndex = 8;
    {
        NoDisplay hidden;
        _map.init();
        EXPECT_EQ(_map.monitorNum(), 0u);
        EXPECT_EQ(_uc->base.curScreenIndex, 8u);
        EXPECT_EQ(_map._csMapRawRect, (ZvRect{0, 0, 39999, 25000}));
        CGPoint pt{};
        _map.cPtInCursorCoord({0.5f, 0.5f}, pt);
        EXPECT_EQ(_map.monitorNum(), 0u);
        EXPECT_FLOAT_EQ(pt.x, 19999.5f);
        EXPECT_FLOAT_EQ(pt.y, 12500.0f);
    }
    CGPoint pt{};
    _map.cPtInCursorCoord({0.75f, 0.5f}, pt);
    EXPECT_EQ(_map.monitorNum(), 2u);
    EXPECT_EQ(_map.curScreenIndex(), 2u);
    EXPECT_EQ(_uc->base.curScreenIndex, 8u);
    EXPECT_EQ(_map._asActRect, (ZvRect{0, 0, 3840, 1080}));
    EXPECT_FLOAT_EQ(pt.x, 29999.25f);
    EXPECT_FLOAT_EQ(pt.y, 12500.0f);
}
