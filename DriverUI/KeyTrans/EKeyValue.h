// One key binding, or the two bindings of one function of a multi-function key, in the flat form
// the pages read and edit. It is carried to QML inside a QVariant.
#pragma once

#include <QMetaType>
#include <QString>

struct EKeyValue {
    EKeyValue() = default;
    // A copy of *other, or a new value when other is null.
    explicit EKeyValue(const EKeyValue* other) : EKeyValue(other ? *other : EKeyValue()) {}

    int idx_v = 0;     // key index
    int iFunIdx_v = 0; // function index of a multi-function key
    // First binding.
    int iFunBit_v = 0; // key-function flags (ZVEF_*)
    bool bCtrl_v = false;
    bool bAlt_v = false;
    bool bShift_v = false;
    bool bWin_v = false;
    unsigned char keys_v = 0; // key code, or the command number for a private command
    QString sname;
    // Second binding.
    int iFunBit_2_v = 0;
    bool bCtrl_2_v = false;
    bool bAlt_2_v = false;
    bool bShift_2_v = false;
    bool bWin_2_v = false;
    unsigned char ckeys_2 = 0;
    QString sname_2;
};

Q_DECLARE_METATYPE(EKeyValue)
