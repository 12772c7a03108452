// A private X server for tests: Xvfb on a free display number, with a chosen XRandR monitor
// layout, killed when the fixture goes away.
//
// Usage (one server per test suite is enough; starting one takes a fraction of a second):
//
//     #include "ZvXvfb.h"      // CMake: link zvtest_xvfb
//
//     class MyX11Test : public ::testing::Test {
//     protected:
//         static void SetUpTestSuite() { xvfb = new ZvXvfb(); }    // sets DISPLAY
//         static void TearDownTestSuite() { delete xvfb; xvfb = nullptr; }
//         void SetUp() override { ZV_XVFB_OR_SKIP(*xvfb); }  // skip (77) when not installed
//         static inline ZvXvfb* xvfb = nullptr;
//     };
//
//     TEST_F(MyX11Test, SideBySide) {
//         ASSERT_TRUE(xvfb->setMonitors(ZvXvfb::sideBySide()));  // 2 x 1920x1080 at y 0
//         ASSERT_TRUE(xvfb->warpPointer(2000, 10));
//         // ... code under test opens the default display ($DISPLAY) ...
//     }
//
// The monitor layout stays as the last test left it: every test sets the one it needs.
//
// Child processes: pass xvfb->displayEnv() ("DISPLAY=:N") in their environment, or just inherit:
// the constructor sets DISPLAY in this process (and the destructor restores the previous value),
// so build the fixture before starting threads that read the environment.
//
// The server is started with -noreset: without it, it resets when its last client disconnects
// and every monitor set here vanishes. It dies with the thread that built the fixture
// (PR_SET_PDEATHSIG), so a crashed test leaves no server behind; build it on the main thread.
#pragma once

#include "ZvTestSkip.h"

#include <string>
#include <sys/types.h>
#include <vector>

// One monitor in X screen pixels. x and y may be negative: the server keeps such a monitor
// (its position is a signed 16-bit field) although no pixel of the X screen lies there.
struct ZvXvfbMonitor {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

class ZvXvfb {
public:
    // Starts Xvfb with one X screen of width x height x 24, plus extraArgs (for instance
    // {"-extension", "RANDR"} for a server without XRandR). When /usr/bin/Xvfb is missing or the
    // server does not come up within a few seconds, available() is false and reason() says why.
    explicit ZvXvfb(int width = 3840, int height = 2160, std::vector<std::string> extraArgs = {});
    ~ZvXvfb();
    ZvXvfb(const ZvXvfb&) = delete;
    ZvXvfb& operator=(const ZvXvfb&) = delete;

    bool available() const { return _pid > 0; }
    // Xvfb is not installed here: the only reason for a test to skip rather than fail.
    bool missing() const { return _missing; }
    const std::string& reason() const { return _reason; }
    // ":N", and "DISPLAY=:N" for the environment of a child process.
    const std::string& display() const { return _display; }
    std::string displayEnv() const { return "DISPLAY=" + _display; }
    int width() const { return _width; }
    int height() const { return _height; }

    // Replaces the XRandR monitors with these (1 to 16), named ZV0, ZV1, ... in this order, which
    // is also the order XRRGetMonitors lists them. The first takes the server's only output, so
    // the server's own whole-screen monitor disappears. False (with reason()) when xrandr fails.
    bool setMonitors(const std::vector<ZvXvfbMonitor>& monitors);

    // Runs xrandr on this server with these arguments; true when it exited with 0.
    bool xrandr(const std::vector<std::string>& args) { return runXrandr(args); }

    // Moves the pointer to (x, y) on the root window; the server clamps it to the X screen.
    bool warpPointer(int x, int y);

    // The layouts the tests share, all 1920x1080 monitors.
    static std::vector<ZvXvfbMonitor> one();        // (0,0)
    static std::vector<ZvXvfbMonitor> sideBySide(); // (0,0) (1920,0)
    static std::vector<ZvXvfbMonitor> stacked();    // (0,0) (0,1080)
    static std::vector<ZvXvfbMonitor> negative();   // (0,0) (-1920,0): the second left of origin

private:
    bool start();
    void stop();
    bool runXrandr(const std::vector<std::string>& args);

    pid_t _pid = -1;
    int _pidfd = -1;
    int _width;
    int _height;
    std::vector<std::string> _extraArgs;
    std::string _display;
    std::string _reason;
    std::string _savedDisplay;
    bool _hadDisplay = false;
    bool _missing = false;
    unsigned _monitorCount = 0; // monitors ZV0.. currently set
};

// In a test body or SetUp: skips the test (CTest: skipped) when Xvfb is not installed, and
// fails it when an installed Xvfb did not come up, so a broken server is never mistaken for an
// absent one.
#define ZV_XVFB_OR_SKIP(xvfb)                                                                      \
    do {                                                                                           \
        if (!(xvfb).available()) {                                                                 \
            if ((xvfb).missing()) {                                                                \
                zvtest_exit_77_on_skip();                                                          \
                GTEST_SKIP() << "no X server for this test: " << (xvfb).reason();                  \
            }                                                                                      \
            GTEST_FAIL() << "the X server did not start: " << (xvfb).reason();                     \
        }                                                                                          \
    } while (0)
