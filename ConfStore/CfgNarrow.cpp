#include "CfgNarrow.h"

#include "ZvStruct.h"

#include <stddef.h>
#include <string.h>

namespace zvcs {
namespace {

struct Field {
    size_t offset;
    size_t size;
};

// The model-string fields of each record, chosen by record length as the files are read.
size_t model_fields(size_t len, Field (&out)[3]) {
    switch (len) {
    case sizeof(ZvPenCfg):
        out[0] = {offsetof(ZvPenCfg, sModel), ZV_MODEL_LEN};
        return 1;
    case sizeof(ZvLayoutPen):
        out[0] = {offsetof(ZvLayoutPen, sModel), ZV_MODEL_LEN};
        return 1;
    case sizeof(ZvLayoutTablet):
        out[0] = {offsetof(ZvLayoutTablet, sModel), ZV_MODEL_LEN};
        return 1;
    case sizeof(ZvTabletCfg):
        out[0] = {offsetof(ZvTabletCfg, sModel), sizeof(ZvTabletCfg::sModel)};
        out[1] = {offsetof(ZvTabletCfg, sFullModel), sizeof(ZvTabletCfg::sFullModel)};
        out[2] = {offsetof(ZvTabletCfg, sPenModel), sizeof(ZvTabletCfg::sPenModel)};
        return 3;
    case sizeof(ZvUserCfg):
        out[0] = {offsetof(ZvUserCfg, sModel), ZV_MODEL_LEN};
        return 1;
    default:
        return 0;
    }
}

enum : size_t { MAX_FIELD = 256 };

} // namespace

void str_utf16_to_utf8(th_char* field, size_t n) {
    if (n > MAX_FIELD)
        n = MAX_FIELD;
    char narrow[MAX_FIELD / 2];
    size_t count = 0;
    for (size_t i = 0; i + 1 < n; i += 2) {
        const char low = field[i];
        if (low == 0 && field[i + 1] == 0)
            break;
        narrow[count++] = low;
    }
    memset(field, 0, n);
    memcpy(field, narrow, count);
}

void struct_utf16_to_utf8(void* rec, size_t len) {
    Field fields[3];
    const size_t n = model_fields(len, fields);
    for (size_t i = 0; i < n; ++i)
        str_utf16_to_utf8(static_cast<th_char*>(rec) + fields[i].offset, fields[i].size);
}

bool str_utf8_to_utf16(th_char* field, size_t n) {
    if (n > MAX_FIELD)
        return false;
    const size_t len = strnlen(field, n);
    if (len * 2 > n)
        return false;
    char wide[MAX_FIELD] = {};
    for (size_t i = 0; i < len; ++i)
        wide[2 * i] = field[i];
    memcpy(field, wide, n);
    return true;
}

bool struct_utf8_to_utf16(void* rec, size_t len) {
    Field fields[3];
    const size_t n = model_fields(len, fields);
    for (size_t i = 0; i < n; ++i) {
        if (!str_utf8_to_utf16(static_cast<th_char*>(rec) + fields[i].offset, fields[i].size))
            return false;
    }
    return true;
}

} // namespace zvcs
