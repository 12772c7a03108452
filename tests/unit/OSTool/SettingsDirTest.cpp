// Where the per-model files go: the rule on given inputs, and the process-wide function with the
// environment and an installed tree's marker.
#include "ZvSettingsDir.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Case {
    const char* what;
    const char* program;
    bool installed;
    const char* override;
    const char* xdg;
    const char* home;
    const char* expect; // null: refused
};

TEST(SettingsDir, RuleOnGivenInputs) {
    const Case cases[] = {
        {"a tree not installed keeps its own folder", "/src/build/dist", false, nullptr,
         "/home/u/.cfg", "/home/u", "/src/build/dist"},
        {"installed: the XDG folder", "/opt/zerva", true, nullptr, "/home/u/.cfg", "/home/u",
         "/home/u/.cfg/zerva"},
        {"installed without XDG: ~/.config", "/opt/zerva", true, "", "", "/home/u",
         "/home/u/.config/zerva"},
        {"a relative XDG folder is ignored", "/opt/zerva", true, nullptr, "cfg", "/home/u",
         "/home/u/.config/zerva"},
        {"the administrator's folder wins", "/opt/zerva", true, "/var/lib/zerva", "/x", "/home/u",
         "/var/lib/zerva"},
        {"also over a tree", "/src/build/dist", false, "/srv/z", nullptr, nullptr, "/srv/z"},
        {"a relative override is refused", "/opt/zerva", true, "zerva", "/x", "/home/u", nullptr},
        {"installed with no home at all", "/opt/zerva", true, nullptr, nullptr, nullptr, nullptr},
        {"a relative program folder", "dist", false, nullptr, nullptr, "/home/u", nullptr},
    };
    for (const Case& c : cases) {
        char buf[256] = "junk";
        const bool ok =
            zv_settings_dir_of(c.program, c.installed, c.override, c.xdg, c.home, buf, sizeof buf);
        EXPECT_EQ(ok, c.expect != nullptr) << c.what;
        EXPECT_STREQ(buf, c.expect ? c.expect : "") << c.what;
    }
    char small[8] = "junk";
    EXPECT_FALSE(
        zv_settings_dir_of("/opt/zerva", true, nullptr, nullptr, "/home/u", small, sizeof small));
    EXPECT_STREQ(small, "") << "a cut path would name another folder";
}

class SettingsDirProcess : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/zv-settings-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        program = root + "/opt";
        ASSERT_EQ(mkdir(program.c_str(), 0755), 0);
        ASSERT_EQ(mkdir((program + "/res").c_str(), 0755), 0);
        unsetenv("ZERVA_SETTINGS_DIR");
        setenv("XDG_CONFIG_HOME", (root + "/home/.config").c_str(), 1);
    }
    void TearDown() override {
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("ZERVA_SETTINGS_DIR");
        (void)system(("rm -rf " + root).c_str());
    }
    std::string get() {
        char buf[512];
        return zv_settings_dir(program.c_str(), buf, sizeof buf) ? buf : "(none)";
    }
    static bool isDir(const std::string& p, mode_t mode) {
        struct stat st;
        return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & 0777) == mode;
    }
    std::string root, program;
};

TEST_F(SettingsDirProcess, TheMarkerMovesTheFilesIntoTheUsersOwnNewFolder) {
    EXPECT_EQ(get(), program);
    EXPECT_FALSE(isDir(root + "/home", 0700)) << "a tree creates nothing in the home folder";
    FILE* f = fopen((program + "/res/" ZV_PER_USER_MARKER).c_str(), "w");
    ASSERT_NE(f, nullptr);
    fclose(f);
    EXPECT_EQ(get(), root + "/home/.config/zerva");
    EXPECT_TRUE(isDir(root + "/home/.config/zerva/res", 0700));
    setenv("ZERVA_SETTINGS_DIR", (root + "/shared").c_str(), 1);
    EXPECT_EQ(get(), root + "/shared");
    EXPECT_TRUE(isDir(root + "/shared/res", 0700));
    // A file where the folder should be: every save would fail later, so none is named now.
    setenv("ZERVA_SETTINGS_DIR", (program + "/res/" ZV_PER_USER_MARKER).c_str(), 1);
    EXPECT_EQ(get(), "(none)");
}

} // namespace
