// Key names for what a user types in the pages' key fields: a typed character becomes the name
// of the key that produced it on a US keyboard, so that "!" binds the key "1" and "*" the key
// "8" (or the keypad's "KP*").
#pragma once

#include <QString>

namespace zvui {

// The key name for a typed character; keypad says it came from the numeric keypad. Letters as
// upper case, shifted symbols as their unshifted key, " " as "Space"; any other text unchanged.
QString asciiKeyName(const QString& code, bool keypad);

// Whether a key name is one of the arrows or F1 ... F12 (names a page shows last in a
// combination).
bool isTrailingKeyName(const QString& name);

} // namespace zvui
