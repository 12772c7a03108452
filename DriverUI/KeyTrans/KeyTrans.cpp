#include "KeyTrans.h"

#include <atomic>

namespace {

struct KeyName {
    int code;
    const char* name; // UTF-8
};

// Names shown for key codes, and read back under the same names.
constexpr KeyName kKeys[] = {
    {1, "Esc"},        {2, "1"},        {3, "2"},         {4, "3"},          {5, "4"},
    {6, "5"},          {7, "6"},        {8, "7"},         {9, "8"},          {10, "9"},
    {11, "0"},         {12, "-"},       {13, "="},        {14, "Backspace"}, {15, "Tab"},
    {16, "Q"},         {17, "W"},       {18, "E"},        {19, "R"},         {20, "T"},
    {21, "Y"},         {22, "U"},       {23, "I"},        {24, "O"},         {25, "P"},
    {26, "["},         {27, "]"},       {28, "Enter"},    {29, "LCtrl"},     {30, "A"},
    {31, "S"},         {32, "D"},       {33, "F"},        {34, "G"},         {35, "H"},
    {36, "J"},         {37, "K"},       {38, "L"},        {39, ";"},         {40, "'"},
    {41, "`"},         {42, "LShift"},  {43, "\\"},       {44, "Z"},         {45, "X"},
    {46, "C"},         {47, "V"},       {48, "B"},        {49, "N"},         {50, "M"},
    {51, ","},         {52, "."},       {53, "/"},        {54, "RShift"},    {55, "KP*"},
    {56, "LAlt"},      {57, "Space"},   {58, "CapsLock"}, {59, "F1"},        {60, "F2"},
    {61, "F3"},        {62, "F4"},      {63, "F5"},       {64, "F6"},        {65, "F7"},
    {66, "F8"},        {67, "F9"},      {68, "F10"},      {69, "NumLock"},   {71, "KP7"},
    {72, "KP8"},       {73, "KP9"},     {74, "KP-"},      {75, "KP4"},       {76, "KP5"},
    {77, "KP6"},       {78, "KP+"},     {79, "KP1"},      {80, "KP2"},       {81, "KP3"},
    {82, "KP0"},       {83, "KP."},     {87, "F11"},      {88, "F12"},       {96, "KPEnter"},
    {97, "RCtrl"},     {98, "KP/"},     {100, "RAlt"},    {102, "Home"},     {103, "↑"},
    {104, "PageUp"},   {105, "←"},      {106, "→"},       {107, "End"},      {108, "↓"},
    {109, "PageDown"}, {110, "Insert"}, {111, "Delete"},  {113, "0x71"},     {114, "0x72"},
    {115, "0x73"},     {163, "0xA3"},   {164, "0xA4"},    {165, "0xA5"},
};

// Names that are read but never shown: the shift key as users type it, the shifted characters
// (a binding names the key that is pressed, not the character it gives).
constexpr KeyName kReadOnlyNames[] = {
    {42, "Shift"}, {13, "+"}, {26, "{"}, {27, "}"}, {39, ":"},
    {41, "~"},     {43, "|"}, {51, "<"}, {52, ">"}, {53, "?"},
};

// Private command numbers under their names. They are no key codes (see the header).
constexpr KeyName kPrivateCmds[] = {{1, "0x1"}, {2, "0x2"}, {3, "0x3"}};

struct MediaKey {
    const char* placeholder;
    const char* label; // source language, UTF-8
};

// The media keys have no printable name; the table keeps a placeholder that is shown as the
// translated label.
constexpr MediaKey kMediaKeys[] = {
    {"0x71", "静音"},   {"0x72", "音量减小"},  {"0x73", "音量增大"},
    {"0xA3", "下一首"}, {"0xA4", "暂停/播放"}, {"0xA5", "上一首"},
};

std::atomic<KeyTrans::LabelTranslator> g_translator{nullptr};

QString translate(const char* label) {
    const QString text = QString::fromUtf8(label);
    const KeyTrans::LabelTranslator fn = g_translator.load(std::memory_order_acquire);
    return fn ? fn(text) : text;
}

} // namespace

void KeyTrans::SetLabelTranslator(LabelTranslator translator) {
    g_translator.store(translator, std::memory_order_release);
}

KeyTrans::KeyTrans() {
    for (const KeyName& k : kKeys) {
        m_codeString_Linux.insert(k.code, QString::fromUtf8(k.name));
        m_stringCode_Linux.insert(QString::fromUtf8(k.name), k.code);
    }
    for (const KeyName& k : kReadOnlyNames)
        m_stringCode_Linux.insert(QString::fromUtf8(k.name), k.code);
    for (const KeyName& k : kPrivateCmds)
        m_stringCode_Linux.insert(QString::fromUtf8(k.name), k.code);
}

QString KeyTrans::CodeToString(unsigned char code, OSType os) const {
    if (os != OSLinux)
        return QStringLiteral("Code%1").arg(code);
    const QString name = m_codeString_Linux.value(code);
    for (const MediaKey& m : kMediaKeys) {
        if (name == QLatin1String(m.placeholder))
            return translate(m.label);
    }
    return name;
}

unsigned char KeyTrans::StringToCode(const QString& name, OSType os) const {
    if (os != OSLinux) {
        const QByteArray utf8 = name.toUtf8();
        return utf8.isEmpty() ? 0 : static_cast<unsigned char>(utf8.at(0));
    }
    const auto it = m_stringCode_Linux.constFind(name);
    if (it != m_stringCode_Linux.constEnd())
        return static_cast<unsigned char>(it.value());
    // A shown media label, in the source language or as the translator gives it now. The table's
    // own names win, so a translation that happens to equal a key name cannot shadow that key.
    for (const MediaKey& m : kMediaKeys) {
        if (name == QString::fromUtf8(m.label) || name == translate(m.label))
            return static_cast<unsigned char>(
                m_stringCode_Linux.value(QLatin1String(m.placeholder)));
    }
    return 0;
}

QString KeyTrans::PrivateCmdToString(int cmd) {
    for (const KeyName& k : kPrivateCmds) {
        if (k.code == cmd)
            return QString::fromUtf8(k.name);
    }
    return QString();
}
