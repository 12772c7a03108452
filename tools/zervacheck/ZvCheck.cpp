#include "ZvCheck.h"

#include "ZvStruct.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

namespace {

constexpr char kVendor[] = "7d3a";
constexpr char kRulesTodo[] =
    "the package's udev rules (/lib/udev/rules.d/70-zerva.rules) give the user at the seat "
    "access: log in at the machine itself, then unplug and plug the tablet";

std::string read_line(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

std::vector<std::string> entries(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (const dirent* e = readdir(d))
            if (e->d_name[0] != '.')
                names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Empty when this process can open path for flags, else the reason.
std::string open_error(const std::string& path, int flags) {
    const int fd = open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return strerror(errno);
    close(fd);
    return std::string();
}

// The HID id of a hidraw node's device, "0003:00007D3A:00000640": bus, vendor, product.
bool hid_vendor_is_ours(const std::string& ueventPath) {
    std::ifstream in(ueventPath);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("HID_ID=", 0) != 0)
            continue;
        std::string id = line.substr(7);
        std::transform(id.begin(), id.end(), id.begin(), ::tolower);
        return id.size() >= 13 && id.compare(5, 8, std::string("0000") + kVendor) == 0;
    }
    return false;
}

} // namespace

void zv_check_add(std::vector<ZvCheckLine>& out, ZvCheckLine::Level level, std::string what,
                  std::string todo) {
    out.push_back({level, std::move(what), std::move(todo)});
}

void zv_check_core(const ZvCheckPaths& p, std::vector<ZvCheckLine>& out) {
    for (const std::string& path : p.pidFiles) {
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct flock lk = {};
        lk.l_type = F_WRLCK;
        lk.l_whence = SEEK_SET;
        const bool held = fcntl(fd, F_GETLK, &lk) == 0 && lk.l_type != F_UNLCK;
        close(fd);
        if (held) {
            zv_check_add(out, ZvCheckLine::Ok,
                         "core: running (pid " + std::to_string(lk.l_pid) + ", " + path + ")");
            return;
        }
    }
    std::string where;
    for (const std::string& path : p.pidFiles)
        where += (where.empty() ? "" : ", ") + path;
    zv_check_add(
        out, ZvCheckLine::Fail, "core: not running (no locked pid file: " + where + ")",
        "start it with: systemctl --user start zerva-core; why it stopped: journalctl --user -u "
        "zerva-core");
}

void zv_check_tablets(const ZvCheckPaths& p, std::vector<ZvCheckLine>& out) {
    const std::string usb = p.sys + "/bus/usb/devices/";
    int found = 0;
    for (const std::string& name : entries(usb)) {
        const std::string dir = usb + name + "/";
        if (read_line(dir + "idVendor") != kVendor)
            continue;
        ++found;
        char node[64];
        snprintf(node, sizeof node, "/bus/usb/%03d/%03d", atoi(read_line(dir + "busnum").c_str()),
                 atoi(read_line(dir + "devnum").c_str()));
        std::string product = read_line(dir + "product");
        const std::string what =
            std::string("tablet ") + kVendor + ":" + read_line(dir + "idProduct") +
            (product.empty() ? "" : " \"" + product + "\"") + " at " + p.dev + node;
        const std::string why = open_error(p.dev + node, O_RDWR);
        if (why.empty())
            zv_check_add(out, ZvCheckLine::Ok, what + ": this user can open it");
        else
            zv_check_add(out, ZvCheckLine::Fail, what + ": cannot open it (" + why + ")",
                         kRulesTodo);
    }
    if (found == 0)
        zv_check_add(out, ZvCheckLine::Warn,
                     "tablets: none of vendor " + std::string(kVendor) + " on the USB bus",
                     "plug the tablet in with a data cable; a Bluetooth tablet is not listed here");
    const std::string hidraw = p.sys + "/class/hidraw/";
    for (const std::string& name : entries(hidraw)) {
        if (!hid_vendor_is_ours(hidraw + name + "/device/uevent"))
            continue;
        const std::string why = open_error(p.dev + "/" + name, O_RDWR);
        if (why.empty())
            zv_check_add(out, ZvCheckLine::Ok, p.dev + "/" + name + ": this user can open it");
        else
            zv_check_add(out, ZvCheckLine::Fail,
                         p.dev + "/" + name + ": cannot open it (" + why + ")", kRulesTodo);
    }
}

void zv_check_uinput(const ZvCheckPaths& p, std::vector<ZvCheckLine>& out) {
    const std::string node = p.dev + "/uinput";
    struct stat st;
    if (stat(node.c_str(), &st) != 0) {
        zv_check_add(out, ZvCheckLine::Fail, node + ": missing",
                     "load the module: sudo modprobe uinput (the package loads it at boot)");
        return;
    }
    const std::string why = open_error(node, O_WRONLY);
    if (why.empty())
        zv_check_add(out, ZvCheckLine::Ok, node + ": this user can write it");
    else
        zv_check_add(out, ZvCheckLine::Fail, node + ": cannot write it (" + why + ")", kRulesTodo);
}

void zv_check_settings(const ZvCheckPaths& p, std::vector<ZvCheckLine>& out) {
    struct Desc {
        const char* name;
        size_t record;
        size_t older; // a record of the first file version, or 0
    };
    static const Desc kDescs[] = {
        {"tablet.cfg", sizeof(ZvTabletCfg), ZV_TABLET_CFG_V1_SIZE},
        {"pen.cfg", sizeof(ZvPenCfg), 0},
        {"layout_tablet.cfg", sizeof(ZvLayoutTablet), 0},
        {"layout_pen.cfg", sizeof(ZvLayoutPen), 0},
        {"user.cfg", sizeof(ZvUserCfg), 0},
    };
    const std::string res = p.programDir + "/res/";
    for (const Desc& d : kDescs) {
        struct stat st;
        const std::string path = res + d.name;
        if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            zv_check_add(out, ZvCheckLine::Fail, path + ": missing", "reinstall the package");
            continue;
        }
        // A header, then whole records of the length the header states.
        ZvCfgFileHead head = {};
        std::ifstream in(path, std::ios::binary);
        const bool headed = static_cast<bool>(in.read(reinterpret_cast<char*>(&head), sizeof head));
        const size_t len = d.older != 0 && head.ver == ZV_CFG_VER_1 ? d.older : d.record;
        const size_t body = static_cast<size_t>(st.st_size) - sizeof head;
        if (headed && head.len == d.record && body > 0 && body % len == 0)
            zv_check_add(out, ZvCheckLine::Ok,
                         path + ": whole (" + std::to_string(body / len) + " records)");
        else
            zv_check_add(out, ZvCheckLine::Fail,
                         path + ": " + std::to_string(st.st_size) +
                             " bytes, not a header and whole records of " + std::to_string(len),
                         "reinstall the package");
    }
    if (p.settingsDir.empty()) {
        zv_check_add(out, ZvCheckLine::Fail, "settings: no folder for this user's settings",
                     "set HOME or XDG_CONFIG_HOME, or ZERVA_SETTINGS_DIR for both programs");
        return;
    }
    const std::string mine = p.settingsDir + "/res/";
    if (access(mine.c_str(), W_OK) != 0) {
        zv_check_add(out, ZvCheckLine::Fail,
                     "settings: " + mine + " is not writable (" + strerror(errno) + ")",
                     "give it back to this user: sudo chown -R $USER " + p.settingsDir);
        return;
    }
    zv_check_add(out, ZvCheckLine::Ok, "settings: " + mine);
    for (const std::string& name : entries(mine)) {
        const bool desc = std::any_of(std::begin(kDescs), std::end(kDescs),
                                      [&](const Desc& d) { return name == d.name; });
        if (desc || name.size() < 5 || name.compare(name.size() - 4, 4, ".cfg") != 0)
            continue;
        const std::string path = mine + name;
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            zv_check_add(out, ZvCheckLine::Fail,
                         path + ": not a plain file; it is never read or written",
                         "remove it: the tablet's settings start again from the defaults");
            continue;
        }
        // A short file reads as far as it goes and leaves the rest to chance: only a header and
        // a whole record of either version is whole.
        const size_t size = static_cast<size_t>(st.st_size) - sizeof(ZvCfgFileHead);
        if (size == sizeof(ZvUserConfig) || size == sizeof(ZvUserConfigV1))
            zv_check_add(out, ZvCheckLine::Ok, path + ": whole");
        else
            zv_check_add(
                out, ZvCheckLine::Fail,
                path + ": " + std::to_string(st.st_size) + " bytes, not a settings file of " +
                    std::to_string(sizeof(ZvCfgFileHead) + sizeof(ZvUserConfig)),
                "restore the defaults on the settings application's Backup page, or import a "
                "saved copy there");
    }
}

std::string zv_check_text(const std::vector<ZvCheckLine>& lines) {
    std::string text;
    for (const ZvCheckLine& l : lines) {
        text += l.level == ZvCheckLine::Ok     ? "ok    "
                : l.level == ZvCheckLine::Warn ? "warn  "
                                               : "FAIL  ";
        text += l.what + "\n";
        if (!l.todo.empty())
            text += "      -> " + l.todo + "\n";
    }
    return text;
}

int zv_check_status(const std::vector<ZvCheckLine>& lines) {
    return std::any_of(lines.begin(), lines.end(),
                       [](const ZvCheckLine& l) { return l.level == ZvCheckLine::Fail; })
               ? 1
               : 0;
}
