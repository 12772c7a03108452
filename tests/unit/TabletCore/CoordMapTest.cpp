// ZvCoordMap on hand-made monitor lists: the screen rectangles, the work area, the pen position
// chain and the screen-switching rule. No X server: the map is fed through setMonitors (and its
// X-less fallback through init with DISPLAY unset).
#include "ZvCoordMap.h"
#include "ZvLog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <ostream>
#include <stdlib.h>
#include <string>
#include <vector>

inline bool operator==(const ZvRect& a, const ZvRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline std::ostream& operator<<(std::ostream& os, const ZvRect& r) {
    return os << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}

namespace {

void quiet(int, const char*, va_list) {}

const ZvRectRatio kWhole{0.0f, 0.0f, 1.0f, 1.0f};

using Monitors = std::vector<ZvRect>;
const Monitors kSideBySide{{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}};
const Monitors kStacked{{0, 0, 1920, 1080}, {0, 1080, 1920, 2160}};

const ZvAppUserCfg* baseApp(void* owner) {
    return &static_cast<ZvUserConfig*>(owner)->base.app0;
}

// A 40000 x 25000 tablet, whole work area, whole screen areas, no rotation.
class CoordMap : public ::testing::Test {
protected:
    void SetUp() override {
        zv_set_log_handler(quiet);
        _tc.maxX = 40000;
        _tc.maxY = 25000;
        app().workarea = kWhole;
        for (ZvRectRatio& sa : app().screenArea)
            sa = kWhole;
        _map.bind(ZvCoordMapCtx{&_tc, _uc.get(), &_penCtrlRect, baseApp, _uc.get()});
    }
    void TearDown() override { zv_set_log_handler(nullptr); }

    ZvAppUserCfg& app() { return _uc->base.app0; }

    // What init does after enumerating.
    void use(const Monitors& m, th_u32 index) {
        _uc->base.curScreenIndex = index;
        _map.setMonitors(m.data(), unsigned(m.size()));
        _map.updateWorkarea();
        _map.updateCurScreenMapWorkRect();
    }

    // The pen handler's chain for one raw sample.
    CGPoint mapPen(CGPoint raw) {
        ZvPtRatio pr{};
        _map.cRatioInRawCoord(raw, pr);
        CGPoint out{};
        _map.cPtInRawCoord(pr, out);
        return out;
    }

    ZvTabletCfg _tc{};
    std::unique_ptr<ZvUserConfig> _uc = std::make_unique<ZvUserConfig>();
    ZvRect _penCtrlRect{};
    ZvCoordMap _map;
};

struct ScreenCase {
    const char* name;
    Monitors monitors;
    th_u32 index;
    ZvRect asAct, csAct, csVrt, csMapRaw;
};

TEST_F(CoordMap, ScreenRectanglesFollowMonitorsAndIndex) {
    const ScreenCase cases[] = {
        {"right of two",
         kSideBySide,
         1,
         {0, 0, 3840, 1080},
         {1920, 0, 3840, 1080},
         {1920, 0, 3840, 1080},
         {20000, 0, 39999, 25000}},
        {"left of two",
         kSideBySide,
         0,
         {0, 0, 3840, 1080},
         {0, 0, 1920, 1080},
         {0, 0, 1920, 1080},
         {0, 0, 19999, 25000}},
        {"index 2 of two is all screens",
         kSideBySide,
         2,
         {0, 0, 3840, 1080},
         {0, 0, 3840, 1080},
         {0, 0, 3840, 1080},
         {0, 0, 39999, 25000}},
        {"index past the count is all screens",
         kSideBySide,
         7,
         {0, 0, 3840, 1080},
         {0, 0, 3840, 1080},
         {0, 0, 3840, 1080},
         {0, 0, 39999, 25000}},
        {"lower of stacked",
         kStacked,
         1,
         {0, 0, 1920, 2160},
         {0, 1080, 1920, 2160},
         {0, 1080, 1920, 2160},
         {0, 12500, 39999, 25000}},
        {"one monitor ignores the index",
         {{0, 0, 1920, 1080}},
         5,
         {0, 0, 1920, 1080},
         {0, 0, 1920, 1080},
         {0, 0, 1920, 1080},
         {0, 0, 39999, 25000}},
        {"desktop left of and above the origin",
         {{-3840, -1080, -1920, 0}, {-1920, -1080, 0, 0}},
         1,
         {-3840, -1080, 0, 0},
         {-1920, -1080, 0, 0},
         {1920, 0, 3840, 1080},
         {20000, 0, 39999, 25000}},
        // The origin stays part of the desktop, so a monitor away from it maps to less than
        // the whole range.
        {"one monitor away from the origin",
         {{-2000, -1000, -100, -50}},
         0,
         {-2000, -1000, 0, 0},
         {-2000, -1000, -100, -50},
         {0, 0, 1900, 950},
         {0, 0, 37999, 23750}},
        {"one monitor away from the origin, all screens",
         {{-2000, -1000, -100, -50}},
         1,
         {-2000, -1000, 0, 0},
         {-2000, -1000, -100, -50},
         {0, 0, 1900, 950},
         {0, 0, 37999, 23750}},
        // Unequal monitors: every edge truncated toward zero, the -1 on the right edge only.
        {"small left monitor",
         {{0, 0, 1366, 768}, {1366, 0, 3286, 1080}},
         0,
         {0, 0, 3286, 1080},
         {0, 0, 1366, 768},
         {0, 0, 1366, 768},
         {0, 0, 16627, 17777}},
        {"large right monitor",
         {{0, 0, 1366, 768}, {1366, 0, 3286, 1080}},
         1,
         {0, 0, 3286, 1080},
         {1366, 0, 3286, 1080},
         {1366, 0, 3286, 1080},
         {16628, 0, 39999, 25000}},
    };
    for (const ScreenCase& c : cases) {
        SCOPED_TRACE(c.name);
        use(c.monitors, c.index);
        EXPECT_EQ(_map._asActRect, c.asAct);
        EXPECT_EQ(_map._asActW, th_u32(c.asAct.right - c.asAct.left));
        EXPECT_EQ(_map._asActH, th_u32(c.asAct.bottom - c.asAct.top));
        EXPECT_EQ(_map._csActRect, c.csAct);
        EXPECT_EQ(_map._csVrtRect, c.csVrt);
        EXPECT_EQ(_map._csMapRawRect, c.csMapRaw);
        EXPECT_EQ(_map._csMapRawW, th_u32(c.csMapRaw.right - c.csMapRaw.left));
        EXPECT_EQ(_map._csMapRawH, th_u32(c.csMapRaw.bottom - c.csMapRaw.top));
        // With whole screen areas the cursor rectangle is the screen's raw image.
        EXPECT_EQ(_map._csCursorRect, c.csMapRaw);
    }
}

struct SwitchCase {
    const char* name;
    unsigned monitors;
    bool penDisplay;
    th_u32 from, to;
    bool changed;
    th_u32 result;
};

TEST_F(CoordMap, SwitchDisplayRule) {
    ZvRect row[ZV_MAX_MONITORS];
    for (int i = 0; i < ZV_MAX_MONITORS; ++i)
        row[i] = {i * 1920, 0, (i + 1) * 1920, 1080};
    const SwitchCase cases[] = {
        {"tablet: next screen", 2, false, 0, 1, true, 1},
        // All screens is stored past any monitor count, so that it survives a monitor added.
        {"tablet: all screens after the last", 2, false, 1, 2, true, 8},
        {"all screens stored as 8 is the all screens of two", 2, false, 8, 2, false, 8},
        {"stored past the count: next is the first", 2, false, 5, 3, true, 0},
        {"pen display: never all screens", 2, true, 1, 2, true, 0},
        {"past all screens wraps", 2, false, 1, 5, true, 0},
        {"pen display: past the count wraps", 2, true, 1, 5, true, 0},
        {"same screen", 2, false, 1, 1, false, 1},
        {"one monitor", 1, false, 0, 1, false, 0},
        {"no monitor known", 0, false, 8, 0, false, 8},
        {"three monitors: last", 3, false, 1, 2, true, 2},
        {"eight monitors: all screens", 8, false, 7, 8, true, 8},
    };
    for (const SwitchCase& c : cases) {
        SCOPED_TRACE(c.name);
        _tc.bMonitor = c.penDisplay;
        _uc->base.curScreenIndex = c.from;
        _map.setMonitors(row, c.monitors);
        EXPECT_EQ(_map.switchDisplay(c.to), c.changed);
        EXPECT_EQ(_uc->base.curScreenIndex, c.result);
    }
}

TEST_F(CoordMap, SwitchDisplayCyclesAndRemaps) {
    const struct {
        bool penDisplay;
        std::vector<th_u32> cycle;
    } cases[] = {{false, {0, 1, 8, 0, 1}}, {true, {0, 1, 0, 1}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.penDisplay ? "pen display" : "tablet");
        _tc.bMonitor = c.penDisplay;
        use(kSideBySide, 8); // the template's all screens
        for (th_u32 expect : c.cycle) {
            // What the switch-display key does.
            ASSERT_TRUE(_map.switchDisplay(_map.curScreenIndex() + 1));
            ASSERT_EQ(_uc->base.curScreenIndex, expect);
            const ZvRect raw = expect == 0   ? ZvRect{0, 0, 19999, 25000}
                               : expect == 1 ? ZvRect{20000, 0, 39999, 25000}
                                             : ZvRect{0, 0, 39999, 25000};
            EXPECT_EQ(_map._csMapRawRect, raw);
            EXPECT_EQ(_map._csCursorRect, raw);
        }
    }
}

struct WorkCase {
    const char* name;
    ZvRectRatio workarea;
    bool bSek;
    th_u8 sekNum;
    ZvRect expect;
};

TEST_F(CoordMap, WorkAreaOfTabletOrSoftKeyPenArea) {
    _penCtrlRect = {1000, 2000, 31000, 22000};
    const WorkCase cases[] = {
        {"whole tablet", kWhole, false, 0, {0, 0, 40000, 25000}},
        {"fractions truncate toward zero",
         {0.39f, 0.53f, 0.78f, 0.59f},
         false,
         0,
         {15599, 13249, 31199, 14749}},
        {"soft keys shown: their pen area", kWhole, true, 4, {1000, 2000, 31000, 22000}},
        {"soft keys shown, half of the pen area",
         {0.5f, 0.0f, 1.0f, 0.5f},
         true,
         4,
         {16000, 2000, 31000, 12000}},
        {"soft keys off in the settings", kWhole, false, 4, {0, 0, 40000, 25000}},
        {"tablet without soft keys", kWhole, true, 0, {0, 0, 40000, 25000}},
    };
    for (const WorkCase& c : cases) {
        SCOPED_TRACE(c.name);
        app().workarea = c.workarea;
        app().bSek = c.bSek;
        _tc.sekNum = c.sekNum;
        use(kSideBySide, 1);
        EXPECT_EQ(_map._workRect, c.expect);
        EXPECT_EQ(_map._workW, th_u32(c.expect.right - c.expect.left));
        EXPECT_EQ(_map._workH, th_u32(c.expect.bottom - c.expect.top));
    }
}

TEST_F(CoordMap, ScreenAreaNarrowsMapWorkAndCursorOfSingleScreen) {
    app().workarea = {0.25f, 0.2f, 0.75f, 0.8f}; // (10000, 5000)-(30000, 20000)
    app().screenArea[1] = {0.5f, 0.5f, 1.0f, 1.0f};
    app().screenArea[2] = {0.5f, 0.5f, 1.0f, 1.0f};
    use(kSideBySide, 1);
    EXPECT_EQ(_map._csMapWorkRect, (ZvRect{20000, 12500, 30000, 20000}));
    EXPECT_EQ(_map._csCursorRect, (ZvRect{29999, 12500, 39999, 25000}));
    EXPECT_EQ(_map._csCursorW, 10000u);
    EXPECT_EQ(_map._csCursorH, 12500u);
    CGPoint pt{};
    _map.cPtInCursorCoord({0.5f, 0.5f}, pt);
    EXPECT_FLOAT_EQ(pt.x, 34999.0f);
    EXPECT_FLOAT_EQ(pt.y, 18750.0f);
    // The pen's own image is not narrowed.
    EXPECT_EQ(_map._csMapRawRect, (ZvRect{20000, 0, 39999, 25000}));

    // All screens: the cursor rectangle takes no screen area.
    ASSERT_TRUE(_map.switchDisplay(2));
    EXPECT_EQ(_map._csCursorRect, (ZvRect{0, 0, 39999, 25000}));
}

TEST_F(CoordMap, AllScreensOfEightMonitorsUsesWholeScreenArea) {
    Monitors eight;
    for (int i = 0; i < 8; ++i)
        eight.push_back({i * 1000, 0, (i + 1) * 1000, 1000});
    for (ZvRectRatio& sa : app().screenArea)
        sa = {0.5f, 0.5f, 0.75f, 0.75f};
    // The bytes after the table, which a reading past it would take for fractions.
    app().fineModeLevel = 0x7f;
    app().mouseModeA = 0x7f;
    use(eight, 8);
    EXPECT_EQ(_map._csMapWorkRect, _map._workRect);
    CGPoint pt{8000.0f, 1000.0f};
    _map.cPtFromCurScreenToRawCoord(pt);
    EXPECT_FLOAT_EQ(pt.x, 39999.0f);
    EXPECT_FLOAT_EQ(pt.y, 25000.0f);
}

struct RatioCase {
    const char* name;
    CGPoint raw;
    th_u32 rotate;
    ZvPtRatio ratio;
    CGPoint clamped;
};

TEST_F(CoordMap, RatioInWorkAreaClampsAndRotates) {
    app().workarea = {0.25f, 0.2f, 0.75f, 0.8f}; // (10000, 5000)-(30000, 20000)
    const RatioCase cases[] = {
        {"inside", {15000, 8000}, 0, {0.25f, 0.2f}, {15000, 8000}},
        {"on the right edge", {30000, 8000}, 0, {1.0f, 0.2f}, {30000, 8000}},
        {"beyond the right edge", {31000, 8000}, 0, {1.0f, 0.2f}, {30000, 8000}},
        {"before the top-left corner", {0, 0}, 0, {0.0f, 0.0f}, {10000, 5000}},
        {"rotate 90", {15000, 6500}, 90, {0.9f, 0.25f}, {15000, 6500}},
        {"rotate 180", {15000, 6500}, 180, {0.75f, 0.9f}, {15000, 6500}},
        {"rotate 270", {15000, 6500}, 270, {0.1f, 0.75f}, {15000, 6500}},
        {"other angles do not rotate", {15000, 6500}, 45, {0.25f, 0.1f}, {15000, 6500}},
    };
    use(kSideBySide, 0);
    for (const RatioCase& c : cases) {
        SCOPED_TRACE(c.name);
        app().rotateAngle = c.rotate;
        CGPoint pt = c.raw;
        ZvPtRatio pr{-1.0f, -1.0f};
        _map.cRatioInRawCoord(pt, pr);
        EXPECT_FLOAT_EQ(pr.x, c.ratio.x);
        EXPECT_FLOAT_EQ(pr.y, c.ratio.y);
        EXPECT_EQ(pt.x, c.clamped.x);
        EXPECT_EQ(pt.y, c.clamped.y);
    }
}

struct ChainCase {
    th_u32 screen;
    th_u32 rotate;
    CGPoint raw;
    CGPoint out;
};

// A raw sample through the narrowed work area onto screen 0, screen 1 and all screens of two
// side-by-side monitors, for each quarter turn. (15000, 8000) is the ratio (0.25, 0.2) of the
// work area; (45000, 0) lies beyond its top-right corner.
TEST_F(CoordMap, PenSampleLandsOnSelectedScreen) {
    app().workarea = {0.25f, 0.2f, 0.75f, 0.8f};
    const ChainCase cases[] = {
        {0, 0, {15000, 8000}, {4999.75f, 5000}},
        {0, 90, {15000, 8000}, {15999.2f, 6250}},
        {0, 180, {15000, 8000}, {14999.25f, 20000}},
        {0, 270, {15000, 8000}, {3999.8f, 18750}},
        {1, 0, {15000, 8000}, {24999.75f, 5000}},
        {1, 90, {15000, 8000}, {35999.2f, 6250}},
        {1, 180, {15000, 8000}, {34999.25f, 20000}},
        {1, 270, {15000, 8000}, {23999.8f, 18750}},
        {2, 0, {15000, 8000}, {9999.75f, 5000}},
        {2, 90, {15000, 8000}, {31999.2f, 6250}},
        {2, 180, {15000, 8000}, {29999.25f, 20000}},
        {2, 270, {15000, 8000}, {7999.8f, 18750}},
        {1, 0, {45000, 0}, {39999, 0}},
        {1, 90, {45000, 0}, {39999, 25000}},
        {1, 180, {45000, 0}, {20000, 25000}},
        {1, 270, {45000, 0}, {20000, 0}},
    };
    for (const ChainCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "screen " << c.screen << ", rotate " << c.rotate
                                        << ", raw " << c.raw.x << "," << c.raw.y);
        use(kSideBySide, c.screen);
        app().rotateAngle = c.rotate;
        const CGPoint out = mapPen(c.raw);
        EXPECT_NEAR(out.x, c.out.x, 0.01f);
        EXPECT_NEAR(out.y, c.out.y, 0.01f);
    }
}

struct DesktopCase {
    const char* name;
    th_u32 screen;
    ZvRectRatio screenArea;
    CGPoint desktop;
    CGPoint raw;
};

TEST_F(CoordMap, DesktopPointToRawOfCurrentScreen) {
    const DesktopCase cases[] = {
        {"middle of the right screen", 1, kWhole, {2880, 540}, {29999.5f, 12500}},
        {"left of the right screen is clamped", 1, kWhole, {100, 2000}, {20000, 25000}},
        {"middle of the screen area", 1, {0.5f, 0.5f, 1.0f, 1.0f}, {3360, 810}, {29999.5f, 12500}},
        {"all screens", 2, kWhole, {960, 270}, {9999.75f, 6250}},
    };
    for (const DesktopCase& c : cases) {
        SCOPED_TRACE(c.name);
        app().screenArea[c.screen] = c.screenArea;
        use(kSideBySide, c.screen);
        CGPoint pt = c.desktop;
        _map.cPtFromCurScreenToRawCoord(pt);
        EXPECT_FLOAT_EQ(pt.x, c.raw.x);
        EXPECT_FLOAT_EQ(pt.y, c.raw.y);
    }
}

TEST_F(CoordMap, MouseModeOutputIsClampedToScreenImage) {
    use(kSideBySide, 1); // (20000, 0)-(39999, 25000)
    const struct {
        CGPoint in, clamped;
        ZvPtRatio ratio;
    } cases[] = {
        {{29999.5f, 12500}, {29999.5f, 12500}, {0.5f, 0.5f}},
        {{10000, -40}, {20000, 0}, {0.0f, 0.0f}},
        {{50000, 30000}, {39999, 25000}, {1.0f, 1.0f}},
    };
    for (const auto& c : cases) {
        CGPoint pt = c.in;
        ZvPtRatio pr{-1.0f, -1.0f};
        _map.cRatioFromCSMapRawCoordToWorkCoord(pt, pr);
        EXPECT_EQ(pt.x, c.clamped.x);
        EXPECT_EQ(pt.y, c.clamped.y);
        EXPECT_FLOAT_EQ(pr.x, c.ratio.x);
        EXPECT_FLOAT_EQ(pr.y, c.ratio.y);
    }
}

// Hides any X server from the map while it lives.
class NoDisplay {
public:
    NoDisplay() {
        const char* d = getenv("DISPLAY");
        _had = d != nullptr;
        if (d)
            _saved = d;
        unsetenv("DISPLAY");
    }
    ~NoDisplay() {
        if (_had)
            setenv("DISPLAY", _saved.c_str(), 1);
    }

private:
    bool _had = false;
    std::string _saved;
};

bool finite(const CGPoint& p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// No monitor known: the current screen is the tablet's whole raw range, and every conversion
// gives a finite point, also on an empty work area.
TEST_F(CoordMap, NoMonitorFallsBackToTabletRange) {
    NoDisplay hidden;
    const struct {
        const char* name;
        ZvRectRatio workarea;
        th_u32 storedIndex;
        ZvRect work;
    } cases[] = {
        {"whole tablet, template index", kWhole, 8, {0, 0, 40000, 25000}},
        {"first screen stored", kWhole, 0, {0, 0, 40000, 25000}},
        {"empty work area", {0.5f, 0.5f, 0.5f, 0.5f}, 1, {20000, 12500, 20000, 12500}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        app().workarea = c.workarea;
        _uc->base.curScreenIndex = c.storedIndex;
        _map.setMonitors(nullptr, 0);
        _map.init();
        ASSERT_EQ(_map.monitorNum(), 0u);
        EXPECT_EQ(_uc->base.curScreenIndex, c.storedIndex) << "the stored choice is kept";
        EXPECT_EQ(_map._workRect, c.work);
        EXPECT_EQ(_map._csMapRawRect, (ZvRect{0, 0, 39999, 25000}));
        EXPECT_EQ(_map._csCursorRect, (ZvRect{0, 0, 39999, 25000}));

        CGPoint pen = mapPen({30000, 20000});
        EXPECT_TRUE(finite(pen));
        EXPECT_GE(pen.x, 0.0f);
        EXPECT_LE(pen.x, 39999.0f);
        CGPoint cursor{};
        _map.cPtInCursorCoord({0.5f, 0.5f}, cursor);
        EXPECT_EQ(_map.monitorNum(), 0u);
        EXPECT_FLOAT_EQ(cursor.x, 19999.5f);
        EXPECT_FLOAT_EQ(cursor.y, 12500.0f);
        CGPoint desk{100.0f, 100.0f};
        _map.cPtFromCurScreenToRawCoord(desk);
        EXPECT_TRUE(finite(desk));
        ZvPtRatio pr{};
        CGPoint mouse{5.0f, 5.0f};
        _map.cRatioFromCSMapRawCoordToWorkCoord(mouse, pr);
        EXPECT_TRUE(std::isfinite(pr.x) && std::isfinite(pr.y));
        EXPECT_FALSE(_map.switchDisplay(1));
    }
}

// Before the worker binds it (or with a null settings lookup) the map must not crash.
TEST(CoordMapUnbound, ConversionsStayFinite) {
    zv_set_log_handler(quiet);
    ZvCoordMap map;
    const ZvRect two[] = {{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}};
    map.setMonitors(two, 2);
    map.updateWorkarea();
    CGPoint pt{100.0f, 100.0f};
    ZvPtRatio pr{};
    map.cRatioInRawCoord(pt, pr);
    map.cPtInRawCoord(pr, pt);
    EXPECT_TRUE(finite(pt));
    EXPECT_FALSE(map.switchDisplay(1));
    zv_set_log_handler(nullptr);
}

} // namespace
