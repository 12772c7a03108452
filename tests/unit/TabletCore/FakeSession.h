// A stand-in for libpadsession's function table: records what the worker asks and lets a test
// answer on the asynchronous road, where the real library never goes (it always opens
// synchronously).
#pragma once

#include "ZvPadSessionDll.h"

#include <mutex>
#include <string>
#include <vector>

namespace fake {

struct State {
    th_i16 openResult = 0;
    th_u32 flags = 0; // tsfafBits written back on open
    th_u8 proto = 0;  // tspfFlag written back on open
    th_i16 readResult = 2;
    ZvTabletOpenPatam param{};
    std::vector<int> commands; // command codes asked, in order
    int closes = 0;
};

// Installs the fake table in g_handle and resets the state.
void install(const State& initial = State());
State snapshot();
int count(int command);

// Answers as the library would through onGot: byte 1 the command, payload from byte 2.
void answer(th_u8 cmd, const std::vector<th_u8>& payload);
// The payload of a 200 answer.
std::vector<th_u8> params(unsigned maxX, unsigned maxY, unsigned maxP, unsigned keys,
                          unsigned flags);
std::vector<th_u8> text(const std::string& s);

} // namespace fake
