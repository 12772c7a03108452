// Binding records made from the pages' input, their flat values and the texts shown for them.
#include "ZvBindingText.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <string.h>

namespace {

class BindingText : public ::testing::Test {
protected:
    // A keyboard binding; mods holds 'C', 'A', 'S', 'W' for the modifiers that are down.
    static ZvEkey kb(unsigned char code, const char* mods = "", quint32 more = 0) {
        ZvEkey r = zeroed(ZVEF_KBTN | more);
        r.kbtn.bCtrl = strchr(mods, 'C') != nullptr;
        r.kbtn.bAlt = strchr(mods, 'A') != nullptr;
        r.kbtn.bShift = strchr(mods, 'S') != nullptr;
        r.kbtn.bWin = strchr(mods, 'W') != nullptr;
        r.kbtn.len = code != 0;
        r.kbtn.kbKeys[0].code = code;
        return r;
    }
    static ZvEkey zeroed(quint32 funcBit, const char* name = "") {
        ZvEkey r;
        memset(&r, 0, sizeof r);
        r.funcBit = funcBit;
        strncpy(r.name, name, sizeof r.name);
        return r;
    }
    static ZvEkey exec(const char* path) {
        ZvEkey r = zeroed(ZVEF_EXEC);
        strncpy(r.cmdPath, path, sizeof r.cmdPath);
        return r;
    }
    static ZvEkey privateCmd(int cmd) {
        ZvEkey r = zeroed(ZVEF_RRIVATE_CMD);
        r.privateCmd = static_cast<th_u8>(cmd);
        return r;
    }
    static ZvMEkey mek(const ZvEkey& first, const ZvEkey& second, int set = 0) {
        ZvMEkey m;
        memset(&m, 0, sizeof m);
        m.muxIndex = static_cast<th_u8>(set);
        m.mekEkeys[set].eks[0] = first;
        m.mekEkeys[set].eks[1] = second;
        return m;
    }
    // Brackets show which texts went through the translator, and in which pieces.
    static QString bracket(const QString& s) { return QLatin1Char('<') + s + QLatin1Char('>'); }

    std::string text(const ZvEkey& r) const { return zvui::EKeyToString(r, _keys).toStdString(); }

    KeyTrans _keys;
};

// Linux key codes used below.
enum : unsigned char {
    kD = 32,
    kZ = 44,
    kY = 21,
    kEquals = 13,
    kMinus = 12,
    kLeftBrace = 26,
    kRightBrace = 27,
    kTab = 15,
    kLeft = 105,
    kRight = 106,
    kDelete = 111,
    kKpPlus = 78,
    kVolDown = 114,
    kVolUp = 115,
    kNext = 163,
    kPrev = 165,
    kSpace = 57,
};

TEST_F(BindingText, EKeyToStringNamesKeysMouseButtonsAndFunctions) {
    const struct {
        ZvEkey rec;
        const char* text;
    } cases[] = {
        {kb(kZ, "CS"), "Ctrl+Shift+Z"},
        {kb(kZ, "WASC"), "Ctrl+Shift+Alt+Win+Z"},
        {kb(0, "CA"), "Ctrl+Alt"},
        {kb(kSpace), "Space"},
        {kb(kZ, "C", ZVEF_MOUSE_MID), "Ctrl+Z+鼠标中键"},
        {zeroed(ZVEF_MOUSE_LEFT | ZVEF_MOUSE_RIGHT), "鼠标左键+鼠标右键"},
        {zeroed(0x3f0), "鼠标左键+鼠标中键+鼠标右键+向前滚轮+向后滚轮+左键双击"},
        {privateCmd(1), "关机"},
        {privateCmd(2), "睡眠"},
        {privateCmd(3), "锁屏"},
        {privateCmd(9), ""},
        {exec("/usr/bin/gimp"), "/usr/bin/gimp"},
        {exec("'/opt/my app/run'"), "/opt/my app/run"},
        {exec("calc.exe"), "计算器"},
        {zeroed(ZVEF_NONE), "无功能"},
        {zeroed(ZVEF_SWITCH_DISPLAY), "切换屏幕"},
        {zeroed(ZVEF_MOVE_ROLL), "平移/卷动"},
        {zeroed(ZVEF_SWITCH_ABSOLUTEMODE), "鼠标模式"},
        {zeroed(ZVEF_MOVE_ROLL | ZVEF_MOUSE_LEFT), "鼠标左键"}, // labels only for whole values
        {kb(kD, "W"), "显示/隐藏桌面"},
        {kb(kTab, "W"), "任务视图"},
        {kb(kDelete, "W"), "Win+Delete"}, // whole text only, not a prefix
        {kb(kD, "CW"), "Ctrl+Win+D"},
        {kb(kKpPlus, "C", ZVEF_MOUSE_LEFT), "Ctrl+KP+鼠标左键"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text(c.rec), c.text) << c.text;
}

TEST_F(BindingText, RecordStringsAreReadWithinTheirFields) {
    ZvEkey two[2] = {kb(kZ), kb(kZ)};
    memset(two[0].name, 'A', sizeof two[0].name);
    strcpy(two[1].name, "BB");
    EXPECT_EQ(zvui::GetEKeyName(two[0]), QLatin1Char('(') + QString(32, 'A') + QLatin1Char(')'));
    EXPECT_EQ(zvui::ekeyToValue(two[0]).sname, QString(32, 'A'));

    two[0] = exec("");
    memset(two[0].cmdPath, 'a', sizeof two[0].cmdPath);
    EXPECT_EQ(text(two[0]), std::string(260, 'a'));
    EXPECT_EQ(zvui::GetEKeyName(zeroed(ZVEF_KBTN)), QString());
}

TEST_F(BindingText, MultiFunctionPairsShowTheirGestureLabel) {
    const struct {
        ZvEkey first, second;
        const char* text;
    } cases[] = {
        {kb(kEquals, "C"), kb(kMinus, "C"), "画布缩放"},
        {kb(kRightBrace), kb(kLeftBrace), "画笔缩放"},
        {zeroed(ZVEF_MOUSE_WHEEL_FORWARD), zeroed(ZVEF_MOUSE_WHEEL_BACKWARD), "上下滚动"},
        {kb(kLeft, "CW"), kb(kRight, "CW"), "切换桌面"},
        {kb(kTab, "A"), kb(kTab, "SA"), "切换应用程序"},
        {kb(kVolUp), kb(kVolDown), "音量调节"},
        {kb(kNext), kb(kPrev), "上一首/下一首"},
        {kb(kLeftBrace), kb(kRightBrace), "[/]"},
        {kb(kZ, "C"), kb(kY, "C"), "Ctrl+Z/Ctrl+Y"},
    };
    for (const auto& c : cases) {
        for (int set : {0, 2}) {
            const ZvMEkey m = mek(c.first, c.second, set);
            EXPECT_EQ(zvui::mekValueText(m, 2, set, false, _keys, {}).toStdString(), c.text);
            EXPECT_EQ(zvui::mekValueText(m, 2, -1, false, _keys, {}).toStdString(), c.text)
                << "fun -1 is the current function";
        }
    }

    ZvMEkey named = mek(kb(kEquals, "C"), kb(kMinus, "C"), 1);
    strcpy(named.mekEkeys[1].eks[0].name, "zoom");
    EXPECT_EQ(zvui::mekValueText(named, 3, 1, true, _keys, {}), QStringLiteral("(zoom)画布缩放"));
    named.muxIndex = ZV_MAX_MUX;
    EXPECT_EQ(zvui::mekValueText(named, 3, -1, true, _keys, {}), QString());
    EXPECT_EQ(zvui::mekValueText(named, 3, ZV_MAX_MUX, true, _keys, {}), QString());
}

TEST_F(BindingText, TouchStripsShowThirteenPositionsLessTheMiddleFour) {
    const unsigned char letters[] = {16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 30, 31, 32};
    ZvMEkey m;
    memset(&m, 0, sizeof m);
    for (int i = 0; i < 13; ++i)
        m.mekEkeys[0].eks[i] = kb(letters[i]);
    strcpy(m.mekEkeys[0].eks[0].name, "strip");
    strcpy(m.mekEkeys[0].eks[7].name, "seven");
    for (int type : {16, 32}) {
        EXPECT_EQ(zvui::mekValueText(m, type, -1, true, _keys, {}).toStdString(),
                  "(strip)Q/W/E/R/T/Y/A/S/D");
        EXPECT_EQ(zvui::mekValueText(m, type, 7, true, _keys, {}).toStdString(), "(seven)I");
        EXPECT_EQ(zvui::mekValueText(m, type, ZV_MEK_EKEYS, true, _keys, {}), QString());
    }
}

TEST_F(BindingText, TranslationTakesNoFunctionHalvesAndOtherTextsWhole) {
    const struct {
        ZvEkey first, second;
        const char* text;
    } cases[] = {
        {zeroed(0), zeroed(0), "<无功能>"},
        {zeroed(0), kb(kZ, "C"), "<无功能>/<Ctrl+Z>"},
        {zeroed(ZVEF_MOVE_ROLL), zeroed(0), "<平移/卷动>/<无功能>"},
        {kb(kZ, "C"), kb(kY, "C"), "<Ctrl+Z/Ctrl+Y>"},
        {kb(kEquals, "C"), kb(kMinus, "C"), "<画布缩放>"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(
            zvui::mekValueText(mek(c.first, c.second), 2, 0, false, _keys, bracket).toStdString(),
            c.text);
    }
    ZvEkey named = kb(kZ, "C");
    strcpy(named.name, "undo");
    EXPECT_EQ(zvui::keyValueText(named, _keys, bracket), QStringLiteral("(undo)<Ctrl+Z>"));
    EXPECT_EQ(zvui::keyValueText(zeroed(0), _keys, bracket), QStringLiteral("<无功能>"));
}

TEST_F(BindingText, NamesAreShortenedByWholeCharactersBelow32Bytes) {
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // one surrogate pair
    const struct {
        QString name, stored;
    } cases[] = {
        {QString(40, 'n'), QString(14, 'n')},
        {QString(10, 'n'), QString(10, 'n')},
        {QString(31, 'n'), QString(31, 'n')},
        {QString(32, 'n'), QString(14, 'n')},
        {emoji.repeated(40), emoji.repeated(7)},
        {QString(13, 'n') + emoji + QString(20, 'n'), QString(13, 'n') + emoji},
        {QStringLiteral("压").repeated(12), QStringLiteral("压").repeated(10)},
    };
    for (const auto& c : cases) {
        ZvEkey rec;
        ASSERT_TRUE(zvui::makeEkey(ZVEF_KBTN, false, false, false, false, QStringLiteral("Z"),
                                   c.name, _keys, &rec, nullptr));
        ASSERT_LT(strnlen(rec.name, sizeof rec.name), sizeof rec.name) << "NUL stored";
        EXPECT_EQ(QString::fromUtf8(rec.name), c.stored) << c.name.toStdString();
    }
}

TEST_F(BindingText, ProgramPathsAreQuotedForTheShellOrRefusedWhole) {
    const struct {
        QString path;
        bool fits;
        QString stored;
    } cases[] = {
        {"/usr/bin/gimp", true, "/usr/bin/gimp"},
        {"/opt/my app/run", true, "'/opt/my app/run'"},
        {"/opt/it's/run", true, "'/opt/it'\\''s/run'"},
        {"a;reboot", true, "'a;reboot'"},
        {"x=y", true, "'x=y'"}, // a first word with "=" is an assignment
        {"~/bin/app", true, "'~/bin/app'"},
        {"$(reboot) `x` \"y\" x=1 ~ *", true, "'$(reboot) `x` \"y\" x=1 ~ *'"},
        {QString(259, 'a'), true, QString(259, 'a')},
        {QString(260, 'a'), false, ""},
        {QString(128, 'a') + ' ' + QString(128, 'a'), true, ""}, // 259 bytes once quoted
        {QString(128, 'a') + ' ' + QString(129, 'a'), false, ""},
        {QStringLiteral("压").repeated(87), false, ""}, // 261 bytes
    };
    for (const auto& c : cases) {
        ZvEkey rec = kb(kZ, "CASW");
        QString why;
        const bool ok = zvui::makeEkey(ZVEF_EXEC, false, false, false, false, c.path, QString(),
                                       _keys, &rec, &why);
        ASSERT_EQ(ok, c.fits) << c.path.toStdString();
        if (!ok) {
            EXPECT_FALSE(why.isEmpty());
            EXPECT_EQ(rec.funcBit, ZVEF_KBTN) << "a refused entry wrote nothing";
            continue;
        }
        const QString stored = QString::fromUtf8(rec.cmdPath);
        if (!c.stored.isEmpty()) {
            EXPECT_EQ(stored, c.stored);
        }
        EXPECT_EQ(text(rec), c.path.toStdString()) << "shown as entered";
        // The shell must see exactly the path as one word.
        QProcess sh;
        sh.start(QStringLiteral("/bin/sh"),
                 {QStringLiteral("-c"), QStringLiteral("printf %s ") + stored});
        ASSERT_TRUE(sh.waitForFinished(5000));
        EXPECT_EQ(QString::fromUtf8(sh.readAllStandardOutput()), c.path);
    }
}

TEST_F(BindingText, RecordsRoundTripIntoTheValuesThePagesEdit) {
    const struct {
        quint32 funcBit;
        bool ctrl, alt, shift, win;
        const char* keyText;
        bool made;
        unsigned char len, key; // kbtn.len; keys_v of the value
    } cases[] = {
        {ZVEF_KBTN, true, false, true, false, "Z", true, 1, kZ},
        {ZVEF_KBTN, false, true, false, true, "Shift", true, 1, 42},
        {ZVEF_KBTN, true, false, false, false, "", true, 0, 0},
        {ZVEF_KBTN, true, false, false, false, "Nonsense", true, 0, 0},
        {ZVEF_KBTN, false, false, false, false, "0x1", true, 0, 0}, // no key
        {ZVEF_MOUSE_LEFT, false, false, false, false, "", true, 0, 0},
        {ZVEF_RRIVATE_CMD, true, true, true, true, "0x1", true, 0, 1},
        {ZVEF_RRIVATE_CMD, false, false, false, false, "0x3", true, 0, 3},
        {ZVEF_RRIVATE_CMD, false, false, false, false, "Esc", false, 0, 0},
        {ZVEF_RRIVATE_CMD, false, false, false, false, "", false, 0, 0},
    };
    for (const auto& c : cases) {
        ZvEkey rec = zeroed(0xdead);
        QString why;
        ASSERT_EQ(zvui::makeEkey(c.funcBit, c.ctrl, c.alt, c.shift, c.win, c.keyText,
                                 QStringLiteral("n"), _keys, &rec, &why),
                  c.made)
            << c.keyText;
        if (!c.made) {
            EXPECT_EQ(rec.funcBit, 0xdeadu);
            EXPECT_FALSE(why.isEmpty());
            continue;
        }
        const bool keys = c.funcBit != ZVEF_RRIVATE_CMD;
        if (keys) {
            EXPECT_EQ(rec.kbtn.len, c.len) << c.keyText;
        }
        const EKeyValue v = zvui::ekeyToValue(rec);
        EXPECT_EQ(v.iFunBit_v, static_cast<int>(c.funcBit));
        EXPECT_EQ(v.sname, QStringLiteral("n"));
        EXPECT_EQ(v.keys_v, c.key) << c.keyText;
        EXPECT_EQ(v.bCtrl_v, keys && c.ctrl);
        EXPECT_EQ(v.bAlt_v, keys && c.alt);
        EXPECT_EQ(v.bShift_v, keys && c.shift);
        EXPECT_EQ(v.bWin_v, keys && c.win);
    }

    ZvEkey path;
    ASSERT_TRUE(zvui::makeEkey(ZVEF_EXEC, false, false, false, false, "/bin/true", QString(), _keys,
                               &path, nullptr));
    const EKeyValue v = zvui::ekeyToValue(path);
    EXPECT_FALSE(v.bCtrl_v || v.bAlt_v || v.bShift_v || v.bWin_v || v.keys_v != 0)
        << "the path's bytes are no modifiers";
}

TEST_F(BindingText, MultiFunctionValuesCarryBothBindingsOrAStripPosition) {
    ZvMEkey m = mek(kb(kEquals, "C"), kb(kMinus, "SW"), 2);
    m.mekEkeys[0].eks[5] = privateCmd(2);
    strcpy(m.mekEkeys[2].eks[1].name, "out");

    const EKeyValue pair = zvui::mekToValue(m, 3, 1, 2);
    EXPECT_EQ(pair.idx_v, 1);
    EXPECT_EQ(pair.iFunIdx_v, 2);
    EXPECT_TRUE(pair.bCtrl_v && !pair.bShift_v);
    EXPECT_EQ(pair.keys_v, kEquals);
    EXPECT_EQ(pair.iFunBit_2_v, static_cast<int>(ZVEF_KBTN));
    EXPECT_TRUE(!pair.bCtrl_2_v && pair.bShift_2_v && pair.bWin_2_v);
    EXPECT_EQ(pair.ckeys_2, kMinus);
    EXPECT_EQ(pair.sname_2, QStringLiteral("out"));

    const EKeyValue strip = zvui::mekToValue(m, 16, 0, 5);
    EXPECT_EQ(strip.iFunBit_v, static_cast<int>(ZVEF_RRIVATE_CMD));
    EXPECT_EQ(strip.keys_v, 2);
    EXPECT_EQ(strip.iFunBit_2_v, 5);

    for (const auto& [type, fun] :
         {std::pair<int, int>{3, ZV_MAX_MUX}, {3, -1}, {32, ZV_MEK_EKEYS}}) {
        const EKeyValue none = zvui::mekToValue(m, type, 4, fun);
        EXPECT_EQ(none.iFunBit_v, 0);
        EXPECT_EQ(none.iFunBit_2_v, 0);
        EXPECT_EQ(none.idx_v, 4);
    }
}

} // namespace
