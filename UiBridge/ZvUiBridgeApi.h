// libuibridge as the core sees it: the messaging library that runs the core's Qt event loop,
// carries ZvMsg records to and from the settings application over the D-Bus session bus,
// delivers the core's self messages on the main thread and runs the dispatcher's timers.
//
// The core never links this library: it loads "libs/libuibridge.so.1.0.0" by path and binds the
// names below (ZvUiBridgeDll.h). Records cross the boundary by pointer and are copied at once;
// the library never keeps or frees memory it was handed, nothing thrown crosses it.
#pragma once

#include "ZvLog.h"
#include "ZvMsg.h"
#include "ZvStruct.h"

// A record from the settings application; the pointer is valid for the call only.
typedef void (*ZVUC_RECV_MSG_CB)(const tagZVMsg* msg);
// Everything the library delivers to the core: value 0 with one record of `size` bytes in `data`
// (a message), or size 0, null data and value = the dispatcher's timer ID (a timer expiry).
typedef void (*ZVUC_EVENT_CB)(int size, const char* data, int value);
// A record from the settings application with the uid of the bus connection that sent it, as the
// session bus daemon reports it (-1 when it could not be learnt, e.g. the sender has already left
// the bus). The record's pid field holds the pid the bus reports, 0 when unknown. Entered from
// the processing thread; the pointer is valid for the call only.
typedef void (*ZVUC_PEER_MSG_CB)(const tagZVMsg* msg, long long uid);
// Stored, never called: screen changes reach the core as message 128 instead.
typedef void (*ZVUC_SCREEN_INFO_CB)(const ZvRect* rects, unsigned num);
// Stored, never called: timer expiries arrive through ZVUC_EVENT_CB.
typedef void (*ZVUC_TIMER_CB)(unsigned id);

extern "C" {

// Stores the record callback. 0 on success, 1 when already initialised, -1 for a null onRecvMsg.
ZV_EXPORT int zvuc_init(ZVUC_RECV_MSG_CB onRecvMsg, ZVUC_SCREEN_INFO_CB onScreenInfo);
// Stores the event callback (and clears the record callback). 0, 1 when already initialised,
// -1 for a null onEvent. The callbacks are entered from the main thread (timers, self messages)
// and from the processing thread (records from the settings application).
ZV_EXPORT int zvuc_init_call(ZVUC_EVENT_CB onEvent, ZVUC_SCREEN_INFO_CB onScreenInfo,
                             ZVUC_TIMER_CB onTimer);
// Optional (a core that binds an older library does without it): records from the settings
// application go to onPeerMsg with their sender's uid, instead of the record or event callback.
// Self messages and timer expiries still go to the event callback. A null onPeerMsg forgets it.
// 0, -1 when the library is not initialised (zvuc_init or zvuc_init_call first).
ZV_EXPORT int zvuc_init_peer(ZVUC_PEER_MSG_CB onPeerMsg);
// Forgets the callbacks, stops the bus threads and leaves the bus. Returns 0.
ZV_EXPORT int zvuc_uninit(void);

// Queues a copy for the settings application. Returns 0; the record is dropped when the event
// loop is not running, when the settings application is not on the bus (it is not retried) or
// when 1024 records already wait for it.
ZV_EXPORT int zvuc_send_msg(const tagZVMsg* msg);
// Hands a copy to the event callback on the main thread and returns when it has been handled
// (directly when called on the main thread). 0 when delivered, 1 when it could not be (no
// event loop running, null msg).
ZV_EXPORT int zvuc_send_self_msg(const tagZVMsg* msg);

// Kept for the core's start-up sequence: 0, does nothing.
ZV_EXPORT int zvuc_start_ui(void);
// Always 1 (the settings application is a separate program).
ZV_EXPORT int zvuc_is_ui_running(void);
ZV_EXPORT int zvuc_has_calibrating_window(void);
ZV_EXPORT int zvuc_send_calibrating_point(const ZvPoint* pt);
// Logs the rectangles; returns 1.
ZV_EXPORT int zvuc_get_screen_info(ZvRect* rects, unsigned num);

// Starts (or restarts) the repeating timer ID with a period of interval ms; before the event loop
// runs the request is queued and started with the loop. Callable from any thread. Returns 0,
// -1 for ID <= 0 or interval < 0.
ZV_EXPORT int zvuc_start_timer(int ID, int interval);
// Stops timer ID: 1 when it was running (or queued), 0 when none was found.
ZV_EXPORT int zvuc_stop_timer(int ID);

// Runs the Qt event loop on the calling thread (the main thread) until zvuc_stop_qt_app; only
// the program name of argv is passed on. Returns 0, -1 when a loop already runs.
ZV_EXPORT int zvuc_start_qt_app(int argc, char** argv);
// Asks the running loop to end (queued, callable from any thread). 0, -1 when none runs.
ZV_EXPORT int zvuc_stop_qt_app(void);

// zv_set_log_handler (ZvLog.h) is exported as well: this library's own log slot.
}

// The function types, for binding by name.
typedef int (*zvuc_init_fn)(ZVUC_RECV_MSG_CB, ZVUC_SCREEN_INFO_CB);
typedef int (*zvuc_init_call_fn)(ZVUC_EVENT_CB, ZVUC_SCREEN_INFO_CB, ZVUC_TIMER_CB);
typedef int (*zvuc_init_peer_fn)(ZVUC_PEER_MSG_CB);
typedef int (*zvuc_uninit_fn)(void);
typedef int (*zvuc_send_msg_fn)(const tagZVMsg*);
typedef int (*zvuc_send_self_msg_fn)(const tagZVMsg*);
typedef int (*zvuc_start_ui_fn)(void);
typedef int (*zvuc_is_ui_running_fn)(void);
typedef int (*zvuc_has_calibrating_window_fn)(void);
typedef int (*zvuc_send_calibrating_point_fn)(const ZvPoint*);
typedef int (*zvuc_get_screen_info_fn)(ZvRect*, unsigned);
typedef int (*zvuc_start_timer_fn)(int, int);
typedef int (*zvuc_stop_timer_fn)(int);
typedef int (*zvuc_start_qt_app_fn)(int, char**);
typedef int (*zvuc_stop_qt_app_fn)(void);
typedef void (*zvuc_set_log_handler_fn)(ZV_LOG_HANDLER);
