// The per-user autostart entry: a desktop entry in the user's autostart folder that starts this
// program with the hide argument at login. Written without root, for this user only. The package
// installs one for everybody in the system's autostart folder; the user's entry of the same name
// takes its place, so switching off writes a hidden entry instead of removing one.
#pragma once

#include <QByteArray>
#include <QString>

// "$XDG_CONFIG_HOME/autostart/ZervaTablet.desktop", with ~/.config when XDG_CONFIG_HOME is unset,
// empty or relative.
QString zv_autostart_path();
// The installed entry in the first folder of $XDG_CONFIG_DIRS (default /etc/xdg) that has one,
// or empty.
QString zv_system_autostart_path();

// The entry that starts program (an absolute path) with "-h".
QByteArray zv_autostart_entry(const QString& program);

// One argument of an Exec line as the desktop entry rules want it: quoted when it holds a
// reserved character, '%' doubled, then escaped as a string value.
QString zv_desktop_exec_arg(const QString& arg);

// Writes the entry for program atomically (mode 0644), creating the folder. False (logged) when
// it could not be written.
bool setAutoStart(const QString& program);
// Switches starting at login off: removes the entry, or hides the installed one. True when the
// program no longer starts at login (also when it never did).
bool rmAutoStart();
// 1 when the program starts at login (its own entry, or the installed one not hidden), else 0.
int getCheckAutoStart();
