#include "MsgAdapter.h"

#include "LogicCenterInterface.h"
#include "ZvCoreRecord.h"
#include "ZvDBusMsg.h"
#include "ZvUserSignal.h"

#include <QDebug>
#include <QMetaObject>
#include <QSocketNotifier>
#include <QTimerEvent>

#include <string.h>
#include <unistd.h>

MsgAdapter::MsgAdapter(QObject* parent)
    : QObject(parent), m_recive(this, [this](bool present) { coreOnBus(present); }),
      m_proc([this](const ZvMsg& msg) {
          // Handlers run on the GUI thread; events left for an adapter that is gone are dropped
          // with it.
          QMetaObject::invokeMethod(
              this,
              [this, msg] {
                  if (m_pLogicCenter != nullptr && !m_stopped)
                      DisPatchMsg(m_pLogicCenter, msg);
              },
              Qt::QueuedConnection);
      }) {
    ZvDBusMsg::registerType();
    m_recive.start();
    m_proc.start();
    m_send.start();
}

MsgAdapter::~MsgAdapter() {
    stop();
}

void MsgAdapter::SetLogicCenter(LogicCenterInterface* logic) {
    m_pLogicCenter = logic;
    m_pId = th_u64(getpid());
    if (m_iTimerID == 0)
        m_iTimerID = startTimer(kTabletListMs);
    (void)GetTabletNum();
    const int fd = zv_show_request_fd();
    if (fd >= 0 && m_showRequests == nullptr) {
        m_showRequests = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(m_showRequests.get(), &QSocketNotifier::activated, this, [this] {
            if (zv_take_show_request() && m_pLogicCenter != nullptr)
                m_pLogicCenter->ShowMainWindow();
        });
        // A request that came before the notifier existed.
        if (zv_take_show_request())
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (m_pLogicCenter != nullptr)
                        m_pLogicCenter->ShowMainWindow();
                },
                Qt::QueuedConnection);
    }
}

void MsgAdapter::stop() {
    if (m_stopped.exchange(true))
        return;
    if (m_iTimerID != 0 && thread() == QThread::currentThread()) {
        killTimer(m_iTimerID);
        m_iTimerID = 0;
    }
    m_showRequests.reset();
    m_recive.quit();
    m_proc.stop();
    m_send.stop();
    m_recive.wait();
    m_proc.wait();
    m_send.wait();
}

void MsgAdapter::ReceivegMsg(tagZVMsg& msg) {
    if (!m_stopped)
        (void)m_proc.AddMsg(msg);
}

void MsgAdapter::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_iTimerID)
        return QObject::timerEvent(event);
    // The periodic request carries no pid, as it always has.
    (void)send(ZVMC_UI_TABLET_NUM, 0);
}

void MsgAdapter::coreOnBus(bool present) {
    m_send.setCoreOnBus(present);
    m_coreRunning = present;
    // A core that has just started (again) is asked for its tablets at once.
    if (present)
        (void)send(ZVMC_UI_TABLET_NUM, 0);
    QMetaObject::invokeMethod(
        this,
        [this, present] {
            if (m_pLogicCenter != nullptr && !m_stopped)
                m_pLogicCenter->CoreOnBus(present);
        },
        Qt::QueuedConnection);
}

bool MsgAdapter::queue(const ZvMsg& msg) {
    return !m_stopped && m_send.AddMsg(msg);
}

bool MsgAdapter::send(th_u16 cmd, th_u64 pid) {
    ZvMsg msg = zvui::makeRecord(cmd);
    msg.head.pid = pid;
    return queue(msg);
}

bool MsgAdapter::build(th_u16 cmd, const QString& model, ZvMsg* msg) const {
    *msg = zvui::makeRecord(cmd);
    msg->head.pid = m_pId;
    if (zvui::putModel(model, msg))
        return true;
    qWarning("MsgAdapter: request %u not sent, the model \"%s\" does not fit its field",
             unsigned(cmd), qPrintable(model));
    return false;
}

bool MsgAdapter::sendFor(th_u16 cmd, const QString& model) {
    ZvMsg msg;
    return build(cmd, model, &msg) && queue(msg);
}

bool MsgAdapter::sendState(th_u16 cmd, const QString& model, th_u8 state) {
    ZvMsg msg;
    if (!build(cmd, model, &msg))
        return false;
    msg.body.ledState.bState = state;
    return queue(msg);
}

bool MsgAdapter::sendOffset(th_u16 cmd, const QString& model, int level) {
    ZvMsg msg;
    if (level < -128 || level > 127 || !build(cmd, model, &msg))
        return false;
    msg.body.ledLightOffset.offset = th_i8(level);
    return queue(msg);
}

bool MsgAdapter::SendQuit() {
    return send(ZVMC_UI_QUIT, m_pId);
}
bool MsgAdapter::GetTabletNum() {
    return send(ZVMC_UI_TABLET_NUM, m_pId);
}
bool MsgAdapter::GetTabletInfo(QString model) {
    return sendFor(ZVMC_UI_TABLET_INFO, model);
}
bool MsgAdapter::SendCfgChange(QString model) {
    return sendFor(ZVMC_UI_CONFIG_CHANGED, model);
}
bool MsgAdapter::SendMonitorChange(QString model, int idx) {
    ZvMsg msg;
    if (idx < 0 || idx > 0xFFFF || !build(ZVMC_UI_MONITOR_CHANGED, model, &msg))
        return false;
    msg.body.curScreenIndex.curScreenIndex = th_u16(idx);
    return queue(msg);
}
bool MsgAdapter::SendCalibrateStart(QString model) {
    return sendFor(ZVMC_UI_CALIBRATE_BEGIN, model);
}
bool MsgAdapter::SendCalibrateEnd(QString model) {
    return sendFor(ZVMC_UI_CALIBRATE_END, model);
}
bool MsgAdapter::GetAdmin() {
    return send(ZVMC_UI_IF_ADMIN, m_pId);
}
bool MsgAdapter::SendRunaAsAdmin() {
    return send(ZVMC_UI_RUN_AS_ADMIN, m_pId);
}
bool MsgAdapter::SendChangeCurTablet(QString model) {
    return sendFor(ZVMC_UI_CHANGE_CUR_TABLET, model);
}
bool MsgAdapter::SendDevChange(QString model) {
    return sendFor(ZVMC_UI_CHANGE_CUR_TABLET, model);
}
bool MsgAdapter::GetBatteryInfo(QString model) {
    return sendFor(ZVMC_UI_BATTERY_QUERY, model);
}
bool MsgAdapter::GetLedInfo(QString model) {
    return sendFor(ZVMC_UI_LED_QUERY, model);
}
bool MsgAdapter::SendLedState(QString model, bool on) {
    return sendState(ZVMC_UI_LED_CHANGE, model, on ? 1 : 0);
}
bool MsgAdapter::GetDialInfo(QString model) {
    return sendFor(ZVMC_UI_DIAL_QUERY, model);
}
bool MsgAdapter::SendDialState(QString model, bool on) {
    return sendState(ZVMC_UI_DIAL_CHANGE, model, on ? 1 : 0);
}
bool MsgAdapter::GetTHkeyInfo(QString model) {
    return sendFor(ZVMC_UI_THKEY_QUERY, model);
}
bool MsgAdapter::SendTHKeyState(QString model, bool open) {
    return sendState(ZVMC_UI_THKEY_CHANGE, model, open ? 1 : 0);
}
bool MsgAdapter::GetTScreenInfo(QString model) {
    return sendFor(ZVMC_UI_TSCREEN_QUERY, model);
}
bool MsgAdapter::SendTSCreenState(QString model, bool open) {
    return sendState(ZVMC_UI_TSCREEN_CHANGE, model, open ? 1 : 0);
}
bool MsgAdapter::GetLedLight(QString model) {
    return sendFor(ZVMC_UI_LED_LIGHT_QUERY, model);
}
bool MsgAdapter::SendLedLightLevel(QString model, int level) {
    return sendOffset(ZVMC_UI_LED_LIGHT_CHANGE, model, level);
}
bool MsgAdapter::GetSleepInfo(QString model) {
    return sendFor(ZVMC_UI_SLEEP_QUERY, model);
}
bool MsgAdapter::SendSleepLevel(QString model, int level) {
    return sendOffset(ZVMC_UI_SLEEP_CHANGE, model, level);
}
bool MsgAdapter::SendPhysicsScreenChang(QString model) {
    return sendFor(ZVMC_UI_SCREEN_CHANGED, model);
}
