// The uinput capture itself, driven through the real system calls of this test program, and the
// reader of its log. Later tests trust both to tell what reached the virtual devices.
#include "UinputCapLog.h"

#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <iterator>
#include <linux/uinput.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

extern "C" int __open_2(const char* path, int flags);
extern "C" int __openat_2(int dirfd, const char* path, int flags);

namespace {

class UinputCap : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ZvCapLog::preloaded()) << "run with LD_PRELOAD of libuinputcap.so";
        ASSERT_FALSE(_log.path().empty()) << "ZV_UINPUTCAP_LOG is not set";
        _log.skipExisting();
    }
    void TearDown() override {
        unsetenv("ZV_UINPUTCAP_FAIL");
        EXPECT_EQ(_log.badLines(), 0u);
    }

    // A created device "cap test" with keys A and B and one absolute axis, and whatever more
    // `declare` adds.
    int makeDevice(int (*opener)(const char*) = nullptr, void (*declare)(int) = nullptr) {
        const int fd = opener ? opener("/dev/uinput") : open("/dev/uinput", O_WRONLY | O_CLOEXEC);
        if (declare != nullptr)
            declare(fd);
        EXPECT_GT(fd, 0);
        EXPECT_EQ(ioctl(fd, UI_SET_EVBIT, EV_KEY), 0);
        EXPECT_EQ(ioctl(fd, UI_SET_KEYBIT, KEY_A), 0);
        EXPECT_EQ(ioctl(fd, UI_SET_KEYBIT, KEY_B), 0);
        EXPECT_EQ(ioctl(fd, UI_SET_EVBIT, EV_ABS), 0);
        uinput_abs_setup abs{};
        abs.code = ABS_X;
        abs.absinfo.minimum = -5;
        abs.absinfo.maximum = 500;
        abs.absinfo.resolution = 12;
        EXPECT_EQ(ioctl(fd, UI_ABS_SETUP, &abs), 0);
        EXPECT_EQ(ioctl(fd, UI_SET_PROPBIT, INPUT_PROP_DIRECT), 0);
        uinput_setup setup{};
        setup.id = {BUS_USB, 0x1234, 0xabcd, 7};
        strcpy(setup.name, "cap test");
        EXPECT_EQ(ioctl(fd, UI_DEV_SETUP, &setup), 0);
        EXPECT_EQ(ioctl(fd, UI_DEV_CREATE), 0);
        return fd;
    }

    static input_event ev(unsigned type, unsigned code, int value) {
        input_event e{};
        e.type = static_cast<__u16>(type);
        e.code = static_cast<__u16>(code);
        e.value = value;
        return e;
    }

    ZvCapLog _log = ZvCapLog::fromEnv();
};

} // namespace

TEST_F(UinputCap, DeviceLineHoldsTheDeclaration) {
    const int fd = makeDevice();
    _log.read();
    const ZvCapDevice* dev = _log.deviceByFd(fd);
    ASSERT_NE(dev, nullptr);
    EXPECT_EQ(dev->name, "cap test");
    EXPECT_EQ(dev->pid, static_cast<long>(getpid()));
    EXPECT_EQ(dev->bus, unsigned(BUS_USB));
    EXPECT_EQ(dev->vendor, 0x1234u);
    EXPECT_EQ(dev->product, 0xabcdu);
    EXPECT_EQ(dev->version, 7u);
    EXPECT_EQ(dev->ev, (std::set<unsigned>{EV_KEY, EV_ABS}));
    EXPECT_EQ(dev->key, (std::set<unsigned>{KEY_A, KEY_B}));
    EXPECT_TRUE(dev->rel.empty());
    ASSERT_EQ(dev->abs.count(ABS_X), 1u);
    EXPECT_EQ(dev->abs.at(ABS_X).min, -5);
    EXPECT_EQ(dev->abs.at(ABS_X).max, 500);
    EXPECT_EQ(dev->abs.at(ABS_X).res, 12);
    EXPECT_EQ(dev->prop, (std::set<unsigned>{INPUT_PROP_DIRECT}));
    EXPECT_FALSE(dev->destroyed);
    EXPECT_EQ(close(fd), 0);
    _log.read();
    EXPECT_TRUE(_log.deviceByFd(fd)->destroyed);
}

TEST_F(UinputCap, EveryOpenVariantIsCaptured) {
    const std::vector<int (*)(const char*)> openers = {
        [](const char* p) { return open(p, O_WRONLY | O_NONBLOCK); },
        [](const char* p) { return open64(p, O_WRONLY); },
        [](const char* p) { return openat(AT_FDCWD, p, O_WRONLY); },
        [](const char* p) { return openat64(AT_FDCWD, p, O_WRONLY); },
        [](const char* p) { return __open_2(p, O_WRONLY); },
        [](const char* p) { return __openat_2(AT_FDCWD, p, O_WRONLY); },
    };
    for (auto opener : openers) {
        const int fd = makeDevice(opener);
        const input_event group[] = {ev(EV_KEY, KEY_A, 1), ev(EV_SYN, SYN_REPORT, 0)};
        EXPECT_EQ(write(fd, group, sizeof group), static_cast<ssize_t>(sizeof group));
        close(fd);
    }
    _log.read();
    ASSERT_EQ(_log.devices().size(), openers.size());
    ASSERT_EQ(_log.groups().size(), openers.size());
    for (const ZvCapDevice& d : _log.devices())
        EXPECT_TRUE(d.destroyed);
}

TEST_F(UinputCap, OtherFilesPassThrough) {
    char path[] = "/tmp/uinputcap-passXXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(write(fd, "hello", 5), 5);
    EXPECT_EQ(close(fd), 0);
    const int again = open(path, O_RDONLY);
    char text[8] = {};
    EXPECT_EQ(read(again, text, sizeof text), 5);
    EXPECT_STREQ(text, "hello");
    close(again);
    unlink(path);
    EXPECT_EQ(_log.read(), 0u);
    // An ioctl that is not for a captured handle reaches the kernel.
    errno = 0;
    EXPECT_EQ(ioctl(-1, UI_DEV_CREATE), -1);
    EXPECT_EQ(errno, EBADF);
}

TEST_F(UinputCap, GroupsEndAtSynReportAndCountTheirWrites) {
    const int fd = makeDevice();
    // One group over two writes, then two groups in one write, then a group cut off by close.
    const input_event a[] = {ev(EV_KEY, KEY_A, 1)};
    const input_event b[] = {ev(EV_ABS, ABS_X, 42), ev(EV_SYN, SYN_REPORT, 0)};
    input_event two[] = {ev(EV_KEY, KEY_B, 1), ev(EV_SYN, SYN_REPORT, 0), ev(EV_KEY, KEY_B, 0),
                         ev(EV_SYN, SYN_REPORT, 0)};
    two[0].time.tv_sec = 1234;
    two[0].time.tv_usec = 56;
    const input_event cut[] = {ev(EV_KEY, KEY_A, 0)};
    EXPECT_EQ(write(fd, a, sizeof a), static_cast<ssize_t>(sizeof a));
    EXPECT_EQ(write(fd, b, sizeof b), static_cast<ssize_t>(sizeof b));
    EXPECT_EQ(write(fd, two, sizeof two), static_cast<ssize_t>(sizeof two));
    EXPECT_EQ(write(fd, cut, sizeof cut), static_cast<ssize_t>(sizeof cut));
    close(fd);
    _log.read();
    const std::vector<ZvCapGroup> groups = _log.groupsOf(*_log.deviceByFd(fd));
    ASSERT_EQ(groups.size(), 4u);
    EXPECT_EQ(groups[0].writes, 2u);
    EXPECT_EQ(groups[0].events, (std::vector<ZvCapEvent>{{EV_KEY, KEY_A, 1, true},
                                                         {EV_ABS, ABS_X, 42, true},
                                                         {EV_SYN, SYN_REPORT, 0, true}}));
    EXPECT_EQ(groups[1].writes, 1u);
    EXPECT_EQ(groups[1].tvSec, 1234);
    EXPECT_EQ(groups[1].tvUsec, 56);
    EXPECT_EQ(groups[1].value(EV_KEY, KEY_B), 1);
    EXPECT_EQ(groups[2].writes, 1u);
    EXPECT_EQ(groups[2].value(EV_KEY, KEY_B), 0);
    EXPECT_EQ(groups[3].events, (std::vector<ZvCapEvent>{{EV_KEY, KEY_A, 0, true}}));
    EXPECT_LE(groups[0].atNs, groups[3].atNs);
}

TEST_F(UinputCap, EventsTheKernelWouldDropAreMarked) {
    const int fd = makeDevice();
    const input_event group[] = {ev(EV_KEY, KEY_C, 1), ev(EV_MSC, MSC_SCAN, 30),
                                 ev(EV_KEY, KEY_A, 1), ev(EV_SYN, SYN_REPORT, 0)};
    EXPECT_EQ(write(fd, group, sizeof group), static_cast<ssize_t>(sizeof group));
    close(fd);
    _log.read();
    ASSERT_EQ(_log.groups().size(), 1u);
    const auto& events = _log.groups()[0].events;
    ASSERT_EQ(events.size(), 4u);
    EXPECT_FALSE(events[0].accepted); // key not declared
    EXPECT_FALSE(events[1].accepted); // type not declared
    EXPECT_TRUE(events[2].accepted);
    EXPECT_TRUE(events[3].accepted);
}

// The state the input core keeps carries from group to group; what changes nothing never reaches
// readers, and a group left with nothing but its end is no frame at all.
TEST_F(UinputCap, EventsThatChangeNothingAreFilteredLikeTheInputCoreDoes) {
    const int fd = makeDevice(nullptr, [](int dev) {
        ioctl(dev, UI_SET_EVBIT, EV_MSC);
        ioctl(dev, UI_SET_MSCBIT, MSC_SERIAL);
        ioctl(dev, UI_SET_EVBIT, EV_REL);
        ioctl(dev, UI_SET_RELBIT, REL_WHEEL);
    });
    struct Case {
        const char* what;
        std::vector<input_event> events; // SYN_REPORT is added
        const char* marks;               // per event: '.' passes, '~' filtered, '!' undeclared
        bool delivered;
    };
    const Case cases[] = {
        {"the axis starts at its setup value",
         {ev(EV_KEY, KEY_A, 1), ev(EV_ABS, ABS_X, 0)},
         ".~.",
         true},
        {"a new value passes", {ev(EV_ABS, ABS_X, 7)}, "..", true},
        {"nothing changed", {ev(EV_KEY, KEY_A, 1), ev(EV_ABS, ABS_X, 7)}, "~~~", false},
        {"key repeat", {ev(EV_KEY, KEY_A, 2)}, "..", true},
        {"MSC always passes", {ev(EV_MSC, MSC_SERIAL, -1), ev(EV_KEY, KEY_A, 1)}, ".~.", true},
        {"MSC again", {ev(EV_MSC, MSC_SERIAL, -1)}, "..", true},
        {"no relative move", {ev(EV_REL, REL_WHEEL, 0)}, "~~", false},
        {"a relative move", {ev(EV_REL, REL_WHEEL, -1)}, "..", true},
        {"undeclared beside a release", {ev(EV_KEY, KEY_A, 0), ev(EV_KEY, KEY_C, 1)}, ".!.", true},
        {"undeclared alone", {ev(EV_KEY, KEY_C, 1)}, "!~", false},
        {"key state counts as on or off",
         {ev(EV_KEY, KEY_B, 5), ev(EV_KEY, KEY_B, 1)},
         ".~.",
         true},
    };
    for (const Case& c : cases) {
        std::vector<input_event> group = c.events;
        group.push_back(ev(EV_SYN, SYN_REPORT, 0));
        const ssize_t size = static_cast<ssize_t>(group.size() * sizeof group[0]);
        EXPECT_EQ(write(fd, group.data(), group.size() * sizeof group[0]), size) << c.what;
    }
    // A group the closing cuts short never reaches readers either.
    const input_event cut[] = {ev(EV_KEY, KEY_B, 0)};
    EXPECT_EQ(write(fd, cut, sizeof cut), static_cast<ssize_t>(sizeof cut));
    close(fd);
    _log.read();
    const std::vector<ZvCapGroup> groups = _log.groupsOf(*_log.deviceByFd(fd));
    ASSERT_EQ(groups.size(), std::size(cases) + 1);
    for (size_t i = 0; i < std::size(cases); ++i) {
        std::string marks;
        for (const ZvCapEvent& e : groups[i].events)
            marks += !e.accepted ? '!' : e.filtered ? '~' : '.';
        EXPECT_EQ(marks, cases[i].marks) << cases[i].what;
        EXPECT_EQ(groups[i].delivered(), cases[i].delivered) << cases[i].what;
    }
    EXPECT_TRUE(groups.back().events[0].passes());
    EXPECT_FALSE(groups.back().delivered());
}

TEST_F(UinputCap, RefusesWhatTheKernelRefuses) {
    const int fd = open("/dev/uinput", O_WRONLY);
    ASSERT_GT(fd, 0);
    EXPECT_EQ(ioctl(fd, UI_DEV_CREATE), -1) << "no setup yet";
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(ioctl(fd, UI_SET_KEYBIT, KEY_CNT), -1);
    EXPECT_EQ(errno, EINVAL);
    const input_event early[] = {ev(EV_KEY, KEY_A, 1), ev(EV_SYN, SYN_REPORT, 0)};
    EXPECT_EQ(write(fd, early, sizeof early), -1) << "events before creation";
    EXPECT_EQ(errno, EINVAL);
    uinput_abs_setup bad{};
    bad.code = ABS_Y;
    bad.absinfo.minimum = 10;
    bad.absinfo.maximum = 0;
    EXPECT_EQ(ioctl(fd, UI_ABS_SETUP, &bad), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(ioctl(fd, EVIOCGVERSION, nullptr), -1);
    EXPECT_EQ(errno, ENOTTY);
    close(fd);

    const int dev = makeDevice();
    EXPECT_EQ(ioctl(dev, UI_SET_KEYBIT, KEY_C), -1) << "created devices are fixed";
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(write(dev, "abc", 3), -1) << "less than one event";
    EXPECT_EQ(errno, EINVAL);
    char sysname[32] = {};
    EXPECT_GT(ioctl(dev, UI_GET_SYSNAME(sizeof sysname), sysname), 0);
    EXPECT_EQ(strncmp(sysname, "input", 5), 0);
    close(dev);
    _log.read();
    EXPECT_EQ(_log.devices().size(), 1u);
    EXPECT_TRUE(_log.groups().empty());
}

TEST_F(UinputCap, LegacySetupRecordAndExplicitDestroy) {
    const int fd = open("/dev/uinput", O_WRONLY);
    ASSERT_GT(fd, 0);
    ioctl(fd, UI_SET_EVBIT, EV_ABS);
    ioctl(fd, UI_SET_ABSBIT, ABS_Y);
    uinput_user_dev dev{};
    strcpy(dev.name, "legacy\nname");
    dev.id = {BUS_VIRTUAL, 1, 2, 3};
    dev.absmax[ABS_Y] = 999;
    EXPECT_EQ(write(fd, &dev, sizeof dev), static_cast<ssize_t>(sizeof dev));
    EXPECT_EQ(ioctl(fd, UI_DEV_CREATE), 0);
    EXPECT_EQ(ioctl(fd, UI_DEV_DESTROY), 0);
    _log.read();
    ASSERT_EQ(_log.devices().size(), 1u);
    const ZvCapDevice& d = _log.devices()[0];
    EXPECT_EQ(d.name, "legacy?name") << "a name never splits a line";
    EXPECT_EQ(d.bus, unsigned(BUS_VIRTUAL));
    EXPECT_EQ(d.abs.at(ABS_Y).max, 999);
    EXPECT_TRUE(d.destroyed);
    close(fd);
    EXPECT_EQ(_log.read(), 0u) << "closing a destroyed device logs nothing more";
}

TEST_F(UinputCap, InjectedFailures) {
    setenv("ZV_UINPUTCAP_FAIL", "open", 1);
    errno = 0;
    EXPECT_EQ(open("/dev/uinput", O_WRONLY), -1);
    EXPECT_EQ(errno, ENOENT);
    setenv("ZV_UINPUTCAP_FAIL", "create", 1);
    const int fd = open("/dev/uinput", O_WRONLY);
    ASSERT_GT(fd, 0);
    uinput_setup setup{};
    strcpy(setup.name, "refused");
    ioctl(fd, UI_DEV_SETUP, &setup);
    EXPECT_EQ(ioctl(fd, UI_DEV_CREATE), -1);
    close(fd);
    EXPECT_EQ(_log.read(), 0u);
}

// The reader on its own: good lines of each kind next to damaged ones.
TEST(UinputCapReader, ParsesEachKindOfLine) {
    ZvCapDevice dev;
    ZvCapGroup group;
    long pid = 0;
    unsigned id = 0;
    long long at = 0;
    using Kind = ZvCapLog::Kind;
    EXPECT_EQ(ZvCapLog::parseLine("12.000000005 77 DEV 3 fd=9 bus=0x0003 vendor=0x7d3a "
                                  "product=0xffff version=0x0000 ev=1,2 key=0-3,272 rel=8 "
                                  "abs=0:0:40000:0:0:100,24:-1:9:1:2:0 msc= led= snd= sw= ff= "
                                  "prop=1 name=Zerva keyboard",
                                  dev, group, pid, id, at),
              Kind::Device);
    EXPECT_EQ(at, 12000000005LL);
    EXPECT_EQ(dev.pid, 77);
    EXPECT_EQ(dev.id, 3u);
    EXPECT_EQ(dev.fd, 9);
    EXPECT_EQ(dev.key, (std::set<unsigned>{0, 1, 2, 3, 272}));
    EXPECT_EQ(dev.rel, (std::set<unsigned>{8}));
    EXPECT_EQ(dev.abs.at(24).min, -1);
    EXPECT_EQ(dev.abs.at(24).flat, 2);
    EXPECT_EQ(dev.abs.at(0).res, 100);
    EXPECT_EQ(dev.name, "Zerva keyboard");

    EXPECT_EQ(ZvCapLog::parseLine("1.5 77 EVT 3 w=1 tv=100.000200 2:8:-1 1:30:1! 0:0:0", dev, group,
                                  pid, id, at),
              Kind::Group);
    EXPECT_EQ(group.writes, 1u);
    EXPECT_EQ(group.tvSec, 100);
    EXPECT_EQ(group.tvUsec, 200);
    EXPECT_EQ(group.events,
              (std::vector<ZvCapEvent>{
                  {EV_REL, REL_WHEEL, -1, true}, {1, 30, 1, false}, {0, 0, 0, true}}));
    EXPECT_TRUE(group.delivered());
    EXPECT_EQ(ZvCapLog::parseLine("1.5 77 EVT 3 w=1 tv=0.000000 1:30:1~ 4:0:-1! 0:0:0~", dev, group,
                                  pid, id, at),
              Kind::Group);
    ASSERT_EQ(group.events.size(), 3u);
    EXPECT_TRUE(group.events[0].accepted);
    EXPECT_TRUE(group.events[0].filtered);
    EXPECT_FALSE(group.events[1].accepted);
    EXPECT_FALSE(group.events[1].filtered);
    EXPECT_TRUE(group.events[2].filtered);
    EXPECT_FALSE(group.delivered());
    EXPECT_EQ(ZvCapLog::parseLine("1.5 77 DEL 3", dev, group, pid, id, at), Kind::Destroy);
    EXPECT_EQ(id, 3u);
}

TEST(UinputCapReader, RejectsDamagedLines) {
    ZvCapDevice dev;
    ZvCapGroup group;
    long pid = 0;
    unsigned id = 0;
    long long at = 0;
    for (const char* line : {
             "",
             "garbage",
             "1.5 77 XYZ 3",
             "1.5 77 DEL 0",
             "1.5 77 DEL 3 trailing",
             "1.5 77 EVT 3 w=1 tv=1.0",
             "1.5 77 EVT 3 w=1 tv=1.0 1:2",
             "1.5 77 EVT 3 w=x tv=1.0 1:2:3",
             "1.5 77 DEV 3 fd=9 bus=3 vendor=0x1 product=0x1 version=0x1 ev= key= rel= abs= "
             "msc= led= snd= sw= ff= prop= name=x",
             "1.5 77 DEV 3 fd=9 bus=0x3 vendor=0x1 product=0x1 version=0x1 ev= key=5-2 rel= "
             "abs= msc= led= snd= sw= ff= prop= name=x",
             "1.5 77 DEV 3 fd=9 bus=0x3 vendor=0x1 product=0x1 version=0x1 ev= key= rel= "
             "abs=0:1:2 msc= led= snd= sw= ff= prop= name=x",
         }) {
        EXPECT_EQ(ZvCapLog::parseLine(line, dev, group, pid, id, at), ZvCapLog::Kind::Invalid)
            << line;
    }
}

TEST(UinputCapReader, ReadsOnlyNewAndWholeLines) {
    char path[] = "/tmp/uinputcap-readerXXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const std::string old = "1.0 5 DEL 1\n";
    ASSERT_EQ(write(fd, old.data(), old.size()), static_cast<ssize_t>(old.size()));
    ZvCapLog log(path);
    log.skipExisting();
    const std::string part1 = "2.0 5 EVT 1 w=1 tv=0.000000 1:30:1 ";
    const std::string part2 = "0:0:0\nnot a line\n";
    ASSERT_EQ(write(fd, part1.data(), part1.size()), static_cast<ssize_t>(part1.size()));
    EXPECT_EQ(log.read(), 0u) << "half a line waits for its end";
    ASSERT_EQ(write(fd, part2.data(), part2.size()), static_cast<ssize_t>(part2.size()));
    EXPECT_EQ(log.read(), 1u);
    ASSERT_EQ(log.groups().size(), 1u);
    EXPECT_EQ(log.groups()[0].events.size(), 2u);
    EXPECT_EQ(log.badLines(), 1u);
    close(fd);
    unlink(path);
}
