#include "Slots.h"

#include "Subscription.h"

#include <map>
#include <mutex>

namespace {

struct SlotTable
{
    std::mutex lock;
    std::map<unsigned, std::shared_ptr<Subscription>> slots;
    unsigned next = 1;
};

SlotTable& Table()
{
    static SlotTable table;
    return table;
}

} // namespace

unsigned AcquireSlot()
{
    auto subscription = std::make_shared<Subscription>();
    SlotTable& table = Table();
    std::lock_guard<std::mutex> hold(table.lock);
    unsigned slot = table.next++;
    table.slots.emplace(slot, std::move(subscription));
    return slot;
}

std::shared_ptr<Subscription> FindSlot(unsigned slot)
{
    SlotTable& table = Table();
    std::lock_guard<std::mutex> hold(table.lock);
    auto it = table.slots.find(slot);
    return it == table.slots.end() ? nullptr : it->second;
}

void ReleaseSlot(unsigned slot)
{
    std::shared_ptr<Subscription> subscription;
    {
        SlotTable& table = Table();
        std::lock_guard<std::mutex> hold(table.lock);
        auto it = table.slots.find(slot);
        if (it == table.slots.end())
            return;
        subscription = std::move(it->second);
        table.slots.erase(it);
    }
    subscription->Stop();
}
