// The defined dynamic symbols of a built shared library, as `nm -D --defined-only` lists them:
// what the library really exports, for the tests that pin each library's export list.
#pragma once

#include <set>
#include <string>

// Names of every defined dynamic symbol of the library at path. nm runs without LD_PRELOAD (a
// preloaded test double must not run inside it). On failure the set is empty and *error says why.
std::set<std::string> zvtest_defined_dynamic_symbols(const std::string& path, std::string* error);
