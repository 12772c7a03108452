// A picture of the desktop read from the X server's root window.
#pragma once

#include <QImage>
#include <QRect>
#include <QVector>

// The colour of the desktop picture where no monitor shows anything: the gaps between monitors
// of different sizes, and monitors that lie outside the X screen.
constexpr int kZvDesktopGrey = 225;

// A picture of desktop's size (desktop in X screen pixels, possibly starting left of or above
// the origin), filled with kZvDesktopGrey, with the root window's pixels of every screen
// rectangle drawn at its place. The root window rather than Qt's screens: Qt's screen list
// follows the outputs, not the monitors the core numbers, and misses monitors made by hand.
// Without an X display the picture stays grey; a null image only when desktop is empty.
QImage zv_capture_desktop(const QRect& desktop, const QVector<QRect>& screens);
