#include "blz_conv.h"

#include "blz.h"

#include <stdio.h>
#include <string.h>
#include <strings.h>

bool blz_mac_parse(const char* text, uint8_t mac[6]) {
    if (text == nullptr)
        return false;
    uint8_t b[6];
    char tail;
    // A trailing character would mean a longer text than an address.
    if (sscanf(text, "%2hhx:%2hhx:%2hhx:%2hhx:%2hhx:%2hhx%c", &b[5], &b[4], &b[3], &b[2], &b[1],
               &b[0], &tail) != 6)
        return false;
    memcpy(mac, b, 6);
    return true;
}

void blz_mac_print(const uint8_t mac[6], char* out, size_t outSize) {
    snprintf(out, outSize, "%02x:%02x:%02x:%02x:%02x:%02x", mac[5], mac[4], mac[3], mac[2], mac[1],
             mac[0]);
}

bool blz_device_path(const char* adapterPath, const char* macText, char* out, size_t outSize) {
    uint8_t m[6];
    if (!blz_mac_parse(macText, m))
        return false;
    const int n = snprintf(out, outSize, "%s/dev_%02X_%02X_%02X_%02X_%02X_%02X", adapterPath, m[5],
                           m[4], m[3], m[2], m[1], m[0]);
    return n > 0 && size_t(n) < outSize;
}

bool blz_uuid_parse(const char* text, uint8_t uuid[16]) {
    if (text == nullptr || strlen(text) != 36)
        return false;
    uint8_t b[16];
    int k = 15;
    for (int i = 0; i < 36;) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-')
                return false;
            ++i;
            continue;
        }
        unsigned v;
        char pair[3] = {text[i], text[i + 1], 0};
        char* end = nullptr;
        v = static_cast<unsigned>(strtoul(pair, &end, 16));
        if (end != pair + 2 || k < 0)
            return false;
        b[k--] = static_cast<uint8_t>(v);
        i += 2;
    }
    memcpy(uuid, b, 16);
    return true;
}

void blz_uuid_print(const uint8_t u[16], char* out, size_t outSize) {
    snprintf(out, outSize, "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x",
             u[15], u[14], u[13], u[12], u[11], u[10], u[9], u[8], u[7], u[6], u[5], u[4], u[3],
             u[2], u[1], u[0]);
}

void blz_uuid16_print(uint16_t uuid16, char* out, size_t outSize) {
    snprintf(out, outSize, "0000%04x-0000-1000-8000-00805f9b34fb", uuid16);
}

bool blz_uuid_equal(const char* a, const char* b) {
    return a != nullptr && b != nullptr && strcasecmp(a, b) == 0;
}

uint32_t blz_char_flag(const char* name) {
    static const struct {
        const char* name;
        uint32_t bit;
    } flags[] = {
        {"broadcast", BLZ_CHAR_BROADCAST},
        {"read", BLZ_CHAR_READ},
        {"write-without-response", BLZ_CHAR_WRITE_WITHOUT_RESPONSE},
        {"write", BLZ_CHAR_WRITE},
        {"notify", BLZ_CHAR_NOTIFY},
        {"indicate", BLZ_CHAR_INDICATE},
    };
    for (const auto& f : flags)
        if (name != nullptr && strcmp(name, f.name) == 0)
            return f.bit;
    return 0;
}

const char* blz_addr_type_name(int atype) {
    switch (atype) {
    case BLZ_ADDR_UNKNOWN:
        return "unknown";
    case BLZ_ADDR_PUBLIC:
        return "public";
    case BLZ_ADDR_RANDOM:
        return "random";
    default:
        return "-invalid-";
    }
}
