// A mistake in a model file stops the build with the file and the field.
#include "ModelFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <stdlib.h>
#include <string>

namespace {

const char* const kGood = "ZVM1060SLD";

std::string good_text(const std::string& model = kGood) {
    std::ifstream in(std::string(ZV_SOURCE_DIR) + "/data/models/" + model + ".json");
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A shipped model file with the first match of `from` replaced.
std::string edited(const std::string& from, const std::string& to,
                   const std::string& model = kGood) {
    std::string t = good_text(model);
    const size_t at = t.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        t.replace(at, from.size(), to);
    return t;
}

struct BadCase {
    const char* what;
    std::string text;
    const char* field; // expected in the message
    const char* model = kGood;
};

std::string error_of(const std::string& text, const std::string& model = kGood) {
    try {
        zvm::parse_model("models/" + model + ".json", text);
    } catch (const zvm::ModelError& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(ModelCompile, GoodFileCompiles) {
    EXPECT_EQ(error_of(good_text()), "");
}

TEST(ModelCompile, MistakesNameTheFileAndTheField) {
    const BadCase cases[] = {
        {"syntax", edited("\"maxX\": 50800,", "\"maxX\": 50800"), "not valid JSON"},
        {"missing field", edited("\"maxX\": 50800,", ""), "tablet.maxX: missing"},
        {"wrong type", edited("\"maxX\": 50800", "\"maxX\": \"wide\""), "tablet.maxX"},
        {"out of range", edited("\"hekNum\": 8", "\"hekNum\": 25"), "tablet.hekNum"},
        {"negative", edited("\"maxP\": 8191", "\"maxP\": -1"), "tablet.maxP"},
        {"string too long",
         edited("\"ZVM1060SLD_231104\"", "\"ZVM1060SLD_2311041234567890123456789\""),
         "tablet.sFullModel"},
        {"unknown key name", edited("\"keys\": [\"Z\"]", "\"keys\": [\"Zed\"]"),
         "user.app0.heks[0].keys[0]"},
        {"unknown function", edited("\"switch-brush\"", "\"switch-brushes\""),
         "user.app0.heks[5].func[0]"},
        {"unknown member", edited("\"bTitl\": 1", "\"bTilt\": 1"), "tablet.bTilt: unknown member"},
        {"id not 10 characters", edited("\"model\": \"ZVM1060SLD\"", "\"model\": \"ZVM1060SL\""),
         "model"},
        {"unknown quirk", edited("\"no-away-event\"", "\"no-away\""), "quirks[0]"},
        {"key outside the picture", edited("[20, 495, 90, 540]", "[20, 495, 90, 541]"),
         "layout.heks[7]"},
        {"code table longer than the keys", edited("\"hekNum\": 8", "\"hekNum\": 7"),
         "tablet.hekCode[7]"},
        {"binding on a key the tablet lacks",
         edited("\"app0\": {", "\"app0\": {\"seks\": [{\"func\": [\"mouse-left\"]}],"),
         "user.app0.seks[0]: bound, but the tablet has no such key"},
        {"control without a kind", edited("[\"slider\"]", "[\"none\"]"), "tablet.mekFuncBit[0]"},
        {"ratio out of range", edited("\"app0\": {", "\"app0\": {\"workarea\": [0, 0, 1.5, 1],"),
         "user.app0.workarea[2]"},
        {"switch of a missing control", edited("\"mek\": 0", "\"mek\": 1"),
         "user.app0.heks[7].mek"},
        // The settings application writes the partner's binding too: it must exist and face it.
        {"key mirror without its keys", edited("\"no-away-event\"", "\"mirror-keys-16\""),
         "quirks[0]: mirror-keys-16 needs exactly 16 express keys"},
        {"dial mirror without dials", edited("\"no-away-event\"", "\"mirror-dials\""),
         "quirks[0]: mirror-dials needs exactly two controls"},
        {"key partner on the same side",
         edited("[1315, 658, 1385, 708]", "[15, 658, 85, 708]", "ZVD2420MKS"), "layout.heks[19]",
         "ZVD2420MKS"},
        {"key partner out of line",
         edited("[915, 40, 985, 80]", "[915, 41, 985, 81]", "ZVM1316MKS"), "layout.heks[8]",
         "ZVM1316MKS"},
        {"dial partner not mirrored",
         edited("\"rect\": [915, 40, 985, 110]", "\"rect\": [914, 40, 985, 110]", "ZVD1622DDL"),
         "layout.meks[1].rect", "ZVD1622DDL"},
    };
    for (const BadCase& c : cases) {
        const std::string msg = error_of(c.text, c.model);
        EXPECT_NE(msg.find("models/" + std::string(c.model) + ".json: "), std::string::npos)
            << c.what << ": " << msg;
        EXPECT_NE(msg.find(c.field), std::string::npos) << c.what << ": " << msg;
    }
}

TEST(ModelCompile, CompilerFailsTheBuildOnABadFile) {
    char dir[] = "/tmp/zvmodelc-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string d = dir;
    std::ofstream(d + "/ZVM1060SLD.json") << edited("\"maxY\": 31750", "\"maxY\": true");
    const std::string cmd = std::string(ZVMODELC) + " --dist " + d + "/dist --gen " + d + "/gen " +
                            d + "/ZVM1060SLD.json 2> " + d + "/err";
    const int rc = system(cmd.c_str());
    EXPECT_NE(rc, 0);
    std::ifstream err(d + "/err");
    std::string line;
    std::getline(err, line);
    EXPECT_NE(line.find(d + "/ZVM1060SLD.json: tablet.maxY"), std::string::npos) << line;
    std::ifstream tablet(d + "/dist/res/tablet.cfg");
    EXPECT_FALSE(tablet.good()) << "nothing is written from a broken database";
    ASSERT_EQ(system(("rm -rf '" + d + "'").c_str()), 0);
}
