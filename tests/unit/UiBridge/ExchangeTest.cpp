// Records both ways between the core and the settings application, what becomes of records
// while the settings application is not on the bus, and what the core takes from a client of the
// bus that is not the core itself (any client can call the core's methods).
#include "BusHarness.h"
#include "ZvOtherUserProcess.h"
#include "ZvUcApp.h"
#include "ZvUcReceiver.h"
#include "ZvUcSenders.h"
#include "ZvUiPeer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>

#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
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

const SinkEvent* recordTagged(const std::vector<SinkEvent>& ev, th_u64 tag) {
    for (const SinkEvent& e : ev)
        if (e.value == 0 && e.msg.head.hwnd == tag)
            return &e;
    return nullptr;
}

size_t logged(const std::string& text) {
    size_t k = 0;
    for (const std::string& l : sink::logLines())
        k += l.find(text) != std::string::npos;
    return k;
}

QByteArray bytesOf(const ZvMsg& m) {
    return QByteArray(reinterpret_cast<const char*>(&m), int(sizeof m));
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
    // Delivered by the processing thread, not on the main thread, with the sender's uid.
    for (const SinkEvent& e : sink::events())
        if (e.value == 0 && e.msg.head.cmd == ZVMC_UI_CONFIG_CHANGED) {
            EXPECT_NE(e.thread, mainThreadId());
            EXPECT_TRUE(e.viaPeer);
            EXPECT_EQ(e.uid, static_cast<long long>(getuid()));
        }
}

// A core that binds no peer callback gets the records through its event callback, as before.
TEST_F(Exchange, WithoutAPeerCallbackRecordsReachTheEventCallback) {
    usePeerCallback(false);
    ZvMsg m = makeMsg(ZVMC_UI_TABLET_NUM, nullptr);
    m.head.hwnd = 0x5151;
    const bool sent = peer().callCore(m);
    const bool arrived =
        sink::waitUntil([](const auto& ev) { return recordTagged(ev, 0x5151) != nullptr; }, 5000);
    usePeerCallback(true);
    ASSERT_TRUE(sent && arrived);
    const auto ev = sink::events();
    const SinkEvent* e = recordTagged(ev, 0x5151);
    EXPECT_FALSE(e->viaPeer);
    EXPECT_EQ(e->size, 396);
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

// The core's own connection may still call BinaryMessage; nothing in the core needs to (its self
// messages go to the main thread without the bus), but the method is part of the interface.
TEST_F(Exchange, BinaryMessageFromTheCoresOwnConnectionReachesTheCoreOnTheMainThread) {
    ZvMsg m = makeMsg(ZVMC_CORE_USB_ON, nullptr);
    m.head.hwnd = 0x0C0E;
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.Zerva.QtDBus.Msg.core"),
                                                       QStringLiteral("/"), QString(),
                                                       QStringLiteral("BinaryMessage"));
    call << bytesOf(m);
    const QDBusMessage answer = QDBusConnection::sessionBus().call(call);
    ASSERT_EQ(answer.type(), QDBusMessage::ReplyMessage) << qPrintable(answer.errorMessage());
    const QByteArray reply = answer.arguments().value(0).toByteArray();
    const unsigned char want[72] = {0, 0, 0, 0, 0,  0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 3, 0,
                                    0, 0, 4, 0, 0,  0, 5, 0, 0, 0, 6, 0, 0, 0, 7, 0, 0, 0,
                                    8, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 4, 0,
                                    0, 0, 3, 0, 0,  0, 2, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0};
    ASSERT_EQ(reply.size(), 72);
    EXPECT_EQ(std::memcmp(reply.constData(), want, 72), 0);
    // The call was answered after the slot ran, so the record is already there.
    const auto ev = sink::events();
    const SinkEvent* e = recordTagged(ev, 0x0C0E);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->thread, mainThreadId());
}

// Another client can neither inject the core's self messages nor pass for another user: whatever
// pid its records claim, they reach the core with the uid and pid the bus reports for it.
TEST_F(Exchange, AnotherClientCannotPassForTheCoreOrForAnotherUser) {
    ZvOtherUserProcess other;
    ASSERT_GT(other.pid(), 0);
    struct Case {
        const char* what;
        bool binaryMessage;
        th_u16 cmd;
    };
    const Case cases[] = {
        {"tablet plugged, CoreMsgProc", false, ZVMC_CORE_USB_ON},
        {"tablet gone, CoreMsgProc", false, ZVMC_CORE_USB_OFF},
        {"Bluetooth tablet, CoreMsgProc", false, ZVMC_CORE_BLZ_ON},
        {"wheel step, CoreMsgProc", false, ZVMC_CORE_WHEEL_BACKWARD},
        {"lowest code of the core's own, CoreMsgProc", false, 0x6000},
        {"a reply's code, CoreMsgProc", false, ZVMC_REPLY | ZVMC_UI_TABLET_NUM},
        {"tablet plugged, BinaryMessage", true, ZVMC_CORE_USB_ON},
        {"wheel step, BinaryMessage", true, ZVMC_CORE_WHEEL_FORWARD},
        {"tablet list with a claimed pid, BinaryMessage", true, ZVMC_UI_TABLET_NUM},
    };
    th_u64 tag = 0x7000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ZvMsg m = makeMsg(c.cmd, nullptr);
        m.head.pid = th_u64(other.pid());
        m.head.hwnd = ++tag;
        if (c.binaryMessage) {
            QString error;
            EXPECT_TRUE(peer().callBinary(bytesOf(m), &error).isEmpty());
            EXPECT_EQ(error, QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"));
        } else {
            EXPECT_FALSE(peer().callCore(m));
        }
    }
    // Records of one client are handled in order: once this one is there, all were.
    ZvMsg genuine = makeMsg(ZVMC_UI_TABLET_NUM, nullptr);
    genuine.head.pid = th_u64(other.pid());
    genuine.head.hwnd = 0x7FFF;
    ASSERT_TRUE(peer().callCore(genuine));
    ASSERT_TRUE(
        sink::waitUntil([](const auto& ev) { return recordTagged(ev, 0x7FFF) != nullptr; }, 5000));
    const auto ev = sink::events();
    for (th_u64 t = 0x7001; t <= tag; ++t)
        EXPECT_EQ(recordTagged(ev, t), nullptr)
            << "record " << std::hex << t << " reached the core";
    const SinkEvent* e = recordTagged(ev, 0x7FFF);
    EXPECT_TRUE(e->viaPeer);
    EXPECT_EQ(e->uid, static_cast<long long>(getuid()));
    const th_u64 pid = e->msg.head.pid; // packed field: compare a copy
    EXPECT_EQ(pid, th_u64(getpid()));
}

// A client that calls faster than the core handles records is refused once kProcQueueLimit
// records wait, with one log line for the whole flood; the core keeps draining what it took and
// answers the next request.
TEST_F(Exchange, AFloodIsRefusedPastTheLimitAndLaterRequestsAreStillTaken) {
    const size_t fullLines = logged("records wait to be handled");
    const int kFlood = 20000;
    sink::hold(true); // a core busy with something else
    ZvMsg flood = makeMsg(ZVMC_UI_CONFIG_CHANGED, "FLOOD");
    for (int i = 0; i < kFlood; ++i)
        ASSERT_TRUE(peer().sendCore(flood));
    // Calls of one client are answered in order: this answer comes after the whole flood.
    EXPECT_FALSE(peer().callCore(flood, 120000)) << "the core took more than it can hold";
    sink::hold(false);
    const auto floodCount = [](const std::vector<SinkEvent>& ev) {
        size_t n = 0;
        for (const SinkEvent& e : ev)
            n += e.value == 0 && std::strcmp(e.msg.body.sModel, "FLOOD") == 0;
        return n;
    };
    ASSERT_TRUE(sink::waitUntil(
        [&](const auto& ev) { return floodCount(ev) >= zvuc::kProcQueueLimit; }, 10000));
    ZvMsg ask = makeMsg(ZVMC_UI_TABLET_NUM, nullptr);
    ask.head.hwnd = 0x0A5C;
    EXPECT_TRUE(peer().callCore(ask, 60000));
    EXPECT_TRUE(
        sink::waitUntil([](const auto& ev) { return recordTagged(ev, 0x0A5C) != nullptr; }, 60000));
    // What waited in the queue, and the one record the held processing thread had taken.
    EXPECT_LE(floodCount(sink::events()), zvuc::kProcQueueLimit + 1);
    EXPECT_EQ(logged("records wait to be handled"), fullLines + 1);
}

// Clients that come and go (each connection has a name of its own) must not grow the core: only
// the most recent senders are kept, and one the bus cannot name is not kept at all.
TEST(SenderCache, KeepsTheMostRecentSendersOnly) {
    int asked = 0;
    zvuc::SenderCache cache([&](const QString& name, zvuc::SenderId* out) {
        ++asked;
        if (name == QLatin1String(":1.gone"))
            return false;
        out->uid = 1000;
        out->pid = name.mid(3).toUInt();
        return true;
    });
    for (int i = 1; i <= 100; ++i)
        EXPECT_EQ(cache.lookup(QStringLiteral(":1.%1").arg(i)).pid, th_u64(i));
    EXPECT_EQ(cache.size(), zvuc::SenderCache::kLimit);
    EXPECT_EQ(cache.lookup(QStringLiteral(":1.gone")).uid, -1);
    EXPECT_EQ(cache.lookup(QString()).uid, -1); // not over the bus: nobody to ask
    EXPECT_EQ(cache.size(), zvuc::SenderCache::kLimit);
    asked = 0;
    EXPECT_EQ(cache.lookup(QStringLiteral(":1.100")).uid, 1000); // kept: not asked again
    EXPECT_EQ(cache.lookup(QStringLiteral(":1.1")).uid, 1000);   // dropped: asked again
    EXPECT_EQ(asked, 1);
}
