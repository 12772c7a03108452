// The base of the tests here: one private X server per test suite, and a way to take it away.
#pragma once

#include "ZvDisplayEnum.h"
#include "ZvStruct.h"
#include "ZvXvfb.h"

#include <gtest/gtest.h>

#include <ostream>
#include <stdlib.h>
#include <string>

class XServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { xvfb = new ZvXvfb(); }
    static void TearDownTestSuite() {
        delete xvfb;
        xvfb = nullptr;
    }
    // A test that took the display away leaves the next one a back-off to wait out.
    void SetUp() override {
        ZV_XVFB_OR_SKIP(*xvfb);
        zv_display_retry_now();
    }

    static inline ZvXvfb* xvfb = nullptr;
};

// Hides the X server from the code under test while it lives: no $DISPLAY, or one that names
// a server that is not there.
class NoDisplay {
public:
    explicit NoDisplay(const char* instead = nullptr) {
        const char* d = getenv("DISPLAY");
        _had = d != nullptr;
        if (d)
            _saved = d;
        if (instead)
            setenv("DISPLAY", instead, 1);
        else
            unsetenv("DISPLAY");
    }
    ~NoDisplay() {
        if (_had)
            setenv("DISPLAY", _saved.c_str(), 1);
        else
            unsetenv("DISPLAY");
    }
    NoDisplay(const NoDisplay&) = delete;
    NoDisplay& operator=(const NoDisplay&) = delete;

private:
    bool _had = false;
    std::string _saved;
};

inline bool operator==(const ZvRect& a, const ZvRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline std::ostream& operator<<(std::ostream& os, const ZvRect& r) {
    return os << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}
