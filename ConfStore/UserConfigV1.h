// Per-model files of the first format version kept the switches, pressure, rotation and areas
// device-wide; the current format keeps them in every application profile.
#pragma once

#include "ZvStruct.h"

// Converts a version-1 configuration into dst. Members the conversion does not name keep what dst
// held: the version-1 application profiles are not carried over (only the used dst->apps get the
// device-wide switches), and app0.rmks stays as it was.
void UserConfigV1ToUserConfig(const ZvUserConfigV1* src, ZvUserConfig* dst);
