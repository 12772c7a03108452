// The USB/IP wire format after attach: the 48-byte headers of the four PDUs that travel over the
// connected socket (the host's URB submissions and unlinks, and our answers to them). Every
// header field is big-endian; the 8 setup bytes are carried as the USB control transfer has them.
#pragma once

#include <array>
#include <stddef.h>
#include <stdint.h>

namespace usbipsim {

constexpr size_t kHeaderSize = 48;

enum Command : uint32_t {
    kCmdSubmit = 1, // host to device: one URB
    kCmdUnlink = 2, // host to device: cancel the URB with unlinkSeqnum
    kRetSubmit = 3, // device to host: the URB's result
    kRetUnlink = 4, // device to host: the cancel's result
};

enum Direction : uint32_t { kDirOut = 0, kDirIn = 1 };

// One header. Which fields travel depends on `command`; the others are ignored by encode and
// left zero by decode.
struct Header {
    uint32_t command = 0;
    uint32_t seqnum = 0;
    uint32_t devid = 0;
    uint32_t direction = 0;
    uint32_t ep = 0; // endpoint number without the direction bit
    // kCmdSubmit
    uint32_t transferFlags = 0;
    int32_t transferLength = 0;
    int32_t startFrame = 0;      // also kRetSubmit
    int32_t numberOfPackets = 0; // also kRetSubmit
    int32_t interval = 0;
    std::array<uint8_t, 8> setup{};
    // kRetSubmit and kRetUnlink
    int32_t status = 0; // 0 or a negative errno
    // kRetSubmit
    int32_t actualLength = 0;
    int32_t errorCount = 0;
    // kCmdUnlink
    uint32_t unlinkSeqnum = 0;
};

// Writes the 48 bytes of h's PDU. False (and nothing written) for an unknown command.
bool encode_header(const Header& h, uint8_t (&out)[kHeaderSize]);
// Reads one header from the first kHeaderSize bytes of `in`. False when len is short or the
// command is none of the four; *out is written only on success.
bool decode_header(const uint8_t* in, size_t len, Header* out);
// How many bytes follow a command header on the wire: the OUT data of a CMD_SUBMIT, nothing
// otherwise. Isochronous packet descriptors are not counted (none of our endpoints is
// isochronous). A RET_SUBMIT is followed by actualLength bytes only when its URB was an IN
// transfer, which its header does not say (devid, direction and ep are 0 in answers): only the
// side that submitted the URB knows.
size_t payload_length(const Header& h);

// The control transfer's setup packet (little-endian, as USB sends it).
struct Setup {
    uint8_t requestType = 0;
    uint8_t request = 0;
    uint16_t value = 0;
    uint16_t index = 0;
    uint16_t length = 0;
};
Setup decode_setup(const std::array<uint8_t, 8>& raw);
std::array<uint8_t, 8> encode_setup(const Setup& s);

} // namespace usbipsim
