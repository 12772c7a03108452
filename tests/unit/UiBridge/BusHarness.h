// The library as the core runs it: its event loop on the main thread of this test program for
// the whole run, the tests on a second thread playing the core's other threads, and a private
// session bus. Everything the library hands to the core lands in the event sink.
#pragma once

#include "ZvDBusDaemon.h"
#include "ZvMsg.h"

#include <functional>
#include <string>
#include <thread>
#include <vector>

// The timer queued before the event loop started, and its period.
enum { kEarlyTimerId = 7, kEarlyTimerMs = 20 };

struct SinkEvent {
    int size;
    int value;
    bool hasData;
    ZvMsg msg; // when value is 0
    std::thread::id thread;
    bool viaPeer;  // through the peer callback (a record from a client, with a uid)
    long long uid; // its sender's uid as the library gave it, when viaPeer
};

namespace sink {
// Every event callback so far.
std::vector<SinkEvent> events();
size_t count();
// Waits until pred holds for the events so far; false on time-out.
bool waitUntil(const std::function<bool(const std::vector<SinkEvent>&)>& pred, int timeoutMs);
void clear();
// While held, records from clients wait in the peer callback, so the processing thread stands
// still as behind a slow core.
void hold(bool held);
// Every line the library logged so far, and a wait for a number of lines containing text.
std::vector<std::string> logLines();
bool waitLogCount(const std::string& text, size_t n, int timeoutMs);
} // namespace sink

class ZvUiPeer;
// The settings application stand-in, shared by all tests; it starts without its name.
ZvUiPeer& peer();

// Records from clients go to the peer callback (the default) or, without it, to the event
// callback as they did before the library had one.
void usePeerCallback(bool use);

ZvDBusDaemon& privateBus();
std::thread::id mainThreadId();

// A record built from zero with a code and a model.
ZvMsg makeMsg(th_u16 cmd, const char* model);
