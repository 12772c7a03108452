#include "CapDevice.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

namespace {

void append(std::string& out, const char* format, long long a) {
    char text[32];
    snprintf(text, sizeof text, format, a);
    out += text;
}

// Codes as a comma-separated list with runs folded: "0-248" or "272,273,330".
template <size_t N> void appendSet(std::string& out, const char* key, const std::bitset<N>& bits) {
    out += ' ';
    out += key;
    out += '=';
    bool first = true;
    for (size_t code = 0; code < N; ++code) {
        if (!bits.test(code))
            continue;
        size_t last = code;
        while (last + 1 < N && bits.test(last + 1))
            ++last;
        if (!first)
            out += ',';
        first = false;
        append(out, "%lld", static_cast<long long>(code));
        if (last > code)
            append(out, "-%lld", static_cast<long long>(last));
        code = last;
    }
}

// The name is the rest of the line, so nothing in it may end or split the line.
std::string printable(const char* name, size_t size) {
    std::string text(name, strnlen(name, size));
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    }
    return text;
}

template <size_t N> int setBit(std::bitset<N>& bits, int code) {
    if (code < 0 || static_cast<size_t>(code) >= N)
        return -EINVAL;
    bits.set(static_cast<size_t>(code));
    return 0;
}

} // namespace

void cap_line_head(std::string& out) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    char text[64];
    snprintf(text, sizeof text, "%lld.%09ld %ld ", static_cast<long long>(now.tv_sec), now.tv_nsec,
             static_cast<long>(getpid()));
    out += text;
}

int CapDevice::ioctl(unsigned long request, void* arg, bool failCreate, std::string& out) {
    const int code = static_cast<int>(reinterpret_cast<intptr_t>(arg));
    int result = 0;
    // Like the kernel, a created device's capabilities are fixed.
    const bool setter = (request >= UI_SET_EVBIT && request <= UI_SET_PROPBIT) ||
                        request == UI_DEV_SETUP || request == UI_ABS_SETUP;
    if (setter && _created)
        return -EINVAL;
    if (request == UI_DEV_CREATE) {
        if (_created || !_setupDone)
            return -EINVAL;
        for (unsigned a = 0; a < ABS_CNT; ++a) {
            if (_abs.test(a) && _absInfo[a].minimum > _absInfo[a].maximum)
                return -EINVAL;
        }
        if (failCreate)
            return -ENOMEM;
        _created = true;
        // A new input device starts with every key up and its axes at the setup's values.
        _keyDown.reset();
        _swOn.reset();
        _ledOn.reset();
        _sndOn.reset();
        for (unsigned a = 0; a < ABS_CNT; ++a)
            _absValue[a] = _absInfo[a].value;
        appendDevLine(out);
    } else if (request == UI_DEV_DESTROY) {
        if (!_created)
            return -EINVAL;
        close(out);
        _created = false;
    } else if (request == UI_DEV_SETUP) {
        if (arg == nullptr)
            return -EFAULT;
        const auto* setup = static_cast<const uinput_setup*>(arg);
        _id = setup->id;
        _name = printable(setup->name, sizeof setup->name);
        _setupDone = true;
    } else if (request == UI_ABS_SETUP) {
        if (arg == nullptr)
            return -EFAULT;
        const auto* setup = static_cast<const uinput_abs_setup*>(arg);
        if (setup->code >= ABS_CNT)
            return -ERANGE;
        if (setup->absinfo.minimum > setup->absinfo.maximum)
            return -EINVAL;
        _abs.set(setup->code);
        _absInfo[setup->code] = setup->absinfo;
    } else if (request == UI_SET_EVBIT) {
        result = setBit(_ev, code);
    } else if (request == UI_SET_KEYBIT) {
        result = setBit(_key, code);
    } else if (request == UI_SET_RELBIT) {
        result = setBit(_rel, code);
    } else if (request == UI_SET_ABSBIT) {
        result = setBit(_abs, code);
    } else if (request == UI_SET_MSCBIT) {
        result = setBit(_msc, code);
    } else if (request == UI_SET_LEDBIT) {
        result = setBit(_led, code);
    } else if (request == UI_SET_SNDBIT) {
        result = setBit(_snd, code);
    } else if (request == UI_SET_SWBIT) {
        result = setBit(_sw, code);
    } else if (request == UI_SET_FFBIT) {
        result = setBit(_ff, code);
    } else if (request == UI_SET_PROPBIT) {
        result = setBit(_prop, code);
    } else if (request == UI_SET_PHYS) {
        result = 0;
    } else if (request == UI_GET_VERSION) {
        if (arg == nullptr)
            return -EFAULT;
        *static_cast<unsigned*>(arg) = 5;
    } else if (_IOC_TYPE(request) == UINPUT_IOCTL_BASE && _IOC_NR(request) == 44) {
        // UI_GET_SYSNAME(len)
        if (!_created)
            return -ENOENT;
        char name[32];
        snprintf(name, sizeof name, "input%u", _serial);
        const size_t len = _IOC_SIZE(request);
        if (arg == nullptr || len == 0)
            return -EFAULT;
        snprintf(static_cast<char*>(arg), len, "%s", name);
        result = static_cast<int>(strlen(name) + 1 < len ? strlen(name) + 1 : len);
    } else {
        return -ENOTTY;
    }
    return result;
}

long CapDevice::write(const void* buf, size_t size, std::string& out) {
    if (!_created) {
        // The setup record of old programs, accepted once before creation.
        if (size != sizeof(uinput_user_dev) || buf == nullptr)
            return -EINVAL;
        const auto* dev = static_cast<const uinput_user_dev*>(buf);
        _id = dev->id;
        _name = printable(dev->name, sizeof dev->name);
        for (unsigned a = 0; a < ABS_CNT; ++a) {
            _absInfo[a].minimum = dev->absmin[a];
            _absInfo[a].maximum = dev->absmax[a];
            _absInfo[a].fuzz = dev->absfuzz[a];
            _absInfo[a].flat = dev->absflat[a];
        }
        _setupDone = true;
        return static_cast<long>(size);
    }
    if (size != 0 && size < sizeof(input_event))
        return -EINVAL;
    if (buf == nullptr)
        return -EFAULT;
    // Whole records only, as the kernel takes them; a trailing partial record is ignored.
    const size_t count = size / sizeof(input_event);
    if (count > 0)
        ++_groupWrites;
    for (size_t i = 0; i < count; ++i) {
        input_event ev;
        memcpy(&ev, static_cast<const char*>(buf) + i * sizeof ev, sizeof ev);
        const bool frameEnd = ev.type == EV_SYN && ev.code == SYN_REPORT;
        Fate fate = Fate::Undeclared;
        if (frameEnd)
            // Readers get a frame only with something besides its end in it.
            fate = _groupPassed > 0 ? Fate::Passed : Fate::Filtered;
        else if (accepts(ev))
            fate = passes(ev) ? Fate::Passed : Fate::Filtered;
        if (fate == Fate::Passed && !frameEnd)
            ++_groupPassed;
        _group.push_back(ev);
        _fates.push_back(fate);
        if (ev.type == EV_SYN && ev.code == SYN_REPORT) {
            appendGroupLine(out);
            // A write that carries the end of one group and the start of the next counts for
            // both groups.
            _groupWrites = (i + 1 < count) ? 1 : 0;
        }
    }
    return static_cast<long>(count * sizeof(input_event));
}

void CapDevice::close(std::string& out) {
    if (!_created)
        return;
    if (!_group.empty())
        appendGroupLine(out);
    appendDelLine(out);
    _created = false;
}

// The input core's filter (drivers/input/input.c): a key, switch, LED or sound that is already in
// the state the event sets, an absolute axis already at the value, a relative move of 0 and an
// unknown SYN code are not handed on; MSC, FF and key repeats (value 2) always are. Not
// emulated: fuzz on absolute axes (our devices have none) and multi-touch slots (ABS_MT_* pass).
bool CapDevice::passes(const input_event& ev) {
    const unsigned code = ev.code;
    const bool on = ev.value != 0;
    switch (ev.type) {
    case EV_SYN:
        return code == SYN_REPORT || code == SYN_CONFIG || code == SYN_MT_REPORT;
    case EV_KEY:
        if (ev.value == 2)
            return true;
        if (_keyDown.test(code) == on)
            return false;
        _keyDown.set(code, on);
        return true;
    case EV_SW:
        if (_swOn.test(code) == on)
            return false;
        _swOn.set(code, on);
        return true;
    case EV_LED:
        if (_ledOn.test(code) == on)
            return false;
        _ledOn.set(code, on);
        return true;
    case EV_SND:
        if (_sndOn.test(code) == on)
            return false;
        _sndOn.set(code, on);
        return true;
    case EV_ABS:
        if (code >= ABS_MT_SLOT)
            return true;
        if (_absValue[code] == ev.value)
            return false;
        _absValue[code] = ev.value;
        return true;
    case EV_REL:
        return ev.value != 0;
    default:
        return true;
    }
}

bool CapDevice::accepts(const input_event& ev) const {
    if (ev.type == EV_SYN)
        return true;
    if (ev.type >= EV_CNT || !_ev.test(ev.type))
        return false;
    const unsigned code = ev.code;
    switch (ev.type) {
    case EV_KEY:
        return code < KEY_CNT && _key.test(code);
    case EV_REL:
        return code < REL_CNT && _rel.test(code);
    case EV_ABS:
        return code < ABS_CNT && _abs.test(code);
    case EV_MSC:
        return code < MSC_CNT && _msc.test(code);
    case EV_LED:
        return code < LED_CNT && _led.test(code);
    case EV_SND:
        return code < SND_CNT && _snd.test(code);
    case EV_SW:
        return code < SW_CNT && _sw.test(code);
    default:
        return true;
    }
}

void CapDevice::appendDevLine(std::string& out) const {
    cap_line_head(out);
    append(out, "DEV %lld", _serial);
    append(out, " fd=%lld", _fd);
    append(out, " bus=0x%04llx", _id.bustype);
    append(out, " vendor=0x%04llx", _id.vendor);
    append(out, " product=0x%04llx", _id.product);
    append(out, " version=0x%04llx", _id.version);
    appendSet(out, "ev", _ev);
    appendSet(out, "key", _key);
    appendSet(out, "rel", _rel);
    out += " abs=";
    bool first = true;
    for (unsigned a = 0; a < ABS_CNT; ++a) {
        if (!_abs.test(a))
            continue;
        const input_absinfo& i = _absInfo[a];
        char text[96];
        snprintf(text, sizeof text, "%s%u:%d:%d:%d:%d:%d", first ? "" : ",", a, i.minimum,
                 i.maximum, i.fuzz, i.flat, i.resolution);
        out += text;
        first = false;
    }
    appendSet(out, "msc", _msc);
    appendSet(out, "led", _led);
    appendSet(out, "snd", _snd);
    appendSet(out, "sw", _sw);
    appendSet(out, "ff", _ff);
    appendSet(out, "prop", _prop);
    out += " name=";
    out += _name;
    out += '\n';
}

void CapDevice::appendGroupLine(std::string& out) {
    cap_line_head(out);
    append(out, "EVT %lld", _serial);
    append(out, " w=%lld", _groupWrites);
    char text[64];
    snprintf(text, sizeof text, " tv=%lld.%06ld", static_cast<long long>(_group[0].input_event_sec),
             static_cast<long>(_group[0].input_event_usec));
    out += text;
    for (size_t i = 0; i < _group.size(); ++i) {
        const input_event& ev = _group[i];
        snprintf(text, sizeof text, " %u:%u:%d", ev.type, ev.code, ev.value);
        out += text;
        if (_fates[i] != Fate::Passed)
            out += static_cast<char>(_fates[i]);
    }
    out += '\n';
    _group.clear();
    _fates.clear();
    _groupPassed = 0;
    _groupWrites = 0;
}

void CapDevice::appendDelLine(std::string& out) const {
    cap_line_head(out);
    append(out, "DEL %lld", _serial);
    out += '\n';
}
