#include "KeyTrans.h"
#include "EKeyValue.h"
#include "ZvEnum.h"
#include "ZvStruct.h"

#include <QHash>
#include <QMetaEnum>
#include <QVariant>

#include <gtest/gtest.h>

namespace {

// Stands in for the application's translation table: media labels become English words.
QString toEnglish(const QString& label) {
    static const QHash<QString, QString> words{
        {"静音", "Mute"},         {"音量减小", "Volume down"}, {"音量增大", "Volume up"},
        {"下一首", "Next track"}, {"暂停/播放", "Play/Pause"}, {"上一首", "Previous track"},
    };
    return words.value(label, label);
}

class KeyTransTest : public ::testing::Test {
protected:
    void TearDown() override { KeyTrans::SetLabelTranslator(nullptr); }
    KeyTrans kt;
};

TEST_F(KeyTransTest, EdgeCases) {
    enum Dir { ToName, ToCode };
    struct Case {
        KeyTrans::LabelTranslator hook;
        OSType os;
        Dir dir;
        int code;
        const char* name;
    };
    const Case cases[] = {
        {nullptr, OSLinux, ToName, 42, "LShift"},
        {nullptr, OSLinux, ToCode, 42, "LShift"}, // shown name reads back
        {nullptr, OSLinux, ToCode, 42, "Shift"},
        {nullptr, OSLinux, ToCode, 0, "lshift"}, // names are case-sensitive
        {nullptr, OSLinux, ToCode, 53, "?"},
        {nullptr, OSLinux, ToCode, 53, "/"},
        {nullptr, OSLinux, ToCode, 41, "~"},
        {nullptr, OSLinux, ToName, 43, "\\"},
        {nullptr, OSLinux, ToName, 103, "↑"},
        {nullptr, OSLinux, ToName, 0, ""},
        {nullptr, OSLinux, ToName, 200, ""},
        {nullptr, OSLinux, ToName, 255, ""},
        {nullptr, OSLinux, ToCode, 2, "0x2"},
        {nullptr, OSLinux, ToCode, 0, "0x4"},
        {nullptr, OSLinux, ToCode, 0, ""},
        {nullptr, OSLinux, ToName, 115, "音量增大"},
        {toEnglish, OSLinux, ToName, 115, "Volume up"},
        {toEnglish, OSLinux, ToCode, 115, "音量增大"}, // untranslated label still accepted
        {toEnglish, OSLinux, ToCode, 115, "0x73"},
        {toEnglish, OSLinux, ToCode, 164, "Play/Pause"},
        {nullptr, OSLinux, ToCode, 0, "Play/Pause"}, // only the current translation counts
        {nullptr, OSWin, ToName, 42, "Code42"},
        {nullptr, OSUnix, ToCode, 65, "A"},
        {nullptr, OSIos, ToCode, 0xC3, "é"},
        {nullptr, OSWin, ToCode, 0, ""},
    };
    for (const Case& c : cases) {
        KeyTrans::SetLabelTranslator(c.hook);
        const QString name = QString::fromUtf8(c.name);
        SCOPED_TRACE(testing::Message() << c.code << " / " << c.name << " / os " << c.os);
        if (c.dir == ToName)
            EXPECT_EQ(kt.CodeToString(c.code, c.os), name);
        else
            EXPECT_EQ(kt.StringToCode(name, c.os), c.code);
    }
}

TEST_F(KeyTransTest, EveryShownNameReadsBackAsItsCodeWithoutGrowingTheTables) {
    const int codeNames = kt.codeNames().size();
    const int nameCodes = kt.nameCodes().size();
    for (KeyTrans::LabelTranslator hook : {KeyTrans::LabelTranslator(nullptr), &toEnglish}) {
        KeyTrans::SetLabelTranslator(hook);
        int shown = 0;
        for (int code = 0; code <= 255; ++code) {
            const QString name = kt.CodeToString(code, OSLinux);
            if (name.isEmpty())
                continue;
            ++shown;
            EXPECT_EQ(kt.StringToCode(name, OSLinux), code) << name.toStdString();
        }
        EXPECT_EQ(shown, codeNames) << "every listed code has a name";
        EXPECT_EQ(kt.StringToCode("no such key", OSLinux), 0);
    }
    EXPECT_EQ(kt.codeNames().size(), codeNames);
    EXPECT_EQ(kt.nameCodes().size(), nameCodes);
}

TEST_F(KeyTransTest, PrivateCommandsReadBackAsTheirNumber) {
    for (int cmd : {ZV_PRIVATE_CMD_SHUTDOWN, ZV_PRIVATE_CMD_SLEEP, ZV_PRIVATE_CMD_LOCK_SCREEN}) {
        const QString name = KeyTrans::PrivateCmdToString(cmd);
        EXPECT_EQ(kt.StringToCode(name, OSLinux), cmd) << name.toStdString();
        // Not the name of the key that shares the number: that would re-save as a key press.
        EXPECT_NE(name, kt.CodeToString(cmd, OSLinux));
    }
    for (int cmd : {0, 4, -1, 255})
        EXPECT_TRUE(KeyTrans::PrivateCmdToString(cmd).isEmpty()) << cmd;
}

// QML uses these names; the values are what the configuration stores.
TEST_F(KeyTransTest, QmlConstantsCarryTheConfigurationValues) {
    struct Named {
        const char* name;
        int value;
    };
    const Named keyFuns[] = {{"ZvKey_None", ZVEF_NONE},
                             {"ZvKey_SwitchDisPlay", ZVEF_SWITCH_DISPLAY},
                             {"ZvKey_SwitchBrush", ZVEF_SWITCH_BRUSH},
                             {"ZvKey_Btn", ZVEF_KBTN},
                             {"ZvKey_Exec", ZVEF_EXEC},
                             {"ZvKey_MouseLeft", ZVEF_MOUSE_LEFT},
                             {"ZvKey_MouseMid", ZVEF_MOUSE_MID},
                             {"ZvKey_MouseRight", ZVEF_MOUSE_RIGHT},
                             {"ZvKey_MouseWheelForward", ZVEF_MOUSE_WHEEL_FORWARD},
                             {"ZvKey_mouseWheelBackWark", ZVEF_MOUSE_WHEEL_BACKWARD},
                             {"ZvKey_MouseDbClick", ZVEF_MOUSE_DBCLICK},
                             {"ZvKey_SwitchMKeyFunc", ZVEF_SWITCH_MEK_FUNC},
                             {"ZvKey_ShowEKeyValue", ZVEF_SHOW_EKEY_VALUE_PAGE},
                             {"ZvKey_FineModel", ZVEF_FINE_MODE},
                             {"ZvKey_RadialMenu", ZVEF_RADIAL_MENU},
                             {"ZvKey_Move_Roll", ZVEF_MOVE_ROLL},
                             {"ZvKey_RRivateCmd", ZVEF_RRIVATE_CMD},
                             {"ZvKey_MACMMK_CODE", ZVEF_MAC_MMK_CODE},
                             {"ZvKey_FixedPressure", ZVEF_FIXED_PRESSURE},
                             {"ZvKey_SwitchGame", ZVEF_SWITCH_GAME},
                             {"ZvKey_SwitchAbsolutemode", ZVEF_SWITCH_ABSOLUTEMODE}};
    const Named mekStates[] = {{"MKEY_SLIDER_DISABLED", MKEY_SLIDER_DISABLED},
                               {"MKEY_SLIDER_ENABLED", MKEY_SLIDER_ENABLED},
                               {"MKEY_RING_DISABLED", MKEY_RING_DISABLED},
                               {"MKEY_RING_ENABLED", MKEY_RING_ENABLED},
                               {"MKEY_DIAL_DISABLED", MKEY_DIAL_DISABLED},
                               {"MKEY_DIAL_ENABLED_WIN", MKEY_DIAL_ENABLED_WIN},
                               {"MKEY_DIAL_ENABLED_DIAL", MKEY_DIAL_ENABLED_DIAL},
                               {"MKEY_TOUCH_DISABLED", MKEY_TOUCH_DISABLED},
                               {"MKEY_TOUCH_ENABLED", MKEY_TOUCH_ENABLED},
                               {"MKEY_TOUCH13_DISABLED", MKEY_TOUCH13_DISABLED},
                               {"MKEY_TOUCH13_ENABLED", MKEY_TOUCH13_ENABLED}};
    auto check = [](const QMetaEnum& me, const auto& table) {
        ASSERT_TRUE(me.isValid());
        EXPECT_EQ(me.keyCount(), int(std::size(table))) << me.name();
        for (const Named& n : table) {
            bool ok = false;
            EXPECT_EQ(me.keyToValue(n.name, &ok), n.value) << n.name;
            EXPECT_TRUE(ok) << n.name;
        }
    };
    check(QMetaEnum::fromType<ZV_ENUM::ZV_KEY_FUN_ENUMS>(), keyFuns);
    check(QMetaEnum::fromType<ZV_ENUM::ZV_M_KEY_STATE_ENUMS>(), mekStates);
}

// The pages receive a binding inside a QVariant; the second binding must survive the trip too.
TEST_F(KeyTransTest, EKeyValueTravelsWholeInAQVariant) {
    EKeyValue v;
    v.iFunBit_v = ZVEF_RRIVATE_CMD;
    v.ckeys_2 = 200;
    v.sname_2 = "second";
    const EKeyValue trip = QVariant::fromValue(v).value<EKeyValue>();
    const EKeyValue back(&trip);
    EXPECT_EQ(back.iFunBit_v, ZVEF_RRIVATE_CMD);
    EXPECT_EQ(back.ckeys_2, 200);
    EXPECT_EQ(back.sname_2, "second");
    EXPECT_EQ(EKeyValue(nullptr).ckeys_2, 0);
}

} // namespace
