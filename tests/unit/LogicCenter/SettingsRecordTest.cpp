// What the settings application accepts from the core's records, how it writes its own, and how
// its device list keeps the current tablet.
#include "Tablet.h"
#include "TabletManager.h"
#include "ZvCoreRecord.h"

#include <gtest/gtest.h>

#include <string.h>

namespace {

QString nameOf(const ZvTabletCfg& c) {
    Tablet t(nullptr, QString(), QString());
    t.SetTabletCfg(c);
    return t.name();
}

ZvTabletCfg cfgOf(const char* model) {
    ZvTabletCfg c;
    memset(&c, 0, sizeof c);
    strncpy(c.sModel, model, sizeof c.sModel);
    return c;
}

} // namespace

TEST(SettingsRecords, ModelFieldsAreAcceptedOnlyAsModelNames) {
    const struct {
        const char* field; // copied into a zeroed 24-byte field, at most 24 bytes
        const char* model;
    } cases[] = {
        {"ZVM0640EKB", "ZVM0640EKB"},
        {"OEM_FF-01", "OEM_FF-01"},
        {"ABCDEFGHIJKLMNOPQRSTUVW", "ABCDEFGHIJKLMNOPQRSTUVW"}, // 23 bytes and the NUL
        {"ABCDEFGHIJKLMNOPQRSTUVWX", ""},                       // no NUL inside the field
        {"", ""},
        {"../../etc", ""},
        {"ZVM 0640", ""},
        {"ZVM\xc3\xa9", ""},
    };
    for (const auto& c : cases) {
        char field[ZV_MODEL_LEN] = {};
        memcpy(field, c.field, strnlen(c.field, ZV_MODEL_LEN));
        EXPECT_EQ(zvui::modelOf(field).toStdString(), c.model) << c.field;
    }
}

TEST(SettingsRecords, ARequestCarriesAModelThatFitsItsFieldOrIsNotMade) {
    ZvMsg m = zvui::makeRecord(ZVMC_UI_TABLET_INFO);
    EXPECT_TRUE(zvui::putModel(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVW"), &m));
    EXPECT_EQ(m.body.sModel[ZV_MODEL_LEN - 1], '\0');
    EXPECT_FALSE(zvui::putModel(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWX"), &m));
    EXPECT_STREQ(m.body.sModel, "ABCDEFGHIJKLMNOPQRSTUVW") << "a refused model wrote nothing";
}

TEST(SettingsRecords, CoreRecordsAreMadeSafeOrDropped) {
    ZvMsg list = zvui::makeRecord(ZVMC_REPLY | ZVMC_UI_TABLET_NUM);
    list.body.tablets.num = 200;
    strcpy(list.body.tablets.model[0], "../x");
    strcpy(list.body.tablets.model[1], "ZT-B02");
    ASSERT_TRUE(zvui::checkCoreRecord(&list));
    EXPECT_EQ(list.body.tablets.num, zvui::kMaxTablets);
    EXPECT_EQ(list.body.tablets.model[0][0], '\0');
    EXPECT_STREQ(list.body.tablets.model[1], "ZT-B02");

    ZvMsg info = zvui::makeRecord(ZVMC_REPLY | ZVMC_UI_TABLET_INFO);
    memset(&info.body.tc.tc, 'x', sizeof info.body.tc.tc);
    EXPECT_FALSE(zvui::checkCoreRecord(&info)) << "an unterminated model";
    strcpy(info.body.tc.tc.sModel, "ZT-A01");
    strcpy(info.body.tc.tc.sPenModel, "pen/../x");
    ASSERT_TRUE(zvui::checkCoreRecord(&info));
    EXPECT_EQ(info.body.tc.tc.sPenModel[0], '\0');
    EXPECT_EQ(info.body.tc.tc.sFullModel[sizeof info.body.tc.tc.sFullModel - 1], '\0');

    ZvMsg mek = zvui::makeRecord(ZVMC_CORE_SWITCH_MEK_FUNC);
    strcpy(mek.body.curMuxVal.sModel, "ZT-A01");
    const struct {
        int app, mek, mux;
        bool taken;
    } indices[] = {{7, 1, 3, true}, {8, 0, 0, false}, {0, 2, 0, false}, {0, 0, 4, false}};
    for (const auto& c : indices) {
        mek.body.curMuxVal.appIdx = th_u8(c.app);
        mek.body.curMuxVal.mekIdx = th_u8(c.mek);
        mek.body.curMuxVal.muxIdx = th_u8(c.mux);
        EXPECT_EQ(zvui::checkCoreRecord(&mek), c.taken) << c.app << " " << c.mek << " " << c.mux;
    }
}

TEST(SettingsRecords, DisplayNameIsUtf16OrTheModel) {
    ZvTabletCfg c = cfgOf("ZT-A01");
    EXPECT_EQ(nameOf(c), QStringLiteral("ZT-A01")) << "a nameless tablet shows its model";
    const char16_t text[] = u"Pen \u00e9 \U0001F58A";
    for (size_t i = 0; text[i] != 0; ++i) {
        c.sName[2 * i] = char(text[i] & 0xff);
        c.sName[2 * i + 1] = char(text[i] >> 8);
    }
    EXPECT_EQ(nameOf(c), QString::fromUtf16(text));
    // A field filled to its end with a pair cut in half: the half is dropped.
    for (size_t i = 0; i < 64; ++i) {
        const char16_t u = i == 63 ? 0xD83D : u'a';
        c.sName[2 * i] = char(u & 0xff);
        c.sName[2 * i + 1] = char(u >> 8);
    }
    EXPECT_EQ(nameOf(c), QString(63, QLatin1Char('a')));
}

TEST(SettingsRecords, CurrentTabletFollowsRemovals) {
    TabletManager m{QString()};
    EXPECT_EQ(m.GetCurrentDevIdx(), -1);
    ASSERT_NE(m.AddDev(cfgOf("A")), nullptr);
    EXPECT_EQ(m.AddDev(cfgOf("A")), nullptr) << "one entry per model";
    ASSERT_NE(m.AddDev(cfgOf("B")), nullptr);
    ASSERT_NE(m.AddDev(cfgOf("C")), nullptr);
    EXPECT_EQ(m.GetCurrentDevModel(), QStringLiteral("A"));
    ASSERT_TRUE(m.SetCurrentDevIdx(2));
    EXPECT_TRUE(m.RemoveDev(QStringLiteral("A")));
    EXPECT_EQ(m.GetCurrentDevModel(), QStringLiteral("C")) << "another going keeps the current one";
    EXPECT_TRUE(m.RemoveDev(QStringLiteral("C")));
    EXPECT_EQ(m.GetCurrentDevModel(), QStringLiteral("B"));
    EXPECT_FALSE(m.SetCurrentDevIdx(1));
    EXPECT_TRUE(m.RemoveDev(QStringLiteral("B")));
    EXPECT_EQ(m.GetCurrentDevIdx(), -1);
    EXPECT_FALSE(m.RemoveDev(QStringLiteral("B")));
}
