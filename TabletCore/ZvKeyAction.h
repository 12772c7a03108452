// Carrying out a key binding: every action kind set in funcBit, in a fixed order, with the phase
// the handler marked in funcEvtBit. Runs on the thread that handles the tablet's reports.
#pragma once

#include "ZvEkeyEvent.h"
#include "ZvStruct.h"

class ZvTabletThread;

// The application profile in force: uc.base.app0 for curAppIdx 0, else uc.apps[curAppIdx - 1].
ZvAppUserCfg* zvdec_get_cur_app_cfg(ZvTabletThread& th);
// Binding ekIndex of the current function set of control mekIndex; null for indexes out of
// range (a report naming a control or slot the records do not have).
ZvEkey* zvdc_get_ekey_in_mek(ZvTabletThread& th, th_u8 mekIndex, th_u8 ekIndex);
// Carries out ek. A key combination marked as a click is pressed first and released last, after
// every other action of the binding.
void zvdc_send_ekey(ZvTabletThread& th, const ZvEkey& ek);
// Clears ek's events, marks every function bit with ev and carries it out.
void zvdc_mark_and_send(ZvTabletThread& th, ZvEkey& ek, th_u32 ev);
// The actions a pressed binding keeps down until its release: keys, mouse buttons, pan and fixed
// pressure.
constexpr th_u32 ZV_HELD_ACTIONS = ZVEF_KBTN | ZVEF_MOUSE_LEFT | ZVEF_MOUSE_MID | ZVEF_MOUSE_RIGHT |
                                   ZVEF_MOVE_ROLL | ZVEF_FIXED_PRESSURE;
// Lets go of what a pressed binding holds down (ZV_HELD_ACTIONS of `pressed`, a copy of the
// binding as its press was sent), without the actions that a release sets off (program starts,
// display and mode switches): for a release the user did not make, when the tablet goes away
// or its settings change under a held key.
void zvdc_let_go(ZvTabletThread& th, const ZvEkey& pressed);
