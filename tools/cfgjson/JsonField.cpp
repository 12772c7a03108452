#include "JsonField.h"

#include <math.h>
#include <string.h>

namespace zvj {

void fail(const std::string& path, const std::string& what) {
    throw JsonError(path, what);
}

std::string member_path(const std::string& path, const std::string& key) {
    return path.empty() ? key : path + "." + key;
}

std::string index_path(const std::string& path, size_t i) {
    return path + "[" + std::to_string(i) + "]";
}

ObjIn::ObjIn(const Json::Value& v, std::string path) : _v(v), _path(std::move(path)) {
    if (!_v.isObject())
        fail(_path, "expected an object");
}

const Json::Value* ObjIn::get(const char* key) {
    if (!_v.isMember(key))
        return nullptr;
    _used.insert(key);
    return &_v[key];
}

void ObjIn::require(std::initializer_list<const char*> keys) const {
    for (const char* k : keys) {
        if (!_v.isMember(k))
            fail(at(k), "missing");
    }
}

void ObjIn::finish() const {
    for (const std::string& name : _v.getMemberNames()) {
        if (_used.count(name) == 0)
            fail(member_path(_path, name), "unknown member");
    }
}

th_u64 read_uint(const Json::Value& v, const std::string& path, th_u64 lo, th_u64 hi) {
    if (!v.isIntegral() || (v.isInt64() && v.asInt64() < 0))
        fail(path, "expected a whole number in " + std::to_string(lo) + ".." + std::to_string(hi));
    const th_u64 x = v.asUInt64();
    if (x < lo || x > hi)
        fail(path, std::to_string(x) + " is out of range " + std::to_string(lo) + ".." +
                       std::to_string(hi));
    return x;
}

th_i64 read_int(const Json::Value& v, const std::string& path, th_i64 lo, th_i64 hi) {
    if (!v.isIntegral() || (v.isUInt64() && !v.isInt64()))
        fail(path, "expected a whole number in " + std::to_string(lo) + ".." + std::to_string(hi));
    const th_i64 x = v.asInt64();
    if (x < lo || x > hi)
        fail(path, std::to_string(x) + " is out of range " + std::to_string(lo) + ".." +
                       std::to_string(hi));
    return x;
}

const Json::Value& read_array(const Json::Value& v, const std::string& path, size_t maxLen) {
    if (!v.isArray())
        fail(path, "expected an array");
    if (v.size() > maxLen)
        fail(path, "has " + std::to_string(v.size()) + " entries, at most " +
                       std::to_string(maxLen) + " fit");
    return v;
}

void read_hex(const Json::Value& v, const std::string& path, void* out, size_t n) {
    ObjIn o(v, path);
    const Json::Value* h = o.get("hex");
    o.finish();
    if (h == nullptr || !h->isString())
        fail(path, "expected a string or {\"hex\": \"...\"}");
    const std::string s = h->asString();
    if (s.size() % 2 != 0 || s.size() / 2 > n)
        fail(path, "hex text must be whole bytes, at most " + std::to_string(n));
    th_u8* b = static_cast<th_u8*>(out);
    memset(b, 0, n);
    for (size_t i = 0; i < s.size(); i += 2) {
        char pair[3] = {s[i], s[i + 1], 0};
        char* end = nullptr;
        const unsigned long x = strtoul(pair, &end, 16);
        if (end != pair + 2)
            fail(path, "not a hex byte: " + std::string(pair));
        b[i / 2] = th_u8(x);
    }
}

void read_text(const Json::Value& v, const std::string& path, th_char* field, size_t n) {
    if (v.isObject()) {
        read_hex(v, path, field, n);
        return;
    }
    if (!v.isString())
        fail(path, "expected a string");
    const std::string s = v.asString();
    if (s.size() > n)
        fail(path, "\"" + s + "\" is longer than " + std::to_string(n) + " bytes");
    if (s.find('\0') != std::string::npos)
        fail(path, "contains a zero byte");
    memset(field, 0, n);
    memcpy(field, s.data(), s.size());
}

void ObjIn::u8(const char* key, th_u8& out, unsigned hi) {
    if (const Json::Value* v = get(key))
        out = v->isBool() ? th_u8(v->asBool()) : th_u8(read_uint(*v, at(key), 0, hi));
}

void ObjIn::u16(const char* key, th_u16& out) {
    if (const Json::Value* v = get(key))
        out = th_u16(read_uint(*v, at(key), 0, 0xFFFF));
}

void ObjIn::u32(const char* key, th_u32& out, th_u32 lo, th_u32 hi) {
    if (const Json::Value* v = get(key))
        out = th_u32(read_uint(*v, at(key), lo, hi));
}

void ObjIn::i32(const char* key, th_i32& out) {
    if (const Json::Value* v = get(key))
        out = th_i32(read_int(*v, at(key), INT32_MIN, INT32_MAX));
}

void ObjIn::u64(const char* key, th_u64& out) {
    if (const Json::Value* v = get(key))
        out = read_uint(*v, at(key), 0, UINT64_MAX);
}

void ObjIn::f32(const char* key, th_f32& out, double lo, double hi) {
    if (const Json::Value* v = get(key)) {
        if (!v->isNumeric())
            fail(at(key), "expected a number");
        const double x = v->asDouble();
        if (!(x >= lo && x <= hi))
            fail(at(key), "out of range");
        out = th_f32(x);
    }
}

void ObjIn::text(const char* key, th_char* field, size_t n) {
    if (const Json::Value* v = get(key))
        read_text(*v, at(key), field, n);
}

bool all_zero(const void* bytes, size_t n) {
    const th_u8* b = static_cast<const th_u8*>(bytes);
    for (size_t i = 0; i < n; ++i) {
        if (b[i] != 0)
            return false;
    }
    return true;
}

Json::Value hex_out(const void* bytes, size_t n) {
    const th_u8* b = static_cast<const th_u8*>(bytes);
    while (n > 0 && b[n - 1] == 0)
        --n;
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += digits[b[i] >> 4];
        s += digits[b[i] & 15];
    }
    Json::Value o(Json::objectValue);
    o["hex"] = s;
    return o;
}

Json::Value text_out(const th_char* field, size_t n) {
    const size_t len = strnlen(field, n);
    bool plain = all_zero(field + len, n - len);
    for (size_t i = 0; plain && i < len; ++i)
        plain = field[i] >= 0x20 && field[i] < 0x7f;
    if (!plain)
        return hex_out(field, n);
    return Json::Value(std::string(field, len));
}

} // namespace zvj
