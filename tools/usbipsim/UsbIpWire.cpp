// Big-endian packing of the USB/IP headers. Fields are written one by one at fixed offsets, never
// by overlaying a struct, so padding and host byte order cannot leak onto the wire.
#include "UsbIpWire.h"

#include <string.h>

namespace usbipsim {

namespace {

// Offsets inside the header: the five common words, then the command's own fields.
enum : size_t { kOffCommand = 0, kOffSeqnum = 4, kOffDevid = 8, kOffDirection = 12, kOffEp = 16 };
enum : size_t { kOffA = 20, kOffB = 24, kOffC = 28, kOffD = 32, kOffE = 36, kOffSetup = 40 };

void put32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

uint32_t get32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

int32_t gets32(const uint8_t* p) {
    return static_cast<int32_t>(get32(p));
}

} // namespace

bool encode_header(const Header& h, uint8_t (&out)[kHeaderSize]) {
    uint8_t b[kHeaderSize] = {};
    put32(b + kOffCommand, h.command);
    put32(b + kOffSeqnum, h.seqnum);
    put32(b + kOffDevid, h.devid);
    put32(b + kOffDirection, h.direction);
    put32(b + kOffEp, h.ep);
    switch (h.command) {
    case kCmdSubmit:
        put32(b + kOffA, h.transferFlags);
        put32(b + kOffB, uint32_t(h.transferLength));
        put32(b + kOffC, uint32_t(h.startFrame));
        put32(b + kOffD, uint32_t(h.numberOfPackets));
        put32(b + kOffE, uint32_t(h.interval));
        memcpy(b + kOffSetup, h.setup.data(), h.setup.size());
        break;
    case kRetSubmit:
        put32(b + kOffA, uint32_t(h.status));
        put32(b + kOffB, uint32_t(h.actualLength));
        put32(b + kOffC, uint32_t(h.startFrame));
        put32(b + kOffD, uint32_t(h.numberOfPackets));
        put32(b + kOffE, uint32_t(h.errorCount));
        break;
    case kCmdUnlink:
        put32(b + kOffA, h.unlinkSeqnum);
        break;
    case kRetUnlink:
        put32(b + kOffA, uint32_t(h.status));
        break;
    default:
        return false;
    }
    memcpy(out, b, kHeaderSize);
    return true;
}

bool decode_header(const uint8_t* in, size_t len, Header* out) {
    if (in == nullptr || len < kHeaderSize)
        return false;
    Header h;
    h.command = get32(in + kOffCommand);
    h.seqnum = get32(in + kOffSeqnum);
    h.devid = get32(in + kOffDevid);
    h.direction = get32(in + kOffDirection);
    h.ep = get32(in + kOffEp);
    switch (h.command) {
    case kCmdSubmit:
        h.transferFlags = get32(in + kOffA);
        h.transferLength = gets32(in + kOffB);
        h.startFrame = gets32(in + kOffC);
        h.numberOfPackets = gets32(in + kOffD);
        h.interval = gets32(in + kOffE);
        memcpy(h.setup.data(), in + kOffSetup, h.setup.size());
        break;
    case kRetSubmit:
        h.status = gets32(in + kOffA);
        h.actualLength = gets32(in + kOffB);
        h.startFrame = gets32(in + kOffC);
        h.numberOfPackets = gets32(in + kOffD);
        h.errorCount = gets32(in + kOffE);
        break;
    case kCmdUnlink:
        h.unlinkSeqnum = get32(in + kOffA);
        break;
    case kRetUnlink:
        h.status = gets32(in + kOffA);
        break;
    default:
        return false;
    }
    *out = h;
    return true;
}

size_t payload_length(const Header& h) {
    if (h.command == kCmdSubmit && h.direction == kDirOut && h.transferLength > 0)
        return size_t(h.transferLength);
    return 0;
}

Setup decode_setup(const std::array<uint8_t, 8>& raw) {
    Setup s;
    s.requestType = raw[0];
    s.request = raw[1];
    s.value = uint16_t(raw[2] | raw[3] << 8);
    s.index = uint16_t(raw[4] | raw[5] << 8);
    s.length = uint16_t(raw[6] | raw[7] << 8);
    return s;
}

std::array<uint8_t, 8> encode_setup(const Setup& s) {
    return {s.requestType,     s.request,
            uint8_t(s.value),  uint8_t(s.value >> 8),
            uint8_t(s.index),  uint8_t(s.index >> 8),
            uint8_t(s.length), uint8_t(s.length >> 8)};
}

} // namespace usbipsim
