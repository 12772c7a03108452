#include "MockBluez.h"

#include <systemd/sd-bus.h>

#include <chrono>
#include <errno.h>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zvtest {

const char* const kTabletService = "0000ffe0-0000-1000-8000-00805f9b34fb";
const char* const kManufacturerChar = "00002a29-0000-1000-8000-00805f9b34fb";
const char* const kReportChar = "0000ffe1-0000-1000-8000-00805f9b34fb";
const char* const kCommandChar = "0000ffe2-0000-1000-8000-00805f9b34fb";

namespace {

const char* const kPython = "/usr/bin/python3";
const char* const kDaemon = "/usr/bin/dbus-daemon";
const char* const kMockName = "org.bluez";
const char* const kMockIface = "org.bluez.Mock";

// Runs argv in a child that dies with this process; stdout to outFd when given.
pid_t spawn(const std::vector<std::string>& argv, int outFd, int keepFd, bool quietErrors = false) {
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    (void)prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (outFd >= 0)
        (void)dup2(outFd, 1);
    if (quietErrors && outFd >= 0)
        (void)dup2(outFd, 2);
    if (keepFd >= 0)
        (void)fcntl(keepFd, F_SETFD, 0);
    // Debian's interpreter with its own modules, whatever the environment says.
    unsetenv("PYTHONPATH");
    unsetenv("PYTHONHOME");
    execv(args[0], args.data());
    _exit(127);
}

void end(pid_t* pid) {
    if (*pid <= 0)
        return;
    (void)kill(*pid, SIGTERM);
    int status;
    (void)waitpid(*pid, &status, 0);
    *pid = -1;
}

bool quiet_ok(const std::vector<std::string>& argv) {
    const int devnull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    const pid_t pid = spawn(argv, devnull, -1);
    if (devnull >= 0)
        close(devnull);
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

} // namespace

std::vector<uint8_t> ble_notification_for(const uint8_t (&report)[12]) {
    std::vector<uint8_t> n(14, 0);
    for (int k = 1; k < 12; ++k)
        n[size_t(k) + 1] = report[k];
    return n;
}

std::vector<uint8_t> ble_answer(uint8_t cmd, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> a(payload.size() + 2);
    a[0] = 0xCD;
    a[1] = cmd;
    for (size_t i = 0; i < payload.size(); ++i)
        a[i + 2] = payload[i];
    return a;
}

bool MockBluez::available(std::string* why) {
    static int known = -1;
    static std::string reason;
    if (known < 0) {
        if (access(kDaemon, X_OK) != 0)
            reason = std::string(kDaemon) + " is not installed (Debian package dbus-daemon)";
        else if (!quiet_ok({kPython, "-c", "import dbusmock, gi.repository.GLib"}))
            reason = "python3-dbusmock is not installed for /usr/bin/python3";
        known = reason.empty() ? 1 : 0;
    }
    *why = reason;
    return known == 1;
}

MockBluez::~MockBluez() {
    stop();
}

bool MockBluez::start(std::string* error) {
    char dirTemplate[] = "/tmp/zv-mockbluez-XXXXXX";
    if (mkdtemp(dirTemplate) == nullptr) {
        *error = "mkdtemp failed";
        return false;
    }
    _dir = dirTemplate;
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        *error = "pipe failed";
        return false;
    }
    // The daemon complains on every start that it may not raise its descriptor limit here.
    const int quiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
    _daemon = spawn({kDaemon, "--session", "--nofork", "--nopidfile",
                     "--address=unix:path=" + _dir + "/system_bus_socket",
                     "--print-address=" + std::to_string(pipeFds[1])},
                    quiet, pipeFds[1], /* quietErrors= */ true);
    if (quiet >= 0)
        close(quiet);
    close(pipeFds[1]);
    // The daemon prints its address once it listens.
    char line[512] = {};
    size_t got = 0;
    struct pollfd pfd = {pipeFds[0], POLLIN, 0};
    while (got < sizeof line - 1 && poll(&pfd, 1, 10000) > 0) {
        const ssize_t n = read(pipeFds[0], line + got, sizeof line - 1 - got);
        if (n <= 0)
            break;
        got += size_t(n);
        if (memchr(line, '\n', got) != nullptr)
            break;
    }
    close(pipeFds[0]);
    char* nl = strchr(line, '\n');
    if (nl == nullptr) {
        *error = "dbus-daemon did not start";
        return false;
    }
    *nl = '\0';
    _address = line;
    setenv("DBUS_SYSTEM_BUS_ADDRESS", _address.c_str(), 1);

    int r = sd_bus_new(&_bus);
    if (r >= 0)
        r = sd_bus_set_address(_bus, _address.c_str());
    if (r >= 0)
        r = sd_bus_set_bus_client(_bus, 1);
    if (r >= 0)
        r = sd_bus_start(_bus);
    if (r < 0) {
        *error = std::string("cannot connect to the private bus: ") + strerror(-r);
        return false;
    }
    // The mock logs every call on its standard output; Events() is what the tests read.
    const int devnull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    _mock = spawn({kPython, "-m", "dbusmock", "--system", "--template",
                   std::string(ZV_MOCKBLUEZ_DIR) + "/mockbluez.py"},
                  devnull, -1);
    if (devnull >= 0)
        close(devnull);
    if (!waitForName(15000)) {
        *error = "the mock BlueZ did not appear on the bus";
        return false;
    }
    sd_bus_message* m = nullptr;
    sd_bus_message_new_method_call(_bus, &m, kMockName, "/", kMockIface, "AddAdapter");
    sd_bus_message_append(m, "s", "hci0");
    sd_bus_message* reply = send(m);
    if (reply == nullptr) {
        *error = "AddAdapter failed: " + _lastError;
        return false;
    }
    sd_bus_message_unref(reply);
    return true;
}

bool MockBluez::waitForName(int timeoutMs) {
    // The mock owns its name once it serves: wait for that signal (or find it already there).
    sd_bus_slot* slot = nullptr;
    bool appeared = false;
    (void)sd_bus_match_signal(
        _bus, &slot, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "NameOwnerChanged",
        [](sd_bus_message* m, void* user, sd_bus_error*) {
            const char *name = nullptr, *from = nullptr, *to = nullptr;
            if (sd_bus_message_read(m, "sss", &name, &from, &to) >= 0 &&
                strcmp(name, kMockName) == 0 && to[0] != '\0')
                *static_cast<bool*>(user) = true;
            return 0;
        },
        &appeared);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int has = 0;
    sd_bus_error e = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    if (sd_bus_call_method(_bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                           "org.freedesktop.DBus", "NameHasOwner", &e, &reply, "s",
                           kMockName) >= 0 &&
        sd_bus_message_read(reply, "b", &has) >= 0 && has)
        appeared = true;
    sd_bus_message_unref(reply);
    sd_bus_error_free(&e);
    while (!appeared && std::chrono::steady_clock::now() < until) {
        if (sd_bus_process(_bus, nullptr) > 0)
            continue;
        (void)sd_bus_wait(_bus, 100000);
        int status;
        if (_mock > 0 && waitpid(_mock, &status, WNOHANG) == _mock) {
            _mock = -1;
            break;
        }
    }
    sd_bus_slot_unref(slot);
    return appeared;
}

void MockBluez::stop() {
    if (_bus != nullptr) {
        sd_bus_flush_close_unref(_bus);
        _bus = nullptr;
    }
    end(&_mock);
    end(&_daemon);
    if (!_dir.empty()) {
        (void)unlink((_dir + "/system_bus_socket").c_str());
        (void)rmdir(_dir.c_str());
        _dir.clear();
        unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    }
}

sd_bus_message* MockBluez::send(sd_bus_message* call) {
    sd_bus_error e = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    const int r = sd_bus_call(_bus, call, 0, &e, &reply);
    sd_bus_message_unref(call);
    if (r < 0) {
        _lastError = e.message ? e.message : strerror(-r);
        sd_bus_error_free(&e);
        return nullptr;
    }
    return reply;
}

std::string MockBluez::replyString(sd_bus_message* reply) {
    std::string out;
    const char* s = nullptr;
    if (reply != nullptr && sd_bus_message_read(reply, "s", &s) >= 0)
        out = s;
    sd_bus_message_unref(reply);
    return out;
}

std::string MockBluez::addDevice(const std::string& address, int16_t rssi, bool hasRssi,
                                 bool connected, bool servicesResolved) {
    sd_bus_message* m = nullptr;
    sd_bus_message_new_method_call(_bus, &m, kMockName, "/", kMockIface, "AddDevice");
    sd_bus_message_append(m, "ss", "hci0", address.c_str());
    sd_bus_message_open_container(m, 'a', "{sv}");
    sd_bus_message_append(m, "{sv}", "Connected", "b", int(connected));
    sd_bus_message_append(m, "{sv}", "ServicesResolved", "b", int(connected && servicesResolved));
    if (hasRssi)
        sd_bus_message_append(m, "{sv}", "RSSI", "n", rssi);
    sd_bus_message_close_container(m);
    return replyString(send(m));
}

std::string MockBluez::addService(const std::string& device, const std::string& uuid) {
    sd_bus_message* m = nullptr;
    sd_bus_message_new_method_call(_bus, &m, kMockName, "/", kMockIface, "AddGattService");
    sd_bus_message_append(m, "ss", device.c_str(), uuid.c_str());
    return replyString(send(m));
}

std::string MockBluez::addChar(const std::string& service, const std::string& uuid,
                               const std::vector<std::string>& flags,
                               const std::vector<uint8_t>& value) {
    sd_bus_message* m = nullptr;
    sd_bus_message_new_method_call(_bus, &m, kMockName, "/", kMockIface, "AddGattCharacteristic");
    sd_bus_message_append(m, "ss", service.c_str(), uuid.c_str());
    sd_bus_message_open_container(m, 'a', "s");
    for (const std::string& f : flags)
        sd_bus_message_append(m, "s", f.c_str());
    sd_bus_message_close_container(m);
    sd_bus_message_append_array(m, 'y', value.data(), value.size());
    return replyString(send(m));
}

BleTablet MockBluez::addTablet(const BleTabletDesc& desc) {
    BleTablet t;
    t.device =
        addDevice(desc.address, desc.rssi, desc.hasRssi, desc.connected, desc.servicesResolved);
    // Every device has the generic services; only tablets have the tablet service.
    (void)addService(t.device, "00001800-0000-1000-8000-00805f9b34fb");
    if (!desc.tabletService)
        return t;
    t.service = addService(t.device, kTabletService);
    if (desc.makerChar)
        t.manufacturer =
            addChar(t.service, kManufacturerChar, {"read"},
                    std::vector<uint8_t>(desc.manufacturer.begin(), desc.manufacturer.end()));
    t.report = addChar(t.service, kReportChar, {"notify"}, {});
    t.command = addChar(t.service, kCommandChar, {"write", "notify"}, {});
    return t;
}

void MockBluez::setAnswer(const std::string& charPath, uint8_t cmd,
                          const std::vector<uint8_t>& answer, unsigned delayMs) {
    sd_bus_message* m = nullptr;
    sd_bus_message_new_method_call(_bus, &m, kMockName, "/", kMockIface, "SetCommandAnswer");
    sd_bus_message_append(m, "sy", charPath.c_str(), cmd);
    sd_bus_message_append_array(m, 'y', answer.data(), answer.size());
    sd_bus_message_append(m, "u", delayMs);
    sd_bus_message_unref(send(m));
}

bool MockBluez::notify(const std::string& charPath, const std::vector<uint8_t>& value) {
    sd_bus_message* m = nullptr;
    sd_bus_message_new_method_call(_bus, &m, kMockName, "/", kMockIface, "Notify");
    sd_bus_message_append(m, "s", charPath.c_str());
    sd_bus_message_append_array(m, 'y', value.data(), value.size());
    sd_bus_message* reply = send(m);
    int sent = 0;
    if (reply != nullptr)
        (void)sd_bus_message_read(reply, "b", &sent);
    sd_bus_message_unref(reply);
    return sent != 0;
}

void MockBluez::dropLink(const std::string& device) {
    sd_bus_message* m = nullptr;
    sd_bus_message_new_method_call(_bus, &m, kMockName, "/", kMockIface, "DropLink");
    sd_bus_message_append(m, "s", device.c_str());
    sd_bus_message_unref(send(m));
}

void MockBluez::relink(const std::string& device) {
    sd_bus_message* m = nullptr;
    sd_bus_message_new_method_call(_bus, &m, kMockName, "/", kMockIface, "Relink");
    sd_bus_message_append(m, "s", device.c_str());
    sd_bus_message_unref(send(m));
}

void MockBluez::allowConnectDevice(const std::string& address, const std::string& addressType) {
    sd_bus_message* m = nullptr;
    sd_bus_message_new_method_call(_bus, &m, kMockName, "/", kMockIface, "AllowConnectDevice");
    sd_bus_message_append(m, "ss", address.c_str(), addressType.c_str());
    sd_bus_message_unref(send(m));
}

bool MockBluez::adapterPowered() {
    int powered = 0;
    sd_bus_error e = SD_BUS_ERROR_NULL;
    if (sd_bus_get_property_trivial(_bus, kMockName, "/org/bluez/hci0", "org.bluez.Adapter1",
                                    "Powered", &e, 'b', &powered) < 0)
        _lastError = e.message ? e.message : "Powered unreadable";
    sd_bus_error_free(&e);
    return powered != 0;
}

void MockBluez::setPowered(bool on) {
    sd_bus_message* m = nullptr;
    sd_bus_message_new_method_call(_bus, &m, kMockName, "/", kMockIface, "SetPowered");
    sd_bus_message_append(m, "b", int(on));
    sd_bus_message_unref(send(m));
}

void MockBluez::slowDown(const std::string& method, unsigned delayMs) {
    sd_bus_message* m = nullptr;
    sd_bus_message_new_method_call(_bus, &m, kMockName, "/", kMockIface, "SlowDown");
    sd_bus_message_append(m, "su", method.c_str(), delayMs);
    sd_bus_message_unref(send(m));
}

void MockBluez::failReads(const std::string& charPath, unsigned count) {
    sd_bus_message* m = nullptr;
    sd_bus_message_new_method_call(_bus, &m, kMockName, "/", kMockIface, "FailReads");
    sd_bus_message_append(m, "su", charPath.c_str(), count);
    sd_bus_message_unref(send(m));
}

bool MockBluez::forge(const std::string& path, const char* iface, const char* property,
                      const std::function<int(sd_bus_message*)>& appendValue) {
    sd_bus* raw = nullptr;
    int r = sd_bus_new(&raw);
    std::unique_ptr<sd_bus, sd_bus* (*)(sd_bus*)> forger(raw, sd_bus_flush_close_unref);
    if (r >= 0)
        r = sd_bus_set_address(raw, _address.c_str());
    if (r >= 0)
        r = sd_bus_set_bus_client(raw, 1);
    if (r >= 0)
        r = sd_bus_start(raw);
    if (r < 0) {
        _lastError = std::string("forger cannot connect: ") + strerror(-r);
        return false;
    }
    // Every client but the forger and the mock: the library under test among them.
    const char* self = nullptr;
    (void)sd_bus_get_unique_name(raw, &self);
    std::vector<std::string> targets = {""}; // "" = broadcast
    sd_bus_error e = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    std::string owner;
    if (sd_bus_call_method(raw, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                           "org.freedesktop.DBus", "GetNameOwner", &e, &reply, "s",
                           kMockName) >= 0) {
        const char* o = nullptr;
        if (sd_bus_message_read(reply, "s", &o) >= 0)
            owner = o;
    }
    reply = sd_bus_message_unref(reply);
    sd_bus_error_free(&e);
    if (sd_bus_call_method(raw, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                           "org.freedesktop.DBus", "ListNames", &e, &reply, "") >= 0 &&
        sd_bus_message_enter_container(reply, 'a', "s") >= 0) {
        const char* name = nullptr;
        while (sd_bus_message_read_basic(reply, 's', &name) > 0)
            if (name[0] == ':' && owner != name && (self == nullptr || strcmp(self, name) != 0))
                targets.emplace_back(name);
    }
    sd_bus_message_unref(reply);
    sd_bus_error_free(&e);
    if (targets.size() < 2) {
        _lastError = "nobody to forge signals to";
        return false;
    }
    for (const std::string& to : targets) {
        sd_bus_message* m = nullptr;
        r = sd_bus_message_new_signal(raw, &m, path.c_str(), "org.freedesktop.DBus.Properties",
                                      "PropertiesChanged");
        if (r >= 0 && !to.empty())
            r = sd_bus_message_set_destination(m, to.c_str());
        if (r >= 0)
            r = sd_bus_message_append(m, "s", iface);
        if (r >= 0)
            r = sd_bus_message_open_container(m, 'a', "{sv}");
        if (r >= 0)
            r = sd_bus_message_open_container(m, 'e', "sv");
        if (r >= 0)
            r = sd_bus_message_append(m, "s", property);
        if (r >= 0)
            r = appendValue(m);
        if (r >= 0)
            r = sd_bus_message_close_container(m);
        if (r >= 0)
            r = sd_bus_message_close_container(m);
        if (r >= 0)
            r = sd_bus_message_append(m, "as", 0);
        if (r >= 0)
            r = sd_bus_send(raw, m, nullptr);
        sd_bus_message_unref(m);
        if (r < 0) {
            _lastError = std::string("forged signal not sent: ") + strerror(-r);
            return false;
        }
    }
    // A round trip through the bus: it has routed the signals before it answers this.
    r = sd_bus_call_method(raw, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                           "org.freedesktop.DBus", "GetId", &e, &reply, "");
    sd_bus_message_unref(reply);
    sd_bus_error_free(&e);
    return r >= 0;
}

bool MockBluez::forgeValue(const std::string& charPath, const std::vector<uint8_t>& value) {
    return forge(charPath, "org.bluez.GattCharacteristic1", "Value", [&](sd_bus_message* m) {
        int r = sd_bus_message_open_container(m, 'v', "ay");
        if (r >= 0)
            r = sd_bus_message_append_array(m, 'y', value.data(), value.size());
        return r < 0 ? r : sd_bus_message_close_container(m);
    });
}

bool MockBluez::forgeConnected(const std::string& devicePath, bool connected) {
    return forge(devicePath, "org.bluez.Device1", "Connected", [&](sd_bus_message* m) {
        return sd_bus_message_append(m, "v", "b", int(connected));
    });
}

std::vector<std::string> MockBluez::events() {
    std::vector<std::string> out;
    sd_bus_message* m = nullptr;
    sd_bus_message_new_method_call(_bus, &m, kMockName, "/", kMockIface, "Events");
    sd_bus_message* reply = send(m);
    if (reply == nullptr)
        return out;
    if (sd_bus_message_enter_container(reply, 'a', "s") >= 0) {
        const char* s = nullptr;
        while (sd_bus_message_read_basic(reply, 's', &s) > 0)
            out.emplace_back(s);
    }
    sd_bus_message_unref(reply);
    return out;
}

int MockBluez::count(const std::string& prefix) {
    int n = 0;
    for (const std::string& e : events())
        n += e.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
    return n;
}

} // namespace zvtest
