#include "UserJson.h"

#include "BindingJson.h"
#include "DescJson.h"

#include <string.h>

namespace zvj {
namespace {

struct ByteField {
    const char* name;
    th_u8 ZvAppUserCfg::*member;
};

const ByteField kProfileBytes[] = {
    {"bTilt", &ZvAppUserCfg::bTilt},
    {"bTHkey", &ZvAppUserCfg::bTHkey},
    {"bTouchScreen", &ZvAppUserCfg::bTouchScreen},
    {"bGame", &ZvAppUserCfg::bGame},
    {"bWinInk", &ZvAppUserCfg::bWinInk},
    {"bAbsoluteMode", &ZvAppUserCfg::bAbsoluteMode},
    {"bWintab", &ZvAppUserCfg::bWintab},
    {"bHek", &ZvAppUserCfg::bHek},
    {"bSek", &ZvAppUserCfg::bSek},
    {"bCtrlCursor", &ZvAppUserCfg::bCtrlCursor},
    {"fineModeLevel", &ZvAppUserCfg::fineModeLevel},
    {"mouseModeA", &ZvAppUserCfg::mouseModeA},
    {"moveRollLevel", &ZvAppUserCfg::moveRollLevel},
};

Json::Value ratio_to_json(const ZvRectRatio& r) {
    Json::Value j(Json::arrayValue);
    j.append(double(r.l));
    j.append(double(r.t));
    j.append(double(r.r));
    j.append(double(r.b));
    return j;
}

void ratio_from_json(const Json::Value& v, const std::string& path, ZvRectRatio& r) {
    if (!v.isArray() || v.size() != 4)
        fail(path, "expected [l, t, r, b] as fractions");
    th_f32* out[] = {&r.l, &r.t, &r.r, &r.b};
    for (Json::ArrayIndex i = 0; i < 4; ++i) {
        if (!v[i].isNumeric() || v[i].asDouble() < 0.0 || v[i].asDouble() > 1.0)
            fail(index_path(path, i), "expected a fraction from 0 to 1");
        *out[i] = th_f32(v[i].asDouble());
    }
}

Json::Value mek_to_json(const ZvMEkey& m) {
    Json::Value j(Json::objectValue);
    j["muxIndex"] = m.muxIndex;
    size_t n = ZV_MAX_MUX;
    while (n > 0 && all_zero(&m.mekEkeys[n - 1], sizeof m.mekEkeys[n - 1]))
        --n;
    Json::Value sets(Json::arrayValue);
    for (size_t i = 0; i < n; ++i)
        sets.append(ekeys_to_json(m.mekEkeys[i].eks, ZV_MEK_EKEYS));
    j["sets"] = sets;
    return j;
}

void mek_from_json(const Json::Value& v, const std::string& path, ZvMEkey& m) {
    ObjIn o(v, path);
    o.u8("muxIndex", m.muxIndex, ZV_MAX_MUX - 1);
    if (const Json::Value* sets = o.get("sets")) {
        const std::string spath = o.at("sets");
        read_array(*sets, spath, ZV_MAX_MUX);
        for (Json::ArrayIndex i = 0; i < ZV_MAX_MUX; ++i) {
            if (i < sets->size())
                ekeys_from_json((*sets)[i], index_path(spath, i), m.mekEkeys[i].eks, ZV_MEK_EKEYS);
            else
                m.mekEkeys[i] = ZvMekEkey{};
        }
    }
    o.finish();
}

template <size_t N> void ekeys_in(ObjIn& o, const char* key, ZvEkey (&a)[N]) {
    if (const Json::Value* v = o.get(key))
        ekeys_from_json(*v, o.at(key), a, N);
}

} // namespace

Json::Value profile_to_json(const ZvAppUserCfg& a) {
    Json::Value j(Json::objectValue);
    j["pid"] = text_out(a.pid, sizeof a.pid);
    for (const ByteField& f : kProfileBytes)
        j[f.name] = a.*f.member;
    Json::Value mek(Json::arrayValue);
    mek.append(a.bMek[0]);
    mek.append(a.bMek[1]);
    j["bMek"] = mek;
    Json::Value press(Json::arrayValue);
    for (const ZvPoint& p : a.pressCtrlPt)
        press.append(point_to_json(p.x, p.y));
    j["pressCtrlPt"] = press;
    j["pressFactor"] = a.pressFactor;
    j["rotateAngle"] = a.rotateAngle;
    j["workarea"] = ratio_to_json(a.workarea);
    Json::Value areas(Json::arrayValue);
    for (const ZvRectRatio& r : a.screenArea)
        areas.append(ratio_to_json(r));
    j["screenArea"] = areas;
    j["heks"] = ekeys_to_json(a.heks, ZV_MAX_HEK);
    j["theks"] = ekeys_to_json(a.theks, ZV_MAX_HEK);
    j["seks"] = ekeys_to_json(a.seks, ZV_MAX_SEK);
    j["peks"] = ekeys_to_json(a.peks, ZV_MAX_PEK);
    Json::Value meks(Json::arrayValue);
    for (const ZvMEkey& m : a.meks)
        meks.append(mek_to_json(m));
    j["meks"] = meks;
    j["rmks"] = ekeys_to_json(a.rmks, 6);
    return j;
}

void profile_from_json(const Json::Value& v, const std::string& path, ZvAppUserCfg& a) {
    ObjIn o(v, path);
    o.text("pid", a.pid, sizeof a.pid);
    for (const ByteField& f : kProfileBytes)
        o.u8(f.name, a.*f.member);
    if (const Json::Value* mek = o.get("bMek")) {
        read_array(*mek, o.at("bMek"), ZV_MAX_MEK);
        for (Json::ArrayIndex i = 0; i < ZV_MAX_MEK; ++i)
            a.bMek[i] = i < mek->size()
                            ? th_u8(read_uint((*mek)[i], index_path(o.at("bMek"), i), 0, 255))
                            : 0;
    }
    if (const Json::Value* press = o.get("pressCtrlPt")) {
        if (!press->isArray() || press->size() != 3)
            fail(o.at("pressCtrlPt"), "expected three [x, y] points");
        for (Json::ArrayIndex i = 0; i < 3; ++i)
            point_from_json((*press)[i], index_path(o.at("pressCtrlPt"), i), a.pressCtrlPt[i].x,
                            a.pressCtrlPt[i].y);
    }
    o.i32("pressFactor", a.pressFactor);
    if (const Json::Value* rot = o.get("rotateAngle")) {
        a.rotateAngle = th_u32(read_uint(*rot, o.at("rotateAngle"), 0, 270));
        if (a.rotateAngle % 90 != 0)
            fail(o.at("rotateAngle"), "must be 0, 90, 180 or 270");
    }
    if (const Json::Value* w = o.get("workarea"))
        ratio_from_json(*w, o.at("workarea"), a.workarea);
    if (const Json::Value* areas = o.get("screenArea")) {
        read_array(*areas, o.at("screenArea"), ZV_MAX_SCREEN_AREAS);
        for (Json::ArrayIndex i = 0; i < areas->size(); ++i)
            ratio_from_json((*areas)[i], index_path(o.at("screenArea"), i), a.screenArea[i]);
    }
    ekeys_in(o, "heks", a.heks);
    ekeys_in(o, "theks", a.theks);
    ekeys_in(o, "seks", a.seks);
    ekeys_in(o, "peks", a.peks);
    if (const Json::Value* meks = o.get("meks")) {
        read_array(*meks, o.at("meks"), ZV_MAX_MEK);
        for (Json::ArrayIndex i = 0; i < meks->size(); ++i)
            mek_from_json((*meks)[i], index_path(o.at("meks"), i), a.meks[i]);
    }
    ekeys_in(o, "rmks", a.rmks);
    o.finish();
}

Json::Value user_cfg_to_json(const ZvUserCfg& u) {
    Json::Value j(Json::objectValue);
    j["sModel"] = text_out(u.sModel, sizeof u.sModel);
    j["bLed"] = u.bLed;
    j["levelLedLight"] = u.levelLedLight;
    j["levelSleep"] = u.levelSleep;
    j["bCalibrated"] = u.bCalibrated;
    j["curScreenIndex"] = u.curScreenIndex;
    Json::Value factors(Json::arrayValue);
    for (th_i32 f : u.calibrateFactors)
        factors.append(f);
    j["calibrateFactors"] = factors;
    Json::Value points(Json::arrayValue);
    for (const ZvPoint& p : u.clbPoint)
        points.append(point_to_json(p.x, p.y));
    j["clbPoint"] = points;
    j["app0"] = profile_to_json(u.app0);
    return j;
}

void user_cfg_from_json(const Json::Value& v, const std::string& path, ZvUserCfg& u) {
    ObjIn o(v, path);
    o.text("sModel", u.sModel, sizeof u.sModel);
    o.u8("bLed", u.bLed);
    o.u8("levelLedLight", u.levelLedLight);
    o.u8("levelSleep", u.levelSleep);
    o.u8("bCalibrated", u.bCalibrated);
    o.u32("curScreenIndex", u.curScreenIndex);
    if (const Json::Value* f = o.get("calibrateFactors")) {
        if (!f->isArray() || f->size() != 7)
            fail(o.at("calibrateFactors"), "expected seven numbers");
        for (Json::ArrayIndex i = 0; i < 7; ++i)
            u.calibrateFactors[i] = th_i32(
                read_int((*f)[i], index_path(o.at("calibrateFactors"), i), INT32_MIN, INT32_MAX));
    }
    if (const Json::Value* pts = o.get("clbPoint")) {
        read_array(*pts, o.at("clbPoint"), 16);
        for (Json::ArrayIndex i = 0; i < pts->size(); ++i)
            point_from_json((*pts)[i], index_path(o.at("clbPoint"), i), u.clbPoint[i].x,
                            u.clbPoint[i].y);
    }
    if (const Json::Value* app0 = o.get("app0"))
        profile_from_json(*app0, o.at("app0"), u.app0);
    o.finish();
}

Json::Value user_config_to_json(const ZvUserConfig& c) {
    Json::Value j(Json::objectValue);
    j["base"] = user_cfg_to_json(c.base);
    Json::Value apps(Json::arrayValue);
    for (size_t k = 0; k < ZV_MAX_APPS; ++k) {
        if (all_zero(&c.apps[k], sizeof c.apps[k]))
            continue;
        Json::Value app = profile_to_json(c.apps[k]);
        app["slot"] = Json::UInt(k);
        apps.append(app);
    }
    j["apps"] = apps;
    return j;
}

void user_config_from_json(const Json::Value& v, const std::string& path, ZvUserConfig& c) {
    ObjIn o(v, path);
    if (const Json::Value* base = o.get("base"))
        user_cfg_from_json(*base, o.at("base"), c.base);
    if (const Json::Value* apps = o.get("apps")) {
        const std::string apath = o.at("apps");
        read_array(*apps, apath, ZV_MAX_APPS);
        for (ZvAppUserCfg& a : c.apps)
            memset(&a, 0, sizeof a);
        for (Json::ArrayIndex i = 0; i < apps->size(); ++i) {
            const std::string ipath = index_path(apath, i);
            const Json::Value& app = (*apps)[i];
            if (!app.isObject() || !app.isMember("slot"))
                fail(ipath, "expected a profile with its \"slot\" (0 to 6)");
            const size_t slot = read_uint(app["slot"], member_path(ipath, "slot"), 0, 6);
            Json::Value rest = app;
            rest.removeMember("slot");
            profile_from_json(rest, ipath, c.apps[slot]);
        }
    }
    o.finish();
}

} // namespace zvj
