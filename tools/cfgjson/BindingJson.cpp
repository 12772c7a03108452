#include "BindingJson.h"

#include "KeyNames.h"

#include <string.h>

namespace zvj {
namespace {

const char* const kMods[] = {"Ctrl", "Alt", "Shift", "Super"};

constexpr th_u32 kKbtnFuncs = ZVEF_KBTN | ZVEF_MOVE_ROLL;

// The readable parameter of an assignment, chosen by its action bits.
void param_to_json(const ZvEkey& e, Json::Value& j) {
    if (e.funcBit & kKbtnFuncs) {
        const ZvKbtn& k = e.kbtn;
        const th_u8* flags[] = {&k.bCtrl, &k.bAlt, &k.bShift, &k.bWin};
        Json::Value mods(Json::arrayValue);
        for (size_t i = 0; i < 4; ++i) {
            if (*flags[i])
                mods.append(kMods[i]);
        }
        if (!mods.empty())
            j["mods"] = mods;
        Json::Value keys(Json::arrayValue);
        for (size_t i = 0; i < k.len && i < 16; ++i)
            keys.append(key_name(k.kbKeys[i].code));
        j["keys"] = keys;
    } else if (e.funcBit & ZVEF_EXEC) {
        j["cmd"] = text_out(e.cmdPath, sizeof e.cmdPath);
    } else if (e.funcBit & ZVEF_SWITCH_MEK_FUNC) {
        j["mek"] = e.mekIndex;
    } else if (e.funcBit & ZVEF_RRIVATE_CMD) {
        j["system"] = system_cmd_name(e.privateCmd);
    } else if (e.funcBit & ZVEF_MAC_MMK_CODE) {
        j["media"] = e.macMMKCode;
    }
}

// Fills the parameter union of e (zeroed first) from the readable members.
void param_from_json(ObjIn& o, ZvEkey& e) {
    memset(e.cmdPath, 0, sizeof e.cmdPath);
    if (const Json::Value* mods = o.get("mods")) {
        const std::string path = o.at("mods");
        read_array(*mods, path, 4);
        th_u8* flags[] = {&e.kbtn.bCtrl, &e.kbtn.bAlt, &e.kbtn.bShift, &e.kbtn.bWin};
        for (Json::ArrayIndex i = 0; i < mods->size(); ++i) {
            const Json::Value& m = (*mods)[i];
            size_t which = 4;
            for (size_t k = 0; k < 4 && m.isString(); ++k) {
                if (m.asString() == kMods[k])
                    which = k;
            }
            if (which == 4)
                fail(index_path(path, i), "unknown modifier (Ctrl, Alt, Shift, Super)");
            *flags[which] = 1;
        }
    }
    if (const Json::Value* keys = o.get("keys")) {
        const std::string path = o.at("keys");
        read_array(*keys, path, 16);
        for (Json::ArrayIndex i = 0; i < keys->size(); ++i) {
            const Json::Value& k = (*keys)[i];
            if (!k.isString() || !key_code(k.asString(), e.kbtn.kbKeys[i].code))
                fail(index_path(path, i), "unknown key name " + k.toStyledString());
        }
        e.kbtn.len = th_u8(keys->size());
    }
    o.text("cmd", e.cmdPath, sizeof e.cmdPath);
    if (const Json::Value* mek = o.get("mek"))
        e.mekIndex = th_u8(read_uint(*mek, o.at("mek"), 0, ZV_MAX_MEK - 1));
    if (const Json::Value* sys = o.get("system")) {
        if (!sys->isString() || !system_cmd(sys->asString(), e.privateCmd))
            fail(o.at("system"), "unknown system command (shutdown, sleep, lock-screen)");
    }
    o.u16("media", e.macMMKCode);
    if (const Json::Value* raw = o.get("param"))
        read_hex(*raw, o.at("param"), e.cmdPath, sizeof e.cmdPath);
}

} // namespace

Json::Value ekey_to_json(const ZvEkey& e) {
    Json::Value j(Json::objectValue);
    if (!all_zero(e.name, sizeof e.name))
        j["name"] = text_out(e.name, sizeof e.name);
    if (e.funcBit != 0) {
        Json::Value funcs(Json::arrayValue);
        for (unsigned b = 0; b < 32; ++b) {
            if (e.funcBit & (1u << b))
                funcs.append(func_name(b));
        }
        j["func"] = funcs;
    }
    if (e.funcEvtBit != 0)
        j["evt"] = Json::UInt64(e.funcEvtBit);
    param_to_json(e, j);

    // Whatever the readable members do not reproduce goes along as raw bytes.
    ZvEkey back = e;
    ObjIn o(j, "");
    param_from_json(o, back);
    if (memcmp(back.cmdPath, e.cmdPath, sizeof e.cmdPath) != 0)
        j["param"] = hex_out(e.cmdPath, sizeof e.cmdPath);
    return j;
}

void ekey_from_json(const Json::Value& v, const std::string& path, ZvEkey& out) {
    ObjIn o(v, path);
    ZvEkey e{};
    o.text("name", e.name, sizeof e.name);
    if (const Json::Value* funcs = o.get("func")) {
        const std::string fpath = o.at("func");
        read_array(*funcs, fpath, 32);
        for (Json::ArrayIndex i = 0; i < funcs->size(); ++i) {
            unsigned bit = 0;
            const Json::Value& f = (*funcs)[i];
            if (!f.isString() || !func_bit(f.asString(), bit))
                fail(index_path(fpath, i), "unknown function " + f.toStyledString());
            e.funcBit |= 1u << bit;
        }
    }
    // The event word is only 4-aligned in the record: read it through a local.
    th_u64 evt = 0;
    o.u64("evt", evt);
    e.funcEvtBit = evt;
    param_from_json(o, e);
    o.finish();
    out = e;
}

Json::Value ekeys_to_json(const ZvEkey* keys, size_t n) {
    while (n > 0 && all_zero(&keys[n - 1], sizeof keys[n - 1]))
        --n;
    Json::Value a(Json::arrayValue);
    for (size_t i = 0; i < n; ++i)
        a.append(ekey_to_json(keys[i]));
    return a;
}

void ekeys_from_json(const Json::Value& v, const std::string& path, ZvEkey* keys, size_t n) {
    read_array(v, path, n);
    for (size_t i = 0; i < n; ++i)
        keys[i] = ZvEkey{};
    for (Json::ArrayIndex i = 0; i < v.size(); ++i)
        ekey_from_json(v[i], index_path(path, i), keys[i]);
}

} // namespace zvj
