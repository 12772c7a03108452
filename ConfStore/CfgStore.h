// The store's logic behind the exported functions. Every call opens, reads or writes and closes
// its own file; the only state shared between calls (and threads) is the two base directories.
#pragma once

#include "ZvStruct.h"

#include <stddef.h>

namespace zvcs {

enum : th_i32 {
    CS_OK = 0,
    CS_NOT_FOUND = -1,
    CS_NO_FILE = -17,
    CS_BAD_ARG = -22,
};

// The files that hold one record type each behind the common header.
enum class CfgKind { Tablet, Pen, TabletLayout, PenLayout, UserTemplate };

struct CfgKindInfo {
    const char* file;     // name under <default base>/res
    size_t recordLen;     // record length of the current version
    const char* typeName; // record type as it appears in log lines
    size_t keyOffset;     // offset of the sModel key
};

const CfgKindInfo& cfg_kind_info(CfgKind kind);

void set_cfg_path(const char* sDefaultPath, const char* sEditPath);

// Single-record lookup by model (Tablet, Pen, TabletLayout, PenLayout).
th_i32 read_a_config(CfgKind kind, const char* sModel, void* p);
th_i32 read_a_user_config(const char* sModel, ZvUserConfig* p);
// A symbolic link, FIFO, device or folder at sPath is refused (logged): CS_NO_FILE.
th_i32 read_a_user_config_from_file(const char* sPath, ZvUserConfig* p);
th_i32 write_a_user_config(const char* sModel, const ZvUserConfig* p);

// Whole-file lists; p holds records of the kind's type.
th_i32 read_list(CfgKind kind, void* p, th_u32 size);
th_i32 write_list(CfgKind kind, const void* p, th_u32 size);

// The same on a file given by its path (the inspector reads files wherever they are).
th_i32 read_list_file(CfgKind kind, const char* path, void* p, th_u32 size);
th_i32 write_user_config_file(const char* path, const ZvUserConfig* p);

} // namespace zvcs
