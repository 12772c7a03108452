#include "CfgDocument.h"

#include "CfgFile.h"
#include "CfgNarrow.h"
#include "CfgStore.h"
#include "DescJson.h"
#include "UserJson.h"

#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace zvcfg {
namespace {

struct KindName {
    FileKind kind;
    const char* name;
};

const KindName kKinds[] = {
    {FileKind::Tablet, "tablet.cfg"},
    {FileKind::Pen, "pen.cfg"},
    {FileKind::TabletLayout, "layout_tablet.cfg"},
    {FileKind::PenLayout, "layout_pen.cfg"},
    {FileKind::UserTemplates, "user.cfg"},
    {FileKind::UserConfig, "user-config"},
    {FileKind::Profile, "profile"},
};

const char* kind_name(FileKind k) {
    for (const KindName& n : kKinds) {
        if (n.kind == k)
            return n.name;
    }
    return "?";
}

zvcs::CfgKind cfg_kind(FileKind k) {
    switch (k) {
    case FileKind::Tablet:
        return zvcs::CfgKind::Tablet;
    case FileKind::Pen:
        return zvcs::CfgKind::Pen;
    case FileKind::TabletLayout:
        return zvcs::CfgKind::TabletLayout;
    case FileKind::PenLayout:
        return zvcs::CfgKind::PenLayout;
    default:
        return zvcs::CfgKind::UserTemplate;
    }
}

Json::Value record_json(FileKind k, const void* rec) {
    switch (k) {
    case FileKind::Tablet:
        return zvj::tablet_to_json(*static_cast<const ZvTabletCfg*>(rec));
    case FileKind::Pen:
        return zvj::pen_to_json(*static_cast<const ZvPenCfg*>(rec));
    case FileKind::TabletLayout:
        return zvj::tablet_layout_to_json(*static_cast<const ZvLayoutTablet*>(rec));
    case FileKind::PenLayout:
        return zvj::pen_layout_to_json(*static_cast<const ZvLayoutPen*>(rec));
    default:
        return zvj::user_cfg_to_json(*static_cast<const ZvUserCfg*>(rec));
    }
}

bool read_head(const std::string& path, ZvCfgFileHead& head, std::string& error) {
    zvcs::CfgFileHandle f = zvcs::open_read(path.c_str());
    if (!f) {
        error = path + ": cannot be opened";
        return false;
    }
    if (!zvcs::read_whole(f.get(), &head, sizeof head)) {
        error = path + ": shorter than the file header";
        return false;
    }
    return true;
}

Json::Value head_json(const ZvCfgFileHead& h) {
    Json::Value j(Json::objectValue);
    j["size"] = h.size;
    j["len"] = h.len;
    j["ver"] = h.ver;
    return j;
}

bool print_list(const std::string& path, FileKind kind, Json::Value& doc, std::string& error) {
    ZvCfgFileHead head;
    if (!read_head(path, head, error))
        return false;
    const zvcs::CfgKind ck = cfg_kind(kind);
    const size_t len = zvcs::cfg_kind_info(ck).recordLen;
    const th_i32 count = zvcs::read_list_file(ck, path.c_str(), nullptr, 0);
    if (count < 0) {
        error = path + ": cannot be read";
        return false;
    }
    std::vector<th_u8> recs(size_t(count) * len);
    const th_i32 got = zvcs::read_list_file(ck, path.c_str(), recs.data(), th_u32(count));
    // Version-1 tablet files hold 8-bit model strings; everything else is stored wide.
    const bool wide = !(kind == FileKind::Tablet && head.ver == ZV_CFG_VER_1);
    Json::Value records(Json::arrayValue);
    for (th_i32 i = 0; i < got; ++i) {
        th_u8* rec = recs.data() + size_t(i) * len;
        if (wide)
            zvcs::struct_utf16_to_utf8(rec, len);
        records.append(record_json(kind, rec));
    }
    doc["head"] = head_json(head);
    doc["records"] = records;
    return true;
}

bool print_user_config(const std::string& path, FileKind kind, Json::Value& doc,
                       std::string& error) {
    std::unique_ptr<ZvUserConfig> cfg(new ZvUserConfig());
    if (kind == FileKind::Profile) {
        std::ifstream in(path, std::ios::binary);
        in.read(reinterpret_cast<char*>(cfg.get()), sizeof *cfg);
        if (!in || in.gcount() != std::streamsize(sizeof *cfg)) {
            error = path + ": not a whole exported profile";
            return false;
        }
    } else {
        ZvCfgFileHead head;
        if (!read_head(path, head, error))
            return false;
        if (zvcs::read_a_user_config_from_file(path.c_str(), cfg.get()) != zvcs::CS_OK) {
            error = path + ": cannot be read";
            return false;
        }
        doc["head"] = head_json(head);
    }
    doc["config"] = zvj::user_config_to_json(*cfg);
    return true;
}

} // namespace

bool kind_from_name(const std::string& name, FileKind& kind) {
    for (const KindName& n : kKinds) {
        if (name == n.name) {
            kind = n.kind;
            return true;
        }
    }
    return false;
}

bool guess_kind(const std::string& path, FileKind& kind, std::string& error) {
    const size_t slash = path.rfind('/');
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    if (kind_from_name(base, kind) && kind != FileKind::UserConfig && kind != FileKind::Profile)
        return true;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        error = path + ": cannot be opened";
        return false;
    }
    kind = size_t(st.st_size) == sizeof(ZvUserConfig) ? FileKind::Profile : FileKind::UserConfig;
    return true;
}

bool print_document(const std::string& path, FileKind kind, Json::Value& doc, std::string& error) {
    doc = Json::Value(Json::objectValue);
    doc["file"] = kind_name(kind);
    if (kind == FileKind::UserConfig || kind == FileKind::Profile)
        return print_user_config(path, kind, doc, error);
    return print_list(path, kind, doc, error);
}

bool write_document(const Json::Value& doc, const std::string& out, std::string& error) {
    FileKind kind;
    if (!doc.isObject() || !doc["file"].isString() ||
        !kind_from_name(doc["file"].asString(), kind) ||
        (kind != FileKind::UserConfig && kind != FileKind::Profile)) {
        error = "file: only \"user-config\" and \"profile\" documents can be written";
        return false;
    }
    std::unique_ptr<ZvUserConfig> cfg(new ZvUserConfig());
    try {
        if (!doc.isMember("config"))
            zvj::fail("config", "missing");
        zvj::user_config_from_json(doc["config"], "config", *cfg);
    } catch (const zvj::JsonError& e) {
        error = e.what();
        return false;
    }
    if (kind == FileKind::UserConfig) {
        if (zvcs::write_user_config_file(out.c_str(), cfg.get()) != zvcs::CS_OK) {
            error = out + ": cannot be written";
            return false;
        }
        return true;
    }
    std::ofstream f(out, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(cfg.get()), sizeof *cfg);
    f.close();
    if (!f) {
        error = out + ": cannot be written";
        return false;
    }
    return true;
}

} // namespace zvcfg
