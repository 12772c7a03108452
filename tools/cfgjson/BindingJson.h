// The readable form of a key assignment (ZvEkey):
//   {"name": "Undo", "func": ["key"], "mods": ["Ctrl"], "keys": ["Z"]}
// "func" lists the action bits; the parameter appears as "mods"/"keys" (key and move-roll),
// "cmd" (exec), "mek" (switch-mek-func), "system" (system-command) or "media" (media-key).
// Bytes the readable form cannot say (a second parameter, scan codes, stray bytes) are kept in
// "param" as hex, and a non-zero event word in "evt", so a record survives the round trip.
#pragma once

#include "JsonField.h"
#include "ZvStruct.h"

namespace zvj {

Json::Value ekey_to_json(const ZvEkey& e);
void ekey_from_json(const Json::Value& v, const std::string& path, ZvEkey& out);

// Arrays of assignments; trailing empty entries are left out and read back as empty.
Json::Value ekeys_to_json(const ZvEkey* keys, size_t n);
void ekeys_from_json(const Json::Value& v, const std::string& path, ZvEkey* keys, size_t n);

} // namespace zvj
