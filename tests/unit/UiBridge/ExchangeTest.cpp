// Records both ways between the core and the settings application, and what becomes of records
// while the settings application is not on the bus.
#include "BusHarness.h"
#include "ZvUcApp.h"
#include "ZvUiPeer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <unistd.h>

namespace {

class Exchange : public ::testing::Test {
protected:
    void SetUp() override {
        ZV_DBUS_OR_SKIP(privateBus());
        ASSERT_TRUE(peer().claimName());
        peer().clearCalls();
        sink::clear();
    }
    void TearDown() override {
        if (privateBus().available())
            (void)peer().releaseName();
    }
};

std::vector<ZvMsg> recordsWith(const std::vector<SinkEvent>& ev, th_u16 cmd) {
    std::vector<ZvMsg> out;
    for (const SinkEvent& e : ev)
        if (e.value == 0 && e.msg.head.cmd == cmd)
            out.push_back(e.msg);
    return out;
}

} // namespace

TEST_F(Exchange, RecordsFromTheSettingsAppArriveInOrderWithTheBusPid) {
    const int n = 30;
    for (int i = 0; i < n; ++i) {
        ZvMsg m = makeMsg(ZVMC_UI_CONFIG_CHANGED, "ZVM1060");
        m.head.pid = 4242; // a claim; the bus knows the real sender
        m.body.raw[30] = th_u8(i);
        ASSERT_TRUE(peer().callCore(m));
    }
    ASSERT_TRUE(sink::waitUntil(
        [&](const auto& ev) { return recordsWith(ev, ZVMC_UI_CONFIG_CHANGED).size() >= size_t(n); },
        5000));
    const auto got = recordsWith(sink::events(), ZVMC_UI_CONFIG_CHANGED);
    ASSERT_EQ(got.size(), size_t(n));
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(got[i].body.raw[30], i);
        const th_u64 pid = got[i].head.pid; // packed field: compare a copy
        EXPECT_EQ(pid, th_u64(getpid()));
        EXPECT_STREQ(got[i].body.sModel, "ZVM1060");
    }
    // Delivered by the processing thread, not on the main thread.
    for (const SinkEvent& e : sink::events())
        if (e.value == 0 && e.msg.head.cmd == ZVMC_UI_CONFIG_CHANGED) {
            EXPECT_NE(e.thread, mainThreadId());
        }
}

TEST_F(Exchange, RecordsToTheSettingsAppArriveInOrder) {
    for (int i = 0; i < 20; ++i) {
        ZvMsg m = makeMsg(ZVMC_REPLY | ZVMC_UI_TABLET_NUM, nullptr);
        m.body.tablets.num = th_u8(i);
        zvuc::sendToUi(m);
    }
    const auto calls = peer().waitCalls(20, 5000);
    ASSERT_EQ(calls.size(), 20u);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(calls[i].msg.head.cmd, ZVMC_REPLY | ZVMC_UI_TABLET_NUM);
        EXPECT_EQ(calls[i].msg.body.tablets.num, i);
    }
}

TEST_F(Exchange, RecordsWhileTheSettingsAppIsAbsentAreLostLaterOnesArrive) {
    ASSERT_TRUE(peer().releaseName());
    const size_t failedBefore = [] {
        size_t k = 0;
        for (const std::string& l : sink::logLines())
            k += l.find("Core Call UI->MsgProc failed") != std::string::npos;
        return k;
    }();
    zvuc::sendToUi(makeMsg(ZVMC_CORE_TABLET_OPEN, "LOST1"));
    zvuc::sendToUi(makeMsg(ZVMC_CORE_TABLET_CLOSE, "LOST2"));
    // One failure line per record, then each is gone.
    ASSERT_TRUE(sink::waitLogCount("Core Call UI->MsgProc failed", failedBefore + 2, 10000));
    ASSERT_TRUE(peer().claimName());
    zvuc::sendToUi(makeMsg(ZVMC_CORE_TABLET_OPEN, "KEPT1"));
    zvuc::sendToUi(makeMsg(ZVMC_CORE_TABLET_CLOSE, "KEPT2"));
    const auto calls = peer().waitCalls(2, 5000);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_STREQ(calls[0].msg.body.sModel, "KEPT1");
    EXPECT_STREQ(calls[1].msg.body.sModel, "KEPT2");
}

TEST_F(Exchange, BinaryMessageOverTheBusReachesTheCoreOnTheMainThread) {
    ZvMsg m = makeMsg(ZVMC_CORE_USB_ON, nullptr);
    const QByteArray reply =
        peer().callBinary(QByteArray(reinterpret_cast<const char*>(&m), int(sizeof m)));
    const unsigned char want[72] = {0, 0, 0, 0, 0,  0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 3, 0,
                                    0, 0, 4, 0, 0,  0, 5, 0, 0, 0, 6, 0, 0, 0, 7, 0, 0, 0,
                                    8, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 4, 0,
                                    0, 0, 3, 0, 0,  0, 2, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0};
    ASSERT_EQ(reply.size(), 72);
    EXPECT_EQ(std::memcmp(reply.constData(), want, 72), 0);
    // The call was answered after the slot ran, so the record is already there.
    const auto got = recordsWith(sink::events(), ZVMC_CORE_USB_ON);
    ASSERT_EQ(got.size(), 1u);
    for (const SinkEvent& e : sink::events())
        if (e.value == 0) {
            EXPECT_EQ(e.thread, mainThreadId());
        }
}
