// The worker harness: a real ZvTabletThread over the real libpadsession (loaded by path from
// the libs folder beside this program), the simulated tablet in front of hidapi, the uinput
// capture in front of /dev/uinput, and a private Xvfb with a known monitor layout.
#pragma once

#include "NotifyRecorder.h"
#include "TabletSim.h"
#include "UinputCapLog.h"
#include "ZvTabletThread.h"
#include "ZvXvfb.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zvtest {

// What the simulated tablet says about itself.
struct SimTablet {
    std::string model; // the answer to command 201
    unsigned maxX = 50800;
    unsigned maxY = 31750;
    unsigned maxP = 8191;
    unsigned keys = 8;
    unsigned flags = 0; // byte 14 of the 200 answer: 0x04 passive, 0x02 pen display
    std::string extra;  // more feature lines
};

// The shipped description of a model (tablet.cfg); false when the model is not there.
bool stored_tablet(const std::string& model, ZvTabletCfg& tc);
// The models of data/models, without the generic one.
std::vector<std::string> shipped_models();

using KeyEvent = std::pair<unsigned, int>; // code, value

class WorkerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Loads a scenario with this tablet and starts a worker on it; waits for message 257 when
    // expectOpen. What start-up itself wrote to the devices is skipped unless keepStartup.
    void plug(const SimTablet& t, bool expectOpen = true, bool keepStartup = false);
    // Stops and deletes the worker (close() runs on its thread).
    void stopWorker();
    // Queues reports on the open interface, pausing gapMs between them.
    void inject(const std::vector<std::vector<unsigned char>>& reports, int gapMs = 2);
    void inject(const std::vector<unsigned char>& report) {
        inject(std::vector<std::vector<unsigned char>>{report});
    }

    // The user settings the worker will read for model (template or per-model file), to edit
    // and store before plugging in.
    std::unique_ptr<ZvUserConfig> userCfg(const std::string& model);
    void storeUserCfg(const std::string& model, ZvUserConfig& uc);

    // Event groups written since SetUp to the pen device, the keyboard, the mouse; waits until
    // at least n (0: returns what is there after a short settle).
    std::vector<ZvCapGroup> penGroups(size_t n, int ms = 3000);
    std::vector<ZvCapGroup> kbdGroups(size_t n, int ms = 3000);
    std::vector<ZvCapGroup> mouseGroups(size_t n, int ms = 3000);
    // The EV_KEY events of the keyboard, in order.
    std::vector<KeyEvent> keyEvents(size_t n, int ms = 3000);

    static ZvXvfb* xvfb;
    TabletSim sim;
    std::unique_ptr<ZvTabletThread> worker;
    std::string path; // the HID path the worker opened

private:
    std::vector<ZvCapGroup> groupsOf(const char* which, size_t n, int ms);
    size_t _baseline = 0;
};

// Pen report bytes (kind, raw x, y, pressure, tilt).
std::vector<unsigned char> pen(unsigned kind, unsigned x, unsigned y, unsigned p = 0, int tx = 0,
                               int ty = 0);
std::vector<unsigned char> keys(unsigned mask, bool touch = false, unsigned char byte3 = 0);
// Slider/ring position (0xF0), dial step (0xF1), control touch key (0xE1).
std::vector<unsigned char> slider(unsigned char pos, unsigned control = 0);
std::vector<unsigned char> dial(unsigned char step, unsigned char number = 1);
std::vector<unsigned char> touch(unsigned id);

// A binding of funcBit; with a key, the combination of that key with Ctrl and Shift as asked.
ZvEkey binding(th_u32 funcBit, unsigned key = 0, bool ctrl = false, bool shift = false);

using Buttons = std::vector<std::pair<int, int>>; // code, value
// The button events in these groups that reach the desktop (past the input core's filter).
Buttons delivered_buttons(const std::vector<ZvCapGroup>& groups);

} // namespace zvtest
