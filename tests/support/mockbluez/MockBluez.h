// A simulated BlueZ for tests: a private dbus-daemon standing for the system bus
// (DBUS_SYSTEM_BUS_ADDRESS points at it while the fixture lives) and python3-dbusmock serving
// mockbluez.py on it, with adapter "hci0". The scene is built through the mock's control
// interface; Events() tells what the client under test did.
#pragma once

#include <functional>
#include <stdint.h>
#include <string>
#include <sys/types.h>
#include <vector>

typedef struct sd_bus sd_bus;
typedef struct sd_bus_message sd_bus_message;

namespace zvtest {

// The GATT identifiers of the tablets.
extern const char* const kTabletService;
extern const char* const kManufacturerChar;
extern const char* const kReportChar;
extern const char* const kCommandChar;

// One simulated Bluetooth tablet (or impostor), described as data.
struct BleTabletDesc {
    std::string address; // "AA:BB:CC:00:00:01"
    int16_t rssi = -50;
    bool hasRssi = true;
    bool connected = true;
    // Whether BlueZ has resolved its services; a connected device is, unless told otherwise.
    bool servicesResolved = true;
    bool tabletService = true; // without it, the device is somebody's keyboard
    // Without it, the device offers the tablet service's (common serial-port) UUID and nothing
    // that names its maker.
    bool makerChar = true;
    std::string manufacturer = "ZERVA";
};

// Object paths of a tablet added with addTablet (empty where the description has none).
struct BleTablet {
    std::string device, service, manufacturer, report, command;
};

// The 14-byte notification that reaches the core as this 12-byte report (report id 8, kind,
// fields): the tablet's stream carries two bytes of its own in front and the core's report id is
// not sent.
std::vector<uint8_t> ble_notification_for(const uint8_t (&report)[12]);
// A tablet's answer to command cmd as it arrives on the command characteristic: 0xCD, cmd, then
// the payload.
std::vector<uint8_t> ble_answer(uint8_t cmd, const std::vector<uint8_t>& payload);

class MockBluez {
public:
    // Whether dbus-daemon and Debian's python3 with dbusmock are installed; why not in *why.
    static bool available(std::string* why);

    MockBluez() = default;
    ~MockBluez();
    MockBluez(const MockBluez&) = delete;
    MockBluez& operator=(const MockBluez&) = delete;

    // Starts the bus and the mock, adds adapter hci0, sets DBUS_SYSTEM_BUS_ADDRESS.
    bool start(std::string* error);
    // Stops both and unsets the variable; also done by the destructor.
    void stop();
    const std::string& address() const { return _address; }

    // servicesResolved applies to a connected device (one that is not has none resolved).
    std::string addDevice(const std::string& address, int16_t rssi, bool hasRssi, bool connected,
                          bool servicesResolved = true);
    std::string addService(const std::string& device, const std::string& uuid);
    std::string addChar(const std::string& service, const std::string& uuid,
                        const std::vector<std::string>& flags, const std::vector<uint8_t>& value);
    // A complete tablet: device, tablet service, manufacturer, report and command characteristics.
    BleTablet addTablet(const BleTabletDesc& desc);

    // The answer notification to a request (0xCD, cmd, ...) on the command characteristic.
    void setAnswer(const std::string& charPath, uint8_t cmd, const std::vector<uint8_t>& answer,
                   unsigned delayMs = 0);
    // False when nobody is subscribed (nothing sent).
    bool notify(const std::string& charPath, const std::vector<uint8_t>& value);
    void dropLink(const std::string& device);
    void relink(const std::string& device);
    void allowConnectDevice(const std::string& address, const std::string& addressType);

    // Adapter1 "Powered" of hci0; on when the mock starts.
    bool adapterPowered();
    void setPowered(bool on);
    // The next call of method ("ReadValue", "WriteValue") answers after delayMs, and the whole
    // mock stands still meanwhile.
    void slowDown(const std::string& method, unsigned delayMs);
    // The next count reads of the characteristic fail.
    void failReads(const std::string& charPath, unsigned count);

    // Somebody else on the bus (a second connection that does not own "org.bluez") sends
    // PropertiesChanged for path: broadcast, and addressed to every other client of the bus
    // directly, as a local user can. Returns once the bus has taken the signals, so that
    // whatever the mock sends afterwards reaches the clients behind them. False on failure.
    bool forgeValue(const std::string& charPath, const std::vector<uint8_t>& value);
    bool forgeConnected(const std::string& devicePath, bool connected);
    // "<Method> <path> [args]" lines, in the order the client caused them.
    std::vector<std::string> events();
    int count(const std::string& prefix);
    // Whether the call failed (the error is recorded for failure()).
    bool failed() const { return !_lastError.empty(); }
    const std::string& failure() const { return _lastError; }

private:
    bool waitForName(int timeoutMs);
    // Sends a prepared call to the mock; the reply (or null, with the error recorded).
    sd_bus_message* send(sd_bus_message* call);
    std::string replyString(sd_bus_message* reply);
    // appendValue adds the variant of the one changed property.
    bool forge(const std::string& path, const char* iface, const char* property,
               const std::function<int(sd_bus_message*)>& appendValue);

    pid_t _daemon = -1;
    pid_t _mock = -1;
    std::string _address;
    std::string _dir;
    sd_bus* _bus = nullptr;
    std::string _lastError;
};

} // namespace zvtest
