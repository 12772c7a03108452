#include "UinputCapLog.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/input.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

namespace {

// Reads a whole number from s at pos; false unless it is followed by a separator or the end.
bool number(const std::string& s, size_t& pos, long long& out, int base = 10) {
    if (pos >= s.size())
        return false;
    const char* begin = s.c_str() + pos;
    char* end = nullptr;
    errno = 0;
    out = strtoll(begin, &end, base);
    if (end == begin || errno != 0)
        return false;
    pos += static_cast<size_t>(end - begin);
    return true;
}

bool expect(const std::string& s, size_t& pos, const char* text) {
    const size_t n = strlen(text);
    if (s.compare(pos, n, text) != 0)
        return false;
    pos += n;
    return true;
}

// "<sec>.<9 digits>" as nanoseconds.
bool nanos(const std::string& s, size_t& pos, long long& out) {
    long long sec = 0;
    long long ns = 0;
    if (!number(s, pos, sec) || !expect(s, pos, ".") || !number(s, pos, ns))
        return false;
    out = sec * 1000000000LL + ns;
    return true;
}

// The value of " key=" up to the next space.
bool field(const std::string& s, size_t& pos, const char* key, std::string& out) {
    if (!expect(s, pos, " ") || !expect(s, pos, key) || !expect(s, pos, "="))
        return false;
    const size_t end = s.find(' ', pos);
    out = s.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    pos = end == std::string::npos ? s.size() : end;
    return true;
}

bool hexField(const std::string& s, size_t& pos, const char* key, unsigned& out) {
    std::string text;
    if (!field(s, pos, key, text))
        return false;
    size_t p = 0;
    long long v = 0;
    if (!expect(text, p, "0x") || !number(text, p, v, 16) || p != text.size())
        return false;
    out = static_cast<unsigned>(v);
    return true;
}

// "0-248,272" into a set.
bool codeSet(const std::string& s, size_t& pos, const char* key, std::set<unsigned>& out) {
    std::string text;
    if (!field(s, pos, key, text))
        return false;
    size_t p = 0;
    while (p < text.size()) {
        long long first = 0;
        long long last = 0;
        if (!number(text, p, first) || first < 0)
            return false;
        last = first;
        if (p < text.size() && text[p] == '-') {
            ++p;
            if (!number(text, p, last) || last < first)
                return false;
        }
        for (long long c = first; c <= last; ++c)
            out.insert(static_cast<unsigned>(c));
        if (p < text.size() && !expect(text, p, ","))
            return false;
    }
    return true;
}

bool absSet(const std::string& s, size_t& pos, std::map<unsigned, ZvCapAbs>& out) {
    std::string text;
    if (!field(s, pos, "abs", text))
        return false;
    size_t p = 0;
    while (p < text.size()) {
        long long v[6];
        for (int i = 0; i < 6; ++i) {
            if ((i > 0 && !expect(text, p, ":")) || !number(text, p, v[i]))
                return false;
        }
        ZvCapAbs& a = out[static_cast<unsigned>(v[0])];
        a.min = static_cast<int>(v[1]);
        a.max = static_cast<int>(v[2]);
        a.fuzz = static_cast<int>(v[3]);
        a.flat = static_cast<int>(v[4]);
        a.res = static_cast<int>(v[5]);
        if (p < text.size() && !expect(text, p, ","))
            return false;
    }
    return true;
}

bool parseDevice(const std::string& s, size_t pos, ZvCapDevice& d) {
    long long fd = 0;
    if (!expect(s, pos, " fd=") || !number(s, pos, fd))
        return false;
    d.fd = static_cast<int>(fd);
    if (!hexField(s, pos, "bus", d.bus) || !hexField(s, pos, "vendor", d.vendor) ||
        !hexField(s, pos, "product", d.product) || !hexField(s, pos, "version", d.version))
        return false;
    if (!codeSet(s, pos, "ev", d.ev) || !codeSet(s, pos, "key", d.key) ||
        !codeSet(s, pos, "rel", d.rel) || !absSet(s, pos, d.abs) ||
        !codeSet(s, pos, "msc", d.msc) || !codeSet(s, pos, "led", d.led) ||
        !codeSet(s, pos, "snd", d.snd) || !codeSet(s, pos, "sw", d.sw) ||
        !codeSet(s, pos, "ff", d.ff) || !codeSet(s, pos, "prop", d.prop))
        return false;
    if (!expect(s, pos, " name="))
        return false;
    d.name = s.substr(pos);
    return true;
}

bool parseGroup(const std::string& s, size_t pos, ZvCapGroup& g) {
    long long writes = 0;
    long long usec = 0;
    if (!expect(s, pos, " w=") || !number(s, pos, writes) || !expect(s, pos, " tv=") ||
        !number(s, pos, g.tvSec) || !expect(s, pos, ".") || !number(s, pos, usec))
        return false;
    g.writes = static_cast<unsigned>(writes);
    g.tvUsec = static_cast<long>(usec);
    while (pos < s.size()) {
        long long t = 0;
        long long c = 0;
        long long v = 0;
        if (!expect(s, pos, " ") || !number(s, pos, t) || !expect(s, pos, ":") ||
            !number(s, pos, c) || !expect(s, pos, ":") || !number(s, pos, v))
            return false;
        ZvCapEvent ev;
        ev.type = static_cast<uint16_t>(t);
        ev.code = static_cast<uint16_t>(c);
        ev.value = static_cast<int32_t>(v);
        ev.accepted = !expect(s, pos, "!");
        ev.filtered = expect(s, pos, "~");
        g.events.push_back(ev);
    }
    return !g.events.empty();
}

} // namespace

int32_t ZvCapGroup::value(uint16_t type, uint16_t code, int32_t absent) const {
    for (const ZvCapEvent& ev : events) {
        if (ev.type == type && ev.code == code)
            return ev.value;
    }
    return absent;
}

bool ZvCapGroup::has(uint16_t type, uint16_t code) const {
    for (const ZvCapEvent& ev : events) {
        if (ev.type == type && ev.code == code)
            return true;
    }
    return false;
}

bool ZvCapGroup::delivered() const {
    if (events.empty() || events.back().type != EV_SYN || events.back().code != SYN_REPORT)
        return false;
    for (size_t i = 0; i + 1 < events.size(); ++i) {
        if (events[i].passes())
            return true;
    }
    return false;
}

bool ZvCapLog::preloaded() {
    void* open_fn = dlsym(RTLD_DEFAULT, "open");
    Dl_info info;
    if (open_fn == nullptr || dladdr(open_fn, &info) == 0 || info.dli_fname == nullptr)
        return false;
    return strstr(info.dli_fname, "libuinputcap") != nullptr;
}

ZvCapLog ZvCapLog::fromEnv() {
    const char* path = getenv("ZV_UINPUTCAP_LOG");
    return ZvCapLog(path != nullptr ? path : "");
}

ZvCapLog::Kind ZvCapLog::parseLine(const std::string& line, ZvCapDevice& dev, ZvCapGroup& group,
                                   long& pid, unsigned& id, long long& atNs) {
    size_t pos = 0;
    long long p = 0;
    long long n = 0;
    if (!nanos(line, pos, atNs) || !expect(line, pos, " ") || !number(line, pos, p))
        return Kind::Invalid;
    pid = static_cast<long>(p);
    Kind kind = Kind::Invalid;
    if (expect(line, pos, " DEV "))
        kind = Kind::Device;
    else if (expect(line, pos, " EVT "))
        kind = Kind::Group;
    else if (expect(line, pos, " DEL "))
        kind = Kind::Destroy;
    if (kind == Kind::Invalid || !number(line, pos, n) || n <= 0)
        return Kind::Invalid;
    id = static_cast<unsigned>(n);
    switch (kind) {
    case Kind::Device:
        dev = ZvCapDevice();
        dev.pid = pid;
        dev.id = id;
        dev.createdNs = atNs;
        return parseDevice(line, pos, dev) ? kind : Kind::Invalid;
    case Kind::Group:
        group = ZvCapGroup();
        group.pid = pid;
        group.device = id;
        group.atNs = atNs;
        return parseGroup(line, pos, group) ? kind : Kind::Invalid;
    default:
        return pos == line.size() ? kind : Kind::Invalid;
    }
}

void ZvCapLog::skipExisting() {
    const int fd = open(_path.c_str(), O_RDONLY | O_CLOEXEC);
    _offset = 0;
    if (fd >= 0) {
        const off_t end = lseek(fd, 0, SEEK_END);
        _offset = end > 0 ? end : 0;
        close(fd);
    }
    _partial.clear();
}

size_t ZvCapLog::read() {
    const int fd = open(_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    std::string text;
    char buf[65536];
    for (;;) {
        const ssize_t n = pread(fd, buf, sizeof buf, _offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(buf, static_cast<size_t>(n));
        _offset += n;
    }
    close(fd);

    text.insert(0, _partial);
    _partial.clear();
    size_t records = 0;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            _partial = text.substr(start);
            break;
        }
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        ZvCapDevice dev;
        ZvCapGroup group;
        long pid = 0;
        unsigned id = 0;
        long long at = 0;
        switch (parseLine(line, dev, group, pid, id, at)) {
        case Kind::Device:
            _devices.push_back(std::move(dev));
            break;
        case Kind::Group:
            _groups.push_back(std::move(group));
            break;
        case Kind::Destroy:
            for (ZvCapDevice& d : _devices) {
                if (d.pid == pid && d.id == id) {
                    d.destroyed = true;
                    d.destroyedNs = at;
                }
            }
            break;
        case Kind::Invalid:
            ++_badLines;
            continue;
        }
        ++records;
    }
    return records;
}

const ZvCapDevice* ZvCapLog::device(const std::string& name) const {
    for (auto it = _devices.rbegin(); it != _devices.rend(); ++it) {
        if (it->name == name)
            return &*it;
    }
    return nullptr;
}

const ZvCapDevice* ZvCapLog::deviceByFd(int fd) const {
    const long pid = static_cast<long>(getpid());
    for (auto it = _devices.rbegin(); it != _devices.rend(); ++it) {
        if (it->fd == fd && it->pid == pid)
            return &*it;
    }
    return nullptr;
}

std::vector<ZvCapGroup> ZvCapLog::groupsOf(const ZvCapDevice& dev) const {
    std::vector<ZvCapGroup> out;
    for (const ZvCapGroup& g : _groups) {
        if (g.pid == dev.pid && g.device == dev.id)
            out.push_back(g);
    }
    return out;
}
