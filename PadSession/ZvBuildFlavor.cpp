#include "ZvBuildFlavor.h"

#ifndef ZVPS_WITH_BLUETOOTH
#error "ZVPS_WITH_BLUETOOTH must be 0 or 1"
#endif

bool zvps_with_bluetooth() {
    return ZVPS_WITH_BLUETOOTH != 0;
}
