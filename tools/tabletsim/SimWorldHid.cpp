// What the simulated devices do when the library calls hidapi: enumerate what is plugged in,
// open interfaces one holder at a time, queue scripted reports, answer feature reports.
#include "SimWorld.h"

#include <hidapi.h>

#include <stdlib.h>
#include <string.h>

namespace tabletsim {

namespace {

wchar_t* dup(const std::wstring& s) {
    return wcsdup(s.c_str());
}

} // namespace

bool World::usable(hid_device* h, const char* op) {
    bool known = false;
    for (auto& owned : _handles)
        known = known || owned.get() == h;
    if (!known) {
        violation(std::string(op) + " on a handle hid_open_path never returned");
        return false;
    }
    if (h->closed) {
        violation(std::string(op) + " after hid_close of " + h->path);
        return false;
    }
    return true;
}

int World::init() {
    std::lock_guard<std::mutex> lock(_m);
    trace(_scenario.initFails ? "init fail" : "init");
    return _scenario.initFails ? -1 : 0;
}

int World::exit() {
    std::lock_guard<std::mutex> lock(_m);
    int open = 0;
    for (auto& h : _handles) {
        if (h->epoch == _epoch && !h->closed) {
            ++open;
            h->gone = true;
            h->error = L"hid_exit";
        }
    }
    trace("exit open=" + std::to_string(open));
    if (open > 0)
        violation("hid_exit with " + std::to_string(open) + " open device(s)");
    return 0;
}

hid_device_info* World::enumerate(uint16_t vid, uint16_t pid) {
    std::lock_guard<std::mutex> lock(_m);
    advance();
    hid_device_info* head = nullptr;
    hid_device_info** tail = &head;
    int count = 0;
    for (size_t d = 0; d < _scenario.devices.size(); ++d) {
        const SimDevice& dev = _scenario.devices[d];
        if (!_plugged[d] || (vid != 0 && vid != dev.vid) || (pid != 0 && pid != dev.pid))
            continue;
        for (const SimInterface& i : dev.interfaces) {
            auto* info = static_cast<hid_device_info*>(calloc(1, sizeof(hid_device_info)));
            info->path = strdup(i.path.c_str());
            info->vendor_id = dev.vid;
            info->product_id = dev.pid;
            info->serial_number = dup(dev.serial);
            info->release_number = dev.release;
            info->manufacturer_string = dev.hasManufacturer ? dup(dev.manufacturer) : nullptr;
            info->product_string = dup(dev.product);
            info->interface_number = i.number;
            info->bus_type = HID_API_BUS_USB;
            *tail = info;
            tail = &info->next;
            ++count;
        }
    }
    trace("enumerate " + std::to_string(count));
    return head;
}

void World::freeEnumeration(hid_device_info* list) {
    while (list != nullptr) {
        hid_device_info* next = list->next;
        free(list->path);
        free(list->serial_number);
        free(list->manufacturer_string);
        free(list->product_string);
        free(list);
        list = next;
    }
}

hid_device* World::open(const char* path) {
    std::lock_guard<std::mutex> lock(_m);
    advance();
    const std::string p = path ? path : "";
    for (size_t d = 0; d < _scenario.devices.size(); ++d) {
        const SimDevice& dev = _scenario.devices[d];
        for (size_t i = 0; i < dev.interfaces.size(); ++i) {
            if (dev.interfaces[i].path != p || !_plugged[d])
                continue;
            // The libusb back end claims the interface: a second open of it fails.
            if (!dev.interfaces[i].openable || holder(d, i) != nullptr) {
                trace("open " + p + (holder(d, i) ? " busy" : " refused"));
                return nullptr;
            }
            auto h = std::make_unique<hid_device>();
            h->epoch = _epoch;
            h->device = d;
            h->interface = i;
            h->path = p;
            for (size_t k = 0; k < _runs.size(); ++k) {
                const Script& s = _scenario.scripts[k];
                if (s.device == d && s.interface == i && s.start == Script::Start::Open &&
                    !_runs[k].anchored) {
                    _runs[k].anchored = true;
                    _runs[k].anchorUs = nowUs();
                }
            }
            _handles.push_back(std::move(h));
            trace("open " + p + " ok");
            return _handles.back().get();
        }
    }
    trace("open " + p + " absent");
    return nullptr;
}

hid_device* World::openFirst(uint16_t vid, uint16_t pid) {
    std::string path;
    {
        std::lock_guard<std::mutex> lock(_m);
        for (size_t d = 0; d < _scenario.devices.size() && path.empty(); ++d) {
            const SimDevice& dev = _scenario.devices[d];
            if (_plugged[d] && dev.vid == vid && (pid == 0 || dev.pid == pid))
                path = dev.interfaces.front().path;
        }
    }
    return path.empty() ? nullptr : open(path.c_str());
}

void World::close(hid_device* h) {
    std::lock_guard<std::mutex> lock(_m);
    if (h == nullptr || !usable(h, "hid_close"))
        return;
    if (h->readers > 0)
        violation("hid_close of " + h->path + " while a read is waiting on it");
    h->closed = true;
    h->queue.clear();
    trace("close " + h->path);
    _cv.notify_all();
}

int World::read(hid_device* h, uint8_t* data, size_t len, int timeoutMs) {
    std::unique_lock<std::mutex> lock(_m);
    if (!usable(h, "hid_read"))
        return -1;
    if (h->readers > 0)
        violation("two threads read " + h->path);
    ++h->readers;
    if (timeoutMs == kReadByMode)
        timeoutMs = h->nonblocking ? 0 : -1;
    const int64_t deadline = timeoutMs < 0 ? -1 : nowUs() + int64_t(timeoutMs) * 1000;
    advance();
    int result = 0;
    for (;;) {
        if (h->closed || h->epoch != _epoch) {
            trace("read-gone " + h->path);
            result = -1;
            break;
        }
        // As hidapi does, reports that arrived before a failure are handed out first.
        if (!h->queue.empty()) {
            const Bytes r = std::move(h->queue.front());
            h->queue.pop_front();
            const size_t n = r.size() < len ? r.size() : len;
            memcpy(data, r.data(), n);
            trace("deliver " + h->path + " " + std::to_string(r.size()));
            result = int(n);
            break;
        }
        if (h->pendingError) {
            h->pendingError = false;
            h->error = L"input transfer failed";
            trace("read-error " + h->path);
            result = -1;
            break;
        }
        if (h->gone) {
            trace("read-gone " + h->path);
            result = -1;
            break;
        }
        if (timeoutMs == 0 || (deadline >= 0 && nowUs() >= deadline))
            break;
        sleep(lock, deadline);
    }
    --h->readers;
    return result;
}

int World::setNonblocking(hid_device* h, int nonblock) {
    std::lock_guard<std::mutex> lock(_m);
    if (!usable(h, "hid_set_nonblocking"))
        return -1;
    h->nonblocking = nonblock != 0;
    return 0;
}

int World::getFeature(hid_device* h, uint8_t* data, size_t len) {
    std::unique_lock<std::mutex> lock(_m);
    if (!usable(h, "hid_get_feature_report") || data == nullptr || len == 0)
        return -1;
    advance();
    const int id = data[0];
    const std::string what =
        "feature-get " + h->path + " " + std::to_string(id) + " " + std::to_string(len);
    if (h->gone || h->epoch != _epoch) {
        trace(what + " gone");
        return -1;
    }
    const SimDevice& dev = _scenario.devices[h->device];
    const auto found = dev.features.find(id);
    if (found == dev.features.end() || found->second.kind == FeatureAnswer::Kind::Stall) {
        h->error = L"pipe stalled";
        trace(what + " stall");
        return -1;
    }
    if (found->second.kind == FeatureAnswer::Kind::Silent) {
        // The control transfer runs into its time-out, unless the device goes first.
        const int64_t deadline = nowUs() + dev.featureTimeoutUs;
        while (nowUs() < deadline && !h->gone && h->epoch == _epoch && !h->closed)
            sleep(lock, deadline);
        h->error = L"control transfer timed out";
        trace(what + " timeout");
        return -1;
    }
    const Bytes& answer = found->second.bytes;
    const size_t n = answer.size() < len ? answer.size() : len;
    memcpy(data, answer.data(), n);
    trace(what + " ok " + std::to_string(n));
    return int(n);
}

int World::send(hid_device* h, const uint8_t* data, size_t len, const char* what) {
    std::lock_guard<std::mutex> lock(_m);
    if (!usable(h, what) || data == nullptr || len == 0)
        return -1;
    advance();
    const std::string line = std::string(what) + " " + h->path + " " + std::to_string(data[0]) +
                             " " + std::to_string(len);
    if (h->gone || h->epoch != _epoch) {
        trace(line + " gone");
        return -1;
    }
    trace(line + " ok " + hex(Bytes(data, data + len)));
    return int(len);
}

int World::getString(hid_device* h, StringKind kind, int index, wchar_t* out, size_t maxlen) {
    std::lock_guard<std::mutex> lock(_m);
    if (!usable(h, "hid_get_string") || out == nullptr || maxlen == 0)
        return -1;
    advance();
    if (h->gone || h->epoch != _epoch)
        return -1;
    const SimDevice& dev = _scenario.devices[h->device];
    const std::wstring* s = nullptr;
    switch (kind) {
    case StringKind::Manufacturer:
        s = dev.hasManufacturer ? &dev.manufacturer : nullptr;
        break;
    case StringKind::Product:
        s = &dev.product;
        break;
    case StringKind::Serial:
        s = &dev.serial;
        break;
    case StringKind::Indexed: {
        const auto found = dev.strings.find(index);
        s = found == dev.strings.end() ? nullptr : &found->second;
        trace("string " + h->path + " " + std::to_string(index) + (s ? " ok" : " none"));
        break;
    }
    }
    if (s == nullptr) {
        h->error = L"no such string";
        return -1;
    }
    wcsncpy(out, s->c_str(), maxlen);
    out[maxlen - 1] = L'\0';
    return 0;
}

const wchar_t* World::error(hid_device* h) {
    std::lock_guard<std::mutex> lock(_m);
    if (h == nullptr)
        return L"Success";
    bool known = false;
    for (auto& owned : _handles)
        known = known || owned.get() == h;
    return known ? h->error : L"unknown handle";
}

} // namespace tabletsim
