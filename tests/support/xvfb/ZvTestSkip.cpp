#include "ZvTestSkip.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

// Runs after GoogleTest's own printers (they are installed first), so the summary and any XML
// report are complete before the process exits.
class ExitOnSkip : public ::testing::EmptyTestEventListener {
    void OnTestProgramEnd(const ::testing::UnitTest& unit) override {
        if (unit.Passed() && unit.skipped_test_count() > 0) {
            std::fflush(stdout);
            std::exit(77);
        }
    }
};

} // namespace

void zvtest_exit_77_on_skip() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    // GoogleTest owns and deletes the listener.
    ::testing::UnitTest::GetInstance()->listeners().Append(new ExitOnSkip);
}
