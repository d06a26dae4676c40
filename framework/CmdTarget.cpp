#include "CmdTarget.h"

const MessageMap* CCmdTarget::GetThisMessageMap()
{
    static const MessageMapEntry entries[] = {{0, 0, nullptr, nullptr}};
    static const MessageMap map = {nullptr, entries};
    return &map;
}

const MessageMap* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

const MessageMapEntry* CCmdTarget::FindEntry(UINT message, UINT id) const
{
    for (const MessageMap* map = GetMessageMap(); map;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const MessageMapEntry* e = map->entries; e->thunk; ++e) {
            const UINT number = e->pRegistered ? *e->pRegistered : e->message;
            if (number == 0 || number != message)
                continue;
            if (message == WM_COMMAND && e->id != id)
                continue;
            return e;
        }
    }
    return nullptr;
}
