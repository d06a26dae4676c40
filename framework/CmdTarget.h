// Objects that receive messages and commands through a message table.
#pragma once
#include "MessageMap.h"
#include "Object.h"

class CCmdTarget : public CObject
{
public:
    // The first entry for message (and, for WM_COMMAND, command id) in this
    // object's table or its bases' tables; nullptr when none handles it.
    const MessageMapEntry* FindEntry(UINT message, UINT id) const;

protected:
    static const MessageMap* GetThisMessageMap();
    virtual const MessageMap* GetMessageMap() const;
};
