// The core's virtual input devices: the uinput keyboard and mouse, the pen device of libzervahid
// and the relative-axis event device held open. Handles live in g_g (DcGlobal.h); every function
// may be called from any thread.
#pragma once

// --- creation and destruction (true: the device exists now) ---

// "Zerva keyboard" (USB 7D3A:FFFF, every key code 0..248) into g_g.gFdKbd.
bool zerva_keybroad_input_init();
// "Zerva mouse" (USB 7D3A:EEEE; left, right, middle and side buttons; REL_X, REL_Y, REL_WHEEL)
// into g_g.gFdMouse.
bool zerva_mouse_input_init();
// The two spare pen devices into gFdUhid_0 and gFdUhid_1 (failures ignored), then the active
// pen device into gFdUhid. False when the active one cannot be made.
bool zerva_pen_event_init();
// A new active pen device in place of the current one (after a screen change). The new device is
// made before the old one goes, so the pen is never without a device; if it cannot be made, the
// old device stays and the result is false.
bool zerva_reload_uhid_pen_event();
// Opens the first event device with relative axes into gFdRelMouse; false when there is none.
bool zerva_mouse_rel_event_init();
// The first /dev/input/eventN (N < 32) whose event types include bit `type` (0..30), or -1.
int getEventNum(int type);

// Each closes its handle when open and sets it to 0; a second call does nothing.
void zerva_pen_event_exit(); // gFdUhid_1, gFdUhid_0, gFdUhid in this order
void zerva_keybroad_input_exit();
void zerva_keybroad_event_exit();
void zerva_mouse_input_exit();
void zerva_mouse_rel_event_exit();
void zerva_mouse_abs_event_exit();

// --- event writers: each group is one write; 0 on success, negative when nothing was written ---

// Keyboard: MSC_SCAN keyCode, then the key itself (bUpDown 1 press, 0 release).
int zerva_send_key_event(int keyCode, int bUpDown);
// Mouse button (272 left, 273 right, 274 middle, 275 side).
int zerva_send_mouse_input(int code, int bUpDown);
// The same button event on the active pen device; skipped without a word when there is none.
int zerva_send_mouse_input_to_pen(int code, int bUpDown);
// Mouse wheel: REL_WHEEL (8) with +1 or -1.
int zerva_send_mouse_wheel_input(int code, int value);
