#include "ZvBindingText.h"

#include <QStringList>

#include <ctype.h>
#include <string.h>

namespace zvui {

namespace {

// The name field holds the UTF-8 form and its NUL.
constexpr int kNameBytes = sizeof(ZvEkey::name);
// The path field holds the UTF-8 form and its NUL.
constexpr int kPathBytes = sizeof(ZvEkey::cmdPath) - 1;
// Touch strips report one of 13 positions; the other kinds have a pair (up/down, left/right).
constexpr int kStripEntries = 13;
constexpr int kPairEntries = 2;

const QString kNone = QStringLiteral("无功能");

template <size_t N> QString fieldText(const th_char (&field)[N]) {
    return QString::fromUtf8(field, static_cast<int>(strnlen(field, N)));
}

QString translated(const Translator& tr, const QString& text) {
    return tr ? tr(text) : text;
}

bool isStrip(int type) {
    return type == 16 || type == 32;
}

struct Label {
    const char* text;
    const char* label;
};

struct MouseBit {
    quint32 bit;
    const char* text;
};

constexpr MouseBit kMouseBits[] = {
    {ZVEF_MOUSE_LEFT, "鼠标左键"},           {ZVEF_MOUSE_MID, "鼠标中键"},
    {ZVEF_MOUSE_RIGHT, "鼠标右键"},          {ZVEF_MOUSE_WHEEL_FORWARD, "向前滚轮"},
    {ZVEF_MOUSE_WHEEL_BACKWARD, "向后滚轮"}, {ZVEF_MOUSE_DBCLICK, "左键双击"},
};

// Shortcuts that have a name of their own; compared with the whole text, so that "Win+Delete"
// is not taken for "Win+D".
constexpr Label kShortcutLabels[] = {
    {"Win+D", "显示/隐藏桌面"},
    {"Win+C", "小娜"},
    {"Win+Tab", "任务视图"},
    {"calc.exe", "计算器"},
};

// Pairs of bindings that together make one gesture on a ring, dial or strip.
constexpr Label kGestureLabels[] = {
    {"Ctrl+=/Ctrl+-", "画布缩放"},
    {"Ctrl++/Ctrl+-", "画布缩放"},
    {"]/[", "画笔缩放"},
    {"向前滚轮/向后滚轮", "上下滚动"},
    {"Ctrl+Win+←/Ctrl+Win+→", "切换桌面"},
    {"Alt+Tab/Shift+Alt+Tab", "切换应用程序"},
    {"音量增大/音量减小", "音量调节"},
    {"下一首/上一首", "上一首/下一首"},
};

QString labelOf(const QString& text, const Label* table, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (text == QString::fromUtf8(table[i].text))
            return QString::fromUtf8(table[i].label);
    }
    return text;
}

// The label of a function that is one whole funcBit value; empty for any other value.
QString functionLabel(const ZvEkey& rec) {
    switch (rec.funcBit) {
    case ZVEF_NONE:
        return kNone;
    case ZVEF_SWITCH_DISPLAY:
        return QStringLiteral("切换屏幕");
    case ZVEF_SWITCH_BRUSH:
        return QStringLiteral("切换笔刷");
    case ZVEF_EXEC:
        return execPathText(fieldText(rec.cmdPath));
    case ZVEF_SWITCH_MEK_FUNC:
        return QStringLiteral("复合功能切换");
    case ZVEF_SHOW_EKEY_VALUE_PAGE:
        return QStringLiteral("显示键值视图");
    case ZVEF_FINE_MODE:
        return QStringLiteral("精确模式");
    case ZVEF_RADIAL_MENU:
        return QStringLiteral("快捷菜单");
    case ZVEF_MOVE_ROLL:
        return QStringLiteral("平移/卷动");
    case ZVEF_RRIVATE_CMD:
        switch (rec.privateCmd) {
        case ZV_PRIVATE_CMD_SHUTDOWN:
            return QStringLiteral("关机");
        case ZV_PRIVATE_CMD_SLEEP:
            return QStringLiteral("睡眠");
        case ZV_PRIVATE_CMD_LOCK_SCREEN:
            return QStringLiteral("锁屏");
        default:
            return QString();
        }
    case ZVEF_FIXED_PRESSURE:
        return QStringLiteral("笔压固定");
    case ZVEF_SWITCH_GAME:
        return QStringLiteral("游戏模式");
    case ZVEF_SWITCH_ABSOLUTEMODE:
        return QStringLiteral("鼠标模式");
    default:
        return QString();
    }
}

QString keysText(const ZvKbtn& k, const KeyTrans& keyTrans) {
    QStringList mods;
    if (k.bCtrl)
        mods << QStringLiteral("Ctrl");
    if (k.bShift)
        mods << QStringLiteral("Shift");
    if (k.bAlt)
        mods << QStringLiteral("Alt");
    if (k.bWin)
        mods << QStringLiteral("Win");
    QString text = mods.join(QLatin1Char('+'));
    const unsigned char code = k.kbKeys[0].code;
    if (!text.isEmpty() && code != 0)
        text += QLatin1Char('+');
    return text + keyTrans.CodeToString(code, OSLinux);
}

// The number of a private command name, 0 for any other text. The names share their numbers
// with the codes of Esc, "1" and "2", so a key lookup cannot tell them apart.
int privateCmdOf(const QString& keyText) {
    for (int cmd : {ZV_PRIVATE_CMD_SHUTDOWN, ZV_PRIVATE_CMD_SLEEP, ZV_PRIVATE_CMD_LOCK_SCREEN}) {
        if (keyText == KeyTrans::PrivateCmdToString(cmd))
            return cmd;
    }
    return 0;
}

// The first n code points of s; a surrogate pair counts as one and is never split.
QString leftCodePoints(const QString& s, int n) {
    int i = 0;
    for (; i < s.size() && n > 0; --n) {
        const bool pair =
            s.at(i).isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate();
        i += pair ? 2 : 1;
    }
    return s.left(i);
}

// Long names are cut to 14 characters, fewer when wide characters still do not leave room for
// the NUL.
QByteArray storedName(QString name) {
    QByteArray utf8 = name.toUtf8();
    for (int n = 14; utf8.size() >= kNameBytes; --n) {
        name = leftCodePoints(name, n);
        utf8 = name.toUtf8();
    }
    return utf8;
}

bool isPlainShellWord(const QString& s) {
    for (const QChar c : s) {
        const ushort u = c.unicode();
        // Bytes of other scripts have no meaning to the shell.
        if (u >= 0x80 || isalnum(u))
            continue;
        // '=' is left out: a first word with it is an assignment, not a command.
        if (u != 0 && strchr("_-./+,:@%", u) != nullptr)
            continue;
        return false;
    }
    return true;
}

bool refuse(QString* why, const QString& reason) {
    if (why)
        *why = reason;
    return false;
}

} // namespace

QString GetEKeyName(const ZvEkey& rec) {
    const QString name = fieldText(rec.name);
    return name.isEmpty() ? QString() : QLatin1Char('(') + name + QLatin1Char(')');
}

QString EKeyToString(const ZvEkey& rec, const KeyTrans& keyTrans) {
    QStringList parts;
    if (rec.funcBit & ZVEF_KBTN) {
        const QString keys = keysText(rec.kbtn, keyTrans);
        if (!keys.isEmpty())
            parts << keys;
    }
    for (const MouseBit& m : kMouseBits) {
        if (rec.funcBit & m.bit)
            parts << QString::fromUtf8(m.text);
    }
    const QString label = functionLabel(rec);
    if (!label.isEmpty())
        parts << label;

    QString text = labelOf(parts.join(QLatin1Char('+')), kShortcutLabels,
                           sizeof kShortcutLabels / sizeof kShortcutLabels[0]);
    // A key named with a "+" ("KP+") followed by another part gives "++".
    text.replace(QStringLiteral("++"), QStringLiteral("+"));
    return text;
}

QString keyValueText(const ZvEkey& rec, const KeyTrans& keyTrans, const Translator& tr) {
    return GetEKeyName(rec) + translated(tr, EKeyToString(rec, keyTrans));
}

QString mekValueText(const ZvMEkey& mek, int type, int fun, bool nameFirst,
                     const KeyTrans& keyTrans, const Translator& tr) {
    QStringList parts;
    QString name;
    if (fun == -1 || !isStrip(type)) {
        const int set = fun == -1 ? mek.muxIndex : fun;
        if (set < 0 || set >= ZV_MAX_MUX)
            return QString();
        const ZvEkey* eks = mek.mekEkeys[set].eks;
        const int n = isStrip(type) ? kStripEntries : kPairEntries;
        for (int i = 0; i < n; ++i) {
            // Positions 6 to 9 of a strip repeat the middle; the menu leaves them out.
            if (i >= 6 && i <= 9)
                continue;
            parts << EKeyToString(eks[i], keyTrans);
        }
        name = GetEKeyName(eks[0]);
    } else {
        if (fun < 0 || fun >= ZV_MEK_EKEYS)
            return QString();
        const ZvEkey& rec = mek.mekEkeys[0].eks[fun];
        parts << EKeyToString(rec, keyTrans);
        name = GetEKeyName(rec);
    }

    QString text = parts.join(QLatin1Char('/'));
    const QString label =
        labelOf(text, kGestureLabels, sizeof kGestureLabels / sizeof kGestureLabels[0]);
    if (label != text) {
        text = translated(tr, label);
    } else if (text == kNone + QLatin1Char('/') + kNone) {
        text = translated(tr, kNone);
    } else if (parts.size() > 1 && text.contains(kNone)) {
        // Translated binding by binding: "无功能" has its own translation, while the whole text
        // has none. The split is at the "/" between bindings, never at one inside a binding's
        // text ("平移/卷动").
        for (QString& p : parts)
            p = translated(tr, p);
        text = parts.join(QLatin1Char('/'));
    } else {
        text = translated(tr, text);
    }
    return nameFirst ? name + text : text;
}

bool makeEkey(quint32 funcBit, bool ctrl, bool alt, bool shift, bool win, const QString& keyText,
              const QString& name, const KeyTrans& keyTrans, ZvEkey* out, QString* why) {
    ZvEkey rec;
    memset(&rec, 0, sizeof rec);
    const QByteArray nameUtf8 = storedName(name);
    memcpy(rec.name, nameUtf8.constData(), static_cast<size_t>(nameUtf8.size()));
    rec.funcBit = funcBit;

    if (funcBit & ZVEF_RRIVATE_CMD) {
        // Refused rather than guessed: a key name read as a command number could shut the
        // machine down.
        const int cmd = privateCmdOf(keyText);
        if (cmd == 0)
            return refuse(why, QStringLiteral("not a private command: \"%1\"").arg(keyText));
        rec.privateCmd = static_cast<th_u8>(cmd);
    } else if (funcBit & ZVEF_EXEC) {
        // A cut path would start another program, so a path that does not fit is refused.
        if (keyText.contains(QChar(0)))
            return refuse(why, QStringLiteral("program path with a NUL character"));
        if (keyText.toUtf8().size() > kPathBytes)
            return refuse(why, QStringLiteral("program path longer than %1 bytes").arg(kPathBytes));
        const QByteArray stored = quoteExecPath(keyText).toUtf8();
        if (stored.size() > kPathBytes)
            return refuse(why, QStringLiteral("program path longer than %1 bytes once quoted "
                                              "for the shell")
                                   .arg(kPathBytes));
        memcpy(rec.cmdPath, stored.constData(), static_cast<size_t>(stored.size()));
    } else {
        rec.kbtn.bCtrl = ctrl;
        rec.kbtn.bAlt = alt;
        rec.kbtn.bShift = shift;
        rec.kbtn.bWin = win;
        // A private command name is no key, although the key table knows its number.
        const unsigned char code =
            privateCmdOf(keyText) != 0 ? 0 : keyTrans.StringToCode(keyText, OSLinux);
        rec.kbtn.len = code != 0 ? 1 : 0;
        rec.kbtn.kbKeys[0].code = code;
    }
    *out = rec;
    return true;
}

EKeyValue ekeyToValue(const ZvEkey& rec) {
    EKeyValue v;
    v.sname = fieldText(rec.name);
    v.iFunBit_v = static_cast<int>(rec.funcBit);
    if (rec.funcBit & ZVEF_RRIVATE_CMD) {
        v.keys_v = rec.privateCmd;
    } else if (!(rec.funcBit & ZVEF_EXEC)) {
        // A program binding's union holds the path; its bytes are no modifiers.
        v.bCtrl_v = rec.kbtn.bCtrl != 0;
        v.bAlt_v = rec.kbtn.bAlt != 0;
        v.bShift_v = rec.kbtn.bShift != 0;
        v.bWin_v = rec.kbtn.bWin != 0;
        v.keys_v = rec.kbtn.kbKeys[0].code;
    }
    return v;
}

EKeyValue mekToValue(const ZvMEkey& mek, int type, int key, int fun) {
    EKeyValue v;
    if (isStrip(type)) {
        if (fun >= 0 && fun < ZV_MEK_EKEYS) {
            v = ekeyToValue(mek.mekEkeys[0].eks[fun]);
            v.iFunBit_2_v = fun;
        }
    } else if (fun >= 0 && fun < ZV_MAX_MUX) {
        v = ekeyToValue(mek.mekEkeys[fun].eks[0]);
        const EKeyValue second = ekeyToValue(mek.mekEkeys[fun].eks[1]);
        v.iFunBit_2_v = second.iFunBit_v;
        v.bCtrl_2_v = second.bCtrl_v;
        v.bAlt_2_v = second.bAlt_v;
        v.bShift_2_v = second.bShift_v;
        v.bWin_2_v = second.bWin_v;
        v.ckeys_2 = second.keys_v;
        v.sname_2 = second.sname;
    }
    v.idx_v = key;
    v.iFunIdx_v = fun;
    return v;
}

QString quoteExecPath(const QString& path) {
    if (isPlainShellWord(path))
        return path;
    QString quoted = path;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString execPathText(const QString& stored) {
    if (stored.size() < 2 || !stored.startsWith(QLatin1Char('\'')) ||
        !stored.endsWith(QLatin1Char('\'')))
        return stored;
    static const QString kEscaped = QStringLiteral("'\\''");
    const QString inner = stored.mid(1, stored.size() - 2);
    QString text;
    for (int i = 0; i < inner.size();) {
        if (inner.at(i) != QLatin1Char('\'')) {
            text += inner.at(i++);
        } else if (inner.midRef(i, kEscaped.size()) == kEscaped) {
            text += QLatin1Char('\'');
            i += kEscaped.size();
        } else {
            return stored; // not a form quoteExecPath makes
        }
    }
    return text;
}

} // namespace zvui
