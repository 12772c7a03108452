// Whether the main window shows at start: not with the hide argument, and not when the program
// starts within the first minute after the session's login (an autostart at login goes to the
// tray).
#pragma once

#include <QString>
#include <QStringList>

// False when any argument equals "-h", in any case.
bool getStartArgumentIsShow(const QStringList& args);

// The decision on the two command outputs: loginText is the login time of the first session
// ("HH:MM", from `w`), nowText the time of day ("HH:MM:SS", from `uptime`), each with at most
// one trailing newline. Hidden when now - login <= 59 s, which also covers a time of day earlier
// than the login time (a login the day before). Shown when either text is not such a time (an
// empty output, a missing command, a login listed as a date): a window that never comes up is
// the worse mistake.
bool zv_startup_show_decision(const QString& loginText, const QString& nowText);

// Runs the two commands (each ends within ~2 s or is killed, giving an empty output) and decides.
bool getStartupTimeIsShow();

// The whole standard output of `sh -c command`, one trailing newline dropped; empty when the
// shell cannot be started or the command takes longer than timeoutMs.
QString zv_command_output(const QString& command, int timeoutMs = 2000);
