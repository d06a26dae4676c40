#include "Slots.h"

#include "Subscription.h"

#include <windows.h>

namespace {

// One slot in the list of live slots.
struct Slot
{
    unsigned number;
    Subscription* subscription; // one reference
    Slot* next;
};

SRWLOCK g_lock = SRWLOCK_INIT;
Slot* g_slots = nullptr;
unsigned g_next = 1;

// The slot's link in the list (the pointer to it); null when it is not there.
Slot** Find(unsigned number)
{
    for (Slot** link = &g_slots; *link; link = &(*link)->next) {
        if ((*link)->number == number)
            return link;
    }
    return nullptr;
}

} // namespace

unsigned AcquireSlot()
{
    Subscription* subscription = Subscription::Create();
    if (!subscription)
        return 0;
    auto* slot = static_cast<Slot*>(HeapAlloc(GetProcessHeap(), 0, sizeof(Slot)));
    if (!slot) {
        subscription->Release();
        return 0;
    }
    AcquireSRWLockExclusive(&g_lock);
    *slot = Slot{g_next++, subscription, g_slots};
    g_slots = slot;
    unsigned number = slot->number;
    ReleaseSRWLockExclusive(&g_lock);
    return number;
}

Subscription* FindSlot(unsigned slot)
{
    AcquireSRWLockShared(&g_lock);
    Slot** link = Find(slot);
    Subscription* subscription = link ? (*link)->subscription : nullptr;
    if (subscription)
        subscription->AddRef();
    ReleaseSRWLockShared(&g_lock);
    return subscription;
}

void ReleaseSlot(unsigned slot)
{
    AcquireSRWLockExclusive(&g_lock);
    Slot** link = Find(slot);
    Slot* found = link ? *link : nullptr;
    if (found)
        *link = found->next;
    ReleaseSRWLockExclusive(&g_lock);
    if (!found)
        return;
    found->subscription->Stop();
    found->subscription->Release();
    HeapFree(GetProcessHeap(), 0, found);
}
