// Both builds of libpadsession, loaded by path as the core loads them, over the simulated tablet.
#pragma once

#include "PadSessionLib.h"
#include "TabletSim.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zvtest {

enum class Build { Bluetooth, UsbOnly };

std::string build_path(Build b);
std::string build_name(const ::testing::TestParamInfo<Build>& info);
// Loaded once per process and kept; its log lines go to log_lines().
const PadSessionLib& library(Build b);
std::vector<std::string> log_lines();

// Polls cond every millisecond for up to ms; for states the library offers no event for.
bool eventually(const std::function<bool()>& cond, int ms = 3000);

using Report = std::array<th_u8, ZV_REPORT_DELIVER_LEN>;

// One caller of the library: its address is the session context.
class Client {
public:
    // Runs on the report thread for every report, before it is recorded; set before opening.
    std::function<void(const th_u8*)> hook;

    ZvTabletOpenPatam param();
    std::vector<Report> reports();
    // Waits until at least n reports have arrived.
    bool waitReports(size_t n, int ms = 3000);

private:
    static void onRead(void* context, th_u8* buf);
    static void ignore(void*) {}
    static void ignoreDesc(void*, th_u8*) {}

    std::mutex _m;
    std::condition_variable _cv;
    std::vector<Report> _reports;
};

class SimSession : public ::testing::TestWithParam<Build> {
protected:
    void SetUp() override;
    // Closes every client and checks that hidapi was never misused.
    void TearDown() override;

    void load(const std::string& scenario);
    void loadText(const std::string& text);
    Client& newClient();
    // zvtc_open for c; the request as the library left it in *out when given.
    th_i16 open(Client& c, ZvTabletOpenPatam* out = nullptr);
    // The probe; the path it wrote, or "" when it found nothing (the buffer stays untouched).
    std::string probe();

    TabletSim sim;
    PadSessionApi api;

private:
    std::vector<std::unique_ptr<Client>> _clients;
};

} // namespace zvtest
