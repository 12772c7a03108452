#include "ZvCoreRecord.h"

#include <string.h>

namespace zvui {
namespace {

bool modelChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-';
}

void terminate(char* field, size_t size) {
    field[size - 1] = '\0';
}

// True when the model field of a record that names a tablet is acceptable.
bool hasModel(const char* field) {
    return !modelOf(field).isEmpty();
}

} // namespace

QString modelOf(const char* field) {
    const size_t len = strnlen(field, ZV_MODEL_LEN);
    if (len == 0 || len >= ZV_MODEL_LEN)
        return QString();
    for (size_t i = 0; i < len; ++i)
        if (!modelChar(field[i]))
            return QString();
    return QString::fromLatin1(field, int(len));
}

bool checkCoreRecord(ZvMsg* msg) {
    ZvMsgBody& b = msg->body;
    switch (msg->head.cmd) {
    case ZVMC_REPLY | ZVMC_UI_TABLET_NUM:
        if (b.tablets.num > kMaxTablets)
            b.tablets.num = kMaxTablets;
        // A listed model that is not acceptable is left out of the list, not taken as its end.
        for (int i = 0; i < kMaxTablets; ++i)
            if (!hasModel(b.tablets.model[i]))
                memset(b.tablets.model[i], 0, ZV_MODEL_LEN);
        return true;
    case ZVMC_REPLY | ZVMC_UI_TABLET_INFO: {
        ZvTabletCfg& tc = b.tc.tc;
        terminate(tc.sPenModel, sizeof tc.sPenModel);
        terminate(tc.sFullModel, sizeof tc.sFullModel);
        // The display name is UTF-16: its last unit is the terminator.
        tc.sName[sizeof tc.sName - 2] = '\0';
        tc.sName[sizeof tc.sName - 1] = '\0';
        // The pen model names a picture file as the model does; an unacceptable one is none.
        if (tc.sPenModel[0] != '\0' && !hasModel(tc.sPenModel))
            memset(tc.sPenModel, 0, sizeof tc.sPenModel);
        return hasModel(tc.sModel);
    }
    case ZVMC_CORE_SWITCH_MEK_FUNC:
        return hasModel(b.curMuxVal.sModel) && b.curMuxVal.appIdx <= ZV_MAX_APPS &&
               b.curMuxVal.mekIdx < ZV_MAX_MEK && b.curMuxVal.muxIdx < ZV_MAX_MUX;
    case ZVMC_CORE_TABLET_OPEN:
    case ZVMC_CORE_TABLET_CLOSE:
    case ZVMC_CORE_SHOW_EKEY_VALUE:
    case ZVMC_CORE_SWITCH_ABSOLUTEMODE:
        return hasModel(b.sModel);
    default:
        // The state answers name their tablet too, but their handlers only read the state.
        terminate(b.sModel, sizeof b.sModel);
        return true;
    }
}

ZvMsg makeRecord(th_u16 cmd) {
    ZvMsg m;
    memset(&m, 0, sizeof m);
    m.head.cmd = cmd;
    return m;
}

bool putModel(const QString& model, ZvMsg* msg) {
    const QByteArray bytes = model.toUtf8();
    if (bytes.size() >= ZV_MODEL_LEN)
        return false;
    memset(msg->body.sModel, 0, ZV_MODEL_LEN);
    memcpy(msg->body.sModel, bytes.constData(), size_t(bytes.size()));
    return true;
}

} // namespace zvui
