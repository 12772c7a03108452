// The core as the settings application meets it on the bus, steered by the test: a connection of
// its own that owns "org.Zerva.QtDBus.Msg.core" while claimed, records every CoreMsgProc call,
// and sends the records the test gives it to UIMsgProc. Its object lives in a thread with an
// event loop, so the test thread may block meanwhile.
#pragma once

#include "ZvDBusMsg.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QThread>

#include <condition_variable>
#include <mutex>
#include <vector>

class FakeCore : public QObject {
    Q_OBJECT
public:
    // name: the connection's name, so that two stand-ins (a core and a forger) can coexist.
    explicit FakeCore(const QString& name = QStringLiteral("fakecore"));
    ~FakeCore() override;

    bool claim();
    bool release();

    // UIMsgProc of the settings application with this record; its answer (false on error).
    bool toUi(const ZvMsg& msg);

    // The requests received so far, waiting until there are at least n (or timeoutMs passed).
    std::vector<ZvMsg> waitCalls(size_t n, int timeoutMs);
    // How many requests with this code arrived, waiting up to timeoutMs for at least n.
    size_t waitCount(th_u16 cmd, size_t n, int timeoutMs);
    // The last request with this code (all zero when none came).
    ZvMsg last(th_u16 cmd);
    void clear();

public slots:
    bool CoreMsgProc(ZvDBusMsg msg);

private:
    QThread _thread;
    QString _name;
    QDBusConnection _bus;
    std::mutex _mu;
    std::condition_variable _cv;
    std::vector<ZvMsg> _calls;
};
