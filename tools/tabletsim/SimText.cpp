// Text conversions of the scenario: UTF-8 from the file to the wide strings hidapi hands out,
// and to the UTF-16LE the model command answers in.
#include "SimScenario.h"

namespace tabletsim {

std::wstring widen(const std::string& utf8) {
    std::wstring out;
    size_t i = 0;
    while (i < utf8.size()) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        unsigned need = 0;
        uint32_t cp = 0;
        if (c < 0x80) {
            cp = c;
        } else if ((c & 0xE0) == 0xC0) {
            need = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            need = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            need = 3;
            cp = c & 0x07;
        } else {
            out += wchar_t(0xFFFD);
            ++i;
            continue;
        }
        bool valid = i + need < utf8.size();
        for (unsigned k = 1; valid && k <= need; ++k) {
            const unsigned char d = static_cast<unsigned char>(utf8[i + k]);
            valid = (d & 0xC0) == 0x80;
            cp = (cp << 6) | (d & 0x3F);
        }
        if (!valid) {
            out += wchar_t(0xFFFD);
            ++i;
            continue;
        }
        out += wchar_t(cp);
        i += need + 1;
    }
    return out;
}

Bytes utf16le(const std::wstring& text) {
    Bytes out;
    auto unit = [&](uint32_t u) {
        out.push_back(uint8_t(u));
        out.push_back(uint8_t(u >> 8));
    };
    for (wchar_t w : text) {
        const uint32_t cp = uint32_t(w);
        if (cp >= 0x10000) {
            unit(0xD800 + ((cp - 0x10000) >> 10));
            unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            unit(cp);
        }
    }
    return out;
}

} // namespace tabletsim
