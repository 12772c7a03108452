// GoogleTest base for tests over the simulated BlueZ: skips (CTest code 77) where dbus-daemon or
// dbusmock is missing, and gives every test a fresh bus and mock.
#pragma once

#include "MockBluez.h"
#include "ZvTestSkip.h"

#include <gtest/gtest.h>

namespace zvtest {

class MockBluezTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!MockBluez::available(&why)) {
            zvtest_exit_77_on_skip();
            GTEST_SKIP() << "no simulated BlueZ here: " << why;
        }
        std::string error;
        ASSERT_TRUE(mock.start(&error)) << error;
    }
    void TearDown() override { mock.stop(); }

    MockBluez mock;
};

} // namespace zvtest
