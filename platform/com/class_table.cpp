#include "platform/com/class_table.h"

#include <mutex>
#include <utility>
#include <vector>

namespace platform::com {
namespace {

struct ClassTable {
    std::mutex mutex;
    std::vector<std::pair<CLSID, Factory>> classes;
};

ClassTable& table()
{
    static ClassTable* instance = new ClassTable;  // objects may be created during static destruction
    return *instance;
}

}  // namespace

void register_class(REFCLSID clsid, Factory factory)
{
    std::lock_guard lock(table().mutex);
    for (auto& entry : table().classes) {
        if (entry.first == clsid) {
            entry.second = std::move(factory);
            return;
        }
    }
    table().classes.emplace_back(clsid, std::move(factory));
}

void unregister_class(REFCLSID clsid)
{
    std::lock_guard lock(table().mutex);
    std::erase_if(table().classes, [&](const auto& entry) { return entry.first == clsid; });
}

Factory find_class(REFCLSID clsid)
{
    std::lock_guard lock(table().mutex);
    for (const auto& entry : table().classes)
        if (entry.first == clsid) return entry.second;
    return {};
}

}  // namespace platform::com
