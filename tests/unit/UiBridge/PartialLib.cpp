// A messaging library that lacks zvuc_stop_timer: the binding must refuse it with -2 and keep
// what it found.
#define ZV_PARTIAL_EXPORT extern "C" __attribute__((visibility("default")))

ZV_PARTIAL_EXPORT int zvuc_init(void*, void*) {
    return 40;
}
ZV_PARTIAL_EXPORT int zvuc_init_call(void*, void*, void*) {
    return 41;
}
ZV_PARTIAL_EXPORT int zvuc_uninit(void) {
    return 0;
}
ZV_PARTIAL_EXPORT int zvuc_send_msg(const void*) {
    return 0;
}
ZV_PARTIAL_EXPORT int zvuc_send_self_msg(const void*) {
    return 0;
}
ZV_PARTIAL_EXPORT int zvuc_is_ui_running(void) {
    return 42;
}
ZV_PARTIAL_EXPORT int zvuc_has_calibrating_window(void) {
    return 1;
}
ZV_PARTIAL_EXPORT int zvuc_send_calibrating_point(const void*) {
    return 1;
}
ZV_PARTIAL_EXPORT int zvuc_get_screen_info(void*, unsigned) {
    return 1;
}
ZV_PARTIAL_EXPORT int zvuc_start_timer(int, int) {
    return 0;
}
ZV_PARTIAL_EXPORT int zvuc_start_qt_app(int, char**) {
    return 0;
}
