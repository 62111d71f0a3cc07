#include "dom/DistinguishedObjects.h"

#include <condition_variable>
#include <mutex>
#include <unordered_map>

#include "dom/ProxyFactory.h"
#include "dom/detail/DistinguishedNames.h"
#include "dom/detail/SteadyTime.h"

namespace dom {
namespace {

struct Entry {
    const ManagedObject* owner;
    ManagedObject* published;  // null while reserved; managed, so alive while listed
};

struct NameTable {
    std::mutex mutex;
    std::condition_variable added;
    std::unordered_map<du::Symbol, Entry> objects;
};

NameTable& Names() {
    static NameTable* table = new NameTable;  // never destroyed: objects may unregister during teardown
    return *table;
}

}  // namespace

namespace detail {

bool ReserveDistinguishedName(const du::Symbol& name, const ManagedObject* object) {
    NameTable& table = Names();
    std::lock_guard lock(table.mutex);
    return table.objects.emplace(name, Entry{object, nullptr}).second;
}

void PublishDistinguishedName(const du::Symbol& name, ManagedObject* object) {
    NameTable& table = Names();
    {
        std::lock_guard lock(table.mutex);
        auto found = table.objects.find(name);
        if (found == table.objects.end() || found->second.owner != object) {
            return;
        }
        found->second.published = object;
    }
    table.added.notify_all();
}

void UnregisterDistinguishedName(const du::Symbol& name, const ManagedObject* object) {
    NameTable& table = Names();
    std::lock_guard lock(table.mutex);
    auto found = table.objects.find(name);
    if (found != table.objects.end() && found->second.owner == object) {
        table.objects.erase(found);
    }
}

}  // namespace detail

du::SmartPtr<ManagedObject> GetDistinguishedObject(const du::Symbol& className, const du::Symbol& name,
                                                   std::int64_t timeoutMs) {
    NameTable& table = Names();
    du::SmartPtr<ManagedObject> object;
    {
        std::unique_lock lock(table.mutex);
        auto published = [&] {
            auto found = table.objects.find(name);
            return found != table.objects.end() ? found->second.published : nullptr;
        };
        // A timeout too long for the clock waits for as long as it takes.
        if (auto deadline = detail::DeadlineAfter(timeoutMs)) {
            table.added.wait_until(lock, *deadline, [&] { return published() != nullptr; });
        } else {
            table.added.wait(lock, [&] { return published() != nullptr; });
        }
        object = published();
        if (!object) {
            return nullptr;
        }
    }
    std::int16_t index = 0;
    if (className.IsSet() && className != du::Symbol::EMPTY) {
        index = object->BaseClassOffsetByName(className);
        if (index < 0) {
            if (object->GetBaseClassCount() > 0) {
                return nullptr;
            }
            index = 0;
        }
    }
    du::SmartPtr<ManagedObject> resolved;
    if (!detail::ResolveRemoteObject(object, index, className, object->IsManagedByCurrentThread(),
                                     resolved)) {
        return nullptr;
    }
    return resolved;
}

}  // namespace dom
