// The per-model user file: one ZvUserConfig behind the header, written by both the core and the
// settings application.
#include "CfgFile.h"
#include "CfgPaths.h"
#include "CfgStore.h"
#include "UserConfigV1.h"
#include "ZvLog.h"

#include <memory>
#include <string.h>

namespace zvcs {

th_i32 read_a_user_config_from_file(const char* sPath, ZvUserConfig* p) {
    CfgFileHandle f = open_read_nofollow(sPath);
    if (!f) {
        zv_log_out(ZV_LL_INFO, "read_a_user_config_from_file() open file faild : %s", sPath);
        return CS_NO_FILE;
    }
    ZvCfgFileHead head;
    if (!read_whole(f.get(), &head, sizeof head)) {
        zv_log_out(ZV_LL_WARN, "read_a_user_config_from_file() no header : %s", sPath);
        return CS_OK;
    }

    size_t got = 0;
    size_t want = 0;
    if (head.ver == ZV_CFG_VER_1) {
        std::unique_ptr<ZvUserConfigV1> v1(new ZvUserConfigV1());
        want = sizeof *v1;
        got = read_some(f.get(), v1.get(), want);
        UserConfigV1ToUserConfig(v1.get(), p);
    } else {
        want = sizeof *p;
        got = read_some(f.get(), p, want);
    }
    if (got != want)
        zv_log_out(ZV_LL_WARN, "read_a_user_config_from_file() short file, %zu of %zu bytes : %s",
                   got, want, sPath);
    return CS_OK;
}

th_i32 write_a_user_config(const char* sModel, const ZvUserConfig* p) {
    CfgPath path;
    if (!compose_user_path(sModel, path)) {
        zv_log_out(ZV_LL_ERR, "write_a_user_config() open file faild : %.64s", sModel);
        return CS_NO_FILE;
    }
    zv_log_out(ZV_LL_INFO, "write_a_user_config s={%s}", path.s);
    return write_user_config_file(path.s, p);
}

th_i32 write_user_config_file(const char* path, const ZvUserConfig* p) {
    AtomicFile file;
    if (!file.open(path)) {
        zv_log_out(ZV_LL_INFO, "write_a_user_config pf=%d, WRITE ERROR\n", 0);
        zv_log_out(ZV_LL_ERR, "write_a_user_config() open file faild : %s", path);
        return CS_NO_FILE;
    }
    zv_log_out(ZV_LL_INFO, "write_a_user_config pf=%d, WRITE SUCCESS\n", file.fd());

    const ZvCfgFileHead head = make_head(1, sizeof(ZvUserConfig));
    const size_t headLen = fwrite(&head, 1, sizeof head, file.get());
    zv_log_out(ZV_LL_INFO, "fwrite head relen=%d,sizeof(ZvCfgFileHead)=%d", int(headLen),
               int(sizeof head));
    const size_t bodyLen = headLen == sizeof head ? fwrite(p, 1, sizeof *p, file.get()) : 0;
    zv_log_out(ZV_LL_INFO, "fwrite body relen=%d,sizeof(ZvUserConfig)=%d", int(bodyLen),
               int(sizeof *p));

    // A short write used to be logged and reported as success, leaving a torn file; now the old
    // file stays and the caller learns that nothing was stored.
    if (headLen != sizeof head || bodyLen != sizeof *p || !file.commit()) {
        zv_log_out(ZV_LL_ERR, "write_a_user_config() write failed, %s left as it was", path);
        return CS_NO_FILE;
    }
    return CS_OK;
}

} // namespace zvcs
