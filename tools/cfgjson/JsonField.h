// Typed access to the members of a JSON object, for the readable forms of the configuration
// records. Every mistake is reported as a JsonError that names the member by its path
// ("tablet.hekCode[3]"), so that a broken model file fails the build with a pointer to the field.
#pragma once

#include "ZvType.h"

#include <json/json.h>

#include <initializer_list>
#include <set>
#include <stddef.h>
#include <stdexcept>
#include <string>

namespace zvj {

class JsonError : public std::runtime_error {
public:
    JsonError(const std::string& path, const std::string& what)
        : std::runtime_error(path.empty() ? what : path + ": " + what), _path(path) {}
    const std::string& path() const { return _path; }

private:
    std::string _path;
};

[[noreturn]] void fail(const std::string& path, const std::string& what);
std::string member_path(const std::string& path, const std::string& key);
std::string index_path(const std::string& path, size_t i);

// Reads one JSON object. Members that are absent leave the record field as it was, so a reader
// can start from defaults. finish() rejects members that no reader asked for (misspelt names).
class ObjIn {
public:
    ObjIn(const Json::Value& v, std::string path);

    const std::string& path() const { return _path; }
    std::string at(const char* key) const { return member_path(_path, key); }
    bool has(const char* key) const { return _v.isMember(key); }
    // The member, marked as used; null when absent.
    const Json::Value* get(const char* key);
    void require(std::initializer_list<const char*> keys) const;
    void finish() const;

    // Integers within [lo, hi]; a byte also accepts true/false.
    void u8(const char* key, th_u8& out, unsigned hi = 255);
    void u16(const char* key, th_u16& out);
    void u32(const char* key, th_u32& out, th_u32 lo = 0, th_u32 hi = 0xFFFFFFFFu);
    void i32(const char* key, th_i32& out);
    void u64(const char* key, th_u64& out);
    void f32(const char* key, th_f32& out, double lo, double hi);
    // 8-bit text of at most n bytes (no terminator needed when it fills the field).
    void text(const char* key, th_char* field, size_t n);

private:
    const Json::Value& _v;
    std::string _path;
    std::set<std::string> _used;
};

// Value readers for array elements and members alike.
th_u64 read_uint(const Json::Value& v, const std::string& path, th_u64 lo, th_u64 hi);
th_i64 read_int(const Json::Value& v, const std::string& path, th_i64 lo, th_i64 hi);
const Json::Value& read_array(const Json::Value& v, const std::string& path, size_t maxLen);
void read_text(const Json::Value& v, const std::string& path, th_char* field, size_t n);
// Bytes written as {"hex": "0a1b..."}, zero-padded to n.
void read_hex(const Json::Value& v, const std::string& path, void* out, size_t n);

// A fixed text field as a JSON string when it is plain printable text followed by zeros, else as
// {"hex": ...} so that nothing is lost on the way back.
Json::Value text_out(const th_char* field, size_t n);
Json::Value hex_out(const void* bytes, size_t n); // trailing zeros trimmed
bool all_zero(const void* bytes, size_t n);

} // namespace zvj
