// The two base directories of the store and the paths composed from them.
#pragma once

#include <stddef.h>

namespace zvcs {

enum : size_t {
    BASE_PATH_SIZE = 520, // a base directory: at most 519 characters
    DESC_PATH_SIZE = 520, // "<default base>/res/<file>": at most 519 characters
    USER_PATH_SIZE = 256, // "<edit base>/res/<model>.cfg": at most 255 characters
};

struct CfgPath {
    char s[DESC_PATH_SIZE];
};

// Stores both bases; a null or over-long one is marked unusable (logged).
void paths_set(const char* sDefaultPath, const char* sEditPath);

// "<default base>/res/<file>". False (logged) when the base is unusable or the result too long.
bool compose_default_path(const char* file, CfgPath& out);

// "<edit base>/res/<model>.cfg". False (logged) when the base is unusable, the result longer than
// 255 characters, or the model would leave the res folder.
bool compose_user_path(const char* sModel, CfgPath& out);

} // namespace zvcs
