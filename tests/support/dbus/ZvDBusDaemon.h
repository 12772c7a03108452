// A private D-Bus session bus for tests: its own dbus-daemon with a configuration of its own (a
// socket in a fresh temporary folder, everyone may own any name and call anything), killed when
// the fixture goes away, so no test ever touches the desktop's bus or leaves a daemon behind.
//
// Usage (CMake: link zvtest_dbus):
//
//     #include "ZvDBusDaemon.h"
//
//     int main(int argc, char** argv) {           // or a static member of a test suite
//         ZvDBusDaemon bus;                        // sets DBUS_SESSION_BUS_ADDRESS
//         ::testing::InitGoogleTest(&argc, argv);
//         return RUN_ALL_TESTS();
//     }
//     TEST(MyBusTest, Works) { ZV_DBUS_OR_SKIP(*bus); ... }   // skips (exit 77) without
//     dbus-daemon
//
// Build the fixture before anything connects to the session bus (Qt caches the address on first
// use) and before starting threads that read the environment. Child processes inherit the
// address, or take addressEnv() ("DBUS_SESSION_BUS_ADDRESS=unix:path=...") explicitly. The
// daemon dies with the thread that built the fixture (PR_SET_PDEATHSIG): build it on the main
// thread.
#pragma once

#include "ZvTestSkip.h"

#include <string>
#include <sys/types.h>

class ZvDBusDaemon {
public:
    // allUsers: every local user may connect (a test that runs programs as another user), not
    // only this process's.
    explicit ZvDBusDaemon(bool allUsers = false);
    ~ZvDBusDaemon();
    ZvDBusDaemon(const ZvDBusDaemon&) = delete;
    ZvDBusDaemon& operator=(const ZvDBusDaemon&) = delete;

    bool available() const { return _pid > 0; }
    // dbus-daemon is not installed: the only reason for a test to skip rather than fail.
    bool missing() const { return _missing; }
    const std::string& reason() const { return _reason; }
    const std::string& address() const { return _address; }
    std::string addressEnv() const { return "DBUS_SESSION_BUS_ADDRESS=" + _address; }
    pid_t pid() const { return _pid; }

private:
    bool start();
    void stop();

    pid_t _pid = -1;
    bool _missing = false;
    bool _allUsers = false;
    std::string _reason;
    std::string _address;
    std::string _dir;
    bool _hadAddress = false;
    std::string _savedAddress;
};

// Skips the current test (and makes the executable exit with 77) when dbus-daemon is missing;
// fails it when the daemon is installed but did not start.
#define ZV_DBUS_OR_SKIP(bus)                                                                       \
    do {                                                                                           \
        if ((bus).missing()) {                                                                     \
            zvtest_exit_77_on_skip();                                                              \
            GTEST_SKIP() << (bus).reason();                                                        \
        }                                                                                          \
        ASSERT_TRUE((bus).available()) << (bus).reason();                                          \
    } while (0)
