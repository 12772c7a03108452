// The settings application's adapter and logic center, built in this process as the program
// builds them (on the GUI thread, the main thread here): first against a stand-in core that the
// test steers record by record, then against the real ZervaCore and the simulated tablet.
#include "LogicCenter.h"
#include "DaemonFixture.h"
#include "FakeCore.h"
#include "RecordingUi.h"
#include "ZvConfStoreDll.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <chrono>
#include <linux/input.h>
#include <memory>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

ZvMsg record(th_u16 cmd, const char* model = nullptr) {
    ZvMsg m;
    memset(&m, 0, sizeof m);
    m.head.cmd = cmd;
    if (model != nullptr)
        strncpy(m.body.sModel, model, sizeof m.body.sModel);
    return m;
}

ZvMsg tabletList(std::vector<const char*> models, int num = -1) {
    ZvMsg m = record(ZVMC_REPLY | ZVMC_UI_TABLET_NUM);
    m.body.tablets.num = th_u8(num >= 0 ? num : int(models.size()));
    for (size_t i = 0; i < models.size() && i < 2; ++i)
        strncpy(m.body.tablets.model[i], models[i], ZV_MODEL_LEN);
    return m;
}

ZvMsg tabletInfo(const char* model, unsigned maxX, unsigned maxY) {
    ZvMsg m = record(ZVMC_REPLY | ZVMC_UI_TABLET_INFO);
    strncpy(m.body.tc.tc.sModel, model, ZV_MODEL_LEN);
    m.body.tc.tc.maxX = maxX;
    m.body.tc.tc.maxY = maxY;
    return m;
}

// The state byte after the model of the state answers (the same place in each of them).
ZvMsg withByte(ZvMsg m, th_u8 value) {
    m.body.ledState.bState = value;
    return m;
}

ZvMsg admin(bool on) {
    ZvMsg m = record(ZVMC_REPLY | ZVMC_UI_IF_ADMIN);
    m.body.bAdmin = on ? 1 : 0;
    return m;
}

double cpuSeconds() {
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

} // namespace

class LogicCenterTest : public DaemonTest {
protected:
    static void SetUpTestSuite() {
        withUiPeer = false;
        startDesktop(1920, 1080);
    }
    void TearDown() override {
        onGui([this] { logic.reset(); });
        DaemonTest::TearDown();
    }

    template <class F> static void onGui(F f) {
        QMetaObject::invokeMethod(qApp, f, Qt::BlockingQueuedConnection);
    }
    // appDir: the folder with libs/ and res/ (the core's, so both share the per-model files).
    void startLogic(const QString& appDir = QString()) {
        onGui([this, appDir] {
            logic = std::make_unique<LogicCenter>(appDir);
            logic->SetUIMsgInterface(&rec);
            gui = std::this_thread::get_id();
        });
        ASSERT_TRUE(logic->adapter()->waitRegistered(5000));
    }
    int devices() {
        int n = -1;
        onGui([&] { n = logic->GetTabletManager()->Count(); });
        return n;
    }
    // Sends the record, then a marker: true when nothing reached the user interface before the
    // marker (the record was ignored or refused).
    bool ignored(FakeCore& core, const ZvMsg& msg) {
        const size_t from = rec.size();
        (void)core.toUi(msg);
        EXPECT_TRUE(core.toUi(admin(false)));
        return rec.waitLine("admin 0", 3000, from) == long(from);
    }

    // Lists model as the core does and answers with its description from the store in dir().
    void listTablet(FakeCore& core, const char* model) {
        ZvConfStoreDll store;
        ASSERT_TRUE(store.load((dir() + "/libs/libconfstore.so").c_str()));
        store.setCfgPath(dir().c_str(), dir().c_str());
        ZvMsg info = record(ZVMC_REPLY | ZVMC_UI_TABLET_INFO);
        ASSERT_EQ(store.readTabletCfg(model, &info.body.tc.tc), 0) << model;
        const size_t asked = core.waitCount(ZVMC_UI_TABLET_INFO, 0, 0);
        ASSERT_TRUE(core.toUi(tabletList({model})));
        ASSERT_EQ(core.waitCount(ZVMC_UI_TABLET_INFO, asked + 1, 3000), asked + 1);
        const size_t from = rec.size();
        ASSERT_TRUE(core.toUi(info));
        ASSERT_GE(rec.waitLine(std::string("connect ") + model + " " +
                                   std::to_string(info.body.tc.tc.maxX) + " " +
                                   std::to_string(info.body.tc.tc.maxY),
                               3000, from),
                  0);
    }

    RecordingUi rec;
    std::unique_ptr<LogicCenter> logic;
    std::thread::id gui;
};

TEST_F(LogicCenterTest, RequestsWaitForTheCoreWithoutSpinningAndGoOutInOrder) {
    startLogic();
    // No core: the sending thread holds the tablet-list request and sleeps.
    const double before = cpuSeconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_LT(cpuSeconds() - before, 0.15) << "the process worked while the core was absent";
    onGui([this] {
        MsgAdapter* a = logic->adapter();
        EXPECT_TRUE(a->GetAdmin());
        EXPECT_TRUE(a->SendCfgChange(QStringLiteral("ZT-A01")));
        EXPECT_TRUE(a->GetLedInfo(QStringLiteral("ZT-A01")));
        EXPECT_TRUE(a->SendLedLightLevel(QStringLiteral("ZT-A01"), -2));
        EXPECT_TRUE(a->SendMonitorChange(QStringLiteral("ZT-A01"), 0x0103));
        EXPECT_TRUE(a->SendTHKeyState(QStringLiteral("ZT-A01"), true));
        // One tablet-list request waits already; a second one would only repeat its answer.
        EXPECT_FALSE(a->GetTabletNum());
        EXPECT_FALSE(a->GetTabletInfo(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWX")));
    });
    FakeCore core;
    ASSERT_TRUE(core.claim());
    const auto calls = core.waitCalls(7, 5000);
    ASSERT_GE(calls.size(), 7u);
    std::vector<int> codes;
    for (size_t i = 0; i < 7; ++i)
        codes.push_back(calls[i].head.cmd);
    EXPECT_EQ(codes, (std::vector<int>{ZVMC_UI_TABLET_NUM, ZVMC_UI_IF_ADMIN, ZVMC_UI_CONFIG_CHANGED,
                                       ZVMC_UI_LED_QUERY, ZVMC_UI_LED_LIGHT_CHANGE,
                                       ZVMC_UI_MONITOR_CHANGED, ZVMC_UI_THKEY_CHANGE}));
    // The value follows the model's 24 bytes: a signed byte, a 16-bit index, a state byte.
    EXPECT_EQ(calls[4].body.raw[24], 0xFE);
    EXPECT_EQ(calls[5].body.raw[24], 0x03);
    EXPECT_EQ(calls[5].body.raw[25], 0x01);
    EXPECT_EQ(calls[6].body.raw[24], 1);
    EXPECT_STREQ(calls[2].body.sModel, "ZT-A01");
    const th_u64 pid = calls[1].head.pid; // packed field: compare a copy
    EXPECT_EQ(pid, th_u64(getpid()));
}

TEST_F(LogicCenterTest, CoreRecordsReachTheirHandlersOnTheGuiThread) {
    startLogic();
    FakeCore core;
    ASSERT_TRUE(core.claim());
    ZvMsg light = record(ZVMC_REPLY | ZVMC_UI_LED_LIGHT_QUERY, "ZT-A01");
    light.body.ledLightOffset.offset = -3;
    ZvMsg sleep = record(ZVMC_REPLY | ZVMC_UI_SLEEP_QUERY, "ZT-A01");
    sleep.body.sleepOffset.offset = 2;
    ZvMsg screen = record(ZVMC_CORE_SWITCH_DISPLAY, "ZT-A01");
    screen.body.curScreenIndex.curScreenIndex = 3;
    const struct {
        ZvMsg msg;
        const char* line;
    } cases[] = {
        {admin(true), "admin 1"},
        {withByte(record(ZVMC_REPLY | ZVMC_UI_BATTERY_QUERY, "ZT-A01"), 0x18), "power 15"},
        {withByte(record(ZVMC_REPLY | ZVMC_UI_BATTERY_QUERY, "ZT-A01"), 128), "power 100"},
        {withByte(record(ZVMC_REPLY | ZVMC_UI_BATTERY_QUERY, "ZT-A01"), 8), "power 50"},
        {withByte(record(ZVMC_REPLY | ZVMC_UI_LED_QUERY, "ZT-A01"), 1), "led 1"},
        {withByte(record(ZVMC_REPLY | ZVMC_UI_DIAL_QUERY, "ZT-A01"), 1), "dial 1"},
        {withByte(record(ZVMC_REPLY | ZVMC_UI_THKEY_QUERY, "ZT-A01"), 1), "thkey 1"},
        {withByte(record(ZVMC_REPLY | ZVMC_UI_TSCREEN_QUERY, "ZT-A01"), 2), "tscreen 1"},
        {light, "ledlight -3"},
        {sleep, "sleep 2"},
        {screen, "screen 3"},
        {record(ZVMC_CORE_TABLET_OPEN, "ZT-A01"), "open ZT-A01"},
        {record(ZVMC_CORE_TABLET_CLOSE, "ZT-A01"), "close ZT-A01"},
    };
    for (const auto& c : cases) {
        const size_t from = rec.size();
        ASSERT_TRUE(core.toUi(c.msg)) << c.line;
        EXPECT_EQ(rec.waitLine(c.line, 3000, from), long(from)) << c.line;
        EXPECT_EQ(rec.lastThread(), gui) << c.line;
    }
    // Codes without a handler, models that are not model names, indices past their arrays, and
    // controls of a tablet that is not listed.
    ZvMsg mek = record(ZVMC_CORE_SWITCH_MEK_FUNC, "ZT-A01");
    mek.body.curMuxVal.mekIdx = 2;
    char full[ZV_MODEL_LEN];
    memset(full, 'A', sizeof full);
    ZvMsg unterminated = record(ZVMC_CORE_TABLET_OPEN);
    memcpy(unterminated.body.sModel, full, sizeof full);
    for (const ZvMsg& m :
         {record(ZVMC_CORE_FINE_MODE, "ZT-A01"), record(ZVMC_CORE_TABLET_OPEN, "../etc/x"),
          record(ZVMC_CORE_TABLET_OPEN, ""), unterminated, mek,
          record(ZVMC_CORE_SHOW_EKEY_VALUE, "ZT-A01"),
          record(ZVMC_CORE_SWITCH_ABSOLUTEMODE, "ZT-A01")})
        EXPECT_TRUE(ignored(core, m)) << "code 0x" << std::hex << m.head.cmd;
}

TEST_F(LogicCenterTest, TabletListAndTabletInfoKeepTheDeviceList) {
    startLogic();
    FakeCore core;
    ASSERT_TRUE(core.claim());
    ASSERT_EQ(core.waitCount(ZVMC_UI_TABLET_NUM, 1, 5000), 1u);

    // A new model is asked for once, however often the list names it before the answer.
    ASSERT_TRUE(core.toUi(tabletList({"ZT-A01"})));
    ASSERT_TRUE(core.toUi(tabletList({"ZT-A01", "ZT-A01"})));
    EXPECT_EQ(core.waitCount(ZVMC_UI_TABLET_INFO, 1, 3000), 1u);
    EXPECT_STREQ(core.last(ZVMC_UI_TABLET_INFO).body.sModel, "ZT-A01");
    ASSERT_TRUE(core.toUi(tabletInfo("ZT-A01", 40000, 25000)));
    EXPECT_GE(rec.waitLine("connect ZT-A01 40000 25000", 3000), 0);
    EXPECT_TRUE(ignored(core, tabletInfo("ZT-A01", 1, 1))) << "a known model is added once";
    EXPECT_EQ(core.waitCount(ZVMC_UI_TABLET_INFO, 2, 300), 1u);

    // A second tablet joins the list; the current one stays.
    size_t from = rec.size();
    ASSERT_TRUE(core.toUi(tabletList({"ZT-A01", "ZT-B02"}, 5)));
    EXPECT_EQ(core.waitCount(ZVMC_UI_TABLET_INFO, 2, 3000), 2u);
    ASSERT_TRUE(core.toUi(tabletInfo("ZT-B02", 30000, 20000)));
    EXPECT_GE(rec.waitLine("connect ZT-A01 40000 25000", 3000, from), 0);
    EXPECT_EQ(devices(), 2);

    // Choosing it tells the core (code 10) and the pages.
    bool chosen = false;
    onGui([&] { chosen = logic->UI_SetCurrentDevIdx(1); });
    EXPECT_TRUE(chosen);
    EXPECT_EQ(core.waitCount(ZVMC_UI_CHANGE_CUR_TABLET, 1, 3000), 1u);
    EXPECT_STREQ(core.last(ZVMC_UI_CHANGE_CUR_TABLET).body.sModel, "ZT-B02");
    EXPECT_GE(rec.waitLine("connect ZT-B02 30000 20000", 3000), 0);
    onGui([&] { chosen = logic->UI_SetCurrentDevIdx(2); });
    EXPECT_FALSE(chosen);

    // The current one is unplugged: the other becomes current.
    from = rec.size();
    ASSERT_TRUE(core.toUi(tabletList({"ZT-A01"})));
    EXPECT_GE(rec.waitLine("connect ZT-A01 40000 25000", 3000, from), 0);
    EXPECT_EQ(devices(), 1);

    // None left; an answer nobody asked for adds nothing.
    from = rec.size();
    ASSERT_TRUE(core.toUi(tabletList({})));
    EXPECT_GE(rec.waitLine("connect  0 0", 3000, from), 0);
    EXPECT_EQ(devices(), 0);
    EXPECT_TRUE(ignored(core, tabletInfo("ZT-C03", 1, 1)));
    EXPECT_EQ(devices(), 0);
}

TEST_F(LogicCenterTest, RecordsFromOtherClientsOfTheBusAreRefused) {
    startLogic();
    FakeCore core;
    ASSERT_TRUE(core.claim());
    FakeCore forger(QStringLiteral("forger"));
    const size_t from = rec.size();
    EXPECT_FALSE(forger.toUi(admin(true)));
    EXPECT_FALSE(forger.toUi(tabletList({"ZT-A01"})));
    ASSERT_TRUE(core.toUi(admin(false)));
    EXPECT_EQ(rec.waitLine("admin 0", 3000, from), long(from));
    EXPECT_EQ(core.waitCount(ZVMC_UI_TABLET_INFO, 1, 300), 0u);
}

TEST_F(LogicCenterTest, CoreLeavingDisconnectsAndItsReturnIsAskedForTabletsAtOnce) {
    startLogic();
    FakeCore core;
    ASSERT_TRUE(core.claim());
    ASSERT_TRUE(core.toUi(tabletList({"ZT-A01"})));
    ASSERT_EQ(core.waitCount(ZVMC_UI_TABLET_INFO, 1, 3000), 1u);
    ASSERT_TRUE(core.toUi(tabletInfo("ZT-A01", 40000, 25000)));
    ASSERT_GE(rec.waitLine("connect ZT-A01 40000 25000", 3000), 0);

    const size_t from = rec.size();
    ASSERT_TRUE(core.release());
    EXPECT_GE(rec.waitLine("disconnect ", 3000, from), 0);
    EXPECT_EQ(devices(), 0);

    core.clear();
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(core.claim());
    ASSERT_EQ(core.waitCount(ZVMC_UI_TABLET_NUM, 1, 4000), 1u);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(1000))
        << "the returning core waited for the next periodic request";
    // The same tablet connects again.
    ASSERT_TRUE(core.toUi(tabletList({"ZT-A01"})));
    ASSERT_EQ(core.waitCount(ZVMC_UI_TABLET_INFO, 1, 3000), 1u);
    ASSERT_TRUE(core.toUi(tabletInfo("ZT-A01", 40000, 25000)));
    EXPECT_GE(rec.waitLine("connect ZT-A01 40000 25000", 3000, from), 0);
}

TEST_F(LogicCenterTest, RealCorePluggedTabletConnectsAndUnpluggedDisconnects) {
    startLogic();
    core = startCore(tablet_device("t", "ZVM0640EKB", 0x0950, "1-1:1") +
                     "script t\n  wait 5000ms\n  unplug\nend\n");
    ASSERT_GT(core, 0);
    const long connected = rec.waitLine("connect ZVM0640EKB 50800 31750", 10000);
    ASSERT_GE(connected, 0) << output();
    EXPECT_GE(rec.waitLine("connect  0 0", 12000, size_t(connected)), 0) << output();
    EXPECT_EQ(devices(), 0);
}

TEST_F(LogicCenterTest, RealCoreTwoTabletsAreTwoEntries) {
    startLogic();
    core = startCore(tablet_device("a", "ZVM0640EKB", 0x0950, "1-1:1") +
                     tablet_device("b", "ZVM1060SLD", 0x0960, "1-2:1"));
    ASSERT_GT(core, 0);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(12);
    while (devices() < 2 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(devices(), 2) << output();
    QString a, b;
    onGui([&] {
        a = logic->UI_GetDevModel(0);
        b = logic->UI_GetDevModel(1);
    });
    EXPECT_EQ(QStringList({a, b}).join(' ').toStdString().find("ZVM0640EKB") != std::string::npos,
              true);
    EXPECT_NE(a, b);
}

TEST_F(LogicCenterTest, MirroredKeysAndDialsAreBoundTogetherAndAFailedSaveTellsNobody) {
    startLogic(QString::fromStdString(dir()));
    FakeCore core;
    ASSERT_TRUE(core.claim());
    const struct {
        const char* model;
        bool dial;
        int key, partner;
    } cases[] = {
        {"ZVD2420MKS", false, 3, 13}, {"ZVD2420MKS", false, 19, 9}, {"ZVM1316MKS", false, 10, 2},
        {"ZVD1622DDL", true, 0, 1},   {"ZVD1560RNG", false, 0, -1},
    };
    for (const auto& c : cases) {
        ASSERT_NO_FATAL_FAILURE(listTablet(core, c.model));
        const size_t told = core.waitCount(ZVMC_UI_CONFIG_CHANGED, 0, 0);
        const QString name = QStringLiteral("Mirror %1").arg(c.key);
        bool ok = false;
        QString partner, other;
        onGui([&] {
            ok = c.dial ? logic->UI_SetMkeyValue(-1, c.key, 0, ZVEF_KBTN, true, false, false, false,
                                                 "=", name, ZVEF_KBTN, true, false, false, false,
                                                 "-", name)
                        : logic->UI_SetHkeyValue(-1, c.key, ZVEF_KBTN, true, false, false, false,
                                                 "B", name);
            if (c.partner >= 0)
                partner = c.dial ? logic->UI_GetMkeyValue_r(-1, c.partner, 0).sname
                                 : logic->UI_GetHkeyValue_r(-1, c.partner).sname;
            other = logic->UI_GetHkeyValue_r(-1, c.key + 1).sname;
        });
        EXPECT_TRUE(ok) << c.model;
        if (c.partner >= 0) {
            EXPECT_EQ(partner, name) << c.model << " key " << c.key;
        }
        EXPECT_NE(other, name) << c.model << ": only the partner follows";
        EXPECT_EQ(core.waitCount(ZVMC_UI_CONFIG_CHANGED, told + 1, 3000), told + 1) << c.model;
        ASSERT_TRUE(core.toUi(tabletList({}))); // unplugged before the next one
    }

    // The store cannot replace the file: the page hears of the failure, the core of nothing.
    ASSERT_NO_FATAL_FAILURE(listTablet(core, "ZVD1560RNG"));
    const std::string file = userFile("ZVD1560RNG");
    ASSERT_EQ(unlink(file.c_str()), 0);
    ASSERT_EQ(mkdir(file.c_str(), 0755), 0);
    const size_t told = core.waitCount(ZVMC_UI_CONFIG_CHANGED, 0, 0);
    bool ok = true;
    onGui([&] { ok = logic->UI_SetMouseSpeed(6); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(core.waitCount(ZVMC_UI_CONFIG_CHANGED, told + 1, 500), told);
}

TEST_F(LogicCenterTest, RealCoreBindingIsSavedAndPerformedAfterTheChangeNotice) {
    const char* model = "ZVD1560RNG"; // express key 2 is Undo (Ctrl+Z) in the template
    startLogic(QString::fromStdString(dir()));
    core = startCore(tablet_device("display", model, 0x0960, "1-1:1") +
                     "script display\n"
                     "  wait 3000ms\n  keys 0x02\n  wait 50ms\n  keys 0\n"
                     "  wait 3000ms\n  keys 0x02\n  wait 50ms\n  keys 0\n"
                     "end\n");
    ASSERT_GT(core, 0);
    ASSERT_GE(rec.waitLine("connect ZVD1560RNG 50800 31750", 10000), 0) << output();
    bool ok = false;
    onGui([&] {
        ok = logic->UI_SetHkeyValue(-1, 1, ZVEF_KBTN, false, false, false, false, "B", "Letter B");
    });
    ASSERT_TRUE(ok);
    // In the file the store wrote, as the model's own tool reads it.
    const std::string cmd = std::string(ZV_ZVCFG) + " print " + userFile(model) +
                            " | grep -q '\"name\" : \"Letter B\"'";
    EXPECT_EQ(system(cmd.c_str()), 0) << cmd;

    // The first press is before or after the change; the second is after it.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(12);
    std::vector<int> downs;
    while (std::chrono::steady_clock::now() < until) {
        downs.clear();
        const ZvCapLog log = cap();
        if (const ZvCapDevice* kbd = log.device("Zerva keyboard"))
            for (const ZvCapGroup& g : log.groupsOf(*kbd))
                for (const ZvCapEvent& e : g.events)
                    if (e.type == EV_KEY && e.value == 1)
                        downs.push_back(e.code);
        if (!downs.empty() && downs.back() == KEY_B)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_FALSE(downs.empty()) << output();
    EXPECT_EQ(downs.back(), KEY_B) << output();
}
