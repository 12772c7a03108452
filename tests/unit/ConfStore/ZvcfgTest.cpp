// The inspector prints every shipped file and writes a per-model file back from its own JSON.
#include "CfgStore.h"
#include "ZvLog.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<char>;

Bytes read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void silent(int, const char*, va_list) {}

class Zvcfg : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/zvcfg-test-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        _dir = tmpl;
        zv_set_log_handler(&silent);
    }
    void TearDown() override {
        zv_set_log_handler(nullptr);
        ASSERT_EQ(system(("rm -rf '" + _dir + "'").c_str()), 0);
    }

    // Runs zvcfg; its standard output in `out`, the exit status returned.
    int run(const std::string& args, std::string* out = nullptr) {
        const std::string o = _dir + "/out";
        const int rc = system(
            (std::string(ZVCFG) + " " + args + " > '" + o + "' 2> '" + _dir + "/err'").c_str());
        if (out) {
            const Bytes b = read_file(o);
            out->assign(b.begin(), b.end());
        }
        return rc;
    }

    Json::Value print(const std::string& file) {
        std::string text;
        EXPECT_EQ(run("print '" + file + "'", &text), 0) << file;
        Json::Value doc;
        std::istringstream in(text);
        Json::CharReaderBuilder b;
        std::string err;
        EXPECT_TRUE(Json::parseFromStream(b, in, &doc, &err)) << file << ": " << err;
        return doc;
    }

    std::string _dir;
};

} // namespace

TEST_F(Zvcfg, PrintsEveryShippedFile) {
    const std::string res = std::string(ZV_DIST_DIR) + "/res/";
    zvcs::set_cfg_path(ZV_DIST_DIR, ZV_DIST_DIR);
    const struct {
        const char* file;
        zvcs::CfgKind kind;
    } files[] = {
        {"tablet.cfg", zvcs::CfgKind::Tablet},
        {"pen.cfg", zvcs::CfgKind::Pen},
        {"layout_tablet.cfg", zvcs::CfgKind::TabletLayout},
        {"layout_pen.cfg", zvcs::CfgKind::PenLayout},
        {"user.cfg", zvcs::CfgKind::UserTemplate},
    };
    for (const auto& f : files) {
        const Json::Value doc = print(res + f.file);
        EXPECT_EQ(doc["file"].asString(), f.file);
        const th_i32 count = zvcs::read_list(f.kind, nullptr, 0);
        ASSERT_GT(count, 0) << f.file;
        ASSERT_EQ(doc["records"].size(), Json::ArrayIndex(count)) << f.file;
        for (const Json::Value& r : doc["records"])
            EXPECT_FALSE(r["sModel"].asString().empty()) << f.file << ": model string narrowed";
    }
    // Bindings come out as names of functions and keys.
    const Json::Value users = print(res + "user.cfg");
    bool undo = false;
    for (const Json::Value& u : users["records"]) {
        for (const Json::Value& k : u["app0"]["heks"])
            undo = undo || (k["func"][0].asString() == "key" && k["mods"][0].asString() == "Ctrl" &&
                            k["keys"][0].asString() == "Z");
    }
    EXPECT_TRUE(undo);
}

TEST_F(Zvcfg, PerModelFileAndProfileRoundTrip) {
    // A per-model file as the store writes it: a shipped template plus what users and damage add.
    zvcs::set_cfg_path(ZV_DIST_DIR, ZV_DIST_DIR);
    std::unique_ptr<ZvUserConfig> c(new ZvUserConfig());
    ASSERT_EQ(zvcs::read_a_user_config("ZVD2213DMT", c.get()), 0);
    strcpy(c->apps[3].pid, "/usr/bin/krita");
    c->apps[3].rotateAngle = 90;
    c->apps[3].screenArea[1] = {0.1f, 0.2f, 0.3f, 0.4f};
    c->base.calibrateFactors[2] = -77;
    ZvEkey& odd = c->base.app0.rmks[2];
    odd.funcBit = ZVEF_EXEC | ZVEF_KBTN | (1u << 13); // two parameters and an unnamed bit
    odd.funcEvtBit = 0x22;
    odd.kbtn.len = 2;
    odd.kbtn.kbKeys[1].code = 200; // a code without a name
    odd.kbtn.kbKeys[15].scanCode = 9;
    c->base.app0.heks[3].name[0] = '\x01'; // not printable
    const std::string file = _dir + "/ZVD2213DMT.cfg";
    ASSERT_EQ(zvcs::write_user_config_file(file.c_str(), c.get()), 0);

    std::string json;
    ASSERT_EQ(run("print '" + file + "'", &json), 0);
    std::ofstream(_dir + "/cfg.json") << json;
    ASSERT_EQ(run("write '" + _dir + "/cfg.json' '" + _dir + "/back.cfg'"), 0);
    EXPECT_EQ(read_file(_dir + "/back.cfg"), read_file(file));

    // An exported profile is the bare record.
    const std::string profile = _dir + "/export.zvp";
    std::ofstream(profile, std::ios::binary)
        .write(reinterpret_cast<const char*>(c.get()), sizeof *c);
    const Json::Value doc = print(profile);
    EXPECT_EQ(doc["file"].asString(), "profile");
    EXPECT_EQ(doc["config"]["apps"][0]["slot"].asInt(), 3);
    std::ofstream(_dir + "/profile.json") << Json::writeString(Json::StreamWriterBuilder(), doc);
    ASSERT_EQ(run("write '" + _dir + "/profile.json' '" + _dir + "/back.zvp'"), 0);
    EXPECT_EQ(read_file(_dir + "/back.zvp"), read_file(profile));
}

TEST_F(Zvcfg, EditedJsonIsWrittenAndMistakesAreRefused) {
    zvcs::set_cfg_path(ZV_DIST_DIR, ZV_DIST_DIR);
    std::unique_ptr<ZvUserConfig> c(new ZvUserConfig());
    ASSERT_EQ(zvcs::read_a_user_config("ZVM1060SLD", c.get()), 0);
    const std::string file = _dir + "/ZVM1060SLD.cfg";
    ASSERT_EQ(zvcs::write_user_config_file(file.c_str(), c.get()), 0);
    Json::Value doc = print(file);
    ASSERT_EQ(doc["config"]["base"]["app0"]["heks"][1]["keys"][0].asString(), "Z");

    doc["config"]["base"]["app0"]["heks"][1]["keys"][0] = "Y";
    doc["config"]["base"]["app0"]["heks"][1]["mods"] = Json::Value(Json::arrayValue);
    doc["config"]["base"]["app0"]["heks"][1]["mods"].append("Ctrl");
    std::ofstream(_dir + "/edit.json") << Json::writeString(Json::StreamWriterBuilder(), doc);
    ASSERT_EQ(run("write '" + _dir + "/edit.json' '" + file + "'"), 0);
    std::unique_ptr<ZvUserConfig> back(new ZvUserConfig());
    ASSERT_EQ(zvcs::read_a_user_config_from_file(file.c_str(), back.get()), 0);
    const ZvKbtn& k = back->base.app0.heks[1].kbtn;
    EXPECT_EQ(k.kbKeys[0].code, 21) << "KEY_Y";
    EXPECT_EQ(k.bCtrl, 1);
    EXPECT_EQ(k.bShift, 0);

    doc["config"]["base"]["app0"]["heks"][1]["keys"][0] = "Why";
    std::ofstream(_dir + "/bad.json") << Json::writeString(Json::StreamWriterBuilder(), doc);
    const Bytes before = read_file(file);
    EXPECT_NE(run("write '" + _dir + "/bad.json' '" + file + "'"), 0);
    const Bytes err = read_file(_dir + "/err");
    EXPECT_NE(std::string(err.begin(), err.end()).find("config.base.app0.heks[1].keys[0]"),
              std::string::npos);
    EXPECT_EQ(read_file(file), before);
    EXPECT_NE(run("print '" + _dir + "/missing.cfg'"), 0);
}
