// The configuration store's exported interface. The core and the settings application load
// libconfstore by path and bind these names with dlsym; the typedefs below give them the
// signatures to cast to.
//
// Ownership: every record argument is a caller-owned buffer; the store only copies into or out of
// it and keeps nothing between calls except the two base directories.
#pragma once

#include "ZvLog.h"
#include "ZvStruct.h"

// Results of the store's functions.
enum {
    ZVDC_OK = 0,
    ZVDC_NOT_FOUND = -1, // the model is not in the file
    ZVDC_NO_FILE = -17,  // the file cannot be opened or created, or its path is too long
    ZVDC_BAD_ARG = -22,  // a null record or model pointer
};

extern "C" {

// Sets the base directory of the description and template files and that of the per-model user
// files ("<base>/res/..."). A null or over-long (520 bytes or more) directory is refused: every
// later call that needs it then fails with ZVDC_NO_FILE, as if its file could not be opened.
ZV_EXPORT void zvdc_set_cfg_path(const char* sDefaultPath, const char* sEditPath);

// Single-record lookups by model in tablet.cfg, pen.cfg, layout_tablet.cfg and layout_pen.cfg.
// 0: found, *p holds the record with its model strings narrowed to 8-bit text.
// ZVDC_NOT_FOUND: not in the file; *p is then all zero (untouched if the file holds no record).
// ZVDC_NO_FILE: no file. ZVDC_BAD_ARG: null argument.
ZV_EXPORT th_i32 zvdc_read_a_tablet_config(const char* sModel, ZvTabletCfg* p);
ZV_EXPORT th_i32 zvdc_read_a_pen_config(const char* sModel, ZvPenCfg* p);
ZV_EXPORT th_i32 zvdc_read_a_tablet_layout(const char* sModel, ZvLayoutTablet* p);
ZV_EXPORT th_i32 zvdc_read_a_pen_layout(const char* sModel, ZvLayoutPen* p);

// The user configuration of a model: the per-model file when it exists, else the template in
// user.cfg (the generic "OEMFF_FFFF" record, overwritten by an exact match) copied into p->base;
// p->apps are then untouched. 0, or ZVDC_NO_FILE when neither file can be opened. A symbolic link,
// FIFO, device or folder under the per-model file's name is never followed or opened: the
// template is read instead.
ZV_EXPORT th_i32 zvdc_read_a_user_config(const char* sModel, ZvUserConfig* p);

// Replaces the per-model file atomically. 0: written; ZVDC_NO_FILE: the file could not be
// created or written completely, or the name holds a symbolic link, FIFO, device or folder, which
// is left as it was (and so is a previous file). Set-id and sticky bits are never carried over.
ZV_EXPORT th_i32 zvdc_write_a_user_config(const char* sModel, ZvUserConfig* p);

// Reads a per-model file given by its path (version 1 is converted). 0, or ZVDC_NO_FILE (also for
// a symbolic link or anything but a regular file). A short file fills as much of *p as it holds
// and leaves the rest as it was.
ZV_EXPORT th_i32 zvdc_read_a_user_config_from_file(const char* sModelPath, ZvUserConfig* p);

// List readers: up to size whole records as stored (not narrowed) into p[0..]; with a null p,
// the number of whole records in the file. Result: the count, or ZVDC_NO_FILE.
ZV_EXPORT th_i32 zvdc_read_tablet_config(ZvTabletCfg* p, th_u32 size);
ZV_EXPORT th_i32 zvdc_read_pen_config(ZvPenCfg* p, th_u32 size);
ZV_EXPORT th_i32 zvdc_read_tablet_layout(ZvLayoutTablet* p, th_u32 size);
ZV_EXPORT th_i32 zvdc_read_pen_layout(ZvLayoutPen* p, th_u32 size);
ZV_EXPORT th_i32 zvdc_read_user_config(ZvUserCfg* p, th_u32 size);

// List writers: replace the file atomically with a version-2 header and p[0..size-1].
// 0, ZVDC_NO_FILE (the previous file is kept), ZVDC_BAD_ARG (null p with a non-zero size).
ZV_EXPORT th_i32 zvdc_write_tablet_config(ZvTabletCfg* p, th_u32 size);
ZV_EXPORT th_i32 zvdc_write_pen_config(ZvPenCfg* p, th_u32 size);
ZV_EXPORT th_i32 zvdc_write_tablet_layout(ZvLayoutTablet* p, th_u32 size);
ZV_EXPORT th_i32 zvdc_write_pen_layout(ZvLayoutPen* p, th_u32 size);
ZV_EXPORT th_i32 zvdc_write_user_config(ZvUserCfg* p, th_u32 size);
}

// Signatures for binding the library by name.
using zvdc_set_cfg_path_fn = decltype(&zvdc_set_cfg_path);
using zvdc_read_a_tablet_config_fn = decltype(&zvdc_read_a_tablet_config);
using zvdc_read_a_pen_config_fn = decltype(&zvdc_read_a_pen_config);
using zvdc_read_a_tablet_layout_fn = decltype(&zvdc_read_a_tablet_layout);
using zvdc_read_a_pen_layout_fn = decltype(&zvdc_read_a_pen_layout);
using zvdc_read_a_user_config_fn = decltype(&zvdc_read_a_user_config);
using zvdc_write_a_user_config_fn = decltype(&zvdc_write_a_user_config);
using zvdc_read_a_user_config_from_file_fn = decltype(&zvdc_read_a_user_config_from_file);
using zv_set_log_handler_fn = decltype(&zv_set_log_handler);
