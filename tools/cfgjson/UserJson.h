// Readable forms of the user settings: one application profile, the device settings with the
// default profile (a user.cfg template), and a whole per-model configuration. Member names are
// the record's own; assignments are decoded by BindingJson. Readers leave absent members as
// they were.
#pragma once

#include "JsonField.h"
#include "ZvStruct.h"

namespace zvj {

Json::Value profile_to_json(const ZvAppUserCfg& a);
void profile_from_json(const Json::Value& v, const std::string& path, ZvAppUserCfg& a);

Json::Value user_cfg_to_json(const ZvUserCfg& u);
void user_cfg_from_json(const Json::Value& v, const std::string& path, ZvUserCfg& u);

// {"base": {...}, "apps": [{"slot": k, ...profile}, ...]}: application slots that hold nothing
// at all are left out and read back as empty.
Json::Value user_config_to_json(const ZvUserConfig& c);
void user_config_from_json(const Json::Value& v, const std::string& path, ZvUserConfig& c);

} // namespace zvj
