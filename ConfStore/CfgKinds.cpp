#include "CfgStore.h"

#include <stddef.h>

namespace zvcs {

const CfgKindInfo& cfg_kind_info(CfgKind kind) {
    static const CfgKindInfo kinds[] = {
        {"tablet.cfg", sizeof(ZvTabletCfg), "ZvTabletCfg", offsetof(ZvTabletCfg, sModel)},
        {"pen.cfg", sizeof(ZvPenCfg), "ZvPenCfg", offsetof(ZvPenCfg, sModel)},
        {"layout_tablet.cfg", sizeof(ZvLayoutTablet), "ZvLayoutTablet",
         offsetof(ZvLayoutTablet, sModel)},
        {"layout_pen.cfg", sizeof(ZvLayoutPen), "ZvLayoutPen", offsetof(ZvLayoutPen, sModel)},
        {"user.cfg", sizeof(ZvUserCfg), "ZvUserCfg", offsetof(ZvUserCfg, sModel)},
    };
    return kinds[static_cast<int>(kind)];
}

} // namespace zvcs
