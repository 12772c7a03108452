// The key-function flags and the states of a multi-function key as named constants for QML.
// The values are those of the user configuration (checked against it in ZvEnum.cpp), so QML
// compares and combines them directly with what the logic center reads.
#pragma once

#include <QObject>

class ZV_ENUM : public QObject {
    Q_OBJECT

public:
    enum ZV_KEY_FUN_ENUMS {
        ZvKey_None = 0,
        ZvKey_SwitchDisPlay = 1,
        ZvKey_SwitchBrush = 2,
        ZvKey_Btn = 4,
        ZvKey_Exec = 8,
        ZvKey_MouseLeft = 16,
        ZvKey_MouseMid = 32,
        ZvKey_MouseRight = 64,
        ZvKey_MouseWheelForward = 128,
        ZvKey_mouseWheelBackWark = 256,
        ZvKey_MouseDbClick = 512,
        ZvKey_SwitchMKeyFunc = 4096,
        ZvKey_ShowEKeyValue = 65536,
        ZvKey_FineModel = 131072,
        ZvKey_RadialMenu = 262144,
        ZvKey_Move_Roll = 524288,
        ZvKey_RRivateCmd = 1048576,
        ZvKey_MACMMK_CODE = 16777216,
        ZvKey_FixedPressure = 268435456,
        ZvKey_SwitchGame = 536870912,
        ZvKey_SwitchAbsolutemode = 1073741824,
    };
    Q_ENUM(ZV_KEY_FUN_ENUMS)

    // Values of a multi-function key's enable byte; bit 0 is "enabled" for every kind.
    enum ZV_M_KEY_STATE_ENUMS {
        MKEY_SLIDER_DISABLED = 0,
        MKEY_SLIDER_ENABLED = 1,
        MKEY_RING_DISABLED = 2,
        MKEY_RING_ENABLED = 3,
        MKEY_DIAL_DISABLED = 4,
        MKEY_DIAL_ENABLED_WIN = 6,
        MKEY_DIAL_ENABLED_DIAL = 7,
        MKEY_TOUCH_DISABLED = 16,
        MKEY_TOUCH_ENABLED = 17,
        MKEY_TOUCH13_DISABLED = 32,
        MKEY_TOUCH13_ENABLED = 33,
    };
    Q_ENUM(ZV_M_KEY_STATE_ENUMS)

    explicit ZV_ENUM(QObject* parent = nullptr);
};
