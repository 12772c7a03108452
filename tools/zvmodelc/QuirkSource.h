// The C++ form of the models' quirk lists, compiled into the core so that it needs no model
// names of its own.
#pragma once

#include "ModelFile.h"

#include <memory>
#include <string>
#include <vector>

namespace zvm {

// Texts of ZvModelQuirks.h and ZvModelQuirks.cpp for the given models.
std::string quirk_header();
std::string quirk_source(const std::vector<std::unique_ptr<ModelEntry>>& models);

} // namespace zvm
