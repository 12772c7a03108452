#include "DescJson.h"

#include "KeyNames.h"

#include <string.h>

namespace zvj {
namespace {

// The byte-sized members of the tablet record in order, all printed as numbers.
struct ByteField {
    const char* name;
    th_u8 ZvTabletCfg::*member;
    unsigned max;
};

const ByteField kTabletBytes[] = {
    {"bPassive", &ZvTabletCfg::bPassive, 255},
    {"bMonitor", &ZvTabletCfg::bMonitor, 255},
    {"bOSD", &ZvTabletCfg::bOSD, 255},
    {"bTitl", &ZvTabletCfg::bTitl, 255},
    {"bWireless", &ZvTabletCfg::bWireless, 255},
    {"bBluetooth", &ZvTabletCfg::bBluetooth, 255},
    {"bDongle", &ZvTabletCfg::bDongle, 255},
    {"bBattery", &ZvTabletCfg::bBattery, 255},
    {"bLed", &ZvTabletCfg::bLed, 255},
    {"bTHkey", &ZvTabletCfg::bTHkey, 255},
    {"bTouchScreen", &ZvTabletCfg::bTouchScreen, 255},
    {"bLedLight", &ZvTabletCfg::bLedLight, 255},
    {"bSleep", &ZvTabletCfg::bSleep, 255},
    {"levelNumBattery", &ZvTabletCfg::levelNumBattery, 255},
    {"levelNumSleep", &ZvTabletCfg::levelNumSleep, 255},
    {"levelNumLedLight", &ZvTabletCfg::levelNumLedLight, 255},
    {"hekNum", &ZvTabletCfg::hekNum, ZV_MAX_HEK},
    {"sekNum", &ZvTabletCfg::sekNum, ZV_MAX_SEK},
    {"pekNum", &ZvTabletCfg::pekNum, ZV_MAX_PEK},
    {"mekNum", &ZvTabletCfg::mekNum, ZV_MAX_MEK},
    {"grade", &ZvTabletCfg::grade, 255},
    {"bNibSet", &ZvTabletCfg::bNibSet, 255},
};

// A fixed array of u32 as a JSON array without its trailing zeros.
template <size_t N> Json::Value u32s_out(const th_u32 (&a)[N]) {
    size_t n = N;
    while (n > 0 && a[n - 1] == 0)
        --n;
    Json::Value j(Json::arrayValue);
    for (size_t i = 0; i < n; ++i)
        j.append(a[i]);
    return j;
}

template <size_t N> void u32s_in(ObjIn& o, const char* key, th_u32 (&a)[N]) {
    if (const Json::Value* v = o.get(key)) {
        read_array(*v, o.at(key), N);
        for (size_t i = 0; i < N; ++i)
            a[i] = i < v->size() ? th_u32(read_uint((*v)[Json::ArrayIndex(i)],
                                                    index_path(o.at(key), i), 0, 0xFFFFFFFFu))
                                 : 0;
    }
}

template <size_t N> void u8s_in(ObjIn& o, const char* key, th_u8 (&a)[N], unsigned max) {
    if (const Json::Value* v = o.get(key)) {
        read_array(*v, o.at(key), N);
        for (size_t i = 0; i < N; ++i)
            a[i] =
                i < v->size()
                    ? th_u8(read_uint((*v)[Json::ArrayIndex(i)], index_path(o.at(key), i), 0, max))
                    : 0;
    }
}

template <size_t N> Json::Value u8s_out(const th_u8 (&a)[N]) {
    Json::Value j(Json::arrayValue);
    for (size_t i = 0; i < N; ++i)
        j.append(a[i]);
    return j;
}

template <class T, size_t N, class F> Json::Value trimmed(const T (&a)[N], F each) {
    size_t n = N;
    while (n > 0 && all_zero(&a[n - 1], sizeof(T)))
        --n;
    Json::Value j(Json::arrayValue);
    for (size_t i = 0; i < n; ++i)
        j.append(each(a[i]));
    return j;
}

template <class T, size_t N, class F> void array_in(ObjIn& o, const char* key, T (&a)[N], F each) {
    if (const Json::Value* v = o.get(key)) {
        const std::string path = o.at(key);
        read_array(*v, path, N);
        for (size_t i = 0; i < N; ++i)
            a[i] = T{};
        for (Json::ArrayIndex i = 0; i < v->size(); ++i)
            each((*v)[i], index_path(path, i), a[i]);
    }
}

Json::Value ekey_value_to_json(const ZvLayoutEkeyValue& v) {
    Json::Value j(Json::objectValue);
    Json::Value pts(Json::arrayValue);
    for (const ZvPoint& p : v.pt)
        pts.append(point_to_json(p.x, p.y));
    j["pt"] = pts;
    j["ekv"] = rect_to_json(v.ekv);
    j["bgColor"] = v.bgColor;
    j["rectColor"] = v.rectColor;
    j["align"] = v.align;
    return j;
}

void points_in(ObjIn& o, ZvPoint (&pt)[4]) {
    if (const Json::Value* v = o.get("pt")) {
        read_array(*v, o.at("pt"), 4);
        for (Json::ArrayIndex i = 0; i < v->size(); ++i)
            point_from_json((*v)[i], index_path(o.at("pt"), i), pt[i].x, pt[i].y);
    }
}

void ekey_value_from_json(const Json::Value& v, const std::string& path, ZvLayoutEkeyValue& out) {
    ObjIn o(v, path);
    points_in(o, out.pt);
    if (const Json::Value* r = o.get("ekv"))
        rect_from_json(*r, o.at("ekv"), out.ekv);
    o.u32("bgColor", out.bgColor);
    o.u32("rectColor", out.rectColor);
    o.u8("align", out.align);
    o.finish();
}

Json::Value mekey_value_to_json(const ZvLayoutMEkeyValue& v) {
    Json::Value j(Json::objectValue);
    Json::Value pts(Json::arrayValue);
    for (const ZvPoint& p : v.pt)
        pts.append(point_to_json(p.x, p.y));
    j["pt"] = pts;
    j["ekv"] = trimmed(v.ekv, rect_to_json);
    j["bgColor"] = v.bgColor;
    j["rectColor"] = v.rectColor;
    j["align"] = v.align;
    return j;
}

void mekey_value_from_json(const Json::Value& v, const std::string& path, ZvLayoutMEkeyValue& out) {
    ObjIn o(v, path);
    points_in(o, out.pt);
    array_in(o, "ekv", out.ekv, rect_from_json);
    o.u32("bgColor", out.bgColor);
    o.u32("rectColor", out.rectColor);
    o.u8("align", out.align);
    o.finish();
}

Json::Value ring_to_json(const ZvLayoutEkey& k) {
    Json::Value j(Json::objectValue);
    j["rect"] = rect_to_json(k.rect);
    j["inRect"] = rect_to_json(k.inRect);
    j["center"] = point_to_json(k.center.x, k.center.y);
    return j;
}

void ring_from_json(const Json::Value& v, const std::string& path, ZvLayoutEkey& out) {
    ObjIn o(v, path);
    if (const Json::Value* r = o.get("rect"))
        rect_from_json(*r, o.at("rect"), out.rect);
    if (const Json::Value* r = o.get("inRect"))
        rect_from_json(*r, o.at("inRect"), out.inRect);
    if (const Json::Value* c = o.get("center"))
        point_from_json(*c, o.at("center"), out.center.x, out.center.y);
    o.finish();
}

} // namespace

Json::Value rect_to_json(const ZvRect& r) {
    Json::Value j(Json::arrayValue);
    j.append(r.left);
    j.append(r.top);
    j.append(r.right);
    j.append(r.bottom);
    return j;
}

void rect_from_json(const Json::Value& v, const std::string& path, ZvRect& r) {
    if (!v.isArray() || v.size() != 4)
        fail(path, "expected [left, top, right, bottom]");
    th_i32* out[] = {&r.left, &r.top, &r.right, &r.bottom};
    for (Json::ArrayIndex i = 0; i < 4; ++i)
        *out[i] = th_i32(read_int(v[i], index_path(path, i), INT32_MIN, INT32_MAX));
}

Json::Value point_to_json(th_i32 x, th_i32 y) {
    Json::Value j(Json::arrayValue);
    j.append(x);
    j.append(y);
    return j;
}

void point_from_json(const Json::Value& v, const std::string& path, th_i32& x, th_i32& y) {
    if (!v.isArray() || v.size() != 2)
        fail(path, "expected [x, y]");
    x = th_i32(read_int(v[0], index_path(path, 0), INT32_MIN, INT32_MAX));
    y = th_i32(read_int(v[1], index_path(path, 1), INT32_MIN, INT32_MAX));
}

Json::Value utf16_text_out(const th_char* field, size_t n) {
    std::string s;
    size_t i = 0;
    for (; i + 1 < n; i += 2) {
        const th_u8 lo = th_u8(field[i]);
        const th_u8 hi = th_u8(field[i + 1]);
        if (lo == 0 && hi == 0)
            break;
        if (hi != 0 || lo < 0x20 || lo >= 0x7f)
            return hex_out(field, n);
        s += char(lo);
    }
    if (!all_zero(field + i, n - i))
        return hex_out(field, n);
    return Json::Value(s);
}

void utf16_text_in(const Json::Value& v, const std::string& path, th_char* field, size_t n) {
    if (v.isObject()) {
        read_hex(v, path, field, n);
        return;
    }
    if (!v.isString())
        fail(path, "expected a string");
    const std::string s = v.asString();
    if (s.size() * 2 > n)
        fail(path, "\"" + s + "\" is longer than " + std::to_string(n / 2) + " characters");
    memset(field, 0, n);
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] < 0x20 || s[i] >= 0x7f)
            fail(path, "only printable ASCII is stored in display names");
        field[2 * i] = s[i];
    }
}

Json::Value tablet_to_json(const ZvTabletCfg& t) {
    Json::Value j(Json::objectValue);
    j["sModel"] = text_out(t.sModel, sizeof t.sModel);
    j["sFullModel"] = text_out(t.sFullModel, sizeof t.sFullModel);
    j["sPenModel"] = text_out(t.sPenModel, sizeof t.sPenModel);
    j["sName"] = utf16_text_out(t.sName, sizeof t.sName);
    j["maxX"] = t.maxX;
    j["maxY"] = t.maxY;
    j["maxP"] = t.maxP;
    j["lpi"] = t.lpi;
    j["rate"] = t.rate;
    for (const ByteField& f : kTabletBytes)
        j[f.name] = t.*f.member;
    j["mekEkeyNum"] = u8s_out(t.mekEkeyNum);
    j["mekMuxNum"] = u8s_out(t.mekMuxNum);
    Json::Value kinds(Json::arrayValue);
    for (th_u32 k : t.mekFuncBit)
        kinds.append(mek_kind_name(k));
    j["mekFuncBit"] = kinds;
    j["hekCode"] = u32s_out(t.hekCode);
    j["mekCode"] = u32s_out(t.mekCode);
    j["langBit"] = t.langBit;
    j["reserve"] = t.reserve;
    return j;
}

void tablet_from_json(const Json::Value& v, const std::string& path, ZvTabletCfg& t) {
    ObjIn o(v, path);
    o.text("sModel", t.sModel, sizeof t.sModel);
    o.text("sFullModel", t.sFullModel, sizeof t.sFullModel);
    o.text("sPenModel", t.sPenModel, sizeof t.sPenModel);
    if (const Json::Value* name = o.get("sName"))
        utf16_text_in(*name, o.at("sName"), t.sName, sizeof t.sName);
    o.u32("maxX", t.maxX);
    o.u32("maxY", t.maxY);
    o.u16("maxP", t.maxP);
    o.u16("lpi", t.lpi);
    o.u16("rate", t.rate);
    for (const ByteField& f : kTabletBytes)
        o.u8(f.name, t.*f.member, f.max);
    u8s_in(o, "mekEkeyNum", t.mekEkeyNum, ZV_MEK_EKEYS);
    u8s_in(o, "mekMuxNum", t.mekMuxNum, ZV_MAX_MUX);
    if (const Json::Value* kinds = o.get("mekFuncBit")) {
        const std::string kpath = o.at("mekFuncBit");
        read_array(*kinds, kpath, ZV_MAX_MEK);
        for (Json::ArrayIndex i = 0; i < ZV_MAX_MEK; ++i) {
            t.mekFuncBit[i] = 0;
            if (i >= kinds->size())
                continue;
            const Json::Value& k = (*kinds)[i];
            if (k.isString() ? !mek_kind(k.asString(), t.mekFuncBit[i]) : !k.isIntegral())
                fail(index_path(kpath, i),
                     "unknown control kind (none, slider, ring, dial, touch, touch13)");
            if (k.isIntegral())
                t.mekFuncBit[i] = th_u32(read_uint(k, index_path(kpath, i), 0, 0xFFFFFFFFu));
        }
    }
    u32s_in(o, "hekCode", t.hekCode);
    u32s_in(o, "mekCode", t.mekCode);
    o.u32("langBit", t.langBit);
    o.u16("reserve", t.reserve);
    o.finish();
}

Json::Value pen_to_json(const ZvPenCfg& p) {
    Json::Value j(Json::objectValue);
    j["sModel"] = text_out(p.sModel, sizeof p.sModel);
    j["sName"] = text_out(p.sName, sizeof p.sName);
    j["btnNum"] = p.btnNum;
    j["bNibSet"] = p.bNibSet;
    return j;
}

void pen_from_json(const Json::Value& v, const std::string& path, ZvPenCfg& p) {
    ObjIn o(v, path);
    o.text("sModel", p.sModel, sizeof p.sModel);
    o.text("sName", p.sName, sizeof p.sName);
    o.u8("btnNum", p.btnNum, ZV_MAX_PEK);
    o.u8("bNibSet", p.bNibSet);
    o.finish();
}

Json::Value tablet_layout_to_json(const ZvLayoutTablet& l) {
    Json::Value j(Json::objectValue);
    j["sModel"] = text_out(l.sModel, sizeof l.sModel);
    j["size"] = point_to_json(l.size.cx, l.size.cy);
    j["penArea"] = rect_to_json(l.penArea);
    j["sekInRect"] = rect_to_json(l.sekInRect);
    j["heks"] = trimmed(l.heks, rect_to_json);
    j["seks"] = trimmed(l.seks, rect_to_json);
    j["meks"] = trimmed(l.meks, ring_to_json);
    // The value labels are kept with the layout but drawn by nobody; shown only when set.
    if (!all_zero(l.hekVals, sizeof l.hekVals))
        j["hekVals"] = trimmed(l.hekVals, ekey_value_to_json);
    if (!all_zero(l.sekVals, sizeof l.sekVals))
        j["sekVals"] = trimmed(l.sekVals, ekey_value_to_json);
    if (!all_zero(l.mekVals, sizeof l.mekVals))
        j["mekVals"] = trimmed(l.mekVals, mekey_value_to_json);
    return j;
}

void tablet_layout_from_json(const Json::Value& v, const std::string& path, ZvLayoutTablet& l) {
    ObjIn o(v, path);
    o.text("sModel", l.sModel, sizeof l.sModel);
    if (const Json::Value* s = o.get("size"))
        point_from_json(*s, o.at("size"), l.size.cx, l.size.cy);
    if (const Json::Value* r = o.get("penArea"))
        rect_from_json(*r, o.at("penArea"), l.penArea);
    if (const Json::Value* r = o.get("sekInRect"))
        rect_from_json(*r, o.at("sekInRect"), l.sekInRect);
    array_in(o, "heks", l.heks, rect_from_json);
    array_in(o, "seks", l.seks, rect_from_json);
    array_in(o, "meks", l.meks, ring_from_json);
    array_in(o, "hekVals", l.hekVals, ekey_value_from_json);
    array_in(o, "sekVals", l.sekVals, ekey_value_from_json);
    array_in(o, "mekVals", l.mekVals, mekey_value_from_json);
    o.finish();
}

Json::Value pen_layout_to_json(const ZvLayoutPen& l) {
    Json::Value j(Json::objectValue);
    j["sModel"] = text_out(l.sModel, sizeof l.sModel);
    j["size"] = point_to_json(l.size.cx, l.size.cy);
    j["peks"] = trimmed(l.peks, rect_to_json);
    return j;
}

void pen_layout_from_json(const Json::Value& v, const std::string& path, ZvLayoutPen& l) {
    ObjIn o(v, path);
    o.text("sModel", l.sModel, sizeof l.sModel);
    if (const Json::Value* s = o.get("size"))
        point_from_json(*s, o.at("size"), l.size.cx, l.size.cy);
    array_in(o, "peks", l.peks, rect_from_json);
    o.finish();
}

} // namespace zvj
