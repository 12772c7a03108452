// The entry points through which the messaging library calls back into the core.
#pragma once

#include "ZvMsg.h"
#include "ZvStruct.h"

// Everything the library delivers: value 0 with one record in buf (a message), value > 0 a timer
// id; negative values are ignored. A buffer shorter than a record is taken as far as it goes.
void on_rev_event(int size, const char* buf, int value);
void on_recv_msg(const ZvMsg* msg);
// The library stores these two but delivers through on_rev_event.
void on_screen_info(const ZvRect* rects, unsigned num);
void on_timer(unsigned id);
// Message 128: a new pen device when one exists, then every worker refreshes its monitors.
void on_screen_changed();
