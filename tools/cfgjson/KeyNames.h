// Names for the codes stored in key assignments: Linux input event key codes (the names the
// settings application shows), the action bits of funcBit, the system commands and the kinds of
// multi-function control.
#pragma once

#include "ZvType.h"

#include <string>

namespace zvj {

// The key's name, or "#<code>" for a code without one.
std::string key_name(th_u8 code);
// Accepts every name key_name produces; false for an unknown name.
bool key_code(const std::string& name, th_u8& code);

// Name of action bit b (0..31) of funcBit; "bit<b>" for a bit without one.
std::string func_name(unsigned bit);
bool func_bit(const std::string& name, unsigned& bit);

// System commands of ZVEF_RRIVATE_CMD: "shutdown", "sleep", "lock-screen"; else "#<n>".
std::string system_cmd_name(th_u8 cmd);
bool system_cmd(const std::string& name, th_u8& cmd);

// Kinds of multi-function control (mekFuncBit): "none", "slider", "ring", "dial", "touch",
// "touch13"; else "#<n>".
std::string mek_kind_name(th_u32 kind);
bool mek_kind(const std::string& name, th_u32& kind);

} // namespace zvj
