#include "ModelFile.h"

#include "DescJson.h"
#include "JsonField.h"
#include "UserJson.h"

#include <fstream>
#include <memory>
#include <sstream>
#include <string.h>

namespace zvm {
namespace {

const char* const kQuirkNames[kQuirkCount] = {
    "no-away-event",          "key-wake",       "hover-wiggle",   "touch-slot-exclusion-1",
    "touch-slot-exclusion-2", "mirror-keys-20", "mirror-keys-16", "mirror-dials",
};

std::string stem_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

void set_text(th_char* field, size_t n, const std::string& s) {
    memset(field, 0, n);
    memcpy(field, s.data(), s.size() < n ? s.size() : n);
}

void read_model_id(zvj::ObjIn& top, const std::string& file, ModelEntry& m) {
    const Json::Value* id = top.get("model");
    if (id == nullptr)
        zvj::fail("model", "missing");
    if (!id->isString())
        zvj::fail("model", "expected a string");
    m.model = id->asString();
    // The core takes the first 10 characters of the device name as its model and accepts no
    // other length, so a longer or shorter id could never be looked up.
    if (m.model.size() != 10)
        zvj::fail("model", "\"" + m.model + "\" must be exactly 10 characters");
    for (char c : m.model) {
        if (c <= 0x20 || c >= 0x7f || c == '/')
            zvj::fail("model", "\"" + m.model + "\" must be printable ASCII without blanks or /");
    }
    if (stem_of(file) != m.model)
        zvj::fail("model", "\"" + m.model + "\" differs from the file name");
}

void read_quirks(zvj::ObjIn& top, ModelEntry& m) {
    const Json::Value* q = top.get("quirks");
    if (q == nullptr)
        return;
    zvj::read_array(*q, "quirks", 16);
    for (Json::ArrayIndex i = 0; i < q->size(); ++i) {
        const Json::Value& name = (*q)[i];
        size_t k = 0;
        while (k < kQuirkCount && !(name.isString() && name.asString() == kQuirkNames[k]))
            ++k;
        if (k == kQuirkCount)
            zvj::fail(zvj::index_path("quirks", i), "unknown quirk " + name.toStyledString());
        m.quirks.push_back(Quirk(k));
    }
}

void check_key(const char* field, const th_char* value, const std::string& want,
               const std::string& path) {
    if (strncmp(value, want.c_str(), ZV_MODEL_LEN) != 0)
        zvj::fail(path + "." + field, "must be \"" + want + "\"");
}

void parse_description(zvj::ObjIn& top, ModelEntry& m) {
    top.require({"tablet", "pen", "layout", "penLayout"});
    set_text(m.tablet.sModel, sizeof m.tablet.sModel, m.model);
    {
        zvj::ObjIn t(*top.get("tablet"), "tablet");
        t.require({"sFullModel", "sPenModel", "sName", "maxX", "maxY", "maxP", "lpi", "rate",
                   "hekNum", "pekNum"});
    }
    zvj::tablet_from_json(*top.get("tablet"), "tablet", m.tablet);
    check_key("sModel", m.tablet.sModel, m.model, "tablet");
    const std::string pen(m.tablet.sPenModel, strnlen(m.tablet.sPenModel, ZV_MODEL_LEN));

    set_text(m.pen.sModel, sizeof m.pen.sModel, pen);
    zvj::pen_from_json(*top.get("pen"), "pen", m.pen);
    check_key("sModel", m.pen.sModel, pen, "pen");

    set_text(m.layout.sModel, sizeof m.layout.sModel, m.model);
    zvj::tablet_layout_from_json(*top.get("layout"), "layout", m.layout);
    check_key("sModel", m.layout.sModel, m.model, "layout");

    set_text(m.penLayout.sModel, sizeof m.penLayout.sModel, pen);
    zvj::pen_layout_from_json(*top.get("penLayout"), "penLayout", m.penLayout);
    check_key("sModel", m.penLayout.sModel, pen, "penLayout");
}

} // namespace

const char* quirk_name(Quirk q) {
    return kQuirkNames[size_t(q)];
}

std::unique_ptr<ModelEntry> parse_model(const std::string& file, const std::string& text) {
    std::unique_ptr<ModelEntry> m(new ModelEntry);
    m->file = file;
    try {
        Json::CharReaderBuilder builder;
        Json::CharReaderBuilder::strictMode(&builder.settings_);
        Json::Value root;
        std::string errors;
        std::istringstream in(text);
        if (!Json::parseFromStream(builder, in, &root, &errors))
            throw ModelError(file, "not valid JSON: " + errors);

        zvj::ObjIn top(root, "");
        read_model_id(top, file, *m);
        bool generic = false;
        if (const Json::Value* g = top.get("generic")) {
            if (!g->isBool())
                zvj::fail("generic", "expected true or false");
            generic = g->asBool();
        }
        if (generic != (m->model == ZV_GENERIC_MODEL))
            zvj::fail("generic", "only \"" ZV_GENERIC_MODEL "\" is the generic template");
        m->generic = generic;
        read_quirks(top, *m);

        if (!generic)
            parse_description(top, *m);
        template_defaults(generic ? nullptr : &m->tablet, m->user);
        set_text(m->user.sModel, sizeof m->user.sModel, m->model);
        if (const Json::Value* user = top.get("user"))
            zvj::user_cfg_from_json(*user, "user", m->user);
        check_key("sModel", m->user.sModel, m->model, "user");
        top.finish();
        check_model(*m);
    } catch (const zvj::JsonError& e) {
        throw ModelError(file, e.what());
    }
    return m;
}

std::unique_ptr<ModelEntry> load_model(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw ModelError(path, "cannot be read");
    std::ostringstream text;
    text << in.rdbuf();
    return parse_model(path, text.str());
}

} // namespace zvm
