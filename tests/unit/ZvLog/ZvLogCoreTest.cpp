// The core's log4cplus sink with a good, a missing, a broken and a "my_cat"-less configuration.
#include "ZvLogCore.h"
#include "ZvLog.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <stdlib.h>
#include <string>
#include <unistd.h>

namespace {

class ZvLogCoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/zvlogcore.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        _dir = tmpl;
    }
    void TearDown() override {
        zv_log_core_reset();
        (void)system(("rm -rf " + _dir).c_str());
    }

    std::string writeConf(const std::string& text) {
        std::string path = _dir + "/log.conf";
        std::ofstream(path) << text;
        return path;
    }
    std::string conf(const std::string& logger, const std::string& level) {
        return "log4cplus.logger." + logger + "=" + level +
               ", f\n"
               "log4cplus.appender.f=log4cplus::FileAppender\n"
               "log4cplus.appender.f.File=" +
               logFile() +
               "\n"
               "log4cplus.appender.f.ImmediateFlush=true\n"
               "log4cplus.appender.f.layout=log4cplus::PatternLayout\n"
               "log4cplus.appender.f.layout.ConversionPattern=%p|%m%n\n";
    }
    std::string logFile() const { return _dir + "/out.log"; }
    std::string logText() const {
        std::ifstream in(logFile());
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    static void emit(int level, const char* format, ...) {
        va_list args;
        va_start(args, format);
        log_handler_fun_arg(level, format, args);
        va_end(args);
    }

    std::string _dir;
};

} // namespace

TEST_F(ZvLogCoreTest, GoodConfigurationWritesMappedLevels) {
    testing::internal::CaptureStdout();
    ASSERT_EQ(zv_log_init_file(writeConf(conf("my_cat", "DEBUG")).c_str()), 0);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("XXXXXlog cfgPath={" + _dir + "/log.conf}"), std::string::npos);
    EXPECT_NE(out.find("zv_log_init OKOKOK ! "), std::string::npos);

    emit(ZV_LL_CRIT, "crit %d", 2);
    emit(ZV_LL_ERR, "err");
    emit(ZV_LL_WARN, "warn");
    emit(ZV_LL_NOTICE, "notice");
    emit(ZV_LL_INFO, "info %s", "x");
    emit(ZV_LL_DEBUG, "debug");
    emit(0x100, "category");
    const std::string text = logText();
    EXPECT_NE(text.find("INFO|log test start" + std::string(83, '-') + ">\n"), std::string::npos);
    EXPECT_NE(text.find("INFO|log test end " + std::string(88, '-') + "\n"), std::string::npos);
    EXPECT_NE(text.find("FATAL|crit 2\nERROR|err\nWARN|warn\nNOTICE|notice\nINFO|info x\n"
                        "DEBUG|debug\nDEBUG|category\n"),
              std::string::npos)
        << text;
}

TEST_F(ZvLogCoreTest, LongLinesAreCutAndQuietLevelsDropped) {
    ASSERT_EQ(zv_log_init_file(writeConf(conf("my_cat", "INFO")).c_str()), 0);
    emit(ZV_LL_DEBUG, "never %s", "seen");
    emit(ZV_LL_INFO, "%s", std::string(400, 'a').c_str());
    const std::string text = logText();
    EXPECT_EQ(text.find("never"), std::string::npos);
    EXPECT_NE(text.find("INFO|" + std::string(263, 'a') + "\n"), std::string::npos);
}

TEST_F(ZvLogCoreTest, MissingOrBrokenFileIsInitFailed) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(zv_log_init_file((_dir + "/absent.conf").c_str()), -1);
    EXPECT_EQ(zv_log_init_file(writeConf("this is not\na configuration\n").c_str()), -1);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("init failed"), std::string::npos);
    // With no category the handler drops lines without failing.
    emit(ZV_LL_ERR, "dropped");
    EXPECT_EQ(logText(), "");
}

TEST_F(ZvLogCoreTest, ConfigurationWithoutMyCatIsGetCatFail) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(zv_log_init_file(writeConf(conf("other_cat", "DEBUG")).c_str()), -2);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("get cat fail"), std::string::npos);
    emit(ZV_LL_ERR, "dropped");
    EXPECT_EQ(logText().find("dropped"), std::string::npos);
}

TEST_F(ZvLogCoreTest, InitLooksBesideTheExecutable) {
    // zv_log_init ignores its arguments and reads log.conf beside the running program.
    char exe[512];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    ASSERT_GT(n, 0);
    exe[n] = '\0';
    std::string dir(exe);
    dir.resize(dir.rfind('/') + 1);
    const std::string path = dir + "log.conf";
    std::ofstream(path) << conf("my_cat", "INFO");
    testing::internal::CaptureStdout();
    int rc = zv_log_init("/elsewhere/log.conf", "other");
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(rc, 0);
    EXPECT_NE(out.find("cfgPath={" + path + "}"), std::string::npos);
    // An absolute ZERVA_LOG_CONF is used instead (the user service's); a relative one is not.
    const std::string other = writeConf(conf("my_cat", "INFO"));
    for (const std::string& env : {other, std::string("log.conf")}) {
        setenv("ZERVA_LOG_CONF", env.c_str(), 1);
        testing::internal::CaptureStdout();
        rc = zv_log_init(nullptr, nullptr);
        out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(rc, 0);
        const std::string used = env[0] == '/' ? other : path;
        EXPECT_NE(out.find("cfgPath={" + used + "}"), std::string::npos) << env;
    }
    unsetenv("ZERVA_LOG_CONF");
    unlink(path.c_str());
}

TEST(ZvLogCoreLevels, Mapping) {
    EXPECT_GT(zv_log_core_level(ZV_LL_CRIT), zv_log_core_level(ZV_LL_ERR));
    EXPECT_GT(zv_log_core_level(ZV_LL_ERR), zv_log_core_level(ZV_LL_WARN));
    EXPECT_GT(zv_log_core_level(ZV_LL_WARN), zv_log_core_level(ZV_LL_NOTICE));
    EXPECT_GT(zv_log_core_level(ZV_LL_NOTICE), zv_log_core_level(ZV_LL_INFO));
    EXPECT_GT(zv_log_core_level(ZV_LL_INFO), zv_log_core_level(ZV_LL_DEBUG));
    EXPECT_EQ(zv_log_core_level(0), zv_log_core_level(ZV_LL_DEBUG));
    EXPECT_EQ(zv_log_core_level(0x4000), zv_log_core_level(ZV_LL_DEBUG));
}
