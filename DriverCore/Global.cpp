#include "Global.h"

#include "ZvDesktopUser.h"
#include "ZvLog.h"
#include "ZvVirtualDevices.h"

#include <linux/input.h>
#include <stdlib.h>
#include <string.h>
#include <sys/time.h>
#include <sys/wait.h>

namespace {

constexpr size_t kMaxAppPath = 500;

void tap(int key) {
    (void)zerva_send_key_event(key, 1);
    (void)zerva_send_key_event(key, 0);
}

} // namespace

th_u32 GetTickCount() {
    timeval now;
    gettimeofday(&now, nullptr);
    return static_cast<th_u32>(static_cast<th_u64>(now.tv_sec) * 1000000u +
                               static_cast<th_u64>(now.tv_usec));
}

int zvcb_start_app(const char* path, const char* userCfgPath) {
    if (path == nullptr || strlen(path) > kMaxAppPath)
        return -1;
    uid_t uid = 0;
    if (zv_find_desktop_user(userCfgPath, &uid) != 0) {
        zv_log_out(ZV_LL_WARN, "bound program not started (never as root): %s", path);
        return -3;
    }
    zv_log_out(ZV_LL_INFO, "exec command as user %u:%s", static_cast<unsigned>(uid), path);
    return zv_spawn_as_user(path, uid);
}

int runSystemCmd(const char* cmd) {
    if (cmd == nullptr)
        return -1;
    zv_log_out(ZV_LL_INFO, "exec command:%s", cmd);
    const int ret = system(cmd);
    if (ret < 0) {
        zv_log_out(ZV_LL_ERR, "ret = %d  ", ret);
        return -2;
    }
    const int status = WIFEXITED(ret) ? WEXITSTATUS(ret) : 128 + WTERMSIG(ret);
    if (status == 127)
        zv_log_out(ZV_LL_ERR, "shell sh error ");
    return status;
}

void zvcb_switch_brush_eraser(th_u16 /*flag*/) {
    tap(KEY_E); // 18
}

void zvcb_exec_private_cmd(th_u8 privateCmd) {
    switch (privateCmd) {
    case 1:
        (void)runSystemCmd("shutdown -h now");
        break;
    case 2:
        tap(KEY_SLEEP); // 142
        break;
    case 3:
        tap(KEY_SCREENLOCK); // 152
        break;
    default:
        break;
    }
}

void zvcb_exec_mmk_code(th_u16 code) {
    zv_log_out(ZV_LL_INFO, "linuxMMKCode =%d ", code);
}
