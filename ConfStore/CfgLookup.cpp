// Lookups of one record by model in the description files and in the user.cfg templates.
#include "CfgFile.h"
#include "CfgNarrow.h"
#include "CfgPaths.h"
#include "CfgStore.h"
#include "ZvLog.h"

#include <memory>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

namespace zvcs {
namespace {

// Exact, case-sensitive comparison of a fixed model field with a model string; a field filled
// to the last byte has no terminator.
bool model_equals(const th_char* field, const char* sModel) {
    const size_t n = strnlen(field, ZV_MODEL_LEN);
    return strlen(sModel) == n && memcmp(field, sModel, n) == 0;
}

} // namespace

th_i32 read_a_config(CfgKind kind, const char* sModel, void* p) {
    const CfgKindInfo& info = cfg_kind_info(kind);
    CfgPath path;
    if (!compose_default_path(info.file, path))
        return CS_NO_FILE;
    CfgFileHandle f = open_read(path.s);
    zv_log_out(ZV_LL_INFO, "1 s=%s pf=%p,p=%p \n", path.s, static_cast<void*>(f.get()), p);
    if (!f) {
        zv_log_out(ZV_LL_INFO, "read_a_config(%s,) open file faild : %s", info.typeName, path.s);
        return CS_NO_FILE;
    }

    ZvCfgFileHead head;
    if (!read_whole(f.get(), &head, sizeof head))
        return CS_NOT_FOUND;
    size_t len = info.recordLen;
    // Version-1 tablet files hold the record without the display name; such records are not
    // narrowed (their length selects no fields) and the caller's sName is left alone.
    if (kind == CfgKind::Tablet && head.ver == ZV_CFG_VER_1)
        len = ZV_TABLET_CFG_V1_SIZE;

    // Each record is read into a scratch copy first, so that a torn last record never reaches
    // the caller's buffer.
    std::unique_ptr<th_u8[]> rec(new th_u8[len]);
    while (read_whole(f.get(), rec.get(), len)) {
        struct_utf16_to_utf8(rec.get(), len);
        if (model_equals(reinterpret_cast<const th_char*>(rec.get() + info.keyOffset), sModel)) {
            memcpy(p, rec.get(), len);
            zv_log_out(ZV_LL_INFO, "read_a_config(%s,) read %s success", info.typeName, sModel);
            return CS_OK;
        }
        memset(p, 0, len);
    }
    return CS_NOT_FOUND;
}

th_i32 read_a_user_config(const char* sModel, ZvUserConfig* p) {
    CfgPath own;
    struct stat st;
    if (compose_user_path(sModel, own) && lstat(own.s, &st) == 0) {
        // A link, FIFO or device under the model's name is no settings file of ours: it is never
        // followed or opened, and the template stands in (writes to it are refused as well).
        if (S_ISREG(st.st_mode)) {
            flockfile(stdout);
            fputs("zvs_access !=-1 ", stdout);
            fflush(stdout);
            funlockfile(stdout);
            return read_a_user_config_from_file(own.s, p);
        }
        zv_log_out(ZV_LL_WARN, "zvdc: %s is not a regular file, the template is used", own.s);
    }

    CfgPath path;
    if (!compose_default_path("user.cfg", path))
        return CS_NO_FILE;
    CfgFileHandle f = open_read(path.s);
    zv_log_out(ZV_LL_INFO, "zvs_fopen s=%s,pf = %p \n", path.s, static_cast<void*>(f.get()));
    if (!f) {
        zv_log_out(ZV_LL_INFO, "read_a_user_config() open file faild : %s", path.s);
        return CS_NO_FILE;
    }

    ZvCfgFileHead head;
    if (!read_whole(f.get(), &head, sizeof head))
        return CS_OK;
    std::unique_ptr<ZvUserCfg> rec(new ZvUserCfg);
    while (read_whole(f.get(), rec.get(), sizeof *rec)) {
        struct_utf16_to_utf8(rec.get(), sizeof *rec);
        if (model_equals(rec->sModel, sModel)) {
            zv_log_out(ZV_LL_INFO, "read_a_user_config() read %s success", sModel);
            p->base = *rec;
            break;
        }
        // The generic template stands in until (unless) the model's own one turns up.
        if (model_equals(rec->sModel, ZV_GENERIC_MODEL))
            p->base = *rec;
    }
    return CS_OK;
}

} // namespace zvcs
