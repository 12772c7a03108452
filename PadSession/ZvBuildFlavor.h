// Which of the two builds of the library this is. ZvBuildFlavor.cpp is the only source compiled
// once per build; everything else asks it at run time.
#pragma once

// True in the build with Bluetooth LE: it falls back to Bluetooth and accepts every USB tablet of
// the vendor. The USB-only build refuses tablets that announce themselves as "ZERVA" (those are
// the Bluetooth build's own) and has no Bluetooth probe.
bool zvps_with_bluetooth();
