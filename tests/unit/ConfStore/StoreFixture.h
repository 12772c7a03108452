// A private res/ folder per test with both store paths pointing at it, helpers to lay down files
// byte by byte, and a log handler that keeps the store's lines.
#pragma once

#include "CfgNarrow.h"
#include "CfgStore.h"
#include "ZvLog.h"

#include <gtest/gtest.h>

#include <fstream>
#include <mutex>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace cstest {

using Bytes = std::vector<uint8_t>;

inline std::mutex& log_lock() {
    static std::mutex m;
    return m;
}
inline std::vector<std::string>& log_lines() {
    static std::vector<std::string> lines;
    return lines;
}
inline void keep_line(int, const char* format, va_list args) {
    char buf[2048];
    vsnprintf(buf, sizeof buf, format, args);
    std::lock_guard<std::mutex> hold(log_lock());
    log_lines().push_back(buf);
}

template <class T> Bytes bytes_of(const T& rec) {
    Bytes b(sizeof rec);
    memcpy(b.data(), &rec, sizeof rec);
    return b;
}

inline Bytes head_bytes(uint8_t ver, uint32_t size, uint32_t len) {
    ZvCfgFileHead h{};
    h.ver = ver;
    h.size = size;
    h.len = len;
    return bytes_of(h);
}

inline void append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

inline void set_str(th_char* field, size_t n, const char* s) {
    memset(field, 0, n);
    memcpy(field, s, strnlen(s, n));
}

// A description record as the files hold it: model strings widened to UTF-16LE.
template <class T> Bytes stored(T rec) {
    EXPECT_TRUE(zvcs::struct_utf8_to_utf16(&rec, sizeof rec));
    return bytes_of(rec);
}

inline Bytes read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/zvcs-test-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        _dir = tmpl;
        ASSERT_EQ(mkdir(res("").c_str(), 0755), 0);
        zvcs::set_cfg_path(_dir.c_str(), _dir.c_str());
        {
            std::lock_guard<std::mutex> hold(log_lock());
            log_lines().clear();
        }
        zv_set_log_handler(&keep_line);
    }
    void TearDown() override {
        zv_set_log_handler(nullptr);
        const std::string cmd = "rm -rf '" + _dir + "'";
        ASSERT_EQ(system(cmd.c_str()), 0);
    }

    std::string res(const std::string& name) const { return _dir + "/res/" + name; }

    void write_file(const std::string& name, const Bytes& b) const {
        std::ofstream out(res(name), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
    }

    bool logged(const std::string& line) const {
        std::lock_guard<std::mutex> hold(log_lock());
        for (const std::string& l : log_lines()) {
            if (l == line)
                return true;
        }
        return false;
    }

    std::string _dir;
};

} // namespace cstest
