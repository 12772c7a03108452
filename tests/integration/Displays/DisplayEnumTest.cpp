// zvcb_enum_display against a real X server with the XRandR monitor layouts of the harness.
#include "XServerTest.h"

#include "ZvDisplayEnum.h"

#include <vector>

namespace {

const ZvRect kSentinel{7, 7, 7, 7};
const unsigned kSentinelNum = 42;

struct EnumCase {
    const char* name;
    std::vector<ZvXvfbMonitor> layout;
    std::vector<ZvRect> expect;
};

std::vector<ZvXvfbMonitor> row(int n, int w, int h) {
    std::vector<ZvXvfbMonitor> v;
    for (int i = 0; i < n; ++i)
        v.push_back({i * w, 0, w, h});
    return v;
}

using DisplayEnum = XServerTest;

} // namespace

TEST_F(DisplayEnum, ListsEveryLayoutInXrandrOrder) {
    const EnumCase cases[] = {
        {"one", ZvXvfb::one(), {{0, 0, 1920, 1080}}},
        {"side by side", ZvXvfb::sideBySide(), {{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}}},
        {"stacked", ZvXvfb::stacked(), {{0, 0, 1920, 1080}, {0, 1080, 1920, 2160}}},
        {"negative offset", ZvXvfb::negative(), {{0, 0, 1920, 1080}, {-1920, 0, 0, 1080}}},
        // The server's order, not the geometric one.
        {"right one first",
         {{1920, 0, 1920, 1080}, {0, 0, 1920, 1080}},
         {{1920, 0, 3840, 1080}, {0, 0, 1920, 1080}}},
        // Nine monitors: the first eight are kept, the rest of the caller's array is untouched.
        {"nine",
         row(9, 400, 300),
         {{0, 0, 400, 300},
          {400, 0, 800, 300},
          {800, 0, 1200, 300},
          {1200, 0, 1600, 300},
          {1600, 0, 2000, 300},
          {2000, 0, 2400, 300},
          {2400, 0, 2800, 300},
          {2800, 0, 3200, 300}}},
    };
    for (const EnumCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(xvfb->setMonitors(c.layout)) << xvfb->reason();
        for (bool xrandrOnly : {false, true}) {
            SCOPED_TRACE(xrandrOnly ? "zvcb_enum_display_Xrandr" : "zvcb_enum_display");
            ZvRect rects[ZV_MAX_MONITORS + 1];
            for (ZvRect& r : rects)
                r = kSentinel;
            unsigned num = kSentinelNum;
            if (xrandrOnly)
                ASSERT_TRUE(zvcb_enum_display_Xrandr(rects, &num));
            else
                zvcb_enum_display(rects, &num);
            ASSERT_EQ(num, c.expect.size());
            for (unsigned i = 0; i < num; ++i)
                EXPECT_EQ(rects[i], c.expect[i]) << "monitor " << i;
            for (unsigned i = num; i < ZV_MAX_MONITORS + 1; ++i)
                EXPECT_EQ(rects[i], kSentinel) << "entry " << i << " written";
        }
    }
}

TEST_F(DisplayEnum, WithoutDisplayLeavesOutputsUntouched) {
    NoDisplay hidden;
    ZvRect rects[ZV_MAX_MONITORS];
    for (ZvRect& r : rects)
        r = kSentinel;
    unsigned num = kSentinelNum;
    zvcb_enum_display(rects, &num);
    EXPECT_EQ(num, kSentinelNum);
    EXPECT_EQ(rects[0], kSentinel);
    EXPECT_FALSE(zvcb_enum_display_Xrandr(rects, &num));
    EXPECT_EQ(num, kSentinelNum);
    EXPECT_EQ(rects[0], kSentinel);
}

// A server without XRandR: the X screen is the only monitor, and the XRandR query declines
// instead of sending a request the server would answer with an error (which ends the process).
class NoXrandr : public ::testing::Test {
protected:
    static void SetUpTestSuite() { xvfb = new ZvXvfb(1600, 900, {"-extension", "RANDR"}); }
    static void TearDownTestSuite() {
        delete xvfb;
        xvfb = nullptr;
    }
    void SetUp() override {
        ZV_XVFB_OR_SKIP(*xvfb);
        zv_display_retry_now();
    }
    static inline ZvXvfb* xvfb = nullptr;
};

TEST_F(NoXrandr, XScreenStandsForTheDesktop) {
    ZvRect rects[ZV_MAX_MONITORS];
    for (ZvRect& r : rects)
        r = kSentinel;
    unsigned num = kSentinelNum;
    EXPECT_FALSE(zvcb_enum_display_Xrandr(rects, &num));
    EXPECT_EQ(num, kSentinelNum);
    zvcb_enum_display(rects, &num);
    ASSERT_EQ(num, 1u);
    EXPECT_EQ(rects[0], (ZvRect{0, 0, 1600, 900}));
    EXPECT_EQ(rects[1], kSentinel);
}

// Every output switched off: XRandR answers with no monitor at all, and the X screen stands in
// so that the map still has a desktop. A server of its own, as the layout cannot be undone.
class OutputsOff : public XServerTest {};

TEST_F(OutputsOff, XScreenStandsForTheDesktop) {
    // xrandr then fails to shrink the screen to nothing, after the output is already off.
    (void)xvfb->xrandr({"--output", "screen", "--off"});
    ZvRect rects[ZV_MAX_MONITORS];
    for (ZvRect& r : rects)
        r = kSentinel;
    unsigned num = kSentinelNum;
    ASSERT_TRUE(zvcb_enum_display_Xrandr(rects, &num));
    ASSERT_EQ(num, 0u);
    zvcb_enum_display(rects, &num);
    ASSERT_EQ(num, 1u);
    EXPECT_EQ(rects[0], (ZvRect{0, 0, 3840, 2160}));
}
