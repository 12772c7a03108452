// zerva-check: what stands between this user and a working tablet, one line per finding with
// what to do about it. Run it as the desktop user, from the desktop session.
#include "ZvBusNames.h"
#include "ZvCheck.h"
#include "ZvExePath.h"
#include "ZvSettingsDir.h"

#include <X11/Xlib.h>
#include <systemd/sd-bus.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>

namespace {

void check_display(std::vector<ZvCheckLine>& out) {
    const char* name = getenv("DISPLAY");
    if (name == nullptr || name[0] == '\0') {
        zv_check_add(out, ZvCheckLine::Fail, "display: DISPLAY is not set",
                     "run this from the desktop session; for the service: systemctl --user "
                     "import-environment DISPLAY XAUTHORITY");
        return;
    }
    Display* d = XOpenDisplay(name);
    if (d == nullptr) {
        zv_check_add(out, ZvCheckLine::Fail, std::string("display: cannot open ") + name,
                     "check DISPLAY and XAUTHORITY (the X server refused or is not there)");
        return;
    }
    XCloseDisplay(d);
    zv_check_add(out, ZvCheckLine::Ok, std::string("display: ") + name);
}

// The settings application talks to the core through its name on the session bus.
void check_bus(std::vector<ZvCheckLine>& out) {
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0) {
        zv_check_add(out, ZvCheckLine::Fail, "session bus: cannot connect",
                     "run this from the desktop session (DBUS_SESSION_BUS_ADDRESS)");
        return;
    }
    sd_bus_message* reply = nullptr;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    int owned = 0;
    const int r = sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                     "org.freedesktop.DBus", "NameHasOwner", &error, &reply, "s",
                                     kZvCoreService);
    const bool asked = r >= 0 && sd_bus_message_read(reply, "b", &owned) >= 0;
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    sd_bus_flush_close_unref(bus);
    if (!asked)
        zv_check_add(out, ZvCheckLine::Warn, "session bus: cannot ask for the core's name", "");
    else if (owned)
        zv_check_add(out, ZvCheckLine::Ok,
                     std::string("session bus: the core answers as ") + kZvCoreService);
    else
        zv_check_add(out, ZvCheckLine::Fail,
                     std::string("session bus: nobody owns ") + kZvCoreService,
                     "the settings application cannot reach the core: is it running in this "
                     "session? (systemctl --user status zerva-core)");
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && (strcmp(argv[1], "-h") == 0 || strcmp(argv[1], "--help") == 0)) {
        printf("usage: %s\nChecks the Zerva tablet driver for this user and says what to do.\n",
               argv[0]);
        return 0;
    }
    ZvCheckPaths paths;
    char dir[512];
    if (zv_exe_dir(dir, sizeof dir))
        paths.programDir = dir;
    char settings[512];
    if (zv_settings_dir(paths.programDir.c_str(), settings, sizeof settings))
        paths.settingsDir = settings;
    // The service's pid file is in the runtime folder; a core started by hand has it in the
    // folder it was started from.
    if (const char* run = getenv("XDG_RUNTIME_DIR"))
        paths.pidFiles.push_back(std::string(run) + "/.ZervaCore.pid");
    char cwd[512];
    if (getcwd(cwd, sizeof cwd) != nullptr)
        paths.pidFiles.push_back(std::string(cwd) + "/.ZervaCore.pid");
    paths.pidFiles.push_back(paths.programDir + "/.ZervaCore.pid");
    paths.pidFiles.erase(std::unique(paths.pidFiles.begin(), paths.pidFiles.end()),
                         paths.pidFiles.end());

    std::vector<ZvCheckLine> lines;
    zv_check_core(paths, lines);
    check_bus(lines);
    zv_check_tablets(paths, lines);
    zv_check_uinput(paths, lines);
    check_display(lines);
    zv_check_settings(paths, lines);
    fputs(zv_check_text(lines).c_str(), stdout);
    return zv_check_status(lines);
}
