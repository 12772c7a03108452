// Key bindings between the pages and the user configuration: the record made from what a page
// entered, the flat value a page edits, and the texts shown for a binding. Pure functions on the
// records; nothing here reads or writes files.
//
// Every record string is read within its field: a name of 32 bytes without a NUL, or a program
// path of 260, comes from a file someone else wrote and must not be read past.
#pragma once

#include "EKeyValue.h"
#include "KeyTrans.h"
#include "ZvStruct.h"

#include <QString>

#include <functional>

namespace zvui {

// Translates a text of the source language into the user's language. An empty function is the
// identity.
using Translator = std::function<QString(const QString&)>;

// "(" + name + ")" when the binding has a name, else empty.
QString GetEKeyName(const ZvEkey& rec);

// The untranslated text of one binding: the keys joined with "+" ("Ctrl+Shift+Z"), the mouse
// buttons, or the label of its function ("无功能" for none).
QString EKeyToString(const ZvEkey& rec, const KeyTrans& keyTrans);

// What the key pages show for an express, soft or pen key: the name in brackets, then the
// translated text of the binding.
QString keyValueText(const ZvEkey& rec, const KeyTrans& keyTrans, const Translator& tr);

// The text of one function of a multi-function key of the given type (its mekFuncBit entry).
// fun -1 is the key's current function. Touch strips (types 16 and 32) have one binding per
// position: with fun >= 0 the text is that of position fun. Otherwise the bindings of the
// function are joined with "/", pairs that make one gesture are shown by their label ("画布缩放"),
// and the name of the first binding is put in front when nameFirst is set. Empty for a function
// or position outside the record.
QString mekValueText(const ZvMEkey& mek, int type, int fun, bool nameFirst,
                     const KeyTrans& keyTrans, const Translator& tr);

// Makes the binding record of what a key page entered: function bits, the four modifier flags,
// the key text (a key name, a private command name "0x1".."0x3", or the program to start) and
// the binding name. Returns false and says why in *why (when given) when the entry cannot be
// stored whole: a program path longer than its field, or a private command that is not one.
// *out is written only on success.
bool makeEkey(quint32 funcBit, bool ctrl, bool alt, bool shift, bool win, const QString& keyText,
              const QString& name, const KeyTrans& keyTrans, ZvEkey* out, QString* why);

// The flat value of a binding record, for the pages; idx_v and iFunIdx_v are left 0.
EKeyValue ekeyToValue(const ZvEkey& rec);

// The flat value of function fun of multi-function key `key` of the given type. Touch strips
// (types 16 and 32): the first binding is position fun of function 0, the second is empty but
// carries fun in iFunBit_2_v (the strip page reads the position from there). Other types: the
// two bindings of function fun. A fun outside the record gives empty bindings.
EKeyValue mekToValue(const ZvMEkey& mek, int type, int key, int fun);

// The form in which a program path is stored for the shell: unchanged when it is one plain word,
// else single-quoted. execPathText gives back what the user entered, so that a path shown and
// saved again is not quoted twice.
QString quoteExecPath(const QString& path);
QString execPathText(const QString& stored);

} // namespace zvui
