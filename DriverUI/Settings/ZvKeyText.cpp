#include "ZvKeyText.h"

#include <QDebug>
#include <QStringList>

namespace zvui {

namespace {

struct Pair {
    char typed;
    const char* name;
};

// The shifted symbols of a US keyboard under their key; '*' (the 8 key) and the keys shared with
// the keypad are decided with the keypad flag.
constexpr Pair kShifted[] = {
    {'~', "`"}, {'!', "1"}, {'@', "2"}, {'#', "3"}, {'$', "4"}, {'%', "5"},     {'^', "6"},
    {'&', "7"}, {'(', "9"}, {')', "0"}, {'{', "["}, {'}', "]"}, {'|', "\\"},    {':', ";"},
    {'"', "'"}, {'<', ","}, {'>', "."}, {'?', "/"}, {'_', "-"}, {' ', "Space"},
};

constexpr Pair kKeypad[] = {
    {'+', "KP+"}, {'-', "KP-"}, {'*', "KP*"}, {'/', "KP/"}, {'.', "KP."},
};

// Off the keypad: '+' is the shifted '=' key and '*' the shifted '8'.
constexpr Pair kMain[] = {
    {'+', "="},
    {'*', "8"},
};

template <size_t N> bool lookUp(const Pair (&table)[N], QChar c, QString* name) {
    for (const Pair& p : table) {
        if (c == QLatin1Char(p.typed)) {
            *name = QLatin1String(p.name);
            return true;
        }
    }
    return false;
}

QString nameOf(const QString& code, bool keypad) {
    if (code.size() != 1)
        return code;
    const QChar c = code.at(0);
    if (c.unicode() >= 'a' && c.unicode() <= 'z')
        return c.toUpper();
    QString name;
    if (keypad ? lookUp(kKeypad, c, &name) : lookUp(kMain, c, &name))
        return name;
    if (lookUp(kShifted, c, &name))
        return name;
    return code;
}

} // namespace

QString asciiKeyName(const QString& code, bool keypad) {
    const QString str = nameOf(code, keypad);
    qDebug() << "code = " << code << "str = " << str;
    return str;
}

bool isTrailingKeyName(const QString& name) {
    static const QStringList names = [] {
        QStringList n{QStringLiteral("←"), QStringLiteral("↑"), QStringLiteral("→"),
                      QStringLiteral("↓")};
        for (int i = 1; i <= 12; ++i)
            n << QStringLiteral("F%1").arg(i);
        return n;
    }();
    return names.contains(name, Qt::CaseSensitive);
}

} // namespace zvui
