// The daemon end to end: the real ZervaCore, copied into a folder of the test's own with libs/,
// res/ and log.conf beside it, started with the simulated tablet and the uinput capture in front
// (LD_PRELOAD), on a private session bus and a private Xvfb, with UiPeer playing the settings
// application. The real-kernel tier derives from it and starts the core without the stand-ins.
#pragma once

#include "UiPeer.h"
#include "UinputCapLog.h"
#include "ZvDBusDaemon.h"
#include "ZvXvfb.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

class DaemonTest : public ::testing::Test {
public:
    // The bus, the X server and the settings application's stand-in, at the end of the program.
    static void tearDownProgram();

protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    // The bus, an X server of this size with one 1920x1080 monitor at its origin, and the
    // settings application's stand-in; once per program.
    static void startDesktop(int width, int height);
    void SetUp() override;
    void TearDown() override;
    // False: the core meets the real hidapi and the real /dev/uinput (the real-kernel tier).
    virtual bool standIns() const { return true; }
    // The folder that holds each test's folder.
    virtual std::string runRoot() const;

    // Starts the core in dir() with this scenario; returns its pid (-1 on failure).
    pid_t startCore(const std::string& scenario, std::vector<std::string> args = {"-d"});
    // Starts args[0] (a path) with that environment in dir(), its output added to output();
    // the pid (-1 on failure). Whatever still runs is killed after the test.
    pid_t spawn(std::vector<std::string> args, std::vector<std::string> env);
    // Waits for the process to end: its exit status, 128 + signal, or -1 after ms.
    int waitExit(pid_t pid, int ms);
    // SIGKILL and reap, when still running.
    void killCore(pid_t pid);

    std::string dir() const { return _dir; }
    // What the core wrote on standard output and error.
    std::string output() const;
    // Lines of the simulated tablet's trace: "<seconds> <event>".
    std::vector<std::string> trace() const;
    // Index of the first trace line whose event starts with prefix, waiting up to ms.
    long waitTrace(const std::string& prefix, int ms, size_t from = 0) const;
    double traceTime(long line) const;
    int traceCount(const std::string& prefix) const;
    ZvCapLog cap() const;
    // The pen events that reached the core's current pen device, waiting for at least n groups.
    std::vector<ZvCapGroup> penGroups(size_t n, int ms);
    // Those of them that carry pressure (the pen touching), waiting for at least n. Hovering
    // before a stroke also moves the pen, so counting all groups can stop short of the stroke.
    std::vector<ZvCapGroup> penContactGroups(size_t n, int ms);
    // CLOCK_MONOTONIC seconds, the clock of the trace and of the capture.
    static double now();
    double startedAt() const { return _startedAt; }
    // The per-model user file the store writes for model.
    std::string userFile(const std::string& model) const { return _dir + "/res/" + model + ".cfg"; }
    // Replaces one library in this folder's libs/ by nothing.
    void removeLib(const std::string& name);
    void writeLogConf(const std::string& text);

    static ZvDBusDaemon* bus;
    static ZvXvfb* xvfb;
    static UiPeer* ui;
    // False before startDesktop: the real settings application's end takes the stand-in's place
    // on the bus (ui stays null).
    static bool withUiPeer;
    // True before startDesktop: programs of other users may use the bus too.
    static bool busForAllUsers;
    pid_t core = -1;

private:
    std::string _dir;
    double _startedAt = 0;
    std::vector<pid_t> _started;
};

// A whole file's bytes (empty when it cannot be read).
std::string read_all(const std::string& path);

// Scenario text of one tablet of a shipped model (device answers 200 and 201), with a script.
std::string tablet_device(const std::string& name, const std::string& model, unsigned pid,
                          const std::string& path, const std::string& extra = "");

// A script for device that switches the shipped ring model's ring to scrolling (express key 1
// selects its next function set) after waitMs, then turns it `steps` steps, one every 10 ms.
// Each step is a wheel step that the core posts to its main thread.
std::string scrolling_ring_script(const std::string& device, int waitMs, int steps);
