// The pid file, a second instance, SIGUSR1, start-up failures, two tablets and a third one,
// unplug, and re-plug through the resume rule.
#include "DaemonFixture.h"

#include <linux/input.h>
#include <memory>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <thread>
#include <unistd.h>

namespace {

std::string read_pid_file(const std::string& dir) {
    FILE* f = fopen((dir + "/.ZervaCore.pid").c_str(), "rb");
    std::string s;
    if (f == nullptr)
        return s;
    char buf[64];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        s.append(buf, n);
    fclose(f);
    return s;
}

std::string two_models_and_a_third() {
    return tablet_device("a", "ZVM0640EKB", 0x0950, "1-1:1") +
           tablet_device("b", "ZVD1560RNG", 0x0960, "1-2:1") +
           tablet_device("c", "ZVM1060SLD", 0x0970, "1-3:1");
}

// Mouse wheel groups written so far, with their times (monotonic seconds).
std::vector<double> wheel_times(const ZvCapLog& log) {
    std::vector<double> times;
    const ZvCapDevice* mouse = log.device("Zerva mouse");
    if (mouse == nullptr)
        return times;
    for (const ZvCapGroup& g : log.groupsOf(*mouse))
        if (g.has(EV_REL, REL_WHEEL))
            times.push_back(static_cast<double>(g.atNs) / 1e9);
    return times;
}

} // namespace

// Without -d the core detaches: the process the user started returns at once, and the pid file
// names the background process that serves the tablets and obeys SIGUSR1.
TEST_F(DaemonTest, DetachedCoreServesFromTheBackgroundAndStopsOnSigusr1) {
    // The detached core is orphaned twice over; as subreaper this test can still reap it.
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
#if defined(__SANITIZE_THREAD__)
    // The core shuts log4cplus's threads down before it forks, and without the sanitizer it then
    // forks with one thread (test_zvlogcore_fork). ThreadSanitizer's runtime at times still
    // counts one of the joined threads at the fork and would refuse the background process any
    // thread of its own.
    const char* tsan = getenv("TSAN_OPTIONS");
    const std::string saved = tsan != nullptr ? tsan : "";
    setenv("TSAN_OPTIONS", (saved + (saved.empty() ? "" : ":") + "die_after_fork=0").c_str(), 1);
#endif
    const pid_t launcher = startCore(tablet_device("t", "ZVM0640EKB", 0x0950, "1-1:1"), {});
#if defined(__SANITIZE_THREAD__)
    if (tsan != nullptr)
        setenv("TSAN_OPTIONS", saved.c_str(), 1);
    else
        unsetenv("TSAN_OPTIONS");
#endif
    ASSERT_GT(launcher, 0);
    EXPECT_EQ(waitExit(launcher, 3000), 0) << output();

    pid_t daemon = -1;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (daemon <= 0 && std::chrono::steady_clock::now() < until) {
        const std::string pid = read_pid_file(dir());
        if (!pid.empty() && pid.back() == '\0')
            daemon = static_cast<pid_t>(atol(pid.c_str()));
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_GT(daemon, 0) << output();
    const auto reap = [this](pid_t* p) { killCore(*p); };
    std::unique_ptr<pid_t, decltype(reap)> reapOnFailure(&daemon, reap);
    EXPECT_NE(daemon, launcher);
    EXPECT_NE(getsid(daemon), getsid(0)) << "still in the session it was started from";
    EXPECT_NE(getsid(daemon), daemon) << "a session leader could regain a terminal";

    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_OPEN, 0, 8000)) << output();
    ASSERT_EQ(kill(daemon, SIGUSR1), 0);
    EXPECT_EQ(waitExit(daemon, 5000), 0);
    EXPECT_EQ(traceCount("feature-get 1-1:1.0 205"), 1);
}

TEST_F(DaemonTest, PidFileHoldsThePidAndASecondInstanceLeavesIt) {
    core = startCore(tablet_device("t", "ZVM0640EKB", 0x0950, "1-1:1"));
    ASSERT_TRUE(ui->waitCore(5000)) << output();
    const std::string expected = std::to_string(core) + std::string(1, '\0');
    EXPECT_EQ(read_pid_file(dir()), expected);

    const pid_t second = startCore("");
    EXPECT_EQ(waitExit(second, 5000), 255); // main's -1
    EXPECT_EQ(read_pid_file(dir()), expected);
    EXPECT_NE(output().find("app isOnly ret=-2"), std::string::npos) << output();
    EXPECT_EQ(waitExit(core, 0), -1) << "the first instance ended";
}

TEST_F(DaemonTest, Sigusr1HandsEveryTabletBackAndExitsWithZero) {
    core = startCore(tablet_device("a", "ZVM0640EKB", 0x0950, "1-1:1") +
                     tablet_device("b", "ZVD1560RNG", 0x0960, "1-2:1"));
    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_OPEN, 1, 8000)) << output();
    ASSERT_EQ(traceCount("feature-get 1-1:1.0 205"), 0);
    ASSERT_EQ(kill(core, SIGUSR1), 0);
    const double t0 = now();
    // A second signal while the first is handled only says so.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_EQ(kill(core, SIGUSR1), 0);
    EXPECT_EQ(waitExit(core, 5000), 0) << output();
    // About a second: the hand-back itself must not hold the exit up.
    EXPECT_GE(now() - t0, 0.9);
    EXPECT_LT(now() - t0, 2.0) << output();
    EXPECT_EQ(traceCount("feature-get 1-1:1.0 205"), 1) << "\n" << output();
    EXPECT_EQ(traceCount("feature-get 1-2:1.0 205"), 1);
    const std::string out = output();
    EXPECT_NE(out.find(" -- Received quit signal 10, quiting"), std::string::npos);
    EXPECT_NE(out.find(" --else Received quit signal 10, quiting"), std::string::npos);
    // Each tablet said goodbye (a worker reports its close more than once).
    bool closed[2] = {false, false};
    for (const ZvMsg& m : ui->received()) {
        if (m.head.cmd != ZVMC_CORE_TABLET_CLOSE)
            continue;
        closed[0] = closed[0] || strcmp(m.body.sModel, "ZVM0640EKB") == 0;
        closed[1] = closed[1] || strcmp(m.body.sModel, "ZVD1560RNG") == 0;
    }
    EXPECT_TRUE(closed[0] && closed[1]);
}

TEST_F(DaemonTest, MissingMessagingLibraryEndsStartUpWithMinusOne) {
    removeLib("libuibridge.so.1.0.0");
    core = startCore("");
    EXPECT_EQ(waitExit(core, 5000), 255);
    EXPECT_NE(output().find("load QtSession so error  rt=-1"), std::string::npos) << output();
}

TEST_F(DaemonTest, MissingSessionLibraryEndsStartUpWithMinusOne) {
    removeLib("libpadsession.so");
    core = startCore("");
    EXPECT_EQ(waitExit(core, 5000), 255);
    EXPECT_NE(output().find("load padsession so error!"), std::string::npos) << output();
}

TEST_F(DaemonTest, BrokenLogConfIsReportedAndTheCoreGoesOn) {
    writeLogConf("this is not a log4cplus configuration\n");
    core = startCore(tablet_device("t", "ZVM0640EKB", 0x0950, "1-1:1"));
    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_OPEN, 0, 6000)) << output();
    EXPECT_NE(output().find("init failed"), std::string::npos);
    // Without a sink the core's own lines stay on standard output.
    EXPECT_NE(output().find("after load dll"), std::string::npos);
}

TEST_F(DaemonTest, TwoModelsAreServedAndAThirdIsNot) {
    core = startCore(two_models_and_a_third());
    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_OPEN, 1, 8000)) << output();
    ZvMsg list;
    ASSERT_TRUE(ui->send(ZVMC_UI_TABLET_NUM)) << ui->lastError();
    ASSERT_TRUE(ui->waitFor(ZVMC_REPLY | ZVMC_UI_TABLET_NUM, 0, 3000, &list));
    EXPECT_EQ(list.body.tablets.num, 2);
    const std::string a = list.body.tablets.model[0];
    const std::string b = list.body.tablets.model[1];
    EXPECT_TRUE((a == "ZVM0640EKB" && b == "ZVD1560RNG") ||
                (a == "ZVD1560RNG" && b == "ZVM0640EKB"))
        << a << " " << b;
    // Both slots are taken: nobody opens the third.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(traceCount("open 1-3:1.0"), 0);
    EXPECT_EQ(ui->count(ZVMC_CORE_TABLET_OPEN), 2u);
}

TEST_F(DaemonTest, UnplugFreesTheSlotAndTheResumeRuleServesItAgain) {
    core = startCore(tablet_device("t", "ZVM0640EKB", 0x0950, "1-1:1") +
                     // Back only after the start-up check has looked at both slots.
                     "script t\n  wait 300ms\n  unplug\n  wait 2500ms\n  plug\nend\n");
    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_OPEN, 0, 6000)) << output();
    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_CLOSE, 0, 3000)) << output();
    // The simulator applies its script at the next hidapi call: the tablet is back for whoever
    // looks once its time has come, and nobody looks until something posts 0x6001.
    std::this_thread::sleep_for(std::chrono::milliseconds(2600));
    ZvMsg list;
    ASSERT_TRUE(ui->send(ZVMC_UI_TABLET_NUM)) << ui->lastError();
    ASSERT_TRUE(ui->waitFor(ZVMC_REPLY | ZVMC_UI_TABLET_NUM, 0, 3000, &list));
    EXPECT_EQ(list.body.tablets.num, 0);
    // No kernel uevent here: a foreground core stopped for three seconds sees the gap on its
    // next one-second tick and looks again.
    ASSERT_EQ(kill(core, SIGSTOP), 0);
    std::this_thread::sleep_for(std::chrono::seconds(3));
    ASSERT_EQ(kill(core, SIGCONT), 0);
    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_OPEN, 1, 6000)) << output();
    EXPECT_NE(output().find("nTimePast="), std::string::npos);
    EXPECT_EQ(traceCount("open 1-1:1.0 ok"), 2);
}

// The quit stops every worker while wheel steps from the ring are still being posted to the
// main thread: it must neither wait for them nor be waited for.
TEST_F(DaemonTest, QuitWhileARingTurnsTakesAboutASecondAndHandsTheTabletBack) {
    // The goodbye command takes a while to be answered: wheel steps keep coming meanwhile.
    core = startCore(tablet_device("ring", "ZVD1560RNG", 0x0960, "1-1:1",
                                   "  feature 205 silent\n  feature-timeout 300ms\n") +
                     scrolling_ring_script("ring", 500, 300));
    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_OPEN, 0, 6000)) << output();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (wheel_times(cap()).size() < 5 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_GE(wheel_times(cap()).size(), 5u) << "the ring does not scroll\n" << output();
    ASSERT_EQ(kill(core, SIGUSR1), 0);
    const double t0 = now();
    EXPECT_EQ(waitExit(core, 5000), 0) << output();
    EXPECT_LT(now() - t0, 2.0) << output();
    EXPECT_EQ(traceCount("feature-get 1-1:1.0 205"), 1) << output();
}

// A tablet whose start-up fails (here: its parameters never come) is not opened with stale
// bytes, is handed back once and left alone; a tablet plugged afterwards is served and maps
// with its own range.
TEST_F(DaemonTest, AFailedStartUpOpensNothingAndTheNextPlugIsServed) {
    std::string scenario =
        tablet_device("bad", "ZVM0640EKB", 0x0950, "1-1:1", "  feature 200 stall\n") +
        tablet_device("good", "ZVM0640EKB", 0x0950, "1-2:1", "  unplugged\n") +
        "script bad start load\n  wait 1500ms\n  pen 25400 15875 4000\nend\n"
        "script good start load\n  wait 1000ms\n  plug\nend\n"
        "script good\n  wait 300ms\n  hover 25400 15875\n  pen 25400 15875 4000\n"
        "  pen 25400 15875 4000\nend\n";
    core = startCore(scenario);
    ASSERT_GE(waitTrace("feature-get 1-1:1.0 200", 5000), 0) << output();
    ASSERT_GE(waitTrace("close 1-1:1.0", 3000), 0) << output();
    EXPECT_EQ(traceCount("feature-get 1-1:1.0 205"), 1);
    EXPECT_EQ(ui->count(ZVMC_CORE_TABLET_OPEN), 0u);
    // The next look for tablets (here the resume rule: a core stopped for three seconds looks
    // again) finds the new tablet and passes over the one that failed.
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    ASSERT_EQ(kill(core, SIGSTOP), 0);
    std::this_thread::sleep_for(std::chrono::seconds(3));
    ASSERT_EQ(kill(core, SIGCONT), 0);
    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_OPEN, 0, 6000)) << output();
    const auto pen = penContactGroups(1, 3000);
    ASSERT_FALSE(pen.empty()) << output();
    // The middle of a 50800 x 31750 tablet on the one monitor.
    EXPECT_NEAR(pen[0].value(EV_ABS, ABS_X), 20000, 10);
    EXPECT_NEAR(pen[0].value(EV_ABS, ABS_Y), 12500, 10);
    EXPECT_EQ(traceCount("open 1-1:1.0 ok"), 1) << "the failed tablet was opened again";
    EXPECT_EQ(traceCount("open 1-2:1.0 ok"), 1);
}
