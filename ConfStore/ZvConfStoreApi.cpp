// The exported face of libconfstore: argument checks and result codes over the store's logic.
#include "CfgStore.h"
#include "ZvConfStore.h"

using zvcs::CfgKind;

namespace {

th_i32 lookup(CfgKind kind, const char* sModel, void* p) {
    if (sModel == nullptr || p == nullptr)
        return ZVDC_BAD_ARG;
    return zvcs::read_a_config(kind, sModel, p);
}

th_i32 checked_write_list(CfgKind kind, const void* p, th_u32 size) {
    if (p == nullptr && size != 0)
        return ZVDC_BAD_ARG;
    return zvcs::write_list(kind, p, size);
}

} // namespace

extern "C" {

ZV_EXPORT void zvdc_set_cfg_path(const char* sDefaultPath, const char* sEditPath) {
    zvcs::set_cfg_path(sDefaultPath, sEditPath);
}

ZV_EXPORT th_i32 zvdc_read_a_tablet_config(const char* sModel, ZvTabletCfg* p) {
    return lookup(CfgKind::Tablet, sModel, p);
}

ZV_EXPORT th_i32 zvdc_read_a_pen_config(const char* sModel, ZvPenCfg* p) {
    return lookup(CfgKind::Pen, sModel, p);
}

ZV_EXPORT th_i32 zvdc_read_a_tablet_layout(const char* sModel, ZvLayoutTablet* p) {
    return lookup(CfgKind::TabletLayout, sModel, p);
}

ZV_EXPORT th_i32 zvdc_read_a_pen_layout(const char* sModel, ZvLayoutPen* p) {
    return lookup(CfgKind::PenLayout, sModel, p);
}

ZV_EXPORT th_i32 zvdc_read_a_user_config(const char* sModel, ZvUserConfig* p) {
    if (sModel == nullptr || p == nullptr)
        return ZVDC_BAD_ARG;
    return zvcs::read_a_user_config(sModel, p);
}

ZV_EXPORT th_i32 zvdc_write_a_user_config(const char* sModel, ZvUserConfig* p) {
    if (sModel == nullptr || p == nullptr)
        return ZVDC_BAD_ARG;
    return zvcs::write_a_user_config(sModel, p);
}

ZV_EXPORT th_i32 zvdc_read_a_user_config_from_file(const char* sModelPath, ZvUserConfig* p) {
    if (sModelPath == nullptr || p == nullptr)
        return ZVDC_BAD_ARG;
    return zvcs::read_a_user_config_from_file(sModelPath, p);
}

ZV_EXPORT th_i32 zvdc_read_tablet_config(ZvTabletCfg* p, th_u32 size) {
    return zvcs::read_list(CfgKind::Tablet, p, size);
}

ZV_EXPORT th_i32 zvdc_read_pen_config(ZvPenCfg* p, th_u32 size) {
    return zvcs::read_list(CfgKind::Pen, p, size);
}

ZV_EXPORT th_i32 zvdc_read_tablet_layout(ZvLayoutTablet* p, th_u32 size) {
    return zvcs::read_list(CfgKind::TabletLayout, p, size);
}

ZV_EXPORT th_i32 zvdc_read_pen_layout(ZvLayoutPen* p, th_u32 size) {
    return zvcs::read_list(CfgKind::PenLayout, p, size);
}

ZV_EXPORT th_i32 zvdc_read_user_config(ZvUserCfg* p, th_u32 size) {
    return zvcs::read_list(CfgKind::UserTemplate, p, size);
}

ZV_EXPORT th_i32 zvdc_write_tablet_config(ZvTabletCfg* p, th_u32 size) {
    return checked_write_list(CfgKind::Tablet, p, size);
}

ZV_EXPORT th_i32 zvdc_write_pen_config(ZvPenCfg* p, th_u32 size) {
    return checked_write_list(CfgKind::Pen, p, size);
}

ZV_EXPORT th_i32 zvdc_write_tablet_layout(ZvLayoutTablet* p, th_u32 size) {
    return checked_write_list(CfgKind::TabletLayout, p, size);
}

ZV_EXPORT th_i32 zvdc_write_pen_layout(ZvLayoutPen* p, th_u32 size) {
    return checked_write_list(CfgKind::PenLayout, p, size);
}

ZV_EXPORT th_i32 zvdc_write_user_config(ZvUserCfg* p, th_u32 size) {
    return checked_write_list(CfgKind::UserTemplate, p, size);
}

} // extern "C"
