// The core's bus service as any client of the session bus meets it: whoever runs a client can
// call CoreMsgProc and BinaryMessage. A client must not be able to set off the core's own
// messages (a tablet came, a wheel step), to name the user that bound programs run as, or to
// grow the core by calling faster than it handles records.
#include "DaemonFixture.h"
#include "ZvOtherUserProcess.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariant>

#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <string.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

const char kCore[] = "org.Zerva.QtDBus.Msg.core";

ZvMsg record(th_u16 cmd, const char* model, th_u64 pid) {
    ZvMsg m;
    memset(&m, 0, sizeof m);
    m.head.cmd = cmd;
    m.head.pid = pid;
    strncpy(m.body.sModel, model, sizeof m.body.sModel - 1);
    return m;
}

QDBusMessage coreCall(const char* method) {
    return QDBusMessage::createMethodCall(kCore, QStringLiteral("/"), QString(),
                                          QString::fromLatin1(method));
}

size_t occurrences(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

long rssKb(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

} // namespace

class PeerTest : public DaemonTest {};

TEST_F(PeerTest, AClientCanNeitherSetOffSelfMessagesNorNameTheDesktopUser) {
    core = startCore("");
    ASSERT_TRUE(ui->waitCore(10000)) << output();
    ZvOtherUserProcess other;
    ASSERT_GT(other.pid(), 0);
    QDBusConnection bus = QDBusConnection::sessionBus();

    // The tablet list asked for through the self-message method, claiming the other user's pid.
    const ZvMsg list = record(ZVMC_UI_TABLET_NUM, "FORGED", th_u64(other.pid()));
    QDBusMessage binary = coreCall("BinaryMessage");
    binary << QByteArray(reinterpret_cast<const char*>(&list), int(sizeof list));
    const QDBusMessage refused = bus.call(binary, QDBus::Block, 10000);
    EXPECT_EQ(refused.type(), QDBusMessage::ErrorMessage);
    // Self messages through the settings application's method.
    for (th_u16 cmd : {ZVMC_CORE_USB_ON, ZVMC_CORE_BLZ_ON, ZVMC_CORE_WHEEL_FORWARD}) {
        QDBusMessage call = coreCall("CoreMsgProc");
        call << QVariant::fromValue(ZvDBusMsg(record(cmd, "FORGED", th_u64(other.pid()))));
        const QDBusMessage answer = bus.call(call, QDBus::Block, 10000);
        EXPECT_FALSE(answer.arguments().value(0).toBool()) << std::hex << cmd;
    }
    // A genuine request claiming the same pid is answered, once.
    ASSERT_TRUE(ui->sendRecord(record(ZVMC_UI_TABLET_NUM, "GENUINE", th_u64(other.pid()))))
        << ui->lastError();
    ASSERT_TRUE(ui->waitFor(ZVMC_REPLY | ZVMC_UI_TABLET_NUM, 0, 5000)) << output();
    EXPECT_EQ(ui->count(ZVMC_REPLY | ZVMC_UI_TABLET_NUM), 1u);

    const std::string out = output();
    EXPECT_EQ(occurrences(out, "sModel:FORGED"), 0u) << out;
    EXPECT_EQ(occurrences(out, "sModel:GENUINE"), 1u) << out;
    // The desktop user is this test's user, the sender of the genuine record.
    const std::string senderLine =
        getuid() == 0 ? "the settings application runs as root"
                      : "the settings application runs as uid " + std::to_string(getuid()) + ":";
    EXPECT_EQ(occurrences(out, senderLine), 1u) << out;
    if (other.uid() != 0) {
        EXPECT_EQ(occurrences(out, "runs as uid " + std::to_string(other.uid()) + ":"), 0u);
    }
}

TEST_F(PeerTest, AfterAFloodTheCoreIsBoundedAndAnswersAGenuineRequest) {
    core = startCore("");
    ASSERT_TRUE(ui->waitCore(10000)) << output();
    // Settled: the first record has been handled and the one-second tablet check is over.
    ASSERT_TRUE(ui->send(ZVMC_UI_TABLET_NUM)) << ui->lastError();
    ASSERT_TRUE(ui->waitFor(ZVMC_REPLY | ZVMC_UI_TABLET_NUM, 0, 5000)) << output();
    const long before = rssKb(core);
    ASSERT_GT(before, 0);

    // Records for a model without a tablet: handled without a reply.
    QDBusMessage flood = coreCall("CoreMsgProc");
    flood << QVariant::fromValue(ZvDBusMsg(record(ZVMC_UI_BATTERY_QUERY, "FLOOD", getpid())));
    QDBusConnection bus = QDBusConnection::sessionBus();
    for (int i = 0; i < 20000; ++i)
        ASSERT_TRUE(bus.send(flood));
    // Answered after every record of the flood has been taken or refused (calls of one client
    // are handled in order); a full queue drains in the meantime.
    QDBusMessage ask = coreCall("CoreMsgProc");
    ask << QVariant::fromValue(ZvDBusMsg(record(ZVMC_UI_TABLET_NUM, "", getpid())));
    bool taken = false;
    for (int attempt = 0; attempt < 100 && !taken; ++attempt) {
        const QDBusMessage answer = bus.call(ask, QDBus::Block, 120000);
        ASSERT_EQ(answer.type(), QDBusMessage::ReplyMessage) << qPrintable(answer.errorMessage());
        taken = answer.arguments().value(0).toBool();
        if (!taken)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(taken);
    EXPECT_TRUE(ui->waitFor(ZVMC_REPLY | ZVMC_UI_TABLET_NUM, 1, 10000)) << "no answer";
    const long grown = rssKb(core) - before;
    RecordProperty("rssGrowthKb", int(grown));
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    // The sanitizers' own shadow and history memory grows with every record handled.
    (void)grown;
#else
    EXPECT_LT(grown, 8 * 1024) << "kB";
#endif
}
