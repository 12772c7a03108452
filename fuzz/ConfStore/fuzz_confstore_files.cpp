// The store's readers over whatever bytes a configuration file may hold: the first byte picks the
// file, the rest is its content. Every lookup, list read and per-model read must stay inside the
// caller's records.
#include "CfgStore.h"
#include "ZvLog.h"

#include <memory>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string g_dir;

void silent(int, const char*, va_list) {}

void put(const std::string& path, const uint8_t* data, size_t size) {
    if (FILE* f = fopen(path.c_str(), "wb")) {
        if (size > 0)
            (void)fwrite(data, 1, size, f);
        (void)fclose(f);
    }
}

// Each input's file is removed after the run; only the two folders are left at exit.
void remove_dirs() {
    (void)rmdir((g_dir + "/res").c_str());
    (void)rmdir(g_dir.c_str());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char tmpl[] = "/tmp/zvcs-fuzz-XXXXXX";
    if (mkdtemp(tmpl) == nullptr)
        abort();
    g_dir = tmpl;
    mkdir((g_dir + "/res").c_str(), 0755);
    zv_set_log_handler(&silent);
    zvcs::set_cfg_path(g_dir.c_str(), g_dir.c_str());
    atexit(remove_dirs);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    static const char* const files[] = {"tablet.cfg",     "pen.cfg",  "layout_tablet.cfg",
                                        "layout_pen.cfg", "user.cfg", "ZVM1060SLD.cfg"};
    const size_t which = data[0] % 6;
    const std::string path = g_dir + "/res/" + files[which];
    put(path, data + 1, size - 1);

    std::unique_ptr<ZvUserConfig> cfg(new ZvUserConfig());
    switch (which) {
    case 0: {
        ZvTabletCfg t[4];
        (void)zvcs::read_a_config(zvcs::CfgKind::Tablet, "ZVM1060SLD", t);
        (void)zvcs::read_list(zvcs::CfgKind::Tablet, nullptr, 0);
        (void)zvcs::read_list(zvcs::CfgKind::Tablet, t, 4);
        break;
    }
    case 1: {
        ZvPenCfg p[4];
        (void)zvcs::read_a_config(zvcs::CfgKind::Pen, "ZVP-P02", p);
        (void)zvcs::read_list(zvcs::CfgKind::Pen, p, 4);
        break;
    }
    case 2: {
        std::unique_ptr<ZvLayoutTablet[]> l(new ZvLayoutTablet[2]);
        (void)zvcs::read_a_config(zvcs::CfgKind::TabletLayout, "ZVM1060SLD", l.get());
        (void)zvcs::read_list(zvcs::CfgKind::TabletLayout, l.get(), 2);
        break;
    }
    case 3: {
        ZvLayoutPen l[4];
        (void)zvcs::read_a_config(zvcs::CfgKind::PenLayout, "ZVP-P02", l);
        (void)zvcs::read_list(zvcs::CfgKind::PenLayout, l, 4);
        break;
    }
    case 4: {
        (void)zvcs::read_a_user_config("ZVM0000000", cfg.get());
        (void)zvcs::read_list(zvcs::CfgKind::UserTemplate, nullptr, 0);
        std::unique_ptr<ZvUserCfg[]> u(new ZvUserCfg[2]);
        (void)zvcs::read_list(zvcs::CfgKind::UserTemplate, u.get(), 2);
        // The inspector's reader of a file given by its path.
        (void)zvcs::read_list_file(zvcs::CfgKind::UserTemplate, path.c_str(), u.get(), 2);
        break;
    }
    default:
        (void)zvcs::read_a_user_config("ZVM1060SLD", cfg.get());
        (void)zvcs::read_a_user_config_from_file(path.c_str(), cfg.get());
        break;
    }
    (void)remove(path.c_str());
    return 0;
}
