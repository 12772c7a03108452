/* Control of the simulated tablets from a test that runs with libtabletsim.so preloaded.
 * The functions exist only in the preloaded library: look them up with dlsym(RTLD_DEFAULT, ...),
 * which also proves that the simulator, not the real hidapi, serves the process.
 * Environment: ZV_TABLETSIM_SCENARIO names the scenario loaded at the first hidapi call;
 * ZV_TABLETSIM_TRACE names a file that receives every trace line with a CLOCK_MONOTONIC stamp. */
#pragma once

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* 1; its presence is what matters. */
typedef int (*tabletsim_active_fn)(void);
/* Replace the scenario (0, or -1 with the reason in tabletsim_error). Handles of the previous
 * scenario are gone: their reads fail. The trace starts again with "load <origin>". */
typedef int (*tabletsim_load_file_fn)(const char* path);
typedef int (*tabletsim_load_text_fn)(const char* text);
typedef const char* (*tabletsim_error_fn)(void);
/* Unplug (0) or plug (1) the device of that name now: 0, or -1 for an unknown name. */
typedef int (*tabletsim_set_plugged_fn)(const char* device, int plugged);
/* Queue one input report on the open interface of that path now: 0, or -1 when none is open. */
typedef int (*tabletsim_inject_fn)(const char* path, const unsigned char* data, size_t len);
/* Number of trace lines since the last load. */
typedef size_t (*tabletsim_trace_lines_fn)(void);
/* Copies the trace, one line per event, into buf (always terminated when size > 0) and returns
 * the length of the whole text. */
typedef size_t (*tabletsim_trace_copy_fn)(char* buf, size_t size);
/* Waits until a trace line at index fromLine or later starts with needle: its index, or -1
 * after timeoutMs (negative: no limit). */
typedef long (*tabletsim_wait_trace_fn)(const char* needle, size_t fromLine, int timeoutMs);
/* How often the library misused hidapi since the last load (a call on a closed handle,
 * hid_close while a read waits on the handle, hid_exit with devices open, two readers). */
typedef unsigned (*tabletsim_violations_fn)(void);

int tabletsim_active(void);
int tabletsim_load_file(const char* path);
int tabletsim_load_text(const char* text);
const char* tabletsim_error(void);
int tabletsim_set_plugged(const char* device, int plugged);
int tabletsim_inject(const char* path, const unsigned char* data, size_t len);
size_t tabletsim_trace_lines(void);
size_t tabletsim_trace_copy(char* buf, size_t size);
long tabletsim_wait_trace(const char* needle, size_t fromLine, int timeoutMs);
unsigned tabletsim_violations(void);

#ifdef __cplusplus
}
#endif
