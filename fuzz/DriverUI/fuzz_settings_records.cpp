// Records as the core's connection sends them to the settings application, from the
// demarshalled byte array on: the copy into a whole record, the checks of the processing thread,
// and the logic center's handler on a device list that carries over from input to input (so that
// lists and descriptions meet each other). The logic center's own adapter has no bus here; the
// requests its handlers make wait in its bounded queue.
#include "LogicCenter.h"
#include "UIThreads.h"
#include "ZvCoreRecord.h"
#include "ZvDBusMsg.h"

#include <QByteArray>

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

namespace {

// Checks an invariant; a violation is a finding like a crash.
void require(bool ok) {
    if (!ok)
        __builtin_trap();
}

LogicCenter* logic() {
    static LogicCenter* center = new LogicCenter();
    return center;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // No session bus, and none started on demand.
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/zv-fuzz-bus", 1);
    unsetenv("DISPLAY");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ZvMsg msg;
    zv_msg_from_bytes(QByteArray(reinterpret_cast<const char*>(data), int(size)), &msg);
    if (!zvui::checkCoreRecord(&msg))
        return 0;
    DisPatchMsg(logic(), msg);
    TabletManager* devices = logic()->GetTabletManager();
    require(devices->Count() <= zvui::kMaxTablets);
    for (int i = 0; i < devices->Count(); ++i)
        require(!zvui::modelOf(devices->At(i)->cfg().sModel).isEmpty());
    require(devices->Count() == 0 ? devices->GetCurrentDevIdx() == -1
                                  : devices->GetCurrentTablet() != nullptr);
    return 0;
}
