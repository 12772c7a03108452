// libpadsession (both builds, loaded by path) over the simulated BlueZ.
#pragma once

#include "MockBluezTest.h"
#include "PadSessionLib.h"

#include <array>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zvtest {

enum class BleBuild { Bluetooth, UsbOnly };

// One caller of the library; its address is the session context.
class BleClient {
public:
    using Report = std::array<th_u8, ZV_REPORT_DELIVER_LEN>;
    // Runs on the report thread for every report, before it is recorded; set before opening.
    std::function<void(const th_u8*)> hook;
    ZvTabletOpenPatam param();
    std::vector<Report> reports();
    bool waitReports(size_t n, int ms = 3000);

private:
    static void onRead(void* context, th_u8* buf);
    static void ignore(void*) {}
    static void ignoreDesc(void*, th_u8*) {}
    std::mutex _m;
    std::condition_variable _cv;
    std::vector<Report> _reports;
};

class BleSession : public MockBluezTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // Loads the build (once per process) and makes it this test's api.
    void use(BleBuild build);
    BleClient& newClient();
    th_i16 open(BleClient& c, ZvTabletOpenPatam* out = nullptr);
    std::vector<std::string> logLines();
    // Waits up to ms for a log line of the library that contains needle.
    bool waitLog(const std::string& needle, int ms = 3000);

    PadSessionApi api;

private:
    std::vector<std::unique_ptr<BleClient>> _clients;
};

} // namespace zvtest
