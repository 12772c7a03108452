// The user configuration: user.cfg templates, the per-model file that overrides them, and paths
// that do not fit the store's buffers.
#include "StoreFixture.h"

#include <memory>

using namespace cstest;

namespace {

ZvUserCfg templ(const char* model, th_u32 screen) {
    ZvUserCfg u{};
    set_str(u.sModel, sizeof u.sModel, model);
    u.curScreenIndex = screen;
    u.app0.mouseModeA = 3;
    return u;
}

Bytes template_file(const std::vector<ZvUserCfg>& recs) {
    Bytes b = head_bytes(ZV_CFG_VER_2, uint32_t(recs.size()), sizeof(ZvUserCfg));
    for (const ZvUserCfg& u : recs)
        append(b, stored(u));
    return b;
}

std::unique_ptr<ZvUserConfig> config_filled(uint8_t fill) {
    std::unique_ptr<ZvUserConfig> c(new ZvUserConfig);
    memset(c.get(), fill, sizeof *c);
    return c;
}

class UserConfig : public StoreTest {};

} // namespace

TEST_F(UserConfig, TemplateOrderBothWays) {
    const ZvUserCfg generic = templ(ZV_GENERIC_MODEL, 1);
    const ZvUserCfg own = templ("ZVM1060SLD", 2);
    const ZvUserCfg other = templ("ZVM0640EKB", 3);
    struct Case {
        const char* what;
        std::vector<ZvUserCfg> file;
        const char* model;
        th_u32 wantScreen; // 0xA5A5A5A5: the caller's record untouched
    };
    const Case cases[] = {
        {"generic first, exact later: exact wins", {generic, other, own}, "ZVM1060SLD", 2},
        {"exact first, generic later: exact stays", {own, generic}, "ZVM1060SLD", 2},
        {"only the generic one", {other, generic}, "ZVM1060SLD", 1},
        {"neither", {other}, "ZVM1060SLD", 0xA5A5A5A5u},
    };
    for (const Case& c : cases) {
        write_file("user.cfg", template_file(c.file));
        auto cfg = config_filled(0xA5);
        EXPECT_EQ(zvcs::read_a_user_config(c.model, cfg.get()), 0) << c.what;
        EXPECT_EQ(cfg->base.curScreenIndex, c.wantScreen) << c.what;
        EXPECT_EQ(cfg->apps[0].pid[0], char(0xA5)) << c.what << ": apps are not the template's";
        if (c.wantScreen != 0xA5A5A5A5u) {
            EXPECT_EQ(cfg->base.app0.mouseModeA, 3) << c.what;
        }
    }
}

TEST_F(UserConfig, TemplateFileMissingOrDamaged) {
    auto cfg = config_filled(0xA5);
    EXPECT_EQ(zvcs::read_a_user_config("ZVM1060SLD", cfg.get()), -17);
    EXPECT_TRUE(logged("read_a_user_config() open file faild : " + res("user.cfg")));

    Bytes torn = template_file({templ(ZV_GENERIC_MODEL, 1), templ("ZVM1060SLD", 2)});
    torn.resize(torn.size() - 100);
    write_file("user.cfg", torn);
    EXPECT_EQ(zvcs::read_a_user_config("ZVM1060SLD", cfg.get()), 0);
    EXPECT_EQ(cfg->base.curScreenIndex, 1u) << "the torn exact record is not used";
}

TEST_F(UserConfig, PerModelFileWinsAndRoundTrips) {
    write_file("user.cfg", template_file({templ("ZVM1060SLD", 2)}));
    auto written = config_filled(0);
    set_str(written->base.sModel, 24, "ZVM1060SLD");
    written->base.curScreenIndex = 5;
    written->apps[6].rotateAngle = 270;
    set_str(written->apps[6].pid, 260, "/usr/bin/krita");
    ASSERT_EQ(zvcs::write_a_user_config("ZVM1060SLD", written.get()), 0);

    const Bytes file = read_file(res("ZVM1060SLD.cfg"));
    ASSERT_EQ(file.size(), 84u + sizeof(ZvUserConfig));
    ZvCfgFileHead head;
    memcpy(&head, file.data(), sizeof head);
    EXPECT_EQ(head.ver, 2);
    EXPECT_EQ(head.size, 1u);
    EXPECT_EQ(head.len, sizeof(ZvUserConfig));
    EXPECT_EQ(memcmp(file.data() + 84, written.get(), sizeof *written), 0);

    auto back = config_filled(0xA5);
    EXPECT_EQ(zvcs::read_a_user_config("ZVM1060SLD", back.get()), 0);
    EXPECT_EQ(memcmp(back.get(), written.get(), sizeof *back), 0);

    // Deleting the file brings the template back.
    ASSERT_EQ(unlink(res("ZVM1060SLD.cfg").c_str()), 0);
    EXPECT_EQ(zvcs::read_a_user_config("ZVM1060SLD", back.get()), 0);
    EXPECT_EQ(back->base.curScreenIndex, 2u);
}

TEST_F(UserConfig, ShortPerModelFileFillsOnlyWhatItHolds) {
    auto full = config_filled(0x11);
    ASSERT_EQ(zvcs::write_a_user_config("ZVM1060SLD", full.get()), 0);
    Bytes file = read_file(res("ZVM1060SLD.cfg"));
    const size_t keep = 1000;
    file.resize(84 + keep);
    write_file("ZVM1060SLD.cfg", file);

    auto cfg = config_filled(0xA5);
    EXPECT_EQ(zvcs::read_a_user_config_from_file(res("ZVM1060SLD.cfg").c_str(), cfg.get()), 0);
    const uint8_t* b = reinterpret_cast<const uint8_t*>(cfg.get());
    EXPECT_EQ(b[keep - 1], 0x11);
    EXPECT_EQ(b[keep], 0xA5);
    EXPECT_EQ(b[sizeof *cfg - 1], 0xA5);

    // Longer than a record: nothing beyond the caller's record is touched.
    auto big = config_filled(0x22);
    ASSERT_EQ(zvcs::write_a_user_config("ZVM1060SLD", big.get()), 0);
    file = read_file(res("ZVM1060SLD.cfg"));
    append(file, Bytes(4096, 0xEE));
    write_file("ZVM1060SLD.cfg", file);
    std::unique_ptr<uint8_t[]> guarded(new uint8_t[sizeof(ZvUserConfig) + 64]);
    memset(guarded.get(), 0x5A, sizeof(ZvUserConfig) + 64);
    EXPECT_EQ(zvcs::read_a_user_config_from_file(res("ZVM1060SLD.cfg").c_str(),
                                                 reinterpret_cast<ZvUserConfig*>(guarded.get())),
              0);
    EXPECT_EQ(guarded[sizeof(ZvUserConfig) - 1], 0x22);
    EXPECT_EQ(guarded[sizeof(ZvUserConfig)], 0x5A);

    write_file("ZVM1060SLD.cfg", {});
    cfg = config_filled(0xA5);
    EXPECT_EQ(zvcs::read_a_user_config_from_file(res("ZVM1060SLD.cfg").c_str(), cfg.get()), 0);
    EXPECT_EQ(cfg->base.sModel[0], char(0xA5)) << "an empty file changes nothing";
    EXPECT_EQ(zvcs::read_a_user_config_from_file(res("none.cfg").c_str(), cfg.get()), -17);
}

TEST_F(UserConfig, OverLongPathsAreRefusedLikeUnopenableFiles) {
    auto cfg = config_filled(0);
    write_file("user.cfg", template_file({templ("ZVM1060SLD", 2)}));

    // The per-model path may have 255 characters: "<dir>/res/<model>.cfg".
    const size_t fixed = _dir.size() + strlen("/res/") + strlen(".cfg");
    const std::string fits(255 - fixed, 'M');
    const std::string tooLong(256 - fixed, 'M');
    EXPECT_EQ(zvcs::write_a_user_config(fits.c_str(), cfg.get()), 0);
    EXPECT_EQ(zvcs::write_a_user_config(tooLong.c_str(), cfg.get()), -17);
    // The model cannot name a file outside res/.
    EXPECT_EQ(zvcs::write_a_user_config("../escape", cfg.get()), -17);
    // Reading such a model falls back to the templates, like a model without its own file.
    EXPECT_EQ(zvcs::read_a_user_config(tooLong.c_str(), cfg.get()), 0);

    // Base directories of 520 characters or more are refused; every later call then fails.
    const std::string longBase(520, 'd');
    zvcs::set_cfg_path(longBase.c_str(), _dir.c_str());
    ZvTabletCfg t;
    EXPECT_EQ(zvcs::read_a_config(zvcs::CfgKind::Tablet, "ZVM1060SLD", &t), -17);
    EXPECT_EQ(zvcs::read_a_user_config("ZVM0000000", cfg.get()), -17);
    EXPECT_EQ(zvcs::write_list(zvcs::CfgKind::Pen, nullptr, 0), -17);
    zvcs::set_cfg_path(_dir.c_str(), longBase.c_str());
    EXPECT_EQ(zvcs::write_a_user_config("ZVM1060SLD", cfg.get()), -17);
    zvcs::set_cfg_path(nullptr, nullptr);
    EXPECT_EQ(zvcs::read_a_config(zvcs::CfgKind::Tablet, "ZVM1060SLD", &t), -17);

    // A 519-character base is accepted, but "<base>/res/tablet.cfg" no longer fits 519.
    const std::string maxBase(519, 'd');
    zvcs::set_cfg_path(maxBase.c_str(), maxBase.c_str());
    EXPECT_EQ(zvcs::read_a_config(zvcs::CfgKind::Tablet, "ZVM1060SLD", &t), -17);
}

TEST_F(UserConfig, WriteIntoAMissingFolderFailsCleanly) {
    const std::string gone = _dir + "/nowhere";
    zvcs::set_cfg_path(gone.c_str(), gone.c_str());
    auto cfg = config_filled(0);
    EXPECT_EQ(zvcs::write_a_user_config("ZVM1060SLD", cfg.get()), -17);
    EXPECT_TRUE(logged("write_a_user_config pf=0, WRITE ERROR\n"));
    EXPECT_TRUE(logged("write_a_user_config() open file faild : " + gone + "/res/ZVM1060SLD.cfg"));
}
