// Whole-file reads and writes: how the model compiler builds the description files and the
// inspector reads them.
#include "CfgFile.h"
#include "CfgPaths.h"
#include "CfgStore.h"
#include "ZvLog.h"

#include <limits.h>
#include <memory>
#include <string.h>

namespace zvcs {

void set_cfg_path(const char* sDefaultPath, const char* sEditPath) {
    paths_set(sDefaultPath, sEditPath);
}

th_i32 read_list(CfgKind kind, void* p, th_u32 size) {
    CfgPath path;
    if (!compose_default_path(cfg_kind_info(kind).file, path))
        return CS_NO_FILE;
    return read_list_file(kind, path.s, p, size);
}

th_i32 read_list_file(CfgKind kind, const char* path, void* p, th_u32 size) {
    const CfgKindInfo& info = cfg_kind_info(kind);
    CfgFileHandle f = open_read(path);
    if (!f) {
        zv_log_out(ZV_LL_INFO, "read_config(%s,) open file faild : %s", info.typeName, path);
        return CS_NO_FILE;
    }
    ZvCfgFileHead head;
    if (!read_whole(f.get(), &head, sizeof head))
        return 0;
    // A version-1 tablet file holds records without the display name: each one fills the front
    // of a record and the name stays empty, instead of the records being read out of step.
    size_t len = info.recordLen;
    if (kind == CfgKind::Tablet && head.ver == ZV_CFG_VER_1)
        len = ZV_TABLET_CFG_V1_SIZE;

    std::unique_ptr<th_u8[]> rec(new th_u8[info.recordLen]);
    th_u8* out = static_cast<th_u8*>(p);
    th_i32 count = 0;
    while ((out == nullptr || th_u32(count) < size) && count < INT_MAX) {
        memset(rec.get(), 0, info.recordLen);
        if (!read_whole(f.get(), rec.get(), len))
            break;
        if (out != nullptr)
            memcpy(out + size_t(count) * info.recordLen, rec.get(), info.recordLen);
        ++count;
    }
    return count;
}

th_i32 write_list(CfgKind kind, const void* p, th_u32 size) {
    const CfgKindInfo& info = cfg_kind_info(kind);
    CfgPath path;
    if (!compose_default_path(info.file, path))
        return CS_NO_FILE;
    AtomicFile file;
    if (!file.open(path.s)) {
        zv_log_out(ZV_LL_ERR, "write_config(%s,) open file faild : %s", info.typeName, path.s);
        return CS_NO_FILE;
    }
    const ZvCfgFileHead head = make_head(size, th_u32(info.recordLen));
    bool ok = file.write(&head, sizeof head);
    const th_u8* in = static_cast<const th_u8*>(p);
    for (th_u32 i = 0; ok && i < size; ++i)
        ok = file.write(in + size_t(i) * info.recordLen, info.recordLen);
    if (!ok || !file.commit()) {
        zv_log_out(ZV_LL_ERR, "write_config(%s,) write failed, %s left as it was", info.typeName,
                   path.s);
        return CS_NO_FILE;
    }
    return CS_OK;
}

} // namespace zvcs
