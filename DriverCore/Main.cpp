// ZervaCore: the core daemon. Takes the single-instance lock, detaches unless started with -d,
// loads its libraries, creates the virtual devices, and hands the main thread to the messaging
// library's event loop. Every later step happens in callbacks, timers and worker threads.
#include "DcGlobal.h"
#include "EventDetect.h"
#include "MsgHandler.h"
#include "ZvCoreCallbacks.h"
#include "ZvCoreStartup.h"
#include "ZvLog.h"
#include "ZvLogCore.h"
#include "ZvOnlyAppLock.h"
#include "ZvPadSessionDll.h"
#include "ZvQuitSignal.h"
#include "ZvUiBridgeDll.h"
#include "ZvVirtualDevices.h"

#include <stdio.h>

int main(int argc, char** argv) {
    // Whoever reads a foreground core's output through a pipe or a file sees each line as it
    // happens, like on a terminal.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    EventDetect detect(/* startTimer= */ false);
    ZvOnlyAppLock lock;
    g_g.reset();
    g_g.onlyAppLock = &lock;
    (void)parse_cmdline(argc, argv);
    if (g_g.daemon) {
        zv_log_out(ZV_LL_INFO, "start daemon!! \n");
        zv_log_core_before_fork();
        InitDeamon();
    } else {
        // Only a foreground run has the resume check (a detached process would not inherit its
        // thread). Started after the decision, so the process forks with a single thread: a
        // thread holding the allocator's or the logger's lock at the fork would leave the child
        // deadlocked on it.
        (void)zv_start_detection_timer();
    }
    const int only = lock.isOnly("./.ZervaCore.pid");
    if (only < 0) {
        zv_log_out(ZV_LL_NOTICE, "File: %s Func: %s Line: %d => app isOnly ret=%d.\n",
                   "./DriverCore/Main", "main", 313, only);
        return -1;
    }
    reset_limit();
    const bool logging = zv_core_log_start() == 0;

    if (load_padsession_dll() < 0) {
        zv_log_out(ZV_LL_ERR, "load padsession so error!");
        return -1;
    }
    const int ui = zvuc_dll_load();
    if (ui < 0) {
        zv_log_out(ZV_LL_ERR, "load QtSession so error  rt=%d ! \n", ui);
        return -1;
    }
    // The library's own lines into the same log as the core's; without one they stay on
    // standard output like the core's.
    if (logging)
        (void)zvuc_dll_set_log_handler(log_handler_fun_arg);
    zv_log_out(ZV_LL_INFO, "after load dll");
    (void)zvuc_start_ui();

    if (!zerva_pen_event_init()) {
        zv_log_out(ZV_LL_ERR, "zerva_event_init errpr !\n");
        return -1;
    }
    if (!zerva_keybroad_input_init())
        zv_log_out(ZV_LL_ERR, "zerva_keybroad_input_init errpr !\n");
    if (!zerva_mouse_input_init())
        zv_log_out(ZV_LL_ERR, "zerva_mouse_input_init errpr !\n");
    (void)zerva_mouse_rel_event_init();
    zv_log_out(ZV_LL_INFO, "init event OK");

    (void)zvuc_init_call(on_rev_event, on_screen_info, on_timer);
    g_run_flag = 1;
    // Lives until the process ends: library threads may still deliver to it.
    g_g.msgHandler = new MsgHandler(0);
    (void)g_g.msgHandler->init();
    (void)detect.start_detect();
    (void)zv_install_quit_handler();
    (void)zerva_reload_uhid_pen_event();

    (void)zvuc_start_qt_app(argc, argv);

    g_run_flag = 0;
    detect.stop_detect();
    (void)unload_padsession_dll();
    zerva_mouse_rel_event_exit();
    zerva_mouse_abs_event_exit();
    zerva_keybroad_event_exit();
    zerva_mouse_input_exit();
    zerva_keybroad_input_exit();
    zerva_pen_event_exit();
    zv_log_out(ZV_LL_INFO, " exit main !!\n");
    return 0;
}
