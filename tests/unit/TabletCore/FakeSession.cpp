#include "FakeSession.h"

#include <string.h>

namespace fake {
namespace {

std::mutex g_lock;
State g_state;

th_i16 open(PZvTabletOpenPatam p) {
    std::lock_guard<std::mutex> hold(g_lock);
    p->tsfafBits = g_state.flags;
    p->tspfFlag = g_state.proto;
    g_state.param = *p;
    return g_state.openResult;
}

void close(void*) {
    std::lock_guard<std::mutex> hold(g_lock);
    ++g_state.closes;
}

th_i16 read(void*, th_u8*, th_u16) {
    std::lock_guard<std::mutex> hold(g_lock);
    return g_state.readResult;
}

th_i16 start_read(void*, th_u8) {
    return 0;
}

th_i16 get_str_desc(void*, th_u8 cmd, th_u8* buf, th_u16 size) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_state.commands.push_back(cmd);
    if (buf != nullptr && size > 0)
        buf[0] = 0;
    return 0;
}

th_i16 alive(void*) {
    return 0;
}

bool check(char*) {
    return false;
}

void set_log(ZV_LOG_HANDLER) {}

} // namespace

void install(const State& initial) {
    {
        std::lock_guard<std::mutex> hold(g_lock);
        g_state = initial;
    }
    g_handle = G_DLL_FUNC_HANDLE();
    g_handle.zvtc_open = open;
    g_handle.zvtc_close = close;
    g_handle.zvtc_read = read;
    g_handle.zvtc_start_read = start_read;
    g_handle.zvtc_get_str_desc = get_str_desc;
    g_handle.zvtc_alive = alive;
    g_handle.zvtc_check_usb_dev = check;
    g_handle.zvtc_check_blz_dev = check;
    g_handle.zvtc_set_log_handler = set_log;
}

State snapshot() {
    std::lock_guard<std::mutex> hold(g_lock);
    return g_state;
}

int count(int command) {
    std::lock_guard<std::mutex> hold(g_lock);
    int n = 0;
    for (int c : g_state.commands)
        n += c == command ? 1 : 0;
    return n;
}

void answer(th_u8 cmd, const std::vector<th_u8>& payload) {
    th_u8 buf[128] = {};
    buf[0] = 8;
    buf[1] = cmd;
    memcpy(buf + 2, payload.data(), payload.size() < 126 ? payload.size() : 126);
    ZvTabletOpenPatam p = snapshot().param;
    p.onGot(p.context, buf);
}

std::vector<th_u8> params(unsigned maxX, unsigned maxY, unsigned maxP, unsigned keys,
                          unsigned flags) {
    std::vector<th_u8> p(15, 0);
    p[0] = maxX & 0xFF;
    p[1] = (maxX >> 8) & 0xFF;
    p[2] = (maxX >> 16) & 0xFF;
    p[3] = maxY & 0xFF;
    p[4] = (maxY >> 8) & 0xFF;
    p[5] = (maxY >> 16) & 0xFF;
    p[6] = maxP & 0xFF;
    p[7] = (maxP >> 8) & 0xFF;
    p[8] = 5080 & 0xFF;
    p[9] = 5080 >> 8;
    p[10] = 2;
    p[11] = static_cast<th_u8>(keys);
    p[14] = static_cast<th_u8>(flags);
    return p;
}

std::vector<th_u8> text(const std::string& s) {
    return std::vector<th_u8>(s.begin(), s.end());
}

} // namespace fake
