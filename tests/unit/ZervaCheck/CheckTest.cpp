// The diagnosis over a made-up system: sysfs entries, device nodes, a locked pid file, shipped
// and per-user settings files, whole and broken. Each finding must name the fault and a remedy.
#include "ZvCheck.h"
#include "ZvStruct.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <functional>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class Check : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/zv-check-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        p.sys = root + "/sys";
        p.dev = root + "/dev";
        p.programDir = root + "/opt";
        p.settingsDir = root + "/home";
        for (const char* d : {"/sys/bus/usb/devices", "/sys/class/hidraw", "/dev/bus/usb/001",
                              "/opt/res", "/home/res"})
            mkdirs(root + d);
    }
    void TearDown() override { (void)system(("rm -rf " + root).c_str()); }

    void mkdirs(const std::string& path) { ASSERT_EQ(system(("mkdir -p " + path).c_str()), 0); }
    void write(const std::string& rel, const std::string& bytes) {
        std::ofstream(root + rel, std::ios::binary) << bytes;
    }
    // A configuration file: the header, then count records of len bytes.
    void cfg(const std::string& rel, size_t len, size_t count, size_t extra = 0,
             th_u8 ver = ZV_CFG_VER_2) {
        ZvCfgFileHead h = {};
        h.size = static_cast<th_u32>(count);
        h.len = static_cast<th_u32>(len);
        h.ver = ver;
        write(rel, std::string(reinterpret_cast<const char*>(&h), sizeof h) +
                       std::string(len * count + extra, '\0'));
    }
    void shipped() {
        cfg("/opt/res/tablet.cfg", sizeof(ZvTabletCfg), 3);
        cfg("/opt/res/pen.cfg", sizeof(ZvPenCfg), 1);
        cfg("/opt/res/layout_tablet.cfg", sizeof(ZvLayoutTablet), 3);
        cfg("/opt/res/layout_pen.cfg", sizeof(ZvLayoutPen), 1);
        cfg("/opt/res/user.cfg", sizeof(ZvUserCfg), 4);
    }
    std::string run(void (*check)(const ZvCheckPaths&, std::vector<ZvCheckLine>&),
                    int* status = nullptr) {
        std::vector<ZvCheckLine> lines;
        check(p, lines);
        if (status != nullptr)
            *status = zv_check_status(lines);
        return zv_check_text(lines);
    }

    std::string root;
    ZvCheckPaths p;
};

TEST_F(Check, SettingsFilesWholeAndBroken) {
    shipped();
    cfg("/home/res/ZVM0640EKB.cfg", sizeof(ZvUserConfig), 1);
    // A version-1 tablet file holds shorter records; its header still names the record.
    cfg("/opt/res/tablet.cfg", sizeof(ZvTabletCfg), 0, 2 * ZV_TABLET_CFG_V1_SIZE, ZV_CFG_VER_1);
    int status = -1;
    std::string text = run(zv_check_settings, &status);
    EXPECT_EQ(status, 0) << text;
    EXPECT_NE(text.find("ok    " + root + "/opt/res/tablet.cfg: whole (2 records)"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("ZVM0640EKB.cfg: whole"), std::string::npos) << text;

    struct Case {
        const char* what;
        std::function<void()> breakIt;
        const char* finding;
        const char* remedy;
    } cases[] = {
        {"a cut description", [&] { cfg("/opt/res/pen.cfg", sizeof(ZvPenCfg), 1, 7); },
         "pen.cfg: ", "reinstall the package"},
        {"a missing description", [&] { unlink((root + "/opt/res/user.cfg").c_str()); },
         "user.cfg: missing", "reinstall the package"},
        {"a cut per-model file",
         [&] { cfg("/home/res/ZVM0640EKB.cfg", sizeof(ZvUserConfig) - 10, 1); },
         "ZVM0640EKB.cfg: ", "Backup page"},
        {"a link in place of a per-model file",
         [&] { ASSERT_EQ(symlink("/etc/passwd", (root + "/home/res/ZVM1316MKS.cfg").c_str()), 0); },
         "ZVM1316MKS.cfg: not a plain file", "remove it"},
        {"no settings folder", [&] { p.settingsDir.clear(); }, "no folder for this user",
         "XDG_CONFIG_HOME"},
    };
    for (const Case& c : cases) {
        shipped();
        cfg("/home/res/ZVM0640EKB.cfg", sizeof(ZvUserConfig), 1);
        unlink((root + "/home/res/ZVM1316MKS.cfg").c_str());
        p.settingsDir = root + "/home";
        c.breakIt();
        text = run(zv_check_settings, &status);
        EXPECT_EQ(status, 1) << c.what << "\n" << text;
        const size_t at = text.find(c.finding);
        ASSERT_NE(at, std::string::npos) << c.what << "\n" << text;
        EXPECT_EQ(text.rfind("FAIL  ", at), text.rfind('\n', at) + 1) << c.what;
        EXPECT_NE(text.find(c.remedy, at), std::string::npos) << c.what << "\n" << text;
    }
}

TEST_F(Check, TabletsAndUinputByVendorAndNode) {
    int status = -1;
    std::string text = run(zv_check_tablets, &status);
    EXPECT_EQ(status, 0) << "no tablet is a warning, not a failure";
    EXPECT_NE(text.find("warn  tablets: none of vendor 7d3a"), std::string::npos) << text;

    // Another maker's device, and ours at bus 1 device 5 with its node missing (no access).
    mkdirs(root + "/sys/bus/usb/devices/1-1");
    write("/sys/bus/usb/devices/1-1/idVendor", "046d\n");
    mkdirs(root + "/sys/bus/usb/devices/1-2");
    write("/sys/bus/usb/devices/1-2/idVendor", "7d3a\n");
    write("/sys/bus/usb/devices/1-2/idProduct", "0640\n");
    write("/sys/bus/usb/devices/1-2/product", "Mesa 6\n");
    write("/sys/bus/usb/devices/1-2/busnum", "1\n");
    write("/sys/bus/usb/devices/1-2/devnum", "5\n");
    mkdirs(root + "/sys/class/hidraw/hidraw3/device");
    write("/sys/class/hidraw/hidraw3/device/uevent",
          "DRIVER=hid-generic\nHID_ID=0003:00007D3A:00000640\n");
    mkdirs(root + "/sys/class/hidraw/hidraw0/device");
    write("/sys/class/hidraw/hidraw0/device/uevent", "HID_ID=0003:0000046D:0000C52B\n");
    text = run(zv_check_tablets, &status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(text.find("046d"), std::string::npos) << text;
    EXPECT_NE(text.find("FAIL  tablet 7d3a:0640 \"Mesa 6\" at " + root + "/dev/bus/usb/001/005"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("FAIL  " + root + "/dev/hidraw3: cannot open"), std::string::npos) << text;
    EXPECT_EQ(text.find("hidraw0"), std::string::npos) << text;
    EXPECT_NE(text.find("70-zerva.rules"), std::string::npos) << text;

    write("/dev/bus/usb/001/005", "");
    write("/dev/hidraw3", "");
    text = run(zv_check_tablets, &status);
    EXPECT_EQ(status, 0) << text;
    EXPECT_NE(text.find("ok    tablet 7d3a:0640"), std::string::npos) << text;

    text = run(zv_check_uinput, &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(text.find("uinput: missing"), std::string::npos) << text;
    EXPECT_NE(text.find("modprobe uinput"), std::string::npos) << text;
    write("/dev/uinput", "");
    EXPECT_NE(run(zv_check_uinput, &status).find("ok    "), std::string::npos);
}

TEST_F(Check, TheCoreIsRunningWhileItsPidFileIsLocked) {
    const std::string pidFile = root + "/.ZervaCore.pid";
    p.pidFiles = {root + "/none/.ZervaCore.pid", pidFile};
    write("/.ZervaCore.pid", "123");
    int status = -1;
    std::string text = run(zv_check_core, &status);
    EXPECT_EQ(status, 1) << "a stale pid file is no running core";
    EXPECT_NE(text.find("systemctl --user start zerva-core"), std::string::npos) << text;

    // A lock held by another process, as the core holds it.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int fd = open(pidFile.c_str(), O_RDWR);
        struct flock lk = {};
        lk.l_type = F_WRLCK;
        lk.l_whence = SEEK_SET;
        const char ok = fd >= 0 && fcntl(fd, F_SETLK, &lk) == 0 ? '1' : '0';
        (void)!::write(ready[1], &ok, 1);
        pause();
        _exit(0);
    }
    char ok = 0;
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    EXPECT_EQ(ok, '1');
    text = run(zv_check_core, &status);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(ready[0]);
    close(ready[1]);
    EXPECT_EQ(status, 0) << text;
    EXPECT_NE(text.find("ok    core: running (pid " + std::to_string(child)), std::string::npos)
        << text;
}

} // namespace
