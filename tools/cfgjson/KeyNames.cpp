#include "KeyNames.h"

#include "ZvStruct.h"

#include <stdlib.h>
#include <string.h>

namespace zvj {
namespace {

struct Named {
    unsigned value;
    const char* name;
};

// The key names of the settings application, by Linux input event code.
const Named kKeys[] = {
    {1, "Esc"},        {2, "1"},          {3, "2"},           {4, "3"},
    {5, "4"},          {6, "5"},          {7, "6"},           {8, "7"},
    {9, "8"},          {10, "9"},         {11, "0"},          {12, "-"},
    {13, "="},         {14, "Backspace"}, {15, "Tab"},        {16, "Q"},
    {17, "W"},         {18, "E"},         {19, "R"},          {20, "T"},
    {21, "Y"},         {22, "U"},         {23, "I"},          {24, "O"},
    {25, "P"},         {26, "["},         {27, "]"},          {28, "Enter"},
    {29, "LCtrl"},     {30, "A"},         {31, "S"},          {32, "D"},
    {33, "F"},         {34, "G"},         {35, "H"},          {36, "J"},
    {37, "K"},         {38, "L"},         {39, ";"},          {40, "'"},
    {41, "`"},         {42, "LShift"},    {43, "\\"},         {44, "Z"},
    {45, "X"},         {46, "C"},         {47, "V"},          {48, "B"},
    {49, "N"},         {50, "M"},         {51, ","},          {52, "."},
    {53, "/"},         {54, "RShift"},    {55, "KP*"},        {56, "LAlt"},
    {57, "Space"},     {58, "CapsLock"},  {59, "F1"},         {60, "F2"},
    {61, "F3"},        {62, "F4"},        {63, "F5"},         {64, "F6"},
    {65, "F7"},        {66, "F8"},        {67, "F9"},         {68, "F10"},
    {69, "NumLock"},   {71, "KP7"},       {72, "KP8"},        {73, "KP9"},
    {74, "KP-"},       {75, "KP4"},       {76, "KP5"},        {77, "KP6"},
    {78, "KP+"},       {79, "KP1"},       {80, "KP2"},        {81, "KP3"},
    {82, "KP0"},       {83, "KP."},       {87, "F11"},        {88, "F12"},
    {96, "KPEnter"},   {97, "RCtrl"},     {98, "KP/"},        {100, "RAlt"},
    {102, "Home"},     {103, "Up"},       {104, "PageUp"},    {105, "Left"},
    {106, "Right"},    {107, "End"},      {108, "Down"},      {109, "PageDown"},
    {110, "Insert"},   {111, "Delete"},   {113, "Mute"},      {114, "VolumeDown"},
    {115, "VolumeUp"}, {163, "NextSong"}, {164, "PlayPause"}, {165, "PreviousSong"},
};

const Named kFuncs[] = {
    {0, "switch-display"},
    {1, "switch-brush"},
    {2, "key"},
    {3, "exec"},
    {4, "mouse-left"},
    {5, "mouse-middle"},
    {6, "mouse-right"},
    {7, "wheel-forward"},
    {8, "wheel-backward"},
    {9, "double-click"},
    {12, "switch-mek-func"},
    {16, "show-key-page"},
    {17, "fine-mode"},
    {18, "radial-menu"},
    {19, "move-roll"},
    {20, "system-command"},
    {24, "media-key"},
    {28, "fixed-pressure"},
    {29, "switch-game"},
    {30, "switch-mode"},
};

const Named kSystem[] = {
    {ZV_PRIVATE_CMD_SHUTDOWN, "shutdown"},
    {ZV_PRIVATE_CMD_SLEEP, "sleep"},
    {ZV_PRIVATE_CMD_LOCK_SCREEN, "lock-screen"},
};

const Named kMekKinds[] = {
    {ZV_MEK_NONE, "none"}, {ZV_MEK_SLIDER, "slider"}, {ZV_MEK_RING, "ring"},
    {ZV_MEK_DIAL, "dial"}, {ZV_MEK_TOUCH, "touch"},   {ZV_MEK_TOUCH13, "touch13"},
};

template <size_t N> const char* find_name(const Named (&table)[N], unsigned value) {
    for (const Named& n : table) {
        if (n.value == value)
            return n.name;
    }
    return nullptr;
}

template <size_t N>
bool find_value(const Named (&table)[N], const std::string& name, unsigned& out) {
    for (const Named& n : table) {
        if (name == n.name) {
            out = n.value;
            return true;
        }
    }
    return false;
}

// "<prefix><decimal>" within max, the fallback spelling of a value without a name.
bool numbered(const std::string& name, const char* prefix, unsigned max, unsigned& out) {
    const size_t p = strlen(prefix);
    if (name.size() <= p || name.compare(0, p, prefix) != 0)
        return false;
    for (size_t i = p; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9')
            return false;
    }
    if (name.size() - p > 10)
        return false;
    const unsigned long v = strtoul(name.c_str() + p, nullptr, 10);
    if (v > max)
        return false;
    out = unsigned(v);
    return true;
}

} // namespace

std::string key_name(th_u8 code) {
    const char* n = find_name(kKeys, code);
    return n ? n : "#" + std::to_string(code);
}

bool key_code(const std::string& name, th_u8& code) {
    unsigned v = 0;
    if (!find_value(kKeys, name, v) && !numbered(name, "#", 255, v))
        return false;
    code = th_u8(v);
    return true;
}

std::string func_name(unsigned bit) {
    const char* n = find_name(kFuncs, bit);
    return n ? n : "bit" + std::to_string(bit);
}

bool func_bit(const std::string& name, unsigned& bit) {
    return find_value(kFuncs, name, bit) || numbered(name, "bit", 31, bit);
}

std::string system_cmd_name(th_u8 cmd) {
    const char* n = find_name(kSystem, cmd);
    return n ? n : "#" + std::to_string(cmd);
}

bool system_cmd(const std::string& name, th_u8& cmd) {
    unsigned v = 0;
    if (!find_value(kSystem, name, v) && !numbered(name, "#", 255, v))
        return false;
    cmd = th_u8(v);
    return true;
}

std::string mek_kind_name(th_u32 kind) {
    const char* n = find_name(kMekKinds, kind);
    return n ? n : "#" + std::to_string(kind);
}

bool mek_kind(const std::string& name, th_u32& kind) {
    unsigned v = 0;
    if (!find_value(kMekKinds, name, v) && !numbered(name, "#", 0xFFFFFFFFu, v))
        return false;
    kind = v;
    return true;
}

} // namespace zvj
