// Every model of data/models: it compiles, its id is unique and 10 characters, what the build put
// into res/ is what the file says, its layout fits its picture, and its bindings decode.
#include "BindingJson.h"
#include "CfgStore.h"
#include "ModelFile.h"
#include "ZvLog.h"
#include "ZvModelQuirks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <dirent.h>
#include <map>
#include <memory>
#include <set>
#include <string.h>
#include <string>
#include <vector>

namespace {

const std::string kModels = std::string(ZV_SOURCE_DIR) + "/data/models";

std::vector<std::string> model_files() {
    std::vector<std::string> out;
    if (DIR* d = opendir(kModels.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string n = e->d_name;
            if (n.size() > 5 && n.compare(n.size() - 5, 5, ".json") == 0)
                out.push_back(n.substr(0, n.size() - 5));
        }
        closedir(d);
    }
    std::sort(out.begin(), out.end());
    return out;
}

void silent(int, const char*, va_list) {}

class ModelDb : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        zv_set_log_handler(&silent);
        zvcs::set_cfg_path(ZV_DIST_DIR, ZV_DIST_DIR);
        _m = zvm::load_model(kModels + "/" + GetParam() + ".json");
    }
    void TearDown() override { zv_set_log_handler(nullptr); }
    std::unique_ptr<zvm::ModelEntry> _m;
};

bool inside(const ZvRect& r, const ZvRect& frame) {
    return r.left < r.right && r.top < r.bottom && r.left >= frame.left && r.top >= frame.top &&
           r.right <= frame.right && r.bottom <= frame.bottom;
}

// Every name in a decoded binding is a real one, not the fallback spelling of an unknown code.
void expect_decodes(const ZvEkey& e, const std::string& where) {
    const Json::Value j = zvj::ekey_to_json(e);
    EXPECT_FALSE(j.isMember("param")) << where << ": parameter does not decode";
    for (const Json::Value& f : j["func"])
        EXPECT_NE(f.asString().compare(0, 3, "bit"), 0) << where << ": " << f.asString();
    for (const Json::Value& k : j["keys"])
        EXPECT_NE(k.asString()[0], '#') << where << ": key code without a name";
    if (e.funcBit & ZVEF_KBTN) {
        EXPECT_GE(e.kbtn.len, 1) << where;
    }
    ZvEkey back;
    zvj::ekey_from_json(j, where, back);
    EXPECT_EQ(memcmp(&back, &e, sizeof e), 0) << where << ": decoding loses something";
}

} // namespace

TEST_P(ModelDb, CompiledFilesHoldTheModel) {
    ZvUserConfig* cfg = new ZvUserConfig();
    std::unique_ptr<ZvUserConfig> own(cfg);
    ASSERT_EQ(zvcs::read_a_user_config(_m->model.c_str(), cfg), 0);
    EXPECT_EQ(memcmp(&cfg->base, &_m->user, sizeof cfg->base), 0) << "user.cfg template";
    if (_m->generic) {
        ZvTabletCfg t;
        EXPECT_EQ(zvcs::read_a_config(zvcs::CfgKind::Tablet, _m->model.c_str(), &t), -1)
            << "unknown tablets have no description";
        return;
    }
    ZvTabletCfg t;
    ASSERT_EQ(zvcs::read_a_config(zvcs::CfgKind::Tablet, _m->model.c_str(), &t), 0);
    EXPECT_EQ(memcmp(&t, &_m->tablet, sizeof t), 0);
    ZvPenCfg p;
    ASSERT_EQ(zvcs::read_a_config(zvcs::CfgKind::Pen, t.sPenModel, &p), 0);
    EXPECT_EQ(p.btnNum, t.pekNum);
    ZvLayoutTablet l;
    ASSERT_EQ(zvcs::read_a_config(zvcs::CfgKind::TabletLayout, t.sModel, &l), 0);
    ZvLayoutPen lp;
    ASSERT_EQ(zvcs::read_a_config(zvcs::CfgKind::PenLayout, t.sPenModel, &lp), 0);

    // The core cuts the device name to 10 characters; the firmware version follows in the name.
    EXPECT_EQ(strlen(t.sModel), 10u);
    EXPECT_LE(strlen(t.sFullModel), 17u);
    EXPECT_EQ(strncmp(t.sFullModel, t.sModel, 10), 0);
    EXPECT_GT(t.maxX, t.maxY) << "landscape sensors";
    EXPECT_TRUE(t.maxP == 2047 || t.maxP == 4095 || t.maxP == 8191 || t.maxP == 16383);
    // Physical size from resolution: between 5 and 25 inches wide.
    EXPECT_GT(double(t.maxX) / t.lpi, 5.0);
    EXPECT_LT(double(t.maxX) / t.lpi, 25.0);

    const ZvRect picture{0, 0, l.size.cx, l.size.cy};
    EXPECT_TRUE(inside(l.penArea, picture));
    const double aspect =
        double(l.penArea.right - l.penArea.left) / (l.penArea.bottom - l.penArea.top);
    EXPECT_NEAR(aspect, double(t.maxX) / t.maxY, 0.05 * double(t.maxX) / t.maxY);
    for (int i = 0; i < t.hekNum; ++i)
        EXPECT_TRUE(inside(l.heks[i], picture)) << "heks[" << i << "]";
    for (int i = 0; i < t.sekNum; ++i) {
        EXPECT_TRUE(inside(l.seks[i], l.penArea)) << "seks[" << i << "]";
        EXPECT_FALSE(inside(l.seks[i], l.sekInRect)) << "seks[" << i << "] in the drawing region";
    }
    EXPECT_TRUE(t.sekNum == 0 || inside(l.sekInRect, l.penArea));
    for (int c = 0; c < t.mekNum; ++c)
        EXPECT_TRUE(inside(l.meks[c].rect, picture)) << "meks[" << c << "]";
    for (int i = 0; i <= p.btnNum; ++i)
        EXPECT_TRUE(inside(lp.peks[i], ZvRect{0, 0, lp.size.cx, lp.size.cy}))
            << "peks[" << i << "]";
}

TEST_P(ModelDb, BindingsDecodeAndFitTheTablet) {
    const ZvAppUserCfg& a = _m->user.app0;
    for (size_t i = 0; i < ZV_MAX_HEK; ++i)
        expect_decodes(a.heks[i], "heks[" + std::to_string(i) + "]");
    for (size_t i = 0; i < ZV_MAX_SEK; ++i)
        expect_decodes(a.seks[i], "seks[" + std::to_string(i) + "]");
    for (size_t i = 0; i < ZV_MAX_PEK; ++i)
        expect_decodes(a.peks[i], "peks[" + std::to_string(i) + "]");
    for (size_t c = 0; c < ZV_MAX_MEK; ++c) {
        for (size_t s = 0; s < ZV_MAX_MUX; ++s) {
            for (size_t k = 0; k < ZV_MEK_EKEYS; ++k)
                expect_decodes(a.meks[c].mekEkeys[s].eks[k], "meks");
        }
    }

    // Out of the box: the tip clicks, the lower button right-clicks, the upper middle-clicks.
    EXPECT_EQ(a.peks[0].funcBit, th_u32(ZVEF_MOUSE_LEFT));
    EXPECT_EQ(a.peks[1].funcBit, th_u32(ZVEF_MOUSE_RIGHT));
    EXPECT_EQ(a.peks[2].funcBit, th_u32(ZVEF_MOUSE_MID));
    EXPECT_EQ(a.bAbsoluteMode, 1);
    EXPECT_EQ(a.bCtrlCursor, 1);
    EXPECT_EQ(a.mouseModeA, 3);
    if (_m->generic)
        return;
    const ZvTabletCfg& t = _m->tablet;
    EXPECT_EQ(_m->user.curScreenIndex, t.bMonitor ? 0u : 8u);
    for (int i = 0; i < t.hekNum; ++i)
        EXPECT_NE(a.heks[i].funcBit, 0u) << "express key " << i << " does nothing";
    for (int i = 0; i < t.sekNum; ++i)
        EXPECT_NE(a.seks[i].funcBit, 0u) << "soft key " << i << " does nothing";
    for (int c = 0; c < t.mekNum; ++c) {
        EXPECT_EQ(a.bMek[c] & 1, 1) << "control " << c << " enabled";
        for (int k = 0; k < t.mekEkeyNum[c]; ++k)
            EXPECT_NE(a.meks[c].mekEkeys[0].eks[k].funcBit, 0u) << "control " << c << " slot " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Shipped, ModelDb, ::testing::ValuesIn(model_files()),
                         [](const ::testing::TestParamInfo<std::string>& i) {
                             std::string n = i.param;
                             std::replace(n.begin(), n.end(), '-', 'x');
                             return n;
                         });

TEST(ModelDatabase, IdsAreUniqueAndCoverEveryRoadOfTheCore) {
    const std::vector<std::string> files = model_files();
    std::set<std::string> ids;
    bool bits = false, codesWithSlider = false, displayRingTouchKeys = false, softDial = false,
         twoControls13 = false, generic = false;
    for (const std::string& f : files) {
        const auto m = zvm::load_model(kModels + "/" + f + ".json");
        EXPECT_EQ(m->model.size(), 10u) << f;
        EXPECT_TRUE(ids.insert(m->model).second) << m->model << " twice";
        generic = generic || m->generic;
        const ZvTabletCfg& t = m->tablet;
        auto has = [&](th_u32 kind) {
            return (t.mekNum > 0 && t.mekFuncBit[0] == kind) ||
                   (t.mekNum > 1 && t.mekFuncBit[1] == kind);
        };
        bits = bits || (!m->generic && t.hekNum > 0 && t.hekCode[0] == 0);
        codesWithSlider = codesWithSlider || (t.hekCode[0] != 0 && has(ZV_MEK_SLIDER));
        displayRingTouchKeys = displayRingTouchKeys || (t.bMonitor && has(ZV_MEK_RING) && t.bTHkey);
        softDial = softDial || (t.sekNum > 0 && has(ZV_MEK_DIAL));
        twoControls13 = twoControls13 || (t.mekNum == 2 && has(ZV_MEK_TOUCH13));
    }
    EXPECT_GE(files.size(), 6u);
    EXPECT_TRUE(generic && bits && codesWithSlider && displayRingTouchKeys && softDial &&
                twoControls13);
}

TEST(ModelQuirks, EachListHoldsTheModelsNamingItAndMatchesAsItsUsersDo) {
    // The pen handler matches substrings of the device model; the touch-slot lists and the
    // settings application's mirror lists match whole names.
    const struct {
        ZvModelQuirk q;
        ZvQuirkMatch match;
    } all[] = {
        {ZvModelQuirk::NoAwayEvent, ZvQuirkMatch::Substring},
        {ZvModelQuirk::KeyWake, ZvQuirkMatch::Substring},
        {ZvModelQuirk::HoverWiggle, ZvQuirkMatch::Substring},
        {ZvModelQuirk::TouchSlotExclusion1, ZvQuirkMatch::Exact},
        {ZvModelQuirk::TouchSlotExclusion2, ZvQuirkMatch::Exact},
        {ZvModelQuirk::MirrorKeys20, ZvQuirkMatch::Exact},
        {ZvModelQuirk::MirrorKeys16, ZvQuirkMatch::Exact},
        {ZvModelQuirk::MirrorDials, ZvQuirkMatch::Exact},
    };
    std::map<std::string, std::set<std::string>> named; // quirk -> models, from the files
    for (const std::string& f : model_files()) {
        const auto m = zvm::load_model(kModels + "/" + f + ".json");
        for (zvm::Quirk k : m->quirks)
            named[zvm::quirk_name(k)].insert(m->model);
    }
    std::set<std::string> covered;
    for (const auto& c : all) {
        const std::string name = zv_model_quirk_name(c.q);
        EXPECT_TRUE(covered.insert(name).second) << name << " is the name of two quirks";
        std::set<std::string> listed;
        for (const char* const* m = zv_model_quirk_list(c.q); *m != nullptr; ++m)
            EXPECT_TRUE(listed.insert(*m).second) << name << " lists " << *m << " twice";
        EXPECT_FALSE(listed.empty()) << name << " has no model";
        EXPECT_EQ(listed, named[name]) << name;
        EXPECT_EQ(zv_model_quirk_match(c.q), c.match) << name;

        for (const std::string& model : listed) {
            const std::string longer = model + "_EXTRA";
            EXPECT_TRUE(zv_model_has_quirk(c.q, model.c_str())) << name;
            EXPECT_EQ(zv_model_has_quirk(c.q, longer.c_str()), c.match == ZvQuirkMatch::Substring)
                << name << ": " << longer;
            EXPECT_FALSE(zv_model_has_quirk(c.q, longer.c_str(), ZvQuirkMatch::Exact));
            EXPECT_TRUE(zv_model_has_quirk(c.q, longer.c_str(), ZvQuirkMatch::Substring));
            EXPECT_FALSE(zv_model_has_quirk(c.q, model.substr(1).c_str(), ZvQuirkMatch::Substring));
        }
        EXPECT_FALSE(zv_model_has_quirk(c.q, nullptr));
        EXPECT_FALSE(zv_model_has_quirk(c.q, ZV_GENERIC_MODEL)) << name;
    }
    for (const auto& n : named)
        EXPECT_EQ(covered.count(n.first), 1u) << n.first << " is missing from this table";
}
