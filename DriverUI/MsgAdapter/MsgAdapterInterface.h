// Where the receiver hands the records the core sends. Called on the receiving thread.
#pragma once

#include "ZvMsg.h"

class MsgAdapterInterface {
public:
    virtual ~MsgAdapterInterface() = default;
    virtual void ReceivegMsg(tagZVMsg& msg) = 0;
};
