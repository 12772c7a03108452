// The latency the driver adds, next to the kernel's own path for the same reports: from a report
// leaving the USB/IP server to its event on an evdev node, both read with monotonic stamps in one
// run. The kernel's path (usbhid and hid-generic turning a standard digitizer report into evdev
// events) is the floor a driver in user space can approach. Reported, not asserted.
#include "KernelFixture.h"

#include <linux/input.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <thread>

namespace {

constexpr int kReports = 400;
constexpr int kPeriodUs = 4000;

struct Percentiles {
    double p50 = 0, p99 = 0;
};

Percentiles percentiles(std::vector<double> v) {
    Percentiles p;
    if (v.empty())
        return p;
    std::sort(v.begin(), v.end());
    p.p50 = v[v.size() / 2];
    p.p99 = v[std::min(v.size() - 1, v.size() * 99 / 100)];
    return p;
}

struct Frame {
    int64_t ns = 0;
    int x = 0;
};

// Frames that moved the pen's X, in order: the stamp and the new X of each.
std::vector<Frame> x_frames(const std::vector<ZvEvdevEvent>& events) {
    std::vector<Frame> frames;
    Frame f;
    bool moved = false;
    for (const ZvEvdevEvent& e : events) {
        if (e.type == EV_ABS && e.code == ABS_X) {
            moved = true;
            f.x = e.value;
        }
        if (e.type == EV_SYN && e.code == SYN_REPORT) {
            if (moved) {
                f.ns = e.ns;
                frames.push_back(f);
            }
            moved = false;
        }
    }
    return frames;
}

int report_x(int i) {
    return 2000 + 40 * i;
}

} // namespace

class KernelLatency : public KernelTest {
protected:
    // Plays the reports, one every kPeriodUs, and the microseconds from each report's delivery
    // to the frame it became on the node that reader reads. Frames are matched to reports by
    // their X, which xOf gives for report i's X on that node, so a report lost on the way is
    // told apart from one that is late.
    std::vector<double> measure(ZvEvdevReader& reader, const char* path,
                                const std::function<double(int)>& xOf) {
        // The pen handler takes the first report after an open for stale and drops it; a report
        // away from the measured ones goes first, so that every measured one counts.
        EXPECT_TRUE(tablet->inject(0, pen_at(tabletsim::kPenHover, 1000, 1000)));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        reader.log().clear();
        std::vector<tabletsim::Bytes> reports;
        for (int i = 0; i < kReports; ++i)
            reports.push_back(pen_at(tabletsim::kPenHover | tabletsim::kPenTip, report_x(i),
                                     3000 + 20 * i, static_cast<uint16_t>(1000 + i)));
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kReports; ++i) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(kPeriodUs * i));
            EXPECT_TRUE(tablet->inject(0, reports[static_cast<size_t>(i)]));
        }
        const auto events = reader.log().waitUntil(
            [&](const std::vector<ZvEvdevEvent>& e) {
                const std::vector<Frame> f = x_frames(e);
                return !f.empty() && std::abs(f.back().x - xOf(kReports - 1)) <= 10;
            },
            10000);
        // Each report's delivery is found by its bytes, not by its place in the list: on a
        // loaded machine the report ahead of them may still be queued when the list is read.
        std::vector<int64_t> sentNs(reports.size(), -1);
        for (const usbipsim::Delivery& d : tablet->deliveries()) {
            for (size_t i = 0; i < reports.size(); ++i) {
                const size_t n = std::min(sizeof d.head, reports[i].size());
                if (sentNs[i] < 0 && d.len >= n && memcmp(d.head, reports[i].data(), n) == 0) {
                    sentNs[i] = d.ns;
                    break;
                }
            }
        }
        // The device drops its oldest unread reports when the host falls behind, as hardware
        // does; on a loaded machine the guest can. What was delivered must all arrive.
        const size_t delivered = static_cast<size_t>(
            std::count_if(sentNs.begin(), sentNs.end(), [](int64_t ns) { return ns >= 0; }));
        EXPECT_GE(delivered, static_cast<size_t>(kReports / 2)) << path << ": too few to measure";
        // X steps by at least 30 units on both nodes: the nearest report within a third of a step.
        std::vector<double> us;
        std::string missing;
        size_t next = 0;
        for (const Frame& f : x_frames(events)) {
            while (next < sentNs.size() && xOf(static_cast<int>(next)) < f.x - 10) {
                if (sentNs[next] >= 0)
                    missing += " " + std::to_string(next);
                ++next;
            }
            if (next < sentNs.size() && std::abs(xOf(static_cast<int>(next)) - f.x) <= 10) {
                if (sentNs[next] >= 0)
                    us.push_back(static_cast<double>(f.ns - sentNs[next]) / 1000.0);
                ++next;
            }
        }
        EXPECT_EQ(us.size(), delivered) << path << ": reports without their frame:" << missing;
        if (delivered < static_cast<size_t>(kReports))
            printf("%s: the device dropped %zu of %d reports (the guest fell behind)\n", path,
                   static_cast<size_t>(kReports) - delivered, kReports);
        return us;
    }
};

TEST_F(KernelLatency, DriverPathNextToTheKernelsOwn) {
    // The driver's path: the core holds the tablet and writes the virtual pen.
    startCoreReady();
    ZvEvdevReader pen;
    openEvdev(pen, "Zerva pen");
    plug(tabletScenario());
    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_OPEN, 0, 20000)) << output();
    const std::vector<double> driver = measure(pen, "driver", [](int i) {
        // The whole tablet on the whole X screen, in the virtual pen's 40000 units.
        return report_x(i) * 40000.0 / kMaxX;
    });
    ASSERT_EQ(kill(core, SIGUSR1), 0);
    ASSERT_EQ(waitExit(core, 15000), 0) << output();
    tablet.reset();

    // The kernel's path: the same bytes under a digitizer report descriptor, with no core
    // running, left to usbhid and hid-generic.
    plug(tabletScenario(), usbipsim::ReportKind::Digitizer);
    ZvEvdevReader kernel;
    const std::string node = ZvEvdevReader::findNode("Zerva", 15000, /* prefix= */ true);
    ASSERT_NE(node, "") << "hid-generic made no input device of the digitizer";
    ASSERT_TRUE(kernel.open(node)) << kernel.reason();
    ASSERT_TRUE(kernel.hasCode(EV_ABS, ABS_PRESSURE)) << node << " is not a pen";
    const std::vector<double> floor = measure(kernel, "kernel", [](int i) { return report_x(i); });

    const Percentiles d = percentiles(driver);
    const Percentiles k = percentiles(floor);
    char text[512];
    snprintf(text, sizeof text,
             "reports %d every %d us (TCG guest)\n"
             "driver  (USB/IP -> libusb -> core -> uinput -> evdev): p50 %.0f us  p99 %.0f us\n"
             "kernel  (USB/IP -> usbhid -> hid-generic -> evdev):   p50 %.0f us  p99 %.0f us\n"
             "ratio   driver / kernel: p50 %.2f  p99 %.2f\n",
             kReports, kPeriodUs, d.p50, d.p99, k.p50, k.p99, k.p50 > 0 ? d.p50 / k.p50 : 0,
             k.p99 > 0 ? d.p99 / k.p99 : 0);
    printf("%s", text);
    if (const char* results = getenv("ZV_GUEST_RESULTS"))
        std::ofstream(std::string(results) + "/latency.txt") << text;
    EXPECT_GT(d.p50, 0);
    EXPECT_GT(k.p50, 0);
}
