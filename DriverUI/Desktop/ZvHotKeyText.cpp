#include "ZvHotKeyText.h"

#include <QKeySequence>
#include <QRegularExpression>

#include <X11/X.h>
#include <X11/keysym.h>

namespace {

struct KeyPair {
    int qt;
    unsigned long sym;
};

// Keys outside Latin-1 that a hot key may reasonably use. Latin-1 keys need no table: Qt's key
// codes there are the upper-case code points, which are also their X keysyms.
constexpr KeyPair kSpecialKeys[] = {
    {Qt::Key_Escape, XK_Escape},  {Qt::Key_Tab, XK_Tab},
    {Qt::Key_Backtab, XK_Tab},    {Qt::Key_Backspace, XK_BackSpace},
    {Qt::Key_Return, XK_Return},  {Qt::Key_Enter, XK_KP_Enter},
    {Qt::Key_Insert, XK_Insert},  {Qt::Key_Delete, XK_Delete},
    {Qt::Key_Pause, XK_Pause},    {Qt::Key_Print, XK_Print},
    {Qt::Key_Home, XK_Home},      {Qt::Key_End, XK_End},
    {Qt::Key_Left, XK_Left},      {Qt::Key_Up, XK_Up},
    {Qt::Key_Right, XK_Right},    {Qt::Key_Down, XK_Down},
    {Qt::Key_PageUp, XK_Page_Up}, {Qt::Key_PageDown, XK_Page_Down},
    {Qt::Key_Menu, XK_Menu},      {Qt::Key_ScrollLock, XK_Scroll_Lock},
};

bool isModifierKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
        return true;
    default:
        return false;
    }
}

unsigned long keysymOf(int key) {
    if (key >= 0x20 && key <= 0xff)
        return static_cast<unsigned long>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return XK_F1 + static_cast<unsigned long>(key - Qt::Key_F1);
    for (const KeyPair& p : kSpecialKeys)
        if (p.qt == key)
            return p.sym;
    return NoSymbol;
}

} // namespace

bool zv_parse_hot_key(const QString& text, ZvHotKey* out) {
    // The settings page writes the Windows key as "Win"; Qt knows it only as "Meta".
    static const QRegularExpression win(QStringLiteral("(^|\\+)Win\\+"),
                                        QRegularExpression::CaseInsensitiveOption);
    QString portable = text;
    portable.replace(win, QStringLiteral("\\1Meta+"));
    const QKeySequence seq = QKeySequence::fromString(portable, QKeySequence::PortableText);
    if (seq.count() != 1)
        return false;
    const int chord = seq[0];
    const int key = chord & ~int(Qt::KeyboardModifierMask);
    if (key == 0 || key == Qt::Key_unknown || isModifierKey(key))
        return false;
    const unsigned long sym = keysymOf(key);
    if (sym == NoSymbol)
        return false;
    unsigned int mods = 0;
    if (chord & Qt::ShiftModifier)
        mods |= ShiftMask;
    if (chord & Qt::ControlModifier)
        mods |= ControlMask;
    if (chord & Qt::AltModifier)
        mods |= Mod1Mask;
    if (chord & Qt::MetaModifier)
        mods |= Mod4Mask;
    out->keysym = sym;
    out->mods = mods;
    return true;
}
