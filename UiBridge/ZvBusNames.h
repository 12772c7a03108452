// The session bus names of the two ends of the record channel, for the core's messaging library
// and the settings application alike. Both export their object at "/" without an interface name.
#pragma once

// Owned by the settings application; the core calls its UIMsgProc.
constexpr char kZvUiService[] = "org.Zerva.QtDBus.Msg";
// Owned by the core; the settings application calls its CoreMsgProc.
constexpr char kZvCoreService[] = "org.Zerva.QtDBus.Msg.core";
// A call from one end to the other that has no answer after this long is given up.
constexpr int kZvCallTimeoutMs = 3000;
