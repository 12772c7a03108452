// Endpoint 0: the standard requests the kernel enumerates with, and the HID class requests of
// usbhid and of our own software (features through GET_REPORT, commands through SET_REPORT).
#include "UsbIpServer.h"

#include <algorithm>
#include <errno.h>
#include <stdio.h>

namespace usbipsim {

namespace {

enum : uint8_t {
    kGetStatus = 0,
    kClearFeature = 1,
    kSetAddress = 5,
    kGetDescriptor = 6,
    kGetConfiguration = 8,
    kSetConfiguration = 9,
    kGetInterface = 10,
    kSetInterface = 11,
};

enum : uint8_t {
    kGetReport = 1,
    kGetIdle = 2,
    kGetProtocol = 3,
    kSetReport = 9,
    kSetIdle = 10,
    kSetProtocol = 11,
};

enum : uint8_t { kReportInput = 1, kReportOutput = 2, kReportFeature = 3 };

std::string hex_setup(const Setup& s) {
    char b[40];
    snprintf(b, sizeof b, "%02x %02x %04x %04x %u", s.requestType, s.request, s.value, s.index,
             s.length);
    return b;
}

} // namespace

Server::Outcome Server::answer(const Bytes* b) {
    if (b == nullptr)
        return Outcome::Unknown;
    _reply = *b;
    return Outcome::Answer;
}

void Server::control(const Header& h, const uint8_t* data, size_t len) {
    const Setup s = decode_setup(h.setup);
    const bool in = (s.requestType & 0x80) != 0;
    _reply.clear();
    Outcome o = Outcome::Unknown;
    // A setup packet whose direction disagrees with the URB's is not a request we can answer.
    if (in == (h.direction == kDirIn)) {
        const uint8_t type = s.requestType & 0x60;
        if (type == 0x00)
            o = standardRequest(s);
        else if (type == 0x20 && (s.requestType & 0x1F) == 1)
            o = hidRequest(s, data, len);
    }
    switch (o) {
    case Outcome::Answer:
        if (in) {
            const size_t n = std::min<size_t>({_reply.size(), s.length, size_t(h.transferLength)});
            (void)sendRet(h.seqnum, 0, _reply.data(), n);
        } else {
            (void)sendRet(h.seqnum, 0, nullptr, 0);
        }
        break;
    case Outcome::Unknown:
        _trace.add("stall " + hex_setup(s));
        // fall through
    case Outcome::Stall:
        (void)sendRet(h.seqnum, -EPIPE, nullptr, 0);
        break;
    case Outcome::Hold:
        _silent.insert(h.seqnum);
        break;
    }
}

Server::Outcome Server::standardRequest(const Setup& s) {
    const int recipient = s.requestType & 0x1F;
    const bool in = (s.requestType & 0x80) != 0;
    const int iface = s.index & 0xFF;
    switch (s.request) {
    case kGetDescriptor: {
        const int kind = s.value >> 8, index = s.value & 0xFF;
        if (!in)
            return Outcome::Unknown;
        if (recipient == 1)
            return answer(kind == 0x21   ? _desc.hid(iface)
                          : kind == 0x22 ? _desc.report(iface)
                                         : nullptr);
        if (recipient != 0)
            return Outcome::Unknown;
        if (kind == 1)
            return answer(&_desc.device());
        if (kind == 2 && index == 0)
            return answer(&_desc.configuration());
        if (kind != 3)
            return Outcome::Unknown; // device qualifier, BOS, ...: a full-speed USB 2.0 device
        const Bytes* str = _desc.string(index);
        if (index != 0)
            _trace.add("string " + std::to_string(index) + (str ? " ok" : " none"));
        return str ? answer(str) : Outcome::Stall;
    }
    case kSetConfiguration:
        if (in || recipient != 0 || s.value > 1)
            return Outcome::Unknown;
        _configuration = uint8_t(s.value);
        _trace.add("configured " + std::to_string(s.value));
        return Outcome::Answer;
    case kGetConfiguration:
        if (!in || recipient != 0)
            return Outcome::Unknown;
        _reply = {_configuration};
        return Outcome::Answer;
    case kGetStatus:
        if (!in || recipient > 2)
            return Outcome::Unknown;
        _reply = {0, 0}; // bus powered, no remote wake-up, no halt
        return Outcome::Answer;
    case kSetInterface:
        return !in && recipient == 1 && _desc.hid(iface) && s.value == 0 ? Outcome::Answer
                                                                         : Outcome::Unknown;
    case kGetInterface:
        if (!in || recipient != 1 || !_desc.hid(iface))
            return Outcome::Unknown;
        _reply = {0};
        return Outcome::Answer;
    case kClearFeature:
        // An endpoint halt: our endpoints never halt, so there is nothing to clear.
        return !in && recipient <= 2 ? Outcome::Answer : Outcome::Unknown;
    case kSetAddress:
        // vhci answers this itself; should one come through anyway, it is harmless.
        return !in && recipient == 0 ? Outcome::Answer : Outcome::Unknown;
    default:
        return Outcome::Unknown;
    }
}

Server::Outcome Server::hidRequest(const Setup& s, const uint8_t* data, size_t len) {
    const int iface = s.index & 0xFF;
    if (!_desc.hid(iface))
        return Outcome::Unknown;
    const bool in = (s.requestType & 0x80) != 0;
    const int reportType = s.value >> 8, id = s.value & 0xFF;
    const std::string where = std::to_string(iface) + " " + std::to_string(id) + " ";
    switch (s.request) {
    case kGetReport: {
        if (!in || reportType != kReportFeature)
            return Outcome::Unknown;
        using Kind = tabletsim::FeatureAnswer::Kind;
        const std::string what = "feature-get " + where + std::to_string(s.length);
        const auto found = _dev.features.find(id);
        if (found == _dev.features.end() || found->second.kind == Kind::Stall) {
            _trace.add(what + " stall");
            return Outcome::Stall;
        }
        if (found->second.kind == Kind::Silent) {
            // Never answered: the host's control time-out ends it with an unlink.
            _trace.add(what + " silent");
            return Outcome::Hold;
        }
        _reply = found->second.bytes;
        const size_t n = std::min<size_t>(_reply.size(), s.length);
        _trace.add(what + " ok " + std::to_string(n));
        return Outcome::Answer;
    }
    case kSetReport: {
        if (in || (reportType != kReportFeature && reportType != kReportOutput))
            return Outcome::Unknown;
        const Bytes sent(data, data + len);
        _trace.add(std::string(reportType == kReportFeature ? "feature-send " : "write ") + where +
                   std::to_string(len) + " " + tabletsim::hex(sent));
        return Outcome::Answer;
    }
    case kSetIdle:
    case kSetProtocol:
        return in ? Outcome::Unknown : Outcome::Answer;
    case kGetIdle:
        if (!in)
            return Outcome::Unknown;
        _reply = {0}; // report only on change
        return Outcome::Answer;
    case kGetProtocol:
        if (!in)
            return Outcome::Unknown;
        _reply = {1}; // report protocol
        return Outcome::Answer;
    default:
        return Outcome::Unknown;
    }
}

} // namespace usbipsim
