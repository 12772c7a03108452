// Records cross a process boundary: what the core sends is read as input, and what the settings
// application sends carries a model that must fit its field.
#pragma once

#include "ZvMsg.h"

#include <QString>

namespace zvui {

// The core serves at most this many tablets at a time (the size of the list record's array).
constexpr int kMaxTablets = 2;

// A model name from a record: at most 23 bytes before a NUL inside the 24-byte field, all of
// [A-Za-z0-9_-] (it becomes a file name). Empty when the field holds anything else.
QString modelOf(const char* field);

// Makes a record from the core safe for its handler: strings terminated, counts clamped, model
// fields checked. False when the record cannot be handled and is dropped: its code needs a model
// or an index that is not acceptable.
bool checkCoreRecord(ZvMsg* msg);

// An all-zero record with this code.
ZvMsg makeRecord(th_u16 cmd);
// The model's UTF-8 bytes and their NUL into the body's model field. False (and nothing written)
// when it does not fit.
bool putModel(const QString& model, ZvMsg* msg);

} // namespace zvui
