// The settings application's end of the record channel to the core. The queues and the three
// threads exist from the constructor on, so a request made at any time is queued, never lost;
// the core's records reach the logic center on the GUI thread, the thread this object lives on.
#pragma once

#include "MsgAdapterInterface.h"
#include "UIThreads.h"
#include "ZvMsg.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class LogicCenterInterface;
class QSocketNotifier;

class MsgAdapter : public QObject, public MsgAdapterInterface {
    Q_OBJECT
public:
    // Every how often the tablet list is asked for, and the core's answer reconciles the devices.
    static constexpr int kTabletListMs = 3000;

    explicit MsgAdapter(QObject* parent = nullptr);
    ~MsgAdapter() override;

    // Where the core's records go from now on; starts the tablet-list timer, asks for the list
    // at once, and takes the show-window requests of a second start (when the signal pipe is
    // there).
    void SetLogicCenter(LogicCenterInterface* logic);
    // Wakes and joins the threads in order; what is still queued is dropped. Idempotent.
    void stop();
    // True once "org.Zerva.QtDBus.Msg" and the receiver are registered (waiting up to timeoutMs).
    bool waitRegistered(int timeoutMs) { return m_recive.waitRegistered(timeoutMs); }
    // Whether the core's service has an owner (as last seen by the receiving thread).
    bool coreRunning() const { return m_coreRunning.load(); }
    // From the receiving thread.
    void ReceivegMsg(tagZVMsg& msg) override;

    // Requests to the core; false when the record was not queued (model too long, queue full,
    // adapter stopped, or a tablet-list request already waiting).
    bool SendQuit();
    bool GetTabletNum();
    bool GetTabletInfo(QString model);
    bool SendCfgChange(QString model);
    bool SendMonitorChange(QString model, int idx);
    bool SendCalibrateStart(QString model);
    bool SendCalibrateEnd(QString model);
    bool GetAdmin();
    bool SendRunaAsAdmin();
    bool SendChangeCurTablet(QString model);
    bool SendDevChange(QString model);
    bool GetBatteryInfo(QString model);
    bool GetLedInfo(QString model);
    bool SendLedState(QString model, bool on);
    bool GetDialInfo(QString model);
    bool SendDialState(QString model, bool on);
    bool GetTHkeyInfo(QString model);
    bool SendTHKeyState(QString model, bool open);
    bool GetTScreenInfo(QString model);
    bool SendTSCreenState(QString model, bool open);
    bool GetLedLight(QString model);
    bool SendLedLightLevel(QString model, int level);
    bool GetSleepInfo(QString model);
    bool SendSleepLevel(QString model, int level);
    bool SendPhysicsScreenChang(QString model);

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    bool send(th_u16 cmd, th_u64 pid);
    // A record for that model with this application's pid; false (logged) when the model does
    // not fit.
    bool build(th_u16 cmd, const QString& model, ZvMsg* msg) const;
    bool sendFor(th_u16 cmd, const QString& model);
    bool sendState(th_u16 cmd, const QString& model, th_u8 state);
    bool sendOffset(th_u16 cmd, const QString& model, int level);
    bool queue(const ZvMsg& msg);
    void coreOnBus(bool present);

    LogicCenterInterface* m_pLogicCenter = nullptr;
    th_u64 m_pId = 0;
    int m_iTimerID = 0;
    std::unique_ptr<QSocketNotifier> m_showRequests;
    std::atomic<bool> m_stopped{false};
    std::atomic<bool> m_coreRunning{false};
    // Declared in the order they are stopped and joined.
    UIReciveThread m_recive;
    UIProcThread m_proc;
    UISendThread m_send;
};
