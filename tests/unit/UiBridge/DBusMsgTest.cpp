// The record on the wire: what the settings application receives from the core, and what the
// core makes of structures of any length from it.
#include "BusHarness.h"
#include "ZvUcApp.h"
#include "ZvUiPeer.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

bool hasRecord(const std::vector<SinkEvent>& ev, th_u16 cmd) {
    for (const SinkEvent& e : ev)
        if (e.value == 0 && e.msg.head.cmd == cmd)
            return true;
    return false;
}

const SinkEvent* findRecord(const std::vector<SinkEvent>& ev, th_u16 cmd) {
    for (const SinkEvent& e : ev)
        if (e.value == 0 && e.msg.head.cmd == cmd)
            return &e;
    return nullptr;
}

class DBusMsgWire : public ::testing::Test {
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

} // namespace

TEST_F(DBusMsgWire, TabletInfoRecordIsOneStructureOf396Bytes) {
    ZvMsg m = makeMsg(ZVMC_UI_TABLET_INFO, "ABC");
    m.head.pid = 0x0000000012345678ull;
    zvuc::sendToUi(m);
    const auto calls = peer().waitCalls(1, 5000);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].signature, QStringLiteral("(ay)"));
    ASSERT_EQ(calls[0].wire.size(), 396);
    QByteArray want(396, '\0');
    want[0] = 3;
    const char pid[8] = {0x78, 0x56, 0x34, 0x12, 0, 0, 0, 0};
    want.replace(4, 8, QByteArray(pid, 8));
    want.replace(20, 3, QByteArray("ABC"));
    EXPECT_EQ(calls[0].wire.toHex(), want.toHex());
    EXPECT_EQ(std::memcmp(&calls[0].msg, &m, sizeof m), 0);
}

TEST_F(DBusMsgWire, ShortArrayIsZeroFilledAndLongArrayIsCut) {
    // Filled with 0xEE so that a stale byte left in the record would show.
    QByteArray shortOne(10, char(0xEE));
    shortOne[0] = char(0x21); // code 0x2221, unused, so nothing else in the run sends it
    shortOne[1] = char(0x22);
    ASSERT_TRUE(peer().callCoreRaw(shortOne));
    QByteArray longOne(500, char(0x5A));
    longOne[0] = char(0x31);
    longOne[1] = char(0x22);
    ASSERT_TRUE(peer().callCoreRaw(longOne));
    ASSERT_TRUE(sink::waitUntil(
        [](const auto& ev) { return hasRecord(ev, 0x2221) && hasRecord(ev, 0x2231); }, 5000));
    const auto ev = sink::events();
    const SinkEvent* s = findRecord(ev, 0x2221);
    const SinkEvent* l = findRecord(ev, 0x2231);
    ASSERT_TRUE(s && l);
    EXPECT_EQ(s->size, 396);
    const auto* sb = reinterpret_cast<const unsigned char*>(&s->msg);
    // Bytes 4..11 are the pid field, which the core fills in from the bus.
    EXPECT_EQ(sb[2], 0xEE);
    EXPECT_EQ(sb[3], 0xEE);
    for (int i = 12; i < 396; ++i)
        ASSERT_EQ(sb[i], 0) << i;
    const auto* lb = reinterpret_cast<const unsigned char*>(&l->msg);
    for (int i = 20; i < 396; ++i)
        ASSERT_EQ(lb[i], 0x5A) << i;
}

TEST_F(DBusMsgWire, EmptyArrayGivesAnAllZeroRecord) {
    sink::clear();
    ASSERT_TRUE(peer().callCoreRaw(QByteArray()));
    ASSERT_TRUE(sink::waitUntil([](const auto& ev) { return hasRecord(ev, 0); }, 5000));
    const auto ev = sink::events();
    const SinkEvent* e = findRecord(ev, 0);
    ASSERT_NE(e, nullptr);
    const auto* b = reinterpret_cast<const unsigned char*>(&e->msg);
    for (int i = 12; i < 396; ++i)
        ASSERT_EQ(b[i], 0) << i;
}
