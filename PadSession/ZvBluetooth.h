// The Bluetooth LE transport of the build with Bluetooth: takes a tablet that BlueZ already has
// connected (strongest signal first, none that a session holds), identifies it by its
// manufacturer name and talks to it through three GATT characteristics of the tablet service.
#pragma once

#include "ZvBleLists.h"
#include "ZvProtocol.h"
#include "ZvRateLimit.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <stddef.h>
#include <stdint.h>
#include <thread>

struct blz_context;
struct blz_dev;
struct blz_serv;
struct blz_char;

class ZvBluetooth : public ZvProtocol {
public:
    static constexpr const char* kAdapter = "hci0";
    static constexpr const char* kServiceUuid = "0000ffe0-0000-1000-8000-00805f9b34fb";
    static constexpr const char* kManufacturerUuid = "00002a29-0000-1000-8000-00805f9b34fb";
    static constexpr const char* kReportUuid = "0000ffe1-0000-1000-8000-00805f9b34fb";
    static constexpr const char* kCommandUuid = "0000ffe2-0000-1000-8000-00805f9b34fb";
    // How long a command request waits for its answer.
    static constexpr int kAnswerWaitMs = 1000;
    // Candidates tried per open or probe, strongest first.
    static constexpr int kTryMax = 20;

    explicit ZvBluetooth(ZvSessionContext& context);
    ~ZvBluetooth() override;

    // Also from inside onRead: the report thread then releases the device once the callback has
    // returned, and the next open, close or the destructor joins it.
    void close() override;
    // Runs without the pool lock: the candidate is reserved in the pool before any bus call.
    bool open(th_u32* tsfafBits) override;
    // -6 once the device is gone (disconnected or closed), otherwise 2.
    th_i16 read(th_u8* buf) override;
    // Starts the report stream; always 0.
    th_i16 startRead(th_u8 stat) override;
    // 0 with the answer's payload from buf[0]; -2 without a command characteristic; -1 when the
    // request could not be sent or no answer came within kAnswerWaitMs. Requests from several
    // threads run one after the other: the tablet answers on one characteristic, one at a time.
    th_i16 getStringDesc(th_u16 index, th_u8* buf, th_u32 bufLen) override;
    bool alive() override { return is_ble_tablet_online(); }

    bool openBLE();
    bool startReportThread();
    bool is_ble_tablet_online();
    void CopyAndOrderMacArry(const uint8_t* mac, int8_t rssi);
    bool isPellamProduct(const char* mac) const;
    bool addPellamProduct(const char* mac);

    // The probe behind zvtc_check_blz_device: true when a connected device that no session holds
    // offers the tablet service. path is not written. Runs without the pool lock.
    static bool _check_zerva_blz_device_setup(char* path);

private:
    struct ContextFree {
        void operator()(blz_context* c) const;
    };
    struct DeviceDisconnect {
        void operator()(blz_dev* d) const;
    };
    struct ServiceFree {
        void operator()(blz_serv* s) const;
    };
    struct CharFree {
        void operator()(blz_char* c) const;
    };

    // What a close from inside onRead leaves to the report thread; released in the same order as
    // the members below.
    struct Leftovers;

    static void onDisconnect(void* user);
    static void onReport(const uint8_t* data, size_t len, blz_char* ch, void* user);
    static void onAnswer(const uint8_t* data, size_t len, blz_char* ch, void* user);
    // Tries one candidate: 1 opened, 0 go on with the next, -1 the open ends here, -2 BlueZ
    // does not answer.
    int tryCandidate(const char* mac);
    // Lets go of the candidate's handles without a word to the device.
    void dropCandidate();
    // Joins a report thread that a close from inside onRead left behind, unless it is this one.
    void joinLeftover();

    // In this order, so that they are released in the reverse one.
    std::unique_ptr<blz_context, ContextFree> _blz;
    std::unique_ptr<blz_dev, DeviceDisconnect> _dev;
    std::unique_ptr<blz_serv, ServiceFree> _srv;
    std::unique_ptr<blz_char, CharFree> _rchProductName;
    std::unique_ptr<blz_char, CharFree> _rchReport;
    std::unique_ptr<blz_char, CharFree> _rchCMDDesc;
    SCAN_MAC _scanned_macs[ZV_BLE_SCAN_MAX] = {};
    int _scan_idx = 0;
    SaveMACIDArry _MacIDExt = {};
    bool _cmdSendFlag = false;
    // The report thread that a close from inside onRead handed over; it ends by itself.
    std::thread _reportLeft;

    // One command at a time: held for the whole of getStringDesc.
    std::mutex _cmdLock;

    // The answer of the request in flight: where it goes, for which command, and whether it came.
    // Touched by the response handler on whichever thread dispatches the bus.
    std::mutex _answerLock;
    th_u8* _answerDest = nullptr;
    size_t _answerLen = 0;
    th_u8 _answerIndex = 0;
    std::atomic<bool> _answerDone{false};
    ZvRateLimit _answerDropLimit;
    // Report thread only.
    ZvRateLimit _reportDropLimit;
    ZvRateLimit _reportDumpLimit;
};
