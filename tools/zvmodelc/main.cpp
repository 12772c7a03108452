// zvmodelc: compiles the model database (data/models/*.json) into the description files and
// user.cfg of the installation image, and the models' quirk lists into C++.
//
//   zvmodelc --dist <dist dir> --gen <source dir> <model.json>...
//
// Any mistake in a model file stops the build with the file and the field.
#include "CfgNarrow.h"
#include "CfgStore.h"
#include "ModelFile.h"
#include "QuirkSource.h"
#include "ZvLog.h"

#include <algorithm>
#include <errno.h>
#include <fstream>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <vector>

namespace {

void quiet(int level, const char* format, va_list args) {
    if (level <= ZV_LL_WARN) {
        vfprintf(stderr, format, args);
        fputc('\n', stderr);
    }
}

bool make_dir(const std::string& dir) {
    if (mkdir(dir.c_str(), 0755) == 0 || errno == EEXIST)
        return true;
    fprintf(stderr, "zvmodelc: cannot create %s: %s\n", dir.c_str(), strerror(errno));
    return false;
}

bool write_text(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        fprintf(stderr, "zvmodelc: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

// Widens the model strings (the files hold them as UTF-16LE) and writes one file.
template <class T> bool write_list(zvcs::CfgKind kind, std::vector<T> recs) {
    for (T& r : recs) {
        if (!zvcs::struct_utf8_to_utf16(&r, sizeof r)) {
            fprintf(stderr, "zvmodelc: a model string does not fit %s\n",
                    zvcs::cfg_kind_info(kind).file);
            return false;
        }
    }
    if (zvcs::write_list(kind, recs.data(), th_u32(recs.size())) != zvcs::CS_OK) {
        fprintf(stderr, "zvmodelc: writing %s failed\n", zvcs::cfg_kind_info(kind).file);
        return false;
    }
    return true;
}

int usage() {
    fprintf(stderr, "usage: zvmodelc --dist <dist dir> --gen <source dir> <model.json>...\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string dist;
    std::string gen;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "--dist" || a == "--gen") && i + 1 < argc)
            (a == "--dist" ? dist : gen) = argv[++i];
        else if (a.size() > 2 && a.compare(0, 2, "--") == 0)
            return usage();
        else
            files.push_back(a);
    }
    if (dist.empty() || gen.empty() || files.empty())
        return usage();
    zv_set_log_handler(&quiet);

    std::vector<std::unique_ptr<zvm::ModelEntry>> models;
    try {
        for (const std::string& f : files)
            models.push_back(zvm::load_model(f));
    } catch (const zvm::ModelError& e) {
        fprintf(stderr, "zvmodelc: %s\n", e.what());
        return 1;
    }
    std::sort(models.begin(), models.end(),
              [](const auto& a, const auto& b) { return a->model < b->model; });

    std::vector<ZvTabletCfg> tablets;
    std::vector<ZvLayoutTablet> layouts;
    std::vector<ZvPenCfg> pens;
    std::vector<ZvLayoutPen> penLayouts;
    std::vector<ZvUserCfg> templates;
    for (size_t i = 0; i < models.size(); ++i) {
        const zvm::ModelEntry& m = *models[i];
        if (i > 0 && models[i - 1]->model == m.model) {
            fprintf(stderr, "zvmodelc: %s: model: \"%s\" is also defined by %s\n", m.file.c_str(),
                    m.model.c_str(), models[i - 1]->file.c_str());
            return 1;
        }
        // The generic template comes first: a model's own template later in the file wins.
        if (m.generic)
            templates.insert(templates.begin(), m.user);
        else
            templates.push_back(m.user);
        if (m.generic)
            continue;
        tablets.push_back(m.tablet);
        layouts.push_back(m.layout);
        // Tablets share pens: one record per pen, and every tablet must describe it alike.
        auto same = std::find_if(pens.begin(), pens.end(), [&](const ZvPenCfg& p) {
            return strncmp(p.sModel, m.pen.sModel, ZV_MODEL_LEN) == 0;
        });
        if (same == pens.end()) {
            pens.push_back(m.pen);
            penLayouts.push_back(m.penLayout);
        } else if (memcmp(&*same, &m.pen, sizeof m.pen) != 0 ||
                   memcmp(&penLayouts[size_t(same - pens.begin())], &m.penLayout,
                          sizeof m.penLayout) != 0) {
            fprintf(stderr, "zvmodelc: %s: pen: \"%s\" is described differently elsewhere\n",
                    m.file.c_str(), m.pen.sModel);
            return 1;
        }
    }

    if (!make_dir(dist) || !make_dir(dist + "/res") || !make_dir(gen))
        return 1;
    zvcs::set_cfg_path(dist.c_str(), dist.c_str());
    const bool ok = write_list(zvcs::CfgKind::Tablet, tablets) &&
                    write_list(zvcs::CfgKind::Pen, pens) &&
                    write_list(zvcs::CfgKind::TabletLayout, layouts) &&
                    write_list(zvcs::CfgKind::PenLayout, penLayouts) &&
                    write_list(zvcs::CfgKind::UserTemplate, templates) &&
                    write_text(gen + "/ZvModelQuirks.h", zvm::quirk_header()) &&
                    write_text(gen + "/ZvModelQuirks.cpp", zvm::quirk_source(models));
    return ok ? 0 : 1;
}
