// The package as a desktop user meets it: installed (unpacked from the .deb), its udev rules in
// udevd, and the core run as an ordinary user from the installed tree. The login manager's part
// (access rights for the seat's user on every node udev tagged "uaccess") is played here with
// setfacl, as it does it. The user's settings application saves a binding into the user's own
// settings folder and the core, as that user, performs it.
#include "KernelFixture.h"

#include <libinput.h>
#include <libudev.h>
#include <linux/input.h>

#include <algorithm>
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// An ordinary account that every Debian system has: the bus looks the user up in the password
// database, so an id without an entry could not connect.
constexpr uid_t kUser = 65534;
const std::string kPkg = "/tmp/zv-pkg";
const std::string kHome = "/tmp/zv-home";
const std::string kRun = "/tmp/zv-run";

std::string package_file() {
    if (DIR* d = opendir(ZV_PACKAGE_DIR)) {
        std::string found;
        while (const dirent* e = readdir(d))
            if (strncmp(e->d_name, "zerva_", 6) == 0 && strstr(e->d_name, ".deb") != nullptr)
                found = std::string(ZV_PACKAGE_DIR) + "/" + e->d_name;
        closedir(d);
        return found;
    }
    return std::string();
}

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// The command through a shell as the user: no groups, the user's home and runtime folder, the
// desktop's display and bus.
std::string as_user(const std::string& cmd) {
    return "env -i HOME=" + kHome + " XDG_RUNTIME_DIR=" + kRun +
           " DISPLAY=" + std::string(getenv("DISPLAY") ? getenv("DISPLAY") : "") +
           " DBUS_SESSION_BUS_ADDRESS=" + std::string(getenv("DBUS_SESSION_BUS_ADDRESS") ?: "") +
           " PATH=/usr/bin:/bin setpriv --reuid=" + std::to_string(kUser) +
           " --regid=" + std::to_string(kUser) + " --clear-groups -- sh -c '" + cmd + "'";
}

// Every device node udev tagged "uaccess", with its vendor when it has one.
std::vector<std::string> uaccess_nodes() {
    std::vector<std::string> nodes;
    udev* u = udev_new();
    udev_enumerate* e = udev_enumerate_new(u);
    udev_enumerate_add_match_tag(e, "uaccess");
    udev_enumerate_scan_devices(e);
    for (udev_list_entry* l = udev_enumerate_get_list_entry(e); l;
         l = udev_list_entry_get_next(l)) {
        udev_device* d = udev_device_new_from_syspath(u, udev_list_entry_get_name(l));
        if (d != nullptr && udev_device_get_devnode(d) != nullptr)
            nodes.push_back(udev_device_get_devnode(d));
        udev_device_unref(d);
    }
    udev_enumerate_unref(e);
    udev_unref(u);
    return nodes;
}

} // namespace

class KernelPackage : public KernelTest {
protected:
    void TearDown() override {
        (void)system("rm -f /run/udev/rules.d/70-zerva.rules; SYSTEMD_IGNORE_CHROOT=1 udevadm "
                     "control --reload");
        KernelTest::TearDown();
    }
    // The installed core as the user, in the user's runtime folder with the log configuration of
    // the user service; every step execs the next, so the pid is the core's.
    pid_t startUserCore() {
        const std::string core = "cd " + kRun + " && ZERVA_LOG_CONF=" + kPkg +
                                 "/opt/zerva/log-user.conf exec " + kPkg +
                                 "/opt/zerva/ZervaCore -d";
        return spawn({"/bin/sh", "-c", "exec " + as_user(core)}, {"PATH=/usr/bin:/bin"});
    }
};

TEST_F(KernelPackage, TheSeatsUserRunsTheInstalledCoreAndItsBindings) {
    const std::string deb = package_file();
    if (deb.empty())
        GTEST_SKIP() << "no package in " ZV_PACKAGE_DIR " (scripts/lint-package builds it)";
    const std::string prep = "rm -rf " + kPkg + " " + kHome + " " + kRun + " && dpkg-deb -x " +
                             deb + " " + kPkg + " && mkdir -p " + kHome + " " + kRun +
                             " && chown " + std::to_string(kUser) + ":" + std::to_string(kUser) +
                             " " + kHome + " " + kRun + " && chmod 700 " + kRun +
                             " && mkdir -p /run/udev/rules.d && cp " + kPkg +
                             "/lib/udev/rules.d/70-zerva.rules /run/udev/rules.d/ && "
                             "export SYSTEMD_IGNORE_CHROOT=1; udevadm control --reload && udevadm "
                             "trigger --action=change "
                             "--subsystem-match=misc && udevadm settle --timeout=30";
    ASSERT_EQ(system(prep.c_str()), 0) << prep;

    // Plugged in: usbhid takes it, udev tags its USB device and hidraw node for the seat.
    plug(tabletScenario());
    // The kernel enumerates the device at its own pace: the nodes come when they come.
    std::vector<std::string> tagged;
    auto has = [&](const char* prefix) {
        return std::any_of(tagged.begin(), tagged.end(),
                           [&](const std::string& n) { return n.rfind(prefix, 0) == 0; });
    };
    for (int i = 0; i < 100; ++i) {
        tagged = uaccess_nodes();
        if (has("/dev/hidraw") && has("/dev/bus/usb/") && has("/dev/uinput"))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    std::string list;
    for (const std::string& n : tagged)
        list += n + " ";
    EXPECT_TRUE(has("/dev/uinput")) << list;
    EXPECT_TRUE(has("/dev/hidraw")) << list;
    EXPECT_TRUE(has("/dev/bus/usb/")) << list;

    // Before the login manager grants access, the diagnosis names what is missing and its
    // remedy.
    const std::string check = kPkg + "/opt/zerva/zerva-check";
    EXPECT_NE(system(as_user(check + " > " + kHome + "/before.txt 2>&1").c_str()), 0);
    const std::string before = read_all(kHome + "/before.txt");
    EXPECT_NE(before.find("FAIL  /dev/uinput: cannot write it (Permission denied)"),
              std::string::npos)
        << before;
    EXPECT_NE(before.find("70-zerva.rules"), std::string::npos) << before;

    for (const std::string& n : tagged)
        ASSERT_EQ(system(("setfacl -m u:" + std::to_string(kUser) + ":rw " + n).c_str()), 0) << n;

    const pid_t userCore = startUserCore();
    ASSERT_GT(userCore, 0);
    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_OPEN, 0, 30000)) << output();
    struct stat st;
    ASSERT_EQ(stat((kRun + "/.ZervaCore.pid").c_str(), &st), 0)
        << "pid file not in the runtime folder";
    EXPECT_EQ(st.st_uid, kUser);
    ZvEvdevReader kbd;
    openEvdev(kbd, "Zerva keyboard");

    // Now every line but the display's own is fine for the user.
    (void)system(as_user(check + " > " + kHome + "/after.txt 2>&1").c_str());
    const std::string after = read_all(kHome + "/after.txt");
    EXPECT_EQ(after.find("FAIL  /dev/"), std::string::npos) << after;
    EXPECT_EQ(after.find("FAIL  tablet"), std::string::npos) << after;
    EXPECT_NE(after.find("ok    core: running"), std::string::npos) << after;
    EXPECT_NE(after.find("ok    settings: " + kHome + "/.config/zerva/res/"), std::string::npos)
        << after;

    // The settings application, as the user, binds express key 2 to a plain B in the user's
    // own file (through the same store), and tells the core.
    const std::string file = kHome + "/.config/zerva/res/" + kModel + ".cfg";
    const std::string bind =
        std::string(ZV_ZVCFG) + " print " + kPkg + "/opt/zerva/res/user.cfg | python3 -c \"" +
        "import json,sys\n"
        "d=json.load(sys.stdin)\n"
        "r=[x for x in d[\\\"records\\\"] if x[\\\"sModel\\\"]==\\\"" +
        kModel +
        "\\\"][0]\n"
        "r[\\\"app0\\\"][\\\"heks\\\"][1]={\\\"name\\\":\\\"B\\\",\\\"func\\\":[\\\"key\\\"],"
        "\\\"keys\\\":[\\\"B\\\"]}\n"
        "json.dump({\\\"file\\\":\\\"user-config\\\",\\\"config\\\":{\\\"base\\\":r}},"
        "open(\\\"" +
        kHome + "/user.json\\\",\\\"w\\\"))\" && " + ZV_ZVCFG + " write " + kHome + "/user.json " +
        file;
    ASSERT_EQ(system(as_user(bind).c_str()), 0) << bind;
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, kUser);
    const size_t reads = count(output(), "uc.base.app0.bHek");
    ASSERT_TRUE(ui->send(ZVMC_UI_CONFIG_CHANGED, kModel)) << ui->lastError();
    // The message and the key report take different roads into the core: press once it re-read.
    for (int i = 0; i < 100 && count(output(), "uc.base.app0.bHek") == reads; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_GT(count(output(), "uc.base.app0.bHek"), reads) << output();

    ASSERT_TRUE(tablet->inject(0, tabletsim::keys_report(0x02)));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(tablet->inject(0, tabletsim::keys_report(0)));
    const auto keys = zv_key_events(kbd.log().waitUntil(
        [](const std::vector<ZvEvdevEvent>& e) { return zv_key_events(e).size() >= 2; }, 5000));
    const std::vector<std::pair<int, int>> b{{KEY_B, 1}, {KEY_B, 0}};
    EXPECT_EQ(keys, b) << output();

    ASSERT_EQ(kill(userCore, SIGUSR1), 0);
    EXPECT_EQ(waitExit(userCore, 15000), 0) << output();
}

// libinput on a desktop with the package: the package's quirks entry makes it take the virtual
// pen's positions and contact as the driver made them. Without it (printed, for comparison)
// libinput smooths the positions, so the cursor trails the pen, and decides contact by a
// pressure threshold of its own on top of the user's.
TEST_F(KernelPackage, LibinputTakesThePenAsTheDriverMadeIt) {
    const std::string deb = package_file();
    if (deb.empty())
        GTEST_SKIP() << "no package in " ZV_PACKAGE_DIR " (scripts/lint-package builds it)";
    const std::string quirks = "/tmp/zv-quirks";
    const std::string prep = "rm -rf " + kPkg + " " + quirks + " && dpkg-deb -x " + deb + " " +
                             kPkg + " && mkdir -p " + quirks +
                             " && cp /usr/share/libinput/*.quirks " + kPkg +
                             "/usr/share/libinput/60-zerva.quirks " + quirks;
    ASSERT_EQ(system(prep.c_str()), 0) << prep;
    ZvLibinputReader plain, tuned;
    ASSERT_TRUE(plain.start(kScreenW, kScreenH)) << plain.reason();
    setenv("LIBINPUT_QUIRKS_DIR", quirks.c_str(), 1);
    const bool started = tuned.start(kScreenW, kScreenH);
    unsetenv("LIBINPUT_QUIRKS_DIR");
    ASSERT_TRUE(started) << tuned.reason();

    startCoreReady();
    ZvEvdevReader pen;
    openEvdev(pen, "Zerva pen");
    plug(tabletScenario());
    ASSERT_TRUE(ui->waitFor(ZVMC_CORE_TABLET_OPEN, 0, 20000)) << output();
    for (ZvLibinputReader* li : {&plain, &tuned})
        ASSERT_TRUE(li->waitDevice("Zerva pen", LIBINPUT_DEVICE_CAP_TABLET_TOOL, 10000));

    // A stroke with the pressure rising from the lightest touch.
    const int n = 30;
    std::vector<tabletsim::Bytes> stroke{pen_at(tabletsim::kPenHover, 5080, 6350)};
    for (int i = 0; i < n; ++i)
        stroke.push_back(pen_at(tabletsim::kPenHover | tabletsim::kPenTip, 5080 + i * 1000,
                                6350 + i * 500, static_cast<uint16_t>(40 + i * 150)));
    stroke.push_back(pen_at(tabletsim::kPenHover, 5080 + n * 1000, 6350 + n * 500));
    for (const tabletsim::Bytes& r : stroke) {
        ASSERT_TRUE(tablet->inject(0, r));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    auto lifted = [](const std::vector<ZvLiEvent>& e) {
        return std::any_of(e.begin(), e.end(), [](const ZvLiEvent& x) {
            return x.type == LIBINPUT_EVENT_TABLET_TOOL_TIP && x.tip == 0;
        });
    };
    const auto tunedEv = tuned.log().waitUntil(lifted, 10000);
    const auto plainEv = plain.log().waitUntil(lifted, 5000);

    // The driver's frames in contact: X in screen pixels as libinput scales it, and pressure.
    struct Frame {
        double x = 0, pressure = 0;
    };
    std::vector<Frame> frames;
    Frame f;
    int touch = 0;
    const double x0 = pen.absMin(ABS_X), xr = pen.absMax(ABS_X) - x0 + 1;
    const double pMax = pen.absMax(ABS_PRESSURE);
    for (const ZvEvdevEvent& e : pen.log().all()) {
        if (e.type == EV_ABS && e.code == ABS_X)
            f.x = (e.value - x0) * kScreenW / xr;
        else if (e.type == EV_ABS && e.code == ABS_PRESSURE)
            f.pressure = e.value / pMax;
        else if (e.type == EV_KEY && e.code == BTN_TOUCH)
            touch = e.value;
        else if (e.type == EV_SYN && e.code == SYN_REPORT && touch == 1)
            frames.push_back(f);
    }
    ASSERT_GE(frames.size(), static_cast<size_t>(n - 2)) << "the driver's stroke";

    // Contact from the driver's first contact frame to its last, every frame's own position and
    // pressure: no threshold of libinput's own, no trailing.
    auto contact = [](const std::vector<ZvLiEvent>& ev) {
        std::vector<ZvLiEvent> out;
        bool down = false;
        for (const ZvLiEvent& e : ev) {
            if (e.device != "Zerva pen")
                continue;
            if (e.type == LIBINPUT_EVENT_TABLET_TOOL_TIP)
                down = e.tip == 1;
            if (down && (e.type == LIBINPUT_EVENT_TABLET_TOOL_TIP ||
                         e.type == LIBINPUT_EVENT_TABLET_TOOL_AXIS))
                out.push_back(e);
        }
        return out;
    };
    const std::vector<ZvLiEvent> got = contact(tunedEv);
    ASSERT_FALSE(got.empty()) << "no contact through libinput";
    EXPECT_NEAR(got.front().x, frames.front().x, 1.0) << "contact began elsewhere than the pen's";
    EXPECT_NEAR(got.front().pressure, frames.front().pressure, 0.002);
    EXPECT_NEAR(got.back().x, frames.back().x, 1.0) << "the cursor trails the pen";
    EXPECT_NEAR(got.back().pressure, frames.back().pressure, 0.002);
    EXPECT_GE(got.size(), frames.size() - 2);

    const std::vector<ZvLiEvent> dflt = contact(plainEv);
    if (!dflt.empty())
        printf("libinput without the entry: contact at %.1f px (pen %.1f), last motion %.1f px "
               "(pen %.1f), pressure %.3f (pen %.3f)\n",
               dflt.front().x, frames.front().x, dflt.back().x, frames.back().x,
               dflt.back().pressure, frames.back().pressure);
}
